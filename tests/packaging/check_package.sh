#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package from an already built tree and checks it as a
# user's system would take it: its contents, its control fields and the
# desktop files it installs, with the standard validators.
#   check_package.sh BUILD_DIR APP_ID
set -euo pipefail
build=$(cd "$1" && pwd)
app_id=$2

fail=0
problem() { echo "FAIL: $*" >&2; fail=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The package, from the existing build (cpack installs it into a staging
# folder; nothing is compiled again when the build is up to date).
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack -G DEB" >&2
  exit 1
}
debs=("$work"/out/chimepad_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single chimepad_*.deb" >&2; ls "$work/out" >&2; exit 1; }
deb=${debs[0]}
echo "package: $(basename "$deb") ($(stat -c %s "$deb") bytes)"

# --- Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = chimepad ] || problem "Package is '$(field Package)'"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || problem "Architecture is '$(field Architecture)'"
[ "$(field Section)" = editors ] || problem "Section is '$(field Section)'"
[ -n "$(field Version)" ] || problem "no Version"
[ -n "$(field Maintainer)" ] || problem "no Maintainer"
[ -n "$(field Description)" ] || problem "no Description"
depends=$(field Depends)
echo "Depends: $depends"
# The run-time libraries the program links, as dpkg-shlibdeps finds them,
# and the SVG plugins its icons need (with version bounds).
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 \
           libqt6multimedia6 libqt6svg6 libsndfile1; do
  grep -Eq "(^|, )${lib//+/\\+} \(>= [^)]+\)" <<<"$depends" || problem "Depends lacks $lib with a version"
done
# A font that holds Chinese characters, as alternatives, even for a system
# installed without recommended packages; the translations stay recommended.
grep -qF 'fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei' <<<"$depends" ||
  problem "Depends names no Chinese font (fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei)"
grep -q 'qt6-translations-l10n' <<<"$(field Recommends)" || problem "Recommends lacks qt6-translations-l10n"
# Build-time tools and libraries stay out.
for lib in espeak sonic gtest benchmark; do
  grep -q "$lib" <<<"$depends" && problem "Depends names $lib, a build-time library"
done

# --- Contents.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
files=$(grep -v '/$' "$work/contents")
expected_files=(
  /usr/bin/chimepad
  /usr/share/chimepad/QZCSo.wav
  /usr/share/chimepad/pinyin.txt
  /usr/share/chimepad/words.txt
  "/usr/share/applications/$app_id.desktop"
  /usr/share/mime/packages/chimepad.xml
  "/usr/share/metainfo/$app_id.metainfo.xml"
  /usr/share/man/man1/chimepad.1.gz
  /usr/share/icons/hicolor/scalable/apps/chimepad.svg
  /usr/share/icons/hicolor/scalable/mimetypes/chimepad-doc-qzc.svg
  /usr/share/doc/chimepad/copyright
  /usr/share/doc/chimepad/changelog.gz
  /usr/share/chimepad/screenshots/main.png
)
sizes=(16 22 24 32 48 64 128 256)
for s in "${sizes[@]}"; do
  expected_files+=("/usr/share/icons/hicolor/${s}x${s}/apps/chimepad.png"
                   "/usr/share/icons/hicolor/${s}x${s}/mimetypes/chimepad-doc-qzc.png")
done
for f in "${expected_files[@]}"; do
  grep -qxF "$f" <<<"$files" || problem "the package lacks $f"
done
# Every sound of the build, and nothing else in Sounds/.
diff <(cd "$build/bin/Sounds" && ls *.wav | sort) \
     <(grep '^/usr/share/chimepad/Sounds/' <<<"$files" | sed 's|.*/||' | sort) >"$work/sounds.diff" ||
  { problem "Sounds/ differs from the build's set"; cat "$work/sounds.diff" >&2; }
# Nothing outside the installed layout (no tests, generators or headers).
unexpected=$(grep -Ev '^/usr/(bin/chimepad|share/(doc/chimepad/(copyright|changelog\.gz)|chimepad/(QZCSo\.wav|pinyin\.txt|words\.txt|Sounds/[a-z0-9]+\.wav|screenshots/main\.png)|applications/[^/]+\.desktop|mime/packages/chimepad\.xml|metainfo/[^/]+\.metainfo\.xml|man/man1/chimepad\.1\.gz|icons/hicolor/[^/]+/(apps|mimetypes)/chimepad[a-z-]*\.(svg|png)))$' <<<"$files" || true)
[ -z "$unexpected" ] || problem "unexpected files in the package:"$'\n'"$unexpected"
outside=$(grep -v -e '^/usr/' -e '^/$' "$work/contents" || true)
[ -z "$outside" ] || problem "entries outside /usr: $outside"

# --- The installed files, unpacked.
root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share

# The program is stripped of its debugging information.
readelf -S "$root/usr/bin/chimepad" >"$work/sections"
grep -q '\.debug_info' "$work/sections" && problem "/usr/bin/chimepad is not stripped"

# The menu entry: no error and no warning.
entry=$share/applications/$app_id.desktop
out=$(desktop-file-validate "$entry" 2>&1) || problem "desktop-file-validate failed"
[ -z "$out" ] || problem "desktop-file-validate: $out"
echo "desktop-file-validate: ${out:-clean}"
get() { grep -m1 "^$1=" "$entry" | cut -d= -f2-; }
[ "$(get Exec)" = "chimepad %f" ] || problem "Exec is '$(get Exec)'"
[ "$(get Name)" = "妙音朗读器" ] || problem "Name is '$(get Name)'"
[ "$(get 'Name\[en\]')" = "Chimepad" ] || problem "Name[en] is '$(get 'Name\[en\]')'"
[ "$(get MimeType)" = "text/plain;application/x-qzc;" ] || problem "MimeType is '$(get MimeType)'"
icon=$(get Icon)
[ -f "$share/icons/hicolor/scalable/apps/$icon.svg" ] || problem "no scalable icon named $icon"

# The PNG icons: square, of their folder's size, and drawn, not blank (the
# icons cover most of their square). One run of each tool for all of them.
pngs=()
for s in "${sizes[@]}"; do pngs+=("$share/icons/hicolor/${s}x${s}"/*/*.png); done
identify -format '%wx%h %m\n' "${pngs[@]}" >"$work/png-sizes"
convert "${pngs[@]}" -alpha extract -format '%[fx:mean]\n' info: >"$work/png-cover"
paste -d' ' <(printf '%s\n' "${pngs[@]}") "$work/png-sizes" "$work/png-cover" |
  while read -r png dims format cover; do
    s=$(basename "$(dirname "$(dirname "$png")")")
    [ "$dims $format" = "$s PNG" ] || echo "$png is $dims $format"
    awk -v c="$cover" 'BEGIN { exit !(c > 0.4) }' || echo "$png covers only $cover of its square"
  done >"$work/png-problems"
[ -s "$work/png-problems" ] && problem "icons:"$'\n'"$(cat "$work/png-problems")"
echo "PNG icons: ${#pngs[@]} checked"

# The AppStream metadata: valid even to the pedantic validator, and naming
# the entry. The one pedantic remark let through is the capital letter of the
# component id: the id also names the installed menu entry, which the
# file-type defaults users have recorded (mimeapps.list) refer to, so it stays.
meta=$share/metainfo/$app_id.metainfo.xml
out=$(appstreamcli validate --pedantic --no-net --no-color "$meta" 2>&1) || problem "appstreamcli validate: $out"
remarks=$(grep -E '^[EWIP]:' <<<"$out" | grep -v "^P: $app_id:[0-9]*: cid-contains-uppercase-letter " || true)
[ -z "$remarks" ] || problem "appstreamcli validate --pedantic: $remarks"
echo "appstreamcli validate --pedantic: $(tail -n 1 <<<"$out")"
grep -qF '<project_license>GPL-3.0-or-later</project_license>' "$meta" || problem "metainfo has no project_license GPL-3.0-or-later"
# The newest release entry is the version packaged.
newest=$(grep -o '<release version="[^"]*"' "$meta" | head -n 1 | cut -d'"' -f2)
[ "$newest" = "$(field Version)" ] || problem "the newest release in the metainfo is '$newest', the package is $(field Version)"

# The changelog's newest entry is the version packaged.
top=$(gzip -dc "$share/doc/chimepad/changelog.gz" 2>/dev/null | head -n 1 || true)
[[ $top == "chimepad ($(field Version)) "* ]] || problem "the changelog starts with '$top', the package is $(field Version)"

# The screenshot: a PNG of the window, with text drawn in it (a window with
# Chinese text has hundreds of colours; an empty screen has one or two).
shot=$share/chimepad/screenshots/main.png
if [ -f "$shot" ]; then
  read -r w h colours < <(identify -format '%w %h %k\n' "$shot")
  { [ "$w" -ge 300 ] && [ "$h" -ge 200 ] && [ "$colours" -ge 100 ]; } ||
    problem "the screenshot is ${w}x$h with $colours colours: no window with text"
  echo "screenshot: ${w}x$h, $colours colours"
fi

# The copyright file: Debian's machine-readable format, and every file the
# package installs under share/ named by a Files: pattern of its own (not by
# the catch-all *), each licence named there spelled out in a paragraph.
copyright=$share/doc/chimepad/copyright
if [ -f "$copyright" ]; then
  head -n 1 "$copyright" | grep -qxF 'Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' ||
    problem "copyright: no copyright-format 1.0 header"
  # The patterns of each Files paragraph (they may continue on indented lines).
  awk '
    /^Files:/ { infiles = 1; sub(/^Files:[ \t]*/, ""); n = split($0, a, /[ \t]+/); for (i = 1; i <= n; i++) if (a[i] != "") print a[i]; next }
    infiles && /^[ \t]/ { n = split($0, a, /[ \t]+/); for (i = 1; i <= n; i++) if (a[i] != "") print a[i]; next }
    { infiles = 0 }' "$copyright" >"$work/patterns"
  unnamed=()
  while IFS= read -r f; do
    rel=${f#/}
    named=0
    while IFS= read -r pattern; do
      [ "$pattern" = '*' ] && continue
      # shellcheck disable=SC2053 # the pattern is a glob on purpose
      if [[ $rel == $pattern ]]; then named=1; break; fi
    done <"$work/patterns"
    [ "$named" -eq 1 ] || unnamed+=("$f")
  done < <(grep '^/usr/share/' <<<"$files")
  ((${#unnamed[@]} == 0)) || problem "copyright names no Files: pattern for:"$'\n'"$(printf '  %s\n' "${unnamed[@]}")"
  # Licence short names used in Files paragraphs, split on "and"/"or".
  used=$(awk '/^Files:/ { f = 1 } /^$/ { f = 0 } f && /^License:/ { sub(/^License:[ \t]*/, ""); print }' "$copyright" |
         sed -E 's/[ ]+(and|or)[ ]+/\n/g' | sort -u)
  defined=$(awk '/^$/ { p = 1; next } p && /^License:/ { sub(/^License:[ \t]*/, ""); print } { p = 0 }' "$copyright" | sort -u)
  for lic in $used; do
    grep -qxF "$lic" <<<"$defined" || problem "copyright: licence $lic has no paragraph of its own"
  done
  # What the word-reading table and the pinyin dictionary say they were made
  # from (their headers) is named in the copyright file, and nothing more of
  # the optional sources: the Rime essay only when the table came from it.
  for data in words.txt pinyin.txt; do
    for source in $(head -n 3 "$share/chimepad/$data" | grep -oE '[A-Za-z0-9_]+(\.[A-Za-z0-9_]+)*\.(txt|yaml)' | sort -u); do
      [ "$source" = "$data" ] && continue
      grep -qF "$source" "$copyright" || problem "$data is made from $source, which the copyright file does not name"
    done
  done
  if head -n 3 "$share/chimepad/words.txt" | grep -q 'essay\.txt'; then
    grep -q 'rime-essay' "$copyright" || problem "words.txt comes from the Rime essay; the copyright file does not say so"
  else
    grep -q 'rime-essay' "$copyright" && problem "the copyright file names rime-essay, which words.txt is not made from"
  fi
  ((${#unnamed[@]})) ||
    echo "copyright: $(grep -c '^Files:' "$copyright") Files paragraphs name all $(grep -c '^/usr/share/' <<<"$files") files under /usr/share"
fi
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$meta" || problem "metainfo launches no $app_id.desktop"
grep -qF "<id>$app_id</id>" "$meta" || problem "metainfo id is not $app_id"

# lintian, Debian's own checker: no error. The warnings left are explained
# in cmake/lintian-expected.txt; any other warning fails.
if command -v lintian >/dev/null; then
  lintian --no-cfg --display-level '>=warning' --tag-display-limit 0 "$deb" >"$work/lintian" 2>&1 || true
  grep -E '^E: ' "$work/lintian" && problem "lintian reports errors"
  expected_tags=$(sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$(dirname "$0")/../../cmake/lintian-expected.txt" | awk '{print $1}')
  while read -r level pkg tag rest; do
    [ "$level" = "W:" ] || continue
    grep -qxF "$tag" <<<"$expected_tags" || problem "lintian warning not explained in cmake/lintian-expected.txt: $tag $rest"
  done <"$work/lintian"
  echo "lintian: $(grep -c '^E: ' "$work/lintian" || true) errors, $(grep -c '^W: ' "$work/lintian" || true) warnings (explained)"
else
  problem "lintian is not installed (scripts/setup.sh installs it)"
fi

# The MIME type: well-formed, and what shared-mime-info makes of it.
xmllint --noout "$share/mime/packages/chimepad.xml" || problem "chimepad.xml is not well-formed"
mime=$work/mime
mkdir -p "$mime/packages"
cp "$share/mime/packages/chimepad.xml" "$mime/packages/"
out=$(XDG_DATA_HOME=$work update-mime-database "$mime" 2>&1) || problem "update-mime-database failed"
[ -z "$out" ] || problem "update-mime-database: $out"
grep -qxF 'application/x-qzc text/plain' "$mime/subclasses" || problem "x-qzc is no sub-class of text/plain"
grep -qF 'application/x-qzc:*.qzc' "$mime/globs2" || problem "no *.qzc glob"
grep -qxF 'application/x-qzc:chimepad-doc-qzc' "$mime/icons" || problem "x-qzc has no icon"
[ -f "$share/icons/hicolor/scalable/mimetypes/chimepad-doc-qzc.svg" ] || problem "the document icon is missing"
echo "update-mime-database: ${out:-clean}"

# The man page: compressed, and formats without a warning.
out=$(gzip -dc "$share/man/man1/chimepad.1.gz" | LC_ALL=C.UTF-8 groff -man -ww -z -K utf8 -Tutf8 2>&1) ||
  problem "groff failed"
[ -z "$out" ] || problem "man page: $out"
# Its FILES section names every data file the package installs for the
# program, and it has the sections a reader looks for.
gzip -dc "$share/man/man1/chimepad.1.gz" >"$work/chimepad.1"
for section in NAME SYNOPSIS DESCRIPTION OPTIONS READING FILES EXAMPLES; do
  grep -qx "\.SH $section" "$work/chimepad.1" || problem "the man page has no $section section"
done
sed -n '/^\.SH FILES/,/^\.SH /p' "$work/chimepad.1" >"$work/man-files"
for f in $(grep -E '^/usr/share/chimepad/' <<<"$files" | sed -E 's|/Sounds/[^/]+$|/Sounds/*.wav|; /screenshots/d' | sort -u); do
  grep -qF "$f" "$work/man-files" || problem "the man page's FILES section does not name $f"
done

if [ "$fail" -ne 0 ]; then
  echo "package checks FAILED" >&2
  exit 1
fi
echo "package checks passed"
