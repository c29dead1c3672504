#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence line at the top of every source file of the project that
# lacks it:
#   // SPDX-License-Identifier: GPL-3.0-or-later      C and C++ sources, headers
#   # SPDX-License-Identifier: GPL-3.0-or-later       CMake files, shell scripts
# (a shell script keeps its #! line first; the licence line goes right after
# it). Running it again changes nothing.
#   tools/spdx_headers.sh [SOURCE_DIR]           add the line where it is missing
#   tools/spdx_headers.sh --check [SOURCE_DIR]   list the files without it; exit 1 if any
# The files are those git knows (tracked, or new and not ignored); outside a
# git checkout, every file below SOURCE_DIR but the build folders. Data files
# (dictionaries, sounds, icons, corpora, desktop files) are left alone.
set -euo pipefail

check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

identifier='SPDX-License-Identifier: GPL-3.0-or-later'

list_files() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard
  else
    find . \( -name 'build*' -o -name .git \) -prune -o -type f -printf '%P\0'
  fi
}

# The comment style of a source file, or nothing for a file that is not one.
style_of() {
  local f=$1
  case "$f" in
    *.cpp | *.cc | *.c | *.h | *.hpp) echo slash; return ;;
    CMakeLists.txt | */CMakeLists.txt | *.cmake | *.sh | *.bash) echo hash; return ;;
  esac
  # Extensionless scripts (.ci/run, ...): a shell #! line names them.
  if [[ $(basename "$f") != *.* ]] && head -c 64 -- "$f" 2>/dev/null | head -n 1 |
    grep -Eq '^#!.*\b(ba|da|z)?sh\b'; then
    echo hash
  fi
}

# The line is there when one of the first three lines holds the identifier
# (after #! and, in C++, before or after nothing else).
has_line() { head -n 3 -- "$1" | grep -q 'SPDX-License-Identifier:'; }

missing=()
while IFS= read -r -d '' f; do
  [ -f "$f" ] && [ ! -L "$f" ] || continue
  style=$(style_of "$f")
  [ -n "$style" ] || continue
  has_line "$f" && continue
  missing+=("$f")
  [ "$check" -eq 1 ] && continue
  if [ "$style" = slash ]; then
    line="// $identifier"
  else
    line="# $identifier"
  fi
  tmp=$(mktemp "$f.spdx.XXXXXX")
  if [ "$style" = hash ] && head -n 1 -- "$f" | grep -q '^#!'; then
    IFS= read -r first <"$f" || true
    { printf '%s\n%s\n' "$first" "$line"; tail -n +2 -- "$f"; } >"$tmp"
  else
    { printf '%s\n' "$line"; cat -- "$f"; } >"$tmp"
  fi
  # Same permissions (scripts stay executable), then replaced in one step.
  chmod --reference="$f" "$tmp"
  mv -f -- "$tmp" "$f"
done < <(list_files | LC_ALL=C sort -z)

if [ "$check" -eq 1 ]; then
  if ((${#missing[@]})); then
    echo "Files without the line '$identifier' (tools/spdx_headers.sh adds it):" >&2
    printf '  %s\n' "${missing[@]}" >&2
    exit 1
  fi
  echo "every source file carries '$identifier'"
else
  echo "added the licence line to ${#missing[@]} file(s)"
fi
