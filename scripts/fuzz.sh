#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets of fuzz/ with clang (build-fuzz) and runs each
# for FUZZ_SECONDS seconds (20 unless set), starting from its seed corpus in
# fuzz/corpus/. Fails when any target finds a crash, a leak or a timeout;
# the input that did it is kept in build-fuzz/fuzz-work/<target>/.
# Usage: scripts/fuzz.sh [target...]    (all targets when none is named)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}
targets=("$@")
((${#targets[@]})) || targets=(fuzz_cp936_loader fuzz_cipher fuzz_pinyin_dictionary fuzz_word_readings fuzz_wav fuzz_settings fuzz_desktop_entry fuzz_mimeapps)
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCHIMEPAD_FUZZ=ON -DCHIMEPAD_WERROR=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON
fi
cmake --build "$BUILD" -j"$(nproc)" --target "${targets[@]}"
export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$PWD/tests/support/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for t in "${targets[@]}"; do
  work="$BUILD/fuzz-work/$t"
  mkdir -p "$work/corpus"
  echo "== $t: ${seconds} s"
  # New inputs go to the work corpus; the seeds in the repository stay as they are.
  if ! QT_QPA_PLATFORM=offscreen "$BUILD/fuzz/$t" -max_total_time="$seconds" -timeout=10 \
       -rss_limit_mb=2560 -max_len=65536 -print_final_stats=1 -artifact_prefix="$work/" \
       "$work/corpus" "fuzz/corpus/${t#fuzz_}" >"$work/log.txt" 2>&1; then
    tail -n 60 "$work/log.txt"
    failed+=("$t")
  else
    grep -E "^(stat::number_of_executed_units|Done)" "$work/log.txt" || tail -n 3 "$work/log.txt"
  fi
done
if ((${#failed[@]})); then
  echo "fuzzing found faults in: ${failed[*]} (inputs kept in $BUILD/fuzz-work/)"
  exit 1
fi
