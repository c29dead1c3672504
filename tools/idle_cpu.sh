#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Measures the editor's CPU time while it sits idle with a large document
# open: starts it under a virtual X server with the file (by default a
# generated file of UTF-8 LF lines, 10 MB or a little more), waits until the window is shown and
# settled, then reads the process's CPU time (user + system) before and
# after a number of idle seconds.
#   tools/idle_cpu.sh [file] [seconds]
# Needs xvfb and xdotool (installed by scripts/setup.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bin=${CHIMEPAD_BIN:-$here/build/bin/chimepad}
seconds=${2:-10}

tmp=$(mktemp -d)
trap 'kill ${app:-} ${xvfb:-} 2>/dev/null || true; rm -rf "$tmp"' EXIT
file=${1:-}
if [ -z "$file" ]; then
  file=$tmp/big-lf.txt
  line='这是一行用来测量空闲时处理器占用的中文文字, with some Latin letters 12345.'
  # A block of lines doubled until it reaches 10 MB.
  for _ in $(seq 64); do printf '%s\n' "$line"; done > "$file"
  while [ "$(stat -c %s "$file")" -lt 10000000 ]; do cat "$file" "$file" > "$tmp/x" && mv "$tmp/x" "$file"; done
fi

# A display number no other X server holds.
n=$((90 + RANDOM % 100))
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
display=:$n
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
mkdir -p "$tmp/config/Chimepad"
printf '[Type]\ntxt=0\n' > "$tmp/config/Chimepad/Chimepad.conf"
DISPLAY=$display XDG_CONFIG_HOME=$tmp/config XDG_RUNTIME_DIR=$tmp QT_QPA_PLATFORM=xcb \
  "$bin" "$file" >/dev/null 2>&1 &
app=$!
# The window is up once its title shows the file; then let it settle.
for _ in $(seq 120); do
  DISPLAY=$display xdotool search --name "妙音朗读器" >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 3
ticks=$(getconf CLK_TCK)
cpu() { awk '{print $14 + $15}' "/proc/$app/stat"; }
before=$(cpu)
sleep "$seconds"
after=$(cpu)
awk -v b="$before" -v a="$after" -v t="$ticks" -v s="$seconds" -v f="$(stat -c %s "$file")" 'BEGIN {
  cpu = (a - b) / t
  printf "file %d bytes; CPU time over %d idle seconds: %.2f s (%.1f%% of one core)\n", f, s, cpu, 100 * cpu / s
}'
