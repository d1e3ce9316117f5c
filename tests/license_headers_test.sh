#!/bin/bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Every tracked source file (code, build files, scripts; not the fuzz corpus) names its
# licence in an SPDX line within its first three lines, below a #! line where there is one.
#
#   license_headers_test.sh <source dir>
# Exits 0 when all have it, 1 naming those that lack it, and 77 (a skip for ctest) outside
# a git checkout, where there is no list of tracked files.
set -euo pipefail

source_dir=$1
readonly header='SPDX-License-Identifier: GPL-3.0-or-later'

cd "$source_dir"
if ! git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    echo "not a git checkout: no tracked files to check" >&2
    exit 77
fi

missing=0
checked=0
while IFS= read -r -d '' file; do
    case "$file" in
        tests/fuzz/corpus/*) continue ;;
        src/* | tools/* | tests/* | bench/* | scripts/* | cmake/* | .ci/* | CMakeLists.txt | */CMakeLists.txt) ;;
        *) continue ;;
    esac
    [ -f "$file" ] || continue
    checked=$((checked + 1))
    if ! head -n 3 "$file" | grep -qF "$header"; then
        echo "no '$header' line at the top of $file" >&2
        missing=$((missing + 1))
    fi
done < <(git ls-files -z)

[ "$checked" -gt 0 ] || { echo "no source files found under $source_dir" >&2; exit 1; }
echo "$checked source files checked, $missing without the licence line"
[ "$missing" -eq 0 ]
