#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The screenshot the package ships: the program's real window under a
# virtual X server (tools/screenshot.sh), with a text written for it,
# cropped to the window. Needs no display of its own, only Xvfb, xdotool
# and ImageMagick (scripts/setup.sh installs them). A shot that shows no
# window (the X server or the program too slow to start on a loaded
# machine) is taken again, up to three times.
#   make_screenshot.sh SOURCE_DIR PROGRAM TEXT_FILE OUT.png
set -euo pipefail
src=$1
program=$2
text=$3
out=$4

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for attempt in 1 2 3; do
  rm -f "$work/root.png"
  CHIMEPAD_BIN=$program "$src/tools/screenshot.sh" "$work/root.png" none "$text" >/dev/null 2>&1 || true
  if [ -s "$work/root.png" ]; then
    # The window sits at the top left of the black screen (no window
    # manager draws a frame): a black border first, so that trimming takes
    # black as the background, then cropped to the window.
    convert "$work/root.png" -bordercolor black -border 1 -fuzz 2% -trim +repage -strip "$work/shot.png" || true
    colours=$(convert "$work/shot.png" -format '%k' info: 2>/dev/null || echo 0)
    width=$(identify -format '%w' "$work/shot.png" 2>/dev/null || echo 0)
    # A window with Chinese text has far more than a handful of colours.
    if [ "$colours" -gt 64 ] && [ "$width" -ge 300 ]; then
      mv -f "$work/shot.png" "$out"
      echo "screenshot: $out ($(identify -format '%wx%h' "$out"), $colours colours, attempt $attempt)"
      exit 0
    fi
  fi
  echo "screenshot: attempt $attempt showed no window; again" >&2
  sleep 2
done
echo "screenshot: no window came up in three attempts" >&2
exit 1
