#!/usr/bin/env bash
# Every C and C++ file in src/, tools/, tests/ and bench/ must be as
# clang-format 14 writes it with the project's .clang-format; prints the
# places that differ and exits 1 if any do. To mend: clang-format-14 -i FILE.
set -euo pipefail
cd "$(dirname "$0")/.."
files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(
    find src tools tests bench -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' \
        -o -name '*.h' -o -name '*.hpp' \) -print0 | sort -z)
if clang-format-14 --dry-run --Werror "${files[@]}"; then
    echo "format: ${#files[@]} files as clang-format writes them"
else
    echo "format: the files above differ from clang-format-14's output (clang-format-14 -i FILE)"
    exit 1
fi
