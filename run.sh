#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds and starts the editor.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
exec "${BUILD_DIR:-build}/bin/chimepad" "$@"
