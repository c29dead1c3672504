#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tools/spdx_headers.sh on a small tree outside git: it finds exactly the
# source files without the licence line, puts the line first (after a #!
# line), keeps modes and leaves data files alone, and a second run changes
# nothing.
#   test_spdx_headers.sh SOURCE_DIR
set -euo pipefail
script=$1/tools/spdx_headers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "FAIL: $*" >&2; fail=1; }

t=$work/tree
mkdir -p "$t/src" "$t/cmake" "$t/.ci" "$t/data" "$t/build/gen"
printf '#include <x>\nint a;\n' >"$t/src/a.cpp"
printf '#pragma once\n' >"$t/src/b.h"
printf '// SPDX-License-Identifier: GPL-3.0-or-later\nint done;\n' >"$t/src/done.cpp"
printf 'add_subdirectory(src)\n' >"$t/CMakeLists.txt"
printf 'set(X 1)' >"$t/cmake/Pack.cmake"                  # no final newline
printf '#!/usr/bin/env bash\necho s\n' >"$t/s.sh"
printf '#!/bin/sh\necho ci' >"$t/.ci/run"                 # a script by its #! line alone
printf 'plain\ntext\n' >"$t/.ci/notes"                     # no #!: not a script
printf '# a comment, but data\n' >"$t/data/words.txt"
printf 'int generated;\n' >"$t/build/gen/moc.cpp"          # build folders are skipped
chmod 755 "$t/s.sh" "$t/.ci/run"
data_before=$(cd "$t" && sha256sum data/words.txt .ci/notes build/gen/moc.cpp src/done.cpp)

expected=".ci/run CMakeLists.txt cmake/Pack.cmake s.sh src/a.cpp src/b.h"
set +e
out=$("$script" --check "$t" 2>&1)
rc=$?
set -e
[ "$rc" -eq 1 ] || problem "--check exited $rc with files missing the line"
listed=$(sed -n 's/^  //p' <<<"$out" | LC_ALL=C sort | tr '\n' ' ' | sed 's/ $//')
[ "$listed" = "$expected" ] || problem "--check listed '$listed', not '$expected'"

"$script" "$t" >/dev/null
first() { sed -n "${2}p" "$t/$1"; }
for f in src/a.cpp src/b.h; do
  [ "$(first $f 1)" = "// SPDX-License-Identifier: GPL-3.0-or-later" ] || problem "$f starts with '$(first $f 1)'"
done
[ "$(first src/a.cpp 2)" = "#include <x>" ] || problem "a.cpp lost its first line"
for f in CMakeLists.txt cmake/Pack.cmake; do
  [ "$(first $f 1)" = "# SPDX-License-Identifier: GPL-3.0-or-later" ] || problem "$f starts with '$(first $f 1)'"
done
[ "$(cat "$t/cmake/Pack.cmake")" = $'# SPDX-License-Identifier: GPL-3.0-or-later\nset(X 1)' ] ||
  problem "Pack.cmake became '$(cat "$t/cmake/Pack.cmake")'"
for f in s.sh .ci/run; do
  [ "$(first $f 2)" = "# SPDX-License-Identifier: GPL-3.0-or-later" ] || problem "$f: line 2 is '$(first $f 2)'"
  [ "$(first $f 1 | cut -c1-2)" = '#!' ] || problem "$f: the #! line is no longer first"
  [ -x "$t/$f" ] || problem "$f is no longer executable"
done
[ "$(cat "$t/.ci/run")" = $'#!/bin/sh\n# SPDX-License-Identifier: GPL-3.0-or-later\necho ci' ] ||
  problem ".ci/run became '$(cat "$t/.ci/run")'"
[ "$(cd "$t" && sha256sum data/words.txt .ci/notes build/gen/moc.cpp src/done.cpp)" = "$data_before" ] ||
  problem "a data file, a build file or a file with the line was changed"
ls "$t"/src/*.spdx.* >/dev/null 2>&1 && problem "temporary files left behind"

# Idempotent: the second run changes no byte, and the check passes.
before=$(cd "$t" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
"$script" "$t" >/dev/null
after=$(cd "$t" && find . -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum)
[ "$before" = "$after" ] || problem "a second run changed files"
"$script" --check "$t" >/dev/null 2>&1 || problem "--check fails after the lines were added"

[ "$fail" -eq 0 ] || exit 1
echo "spdx_headers.sh: all cases passed"
