#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages the build, the program and the tests need,
# then configures and builds. Fast when everything is already there.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n
  libsndfile1-dev libgtest-dev libbenchmark-dev libfontconfig-dev
  libespeak-ng-dev espeak-ng-data libsonic-dev
  unicode-data bzip2
  rime-data-terra-pinyin opencc libopencc-data python3-jieba
  fonts-wqy-microhei
  xvfb xauth xdotool imagemagick poppler-utils
  pulseaudio pulseaudio-utils
  shared-mime-info desktop-file-utils
  dpkg-dev appstream libxml2-utils groff-base
  lintian
  clang libclang-rt-14-dev clang-format
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

BUILD_DIR=${BUILD_DIR:-build}
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD_DIR" -j"$(nproc)"
