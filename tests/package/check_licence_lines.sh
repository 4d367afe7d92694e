#!/usr/bin/env bash
# Every source file of the project names its licence in its first lines
# (SPDX-License-Identifier: Apache-2.0), so a file copied out of the tree
# still says under what terms. Needs the git checkout to list the files.
# Usage: check_licence_lines.sh SOURCE_DIR
set -euo pipefail
cd "$1"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || { echo "not a git checkout"; exit 77; }
missing=0
while IFS= read -r f; do
  case "$f" in
    *.cpp | *.h | *.js | *.mjs | *.py | *.sh | *.html | *CMakeLists.txt | Makefile | scripts/* | .ci/*) ;;
    *) continue ;;
  esac
  [[ -f $f ]] || continue
  if ! head -n 5 "$f" | grep -q 'SPDX-License-Identifier: Apache-2.0'; then
    echo "no licence line: $f"
    missing=1
  fi
done < <(git ls-files)
exit $missing
