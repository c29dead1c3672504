#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds and runs every test; then the checks CI
# runs on every change: the tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer (scripts/sanitize.sh), the fuzz targets for a
# short while each (scripts/fuzz.sh) and the source format
# (scripts/format_check.sh; skipped while .ci/format-check-off exists),
# and the Debian package installed, started and purged for real
# (scripts/package_check.sh; skipped without root or passwordless sudo).
# CHIMEPAD_CHECKS narrows what runs, e.g. CHIMEPAD_CHECKS=tests for the
# plain suite alone; the default is "tests sanitize fuzz format package".
set -euo pipefail
cd "$(dirname "$0")"
checks=" ${CHIMEPAD_CHECKS:-tests sanitize fuzz format package} "
./scripts/setup.sh
if [[ $checks == *" format "* ]]; then
  if [ -e .ci/format-check-off ]; then
    echo "format check skipped: .ci/format-check-off"
  else
    ./scripts/format_check.sh
  fi
fi
if [[ $checks == *" tests "* ]]; then
  (cd "${BUILD_DIR:-build}" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --repeat until-pass:2)
fi
if [[ $checks == *" sanitize "* ]]; then ./scripts/sanitize.sh; fi
if [[ $checks == *" fuzz "* ]]; then ./scripts/fuzz.sh; fi
if [[ $checks == *" package "* ]]; then ./scripts/package_check.sh; fi
