#!/usr/bin/env bash
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
unexpected=$(grep -Ev '^/usr/(bin/chimepad|share/(chimepad/(QZCSo\.wav|pinyin\.txt|words\.txt|Sounds/[a-z0-9]+\.wav)|applications/[^/]+\.desktop|mime/packages/chimepad\.xml|metainfo/[^/]+\.metainfo\.xml|man/man1/chimepad\.1\.gz|icons/hicolor/[^/]+/(apps|mimetypes)/chimepad[a-z-]*\.(svg|png)))$' <<<"$files" || true)
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

# The AppStream metadata: valid, no warning, and naming the entry.
meta=$share/metainfo/$app_id.metainfo.xml
out=$(appstreamcli validate --no-net --no-color "$meta" 2>&1) || problem "appstreamcli validate: $out"
grep -Eq '^[EW]:' <<<"$out" && problem "appstreamcli validate: $out"
echo "appstreamcli validate: $(tail -n 1 <<<"$out")"
grep -qF "<launchable type=\"desktop-id\">$app_id.desktop</launchable>" "$meta" || problem "metainfo launches no $app_id.desktop"
grep -qF "<id>$app_id</id>" "$meta" || problem "metainfo id is not $app_id"

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

if [ "$fail" -ne 0 ]; then
  echo "package checks FAILED" >&2
  exit 1
fi
echo "package checks passed"
