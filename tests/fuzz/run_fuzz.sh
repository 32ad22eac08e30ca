#!/usr/bin/env bash
# run_fuzz.sh BUILD_DIR SECONDS [JOBS]: the libFuzzer targets of a clang
# sanitizer build (CC=clang CXX=clang++ cmake -DCQ_SANITIZE=ON), already
# built: fuzz_decode two thirds of the time, fuzz_load the rest, from the
# seeds and regressions with jpeg.dict. New inputs go to BUILD_DIR/fuzz-corpus,
# crash, leak, timeout and out-of-memory inputs to BUILD_DIR/fuzz-artifacts
# (slow units too, as notes only: the bounds bench judges time). With JOBS
# above 1 each target runs in fork mode on that many processes and goes on
# past failures. Ends with `fuzz: N passed, M failed`, counting targets.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
seconds=$2
jobs=${3:-1}
artifacts=$build/fuzz-artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts"

# The decoder's resource goals with room for the sanitizers: inputs up to
# 1 MiB, 10 s per input, no allocation of 256 MiB or more.
limits=(-max_len=1048576 -timeout=10 -rss_limit_mb=1536 -malloc_limit_mb=256
    -dict="$here/jpeg.dict" -print_final_stats=1)
[ "$jobs" -gt 1 ] && limits+=(-fork="$jobs" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)

passed=0
failed=0
for target in fuzz_decode fuzz_load; do
    time=$((seconds * 2 / 3))
    [ $target = fuzz_load ] && time=$((seconds - time))
    binary=$build/tests/fuzz/$target
    log=$build/$target.log
    corpus=$build/fuzz-corpus/${target#fuzz_}
    mkdir -p "$corpus"
    echo "== $target for ${time}s"
    status=0
    if [ ! -x "$binary" ]; then
        echo "$binary is not built (clang with -DCQ_SANITIZE=ON builds it)"
        status=1
    else
        "$binary" "${limits[@]}" -max_total_time="$time" -artifact_prefix="$artifacts/$target-" \
            "$corpus" "$here/seeds" "$here/regressions" >"$log" 2>&1 || status=$?
        # The start, the last progress line, the totals and any failure report.
        grep -E '^#[0-9]+.*INITED' "$log" | head -1
        grep -E '^#[0-9]+' "$log" | tail -1
        grep -E '^stat::|ERROR:|SUMMARY:|Test unit written|Timeout|out-of-memory' "$log" | head -40
        ls "$artifacts" | grep -q -- "^$target-\(crash\|leak\|timeout\|oom\)" && status=1
    fi
    if [ "$status" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
done
[ -n "$(ls -A "$artifacts")" ] && ls -l "$artifacts"
echo "fuzz: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
