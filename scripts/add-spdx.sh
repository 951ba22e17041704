#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Gives every source file and script of the project the line that names its
# licence, "SPDX-License-Identifier: GPL-3.0-or-later", as a comment of its
# kind at its top (after a "#!" line, and after a Python coding line). A file
# that names a licence there already, even another one, is left as it is, so
# running it again changes nothing.
#
# usage: scripts/add-spdx.sh [--check] [FILE...]
#   FILE...  only these files (those that are not source files or scripts
#            are passed over); without any, every file git tracks, or, outside
#            a git work tree, every file below the source folder except the
#            build folders
#   --check  changes nothing: lists the files that lack the line and exits 1
#            when there are any
set -euo pipefail

readonly licence="SPDX-License-Identifier: GPL-3.0-or-later"
root=$(cd "$(dirname "$0")/.." && pwd)

check=false
if [ "${1:-}" = --check ]; then
  check=true
  shift
fi

# The comment that starts a line in the file, or nothing for a file that is
# neither source nor script.
comment_of() {
  local file=$1
  case "${file##*/}" in
    *.c | *.cc | *.cpp | *.h | *.hpp | *.h.in | *.cpp.in) echo "//" ;;
    *.sh | *.bash | *.py | *.cmake | *.cmake.in | CMakeLists.txt | Makefile) echo "#" ;;
    *)
      # A script without a telling name: executable, and starting with "#!".
      if [ -x "$file" ] && [ "$(head -c 2 "$file")" = "#!" ]; then echo "#"; fi
      ;;
  esac
}

# A comment line of its own naming a licence, among the first three lines.
names_licence() {
  head -n 3 "$1" | grep -qE '^[[:space:]]*(//|#|/\*)[[:space:]]*SPDX-License-Identifier:[[:space:]]*[^[:space:]]'
}

add_line() {
  local file=$1 line=$2 after=0
  if [ ! -s "$file" ]; then
    printf '%s\n' "$line" >"$file"
    return
  fi
  [ "$(head -c 2 "$file")" = "#!" ] && after=1
  # Python reads its coding declaration from the first two lines only.
  if sed -n "$((after + 1))p" "$file" | grep -qE '^[ \t\f]*#.*coding[:=][ \t]*[-_.a-zA-Z0-9]+'; then
    after=$((after + 1))
  fi
  if [ "$after" -eq 0 ]; then
    sed -i "1i\\$line" "$file"
  else
    sed -i "${after}a\\$line" "$file"
  fi
}

list_files() {
  if git -C "$root" -c safe.directory='*' rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git -C "$root" -c safe.directory='*' ls-files -z | while IFS= read -r -d '' f; do printf '%s\n' "$root/$f"; done
  else
    find "$root" -path "$root/.git" -prune -o -path "$root/build*" -prune -o -type f -print
  fi
}

files=()
if [ $# -gt 0 ]; then
  files=("$@")
else
  while IFS= read -r f; do files+=("$f"); done < <(list_files)
fi

lacking=()
for file in "${files[@]}"; do
  [ -f "$file" ] || continue
  comment=$(comment_of "$file")
  [ -n "$comment" ] || continue
  names_licence "$file" && continue
  if $check; then
    lacking+=("${file#"$root"/}")
  else
    add_line "$file" "$comment $licence"
  fi
done

if $check && [ ${#lacking[@]} -gt 0 ]; then
  echo "${#lacking[@]} source file(s) and script(s) lack \"$licence\" (scripts/add-spdx.sh adds it):" >&2
  printf '  %s\n' "${lacking[@]}" >&2
  exit 1
fi
exit 0
