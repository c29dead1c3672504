#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Large documents side by side: Chimepad and KWrite (when installed) under
# one virtual X server, each started from a warm home of its own, runs
# interleaved. For every file it prints the median of the runs of:
#   ready  - start to the window named after the file with its text drawn
#            and a typed key changing the screen (the editor is free again);
#   peak   - peak resident memory once ready, and after select all (Ctrl+A),
#            Ctrl+End and typing;
#   selall - Ctrl+A to the screen changed;
# and the ratio Chimepad / KWrite of each.
#   tools/compare_peers.sh [runs]        (3 runs unless given)
# Files: 10 MB and 50 MB GBK with CR LF, 50 MB UTF-8 with LF, made here.
# Needs Xvfb, xdotool, ImageMagick's import and python3.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-3}
bin=${CHIMEPAD_BIN:-$here/build/bin/chimepad}
[ -x "$bin" ] || { echo "build Chimepad first: $bin" >&2; exit 1; }
kwrite=$(command -v kwrite || true)
[ -n "$kwrite" ] || echo "KWrite not installed: only Chimepad is measured"

tmp=$(mktemp -d)
app=
cleanup() {
  [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT

python3 - "$tmp" <<'PY'
import sys
d = sys.argv[1]
line = "这是一行用来测量速度的中文文字，其中也有 Latin letters 和数字 12345。"
def make(name, mb, enc, br):
    one = (line + br).encode(enc)
    n = mb * 1000 * 1000 // len(one) + 1
    with open(f"{d}/{name}", "wb") as f:
        f.write(one * n)
make("gbk-crlf-10mb.txt", 10, "gbk", "\r\n")
make("gbk-crlf-50mb.txt", 50, "gbk", "\r\n")
make("utf8-lf-50mb.txt", 50, "utf-8", "\n")
PY

display=:$((100 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
export DISPLAY=$display

now() { date +%s.%N; }
shot() { import -window root -depth 8 gray:- 2>/dev/null | md5sum | cut -d' ' -f1; }
hwm() { awk '/VmHWM/ {printf "%.0f", $2 / 1024}' "/proc/$1/status" 2>/dev/null || echo 0; }
# Waits until the screen differs from $1 (at most 120 s).
changed_from() {
  local before=$1 limit=$(($(date +%s) + 120))
  while [ "$(shot)" = "$before" ]; do
    [ "$(date +%s)" -lt "$limit" ] || return 1
    sleep 0.02
  done
}

# A warm home for each program: settings answered, first start done.
for who in chimepad kwrite; do
  mkdir -p "$tmp/home-$who/.config/Chimepad" "$tmp/run-$who"
  chmod 700 "$tmp/run-$who"
done
printf '[Type]\ntxt=0\n' > "$tmp/home-chimepad/.config/Chimepad/Chimepad.conf"

# One run: prints "ready_s peak_ready_MiB peak_after_MiB selall_s".
run_one() {
  local who=$1 file=$2 prog name
  case $who in
    chimepad) prog=$bin ;;
    kwrite) prog=$kwrite ;;
  esac
  name=$(basename "$file")
  local blank; blank=$(shot)
  local t0; t0=$(now)
  HOME=$tmp/home-$who XDG_CONFIG_HOME=$tmp/home-$who/.config XDG_RUNTIME_DIR=$tmp/run-$who \
    QT_QPA_PLATFORM=xcb "$prog" "$file" >/dev/null 2>&1 &
  app=$!
  local win="" limit=$(($(date +%s) + 120))
  while [ -z "$win" ]; do
    win=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1 || true)
    [ "$(date +%s)" -lt "$limit" ] || { echo "no window" >&2; return 1; }
    [ -n "$win" ] || sleep 0.01
  done
  xdotool windowfocus "$win" 2>/dev/null || true
  local before; before=$(shot)
  xdotool key --window "$win" x 2>/dev/null || xdotool key x
  changed_from "$before"
  local t1; t1=$(now)
  local peak; peak=$(hwm "$app")
  before=$(shot)
  local t2; t2=$(now)
  xdotool key --window "$win" ctrl+a 2>/dev/null || xdotool key ctrl+a
  changed_from "$before" || true
  local t3; t3=$(now)
  xdotool key --window "$win" ctrl+End 2>/dev/null || true
  xdotool type --window "$win" "abc" 2>/dev/null || true
  sleep 1
  local after; after=$(hwm "$app")
  stop "$app"
  app=
  echo "$(echo "$t1 - $t0" | bc -l) $peak $after $(echo "$t3 - $t2" | bc -l)"
  # The screen back to empty before the next run.
  changed_from "$blank" >/dev/null 2>&1 || true
}

# Ends the program started here: asked first, then forced (an editor may
# hold on to ask about the changed text).
stop() {
  kill "$1" 2>/dev/null || true
  for _ in $(seq 50); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  kill -9 "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

median() { sort -g | awk '{a[NR] = $1} END {print a[int((NR + 1) / 2)]}'; }

programs=(chimepad)
[ -n "$kwrite" ] && programs+=(kwrite)
# Warm-up: one start of each, not counted.
for who in "${programs[@]}"; do run_one "$who" "$tmp/gbk-crlf-10mb.txt" >/dev/null || true; done

printf '%-20s %-9s %8s %10s %10s %9s\n' file program ready_s peak_MiB after_MiB selall_s
for file in gbk-crlf-10mb.txt gbk-crlf-50mb.txt utf8-lf-50mb.txt; do
  for ((r = 0; r < runs; ++r)); do
    for who in "${programs[@]}"; do
      run_one "$who" "$tmp/$file" >> "$tmp/$file.$who" || echo "run failed: $who $file" >&2
    done
  done
  declare -A med=()
  for who in "${programs[@]}"; do
    for col in 1 2 3 4; do
      med[$who.$col]=$(awk -v c=$col '{print $c}' "$tmp/$file.$who" | median)
    done
    printf '%-20s %-9s %8.2f %10s %10s %9.2f\n' "$file" "$who" "${med[$who.1]}" \
      "${med[$who.2]}" "${med[$who.3]}" "${med[$who.4]}"
  done
  if [ -n "$kwrite" ]; then
    printf '%-20s %-9s %8.2f %10.2f %10.2f %9.2f\n' "$file" "ratio" \
      "$(echo "${med[chimepad.1]} / ${med[kwrite.1]}" | bc -l)" \
      "$(echo "${med[chimepad.2]} / ${med[kwrite.2]}" | bc -l)" \
      "$(echo "${med[chimepad.3]} / ${med[kwrite.3]}" | bc -l)" \
      "$(echo "${med[chimepad.4]} / ${med[kwrite.4]}" | bc -l)"
  fi
  unset med
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
