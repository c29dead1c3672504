#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package as a user's system takes it: built from the build
# folder, installed with apt-get, started from /usr/bin (the version, a
# reading into a wav file, and the window with a file under Xvfb), then
# purged; afterwards nothing of it may be left under /usr.
#   scripts/package_check.sh            (BUILD_DIR, default build/)
# It installs into /usr for real, so it needs root or passwordless sudo and
# says it skipped otherwise. A chimepad package installed already is left
# alone: the check refuses to run rather than remove it.
set -euo pipefail
cd "$(dirname "$0")/.."
src=$(pwd)
build=$(cd "${BUILD_DIR:-build}" && pwd)

if [ "$(id -u)" -eq 0 ]; then
  SUDO=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  SUDO=(sudo -n)
else
  echo "package check skipped: installing the package needs root or passwordless sudo"
  exit 0
fi
as_root() { "${SUDO[@]}" env DEBIAN_FRONTEND=noninteractive "$@"; }

if dpkg-query -W -f='${Status}' chimepad 2>/dev/null | grep -q 'installed'; then
  echo "FAIL: a chimepad package is installed already; the check does not touch it" >&2
  exit 1
fi

work=$(mktemp -d)
installed=0
cleanup() {
  kill "${app:-}" "${xvfb:-}" 2>/dev/null || true
  if [ "$installed" -eq 1 ]; then
    as_root apt-get purge -y chimepad >/dev/null 2>&1 || as_root dpkg --purge chimepad >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail=0
problem() { echo "FAIL: $*" >&2; fail=1; }

# --- The package, from the build as it is.
cmake --build "$build" -j"$(nproc)" >"$work/build.log" 2>&1 || { tail -n 40 "$work/build.log" >&2; echo "FAIL: build" >&2; exit 1; }
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log" >&2; echo "FAIL: cpack" >&2; exit 1; }
debs=("$work"/out/chimepad_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || { echo "FAIL: cpack wrote no chimepad_*.deb" >&2; exit 1; }
version=$(dpkg-deb -f "$deb" Version)
echo "package: $(basename "$deb")"

# What /usr holds before (paths only), to find what the package leaves behind.
usr_list() { find /usr -xdev 2>/dev/null | LC_ALL=C sort; }
usr_list >"$work/usr-before"

# --- Install, as the README says.
(cd "$work/out" && as_root apt-get install -y --no-install-recommends "./$(basename "$deb")") >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; echo "FAIL: apt-get install ./$(basename "$deb")" >&2; exit 1; }
installed=1
dpkg-query -W -f='${Status}' chimepad | grep -q 'install ok installed' || problem "dpkg does not list chimepad as installed"
dpkg -L chimepad | LC_ALL=C sort >"$work/package-paths"
echo "installed: $(grep -c . "$work/package-paths") paths"

# --- The installed program.
out=$(/usr/bin/chimepad --version 2>&1) || problem "/usr/bin/chimepad --version failed: $out"
[ "$out" = "chimepad $version" ] || problem "/usr/bin/chimepad --version says '$out', the package is $version"
echo "--version: $out"

# A text of its own (UTF-8 here), read into a wav file: the installed copy
# finds its sound set and dictionaries under /usr/share/chimepad.
printf '春晓\n春眠不觉晓，处处闻啼鸟。\n' >"$work/春晓.txt"
home=$work/home
mkdir -p "$home/.config/Chimepad"
# The file-type question is answered already (否: .qzc files only), so the
# window comes up without a question in front of it.
printf '[Type]\ntxt=0\n' >"$home/.config/Chimepad/Chimepad.conf"
run_env=(env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_HOME="$home/.config"
         XDG_DATA_HOME="$home/.local/share" XDG_RUNTIME_DIR="$work" LANG=C.UTF-8)
if "${run_env[@]}" QT_QPA_PLATFORM=offscreen /usr/bin/chimepad --read-to-wav "$work/春晓.txt" "$work/out.wav" \
     >"$work/wav.log" 2>&1; then
  bytes=$(stat -c %s "$work/out.wav" 2>/dev/null || echo 0)
  # 10 characters at 500 ms, 22050 Hz, 16-bit mono: well over 100 kB.
  [ "$bytes" -gt 100000 ] || problem "--read-to-wav wrote only $bytes bytes"
  echo "--read-to-wav: $bytes bytes"
else
  problem "/usr/bin/chimepad --read-to-wav failed: $(cat "$work/wav.log")"
fi

# The window, from /usr/bin, with the file, on a virtual X server: it comes
# up with the file's name in its title and draws the text.
display=
for n in $(seq 150 199); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { display=:$n; break; }
done
[ -n "$display" ] || { problem "no free X display"; exit 1; }
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
"${run_env[@]}" DISPLAY="$display" QT_QPA_PLATFORM=xcb /usr/bin/chimepad "$work/春晓.txt" >"$work/app.log" 2>&1 &
app=$!
win=
for _ in $(seq 100); do
  win=$(DISPLAY=$display xdotool search --name '春晓.*妙音朗读器' 2>/dev/null | head -n 1 || true)
  [ -n "$win" ] && break
  kill -0 "$app" 2>/dev/null || break
  sleep 0.2
done
if [ -n "$win" ]; then
  title=$(DISPLAY=$display xdotool getwindowname "$win")
  sleep 1
  DISPLAY=$display import -window root "$work/window.png"
  colours=$(convert "$work/window.png" -format '%k' info:)
  [ "$colours" -ge 100 ] || problem "the window shows only $colours colours: nothing drawn"
  echo "window: '$title', $colours colours on the screen"
else
  problem "no window titled with 春晓 came up from /usr/bin/chimepad: $(cat "$work/app.log")"
fi
kill "$app" 2>/dev/null || true
wait "$app" 2>/dev/null || true
kill "$xvfb" 2>/dev/null || true
wait "$xvfb" 2>/dev/null || true
app= xvfb=

# --- Remove it, and look for what is left.
as_root apt-get purge -y chimepad >"$work/purge.log" 2>&1 || { cat "$work/purge.log" >&2; problem "apt-get purge chimepad"; }
installed=0
fail_before_purge=$fail
dpkg-query -W -f='${Status}' chimepad 2>/dev/null | grep -q 'installed' && problem "dpkg still lists chimepad"
# Every file and every folder the package made is gone (folders that held
# other packages' files before stay, of course).
while IFS= read -r p; do
  [ -e "$p" ] || [ -L "$p" ] || continue
  if [ -d "$p" ] && [ ! -L "$p" ]; then
    grep -qxF "$p" "$work/usr-before" || problem "folder left behind: $p"
  else
    problem "file left behind: $p"
  fi
done <"$work/package-paths"
# Nothing new under /usr names it, and the caches its triggers rebuilt
# (MIME database, menu and icon caches) no longer mention it.
usr_list >"$work/usr-after"
left=$(LC_ALL=C comm -13 "$work/usr-before" "$work/usr-after" | grep -Ei 'chimepad|qzc' || true)
[ -z "$left" ] || problem "left under /usr after the purge:"$'\n'"$left"
for cache in /usr/share/applications/mimeinfo.cache /usr/share/mime/globs2 /usr/share/mime/types \
             /usr/share/icons/hicolor/icon-theme.cache; do
  [ -f "$cache" ] || continue
  grep -aqiE 'chimepad|x-qzc' "$cache" && problem "$cache still mentions chimepad"
done
[ "$fail" -ne "$fail_before_purge" ] || echo "purged: nothing of chimepad left under /usr"

if [ "$fail" -ne 0 ]; then
  echo "package install check FAILED" >&2
  exit 1
fi
echo "package install check passed"
