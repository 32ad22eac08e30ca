#!/usr/bin/env bash
# Lines of code against lines of tests, over the text source files that git
# knows (tracked or new and not ignored): .c .cc .cpp .h .hpp .py .sh .cmake
# and CMakeLists.txt. Code is src/, tools/, bench/, scripts/, cmake/ and the
# top-level CMakeLists.txt; tests are everything under tests/.
set -euo pipefail
cd "$(dirname "$0")/.."

count() {
    git ls-files -co --exclude-standard -- "$@" |
        grep -E '(\.(c|cc|cpp|h|hpp|py|sh|cmake)|(^|/)CMakeLists\.txt)$' |
        while IFS= read -r f; do [ -f "$f" ] && cat -- "$f"; done | wc -l
}

code=$(count src tools bench scripts cmake CMakeLists.txt)
tests=$(count tests)
echo "code lines:  $code"
echo "test lines:  $tests"
awk -v t="$tests" -v c="$code" 'BEGIN { printf "ratio:       %.2f\n", t / c }'
