#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the tests a second time with GCC under AddressSanitizer and
# UndefinedBehaviorSanitizer, warnings as errors, in a build folder of their
# own (build-asan), and runs the whole suite there. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${ASAN_BUILD_DIR:-build-asan}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ \
    -DCHIMEPAD_SANITIZE=address,undefined -DCHIMEPAD_WERROR=ON \
    -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
fi
# The build runs its own generators (the sound set, the pinyin dictionary),
# sanitized too; their leaks at exit are of no interest.
ASAN_OPTIONS=detect_leaks=0 cmake --build "$BUILD" -j"$(nproc)"
supp="$PWD/tests/support/lsan.supp"
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$BUILD"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 600 --repeat until-pass:2
