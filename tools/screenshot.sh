#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the editor under a virtual X server, opens a menu and writes a
# screenshot, so anyone can look at the real window.
#   tools/screenshot.sh [out.png] [menu-key] [file-to-open]
# menu-key is the access key of the menu to open (f, e, o, r, h), "none"
# for no menu, or "key:NAME" to press a key instead (key:F8 starts reading;
# the shot is taken a moment later). Needs xvfb and imagemagick (installed by scripts/setup.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-shot.png}
menu=${2:-f}
file=${3:-}
bin=${CHIMEPAD_BIN:-$here/build/bin/chimepad}

tmp=$(mktemp -d)
trap 'kill ${app:-} ${xvfb:-} 2>/dev/null || true; rm -rf "$tmp"' EXIT
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
# A settings store of its own, answered already: no first-run question.
mkdir -p "$tmp/config/Chimepad"
printf '[Type]\ntxt=0\n' > "$tmp/config/Chimepad/Chimepad.conf"
# State and data of its own too: no recovery offer or place of an earlier run.
mkdir -p "$tmp/state" "$tmp/data"
chmod 700 "$tmp"
DISPLAY=$display XDG_CONFIG_HOME=$tmp/config XDG_STATE_HOME=$tmp/state XDG_DATA_HOME=$tmp/data XDG_RUNTIME_DIR=$tmp QT_QPA_PLATFORM=xcb \
  "$bin" ${file:+"$file"} >/dev/null 2>&1 &
app=$!
sleep 2
if [ "$menu" != none ]; then
  # No window manager runs here: give the window the focus, then the key.
  win=$(DISPLAY=$display xdotool search --name "妙音朗读器" | head -n 1)
  case "$menu" in
    key:*) DISPLAY=$display xdotool windowfocus --sync "$win" key "${menu#key:}" || true; sleep 1.2 ;;
    *) DISPLAY=$display xdotool windowfocus --sync "$win" key "alt+$menu" || true ;;
  esac
  sleep 0.7
fi
DISPLAY=$display import -window root "$out"
echo "wrote $out"
