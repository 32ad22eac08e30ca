#!/usr/bin/env bash
# The decoder's results are defined with one rounding per operation, so no
# object of its library may hold a fused multiply-add, whatever its files are
# called and whichever instruction sets they are built for:
#
#   check_no_fma.sh OBJDUMP LIBRARY [COMPILE_COMMANDS]
#
# disassembles every member of LIBRARY (the decoder's static library) with
# OBJDUMP (the build's own, so a cross-build's for its architecture) and
# looks for the fused multiply-add instructions of x86 (FMA3, FMA4), AArch64
# and 32-bit ARM. With COMPILE_COMMANDS (CMake's compile_commands.json) it
# also reads how the library's files were compiled: each with
# -ffp-contract=off last, and on x86 none with FMA enabled (-mfma, -mfma4,
# -mavx512*, -march=...), which the AVX and AVX2 files must not need.
# Prints what it found and "no-fma: N passed, M failed".
set -uo pipefail
[ $# -ge 2 ] || { echo "usage: check_no_fma.sh OBJDUMP LIBRARY [COMPILE_COMMANDS]" >&2; exit 2; }
objdump=$1
library=$2
commands=${3:-}
passed=0
failed=0
result() {
    if [ "$1" = 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
}
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT

"$objdump" -d "$library" >"$tmp" || { echo "$objdump could not disassemble $library"; exit 1; }
# Every word of the listing is tried as a whole, so operands and symbol
# names never match; GNU and LLVM listings alike.
words() { tr -s ' \t,' '\n' <"$tmp" | grep -E -x "$1"; }
fused='v?fn?m(add|sub)[a-z0-9]*|fml[as][a-z0-9]*|vfn?m[as](\.f(16|32|64))?'
multiply='v?mul[sp][sd]|v?fmul|vmul\.f(32|64)'
members=$(grep -c 'file format' "$tmp")
multiplies=$(words "$multiply" | wc -l)
found=$(words "$fused" | sort | uniq -c)
arch=$(sed -n 's/.*file format \(.*\)/\1/p' "$tmp" | sort -u | paste -s -d ' ')
x86=
[[ $arch == *x86* || $arch == *i386* ]] && x86=1
echo "$members objects ($arch), $multiplies floating-point multiplies"
# A listing without multiplies would pass for the wrong reason.
if [ "$multiplies" -eq 0 ]; then
    echo "no floating-point multiply in the disassembly: not the decoder's code?"
    result 1
elif [ -n "$found" ]; then
    echo "fused multiply-add instructions:"
    echo "$found"
    grep -E -m 10 "[[:space:]]($fused)[[:space:]]" "$tmp"
    result 1
else
    result 0
fi

if [ -n "$commands" ]; then
    # The library's own entries: their objects go to <name>.dir.
    dir=$(basename "$library" | sed -e 's/^lib//' -e 's/\.a$//').dir/
    bad=$(awk -v dir="$dir" -v x86="$x86" '
        /"command":/ && index($0, dir) {
            n++
            last = ""
            rest = $0
            while (match(rest, /-ffp-contract=[a-z]+/)) {
                last = substr(rest, RSTART, RLENGTH)
                rest = substr(rest, RSTART + RLENGTH)
            }
            if (last != "-ffp-contract=off") print "not -ffp-contract=off last: " $0
            if (x86 && match($0, / -m(fma4?|avx512[a-z0-9]*|arch=[^ ]*)( |$)/))
                print substr($0, RSTART + 1, RLENGTH - 1) ": " $0
        }
        END { if (n == 0) print "no compile command for " dir }' "$commands")
    if [ -n "$bad" ]; then
        echo "compiled so that it may fuse:"
        echo "$bad"
        result 1
    else
        echo "$(grep -c "$dir" "$commands") compile commands: -ffp-contract=off${x86:+, no FMA enabled}"
        result 0
    fi
fi

echo "no-fma: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
