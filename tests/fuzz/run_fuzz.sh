#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and fuzzes for a
# fixed time on top of the committed seeds and regression files.
#
#   bash tests/fuzz/run_fuzz.sh BUILD_DIR SECONDS [JOBS]
#
# fuzz_decode gets two thirds of the time, fuzz_load the rest. New inputs go
# to BUILD_DIR/fuzz-corpus, crash, timeout and out-of-memory inputs to
# BUILD_DIR/fuzz-artifacts (slow units too, which do not fail the run);
# any of the others fails it. With JOBS above 1
# each target runs in libFuzzer's fork mode on that many processes and goes
# on past failures, so a long run reports them all at the end.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$1
seconds=$2
jobs=${3:-1}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCQ_SANITIZE=ON -DCQ_FUZZ=ON \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_decode fuzz_load >/dev/null

artifacts=$build/fuzz-artifacts
rm -rf "$artifacts"
mkdir -p "$artifacts" "$build/fuzz-corpus/decode" "$build/fuzz-corpus/load"

# The limits are the decoder's resource goals with room for the sanitizers:
# a decode may take 1 s and 256 MiB of its own; ASan's shadow and the fuzzer
# itself come on top.
limits=(-max_len=1048576 -timeout=10 -rss_limit_mb=1536 -malloc_limit_mb=256
        -dict="$here/jpeg.dict" -print_final_stats=1)

run() {  # run TARGET SECONDS
  local target=$1 time=$2
  local mode=()
  if [ "$jobs" -gt 1 ]; then
    mode=(-fork="$jobs" -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1)
  fi
  echo "== $target for ${time}s"
  local log=$build/$target.log status=0
  "$build/tests/fuzz/$target" "${limits[@]}" "${mode[@]}" -max_total_time="$time" \
    -artifact_prefix="$artifacts/$target-" \
    "$build/fuzz-corpus/${target#fuzz_}" "$here/seeds" "$here/regressions" >"$log" 2>&1 || status=$?
  # The start, the last progress line and the totals; every failure report.
  grep -E '^#[0-9]+.*INITED' "$log" | head -1 || true
  grep -E '^#[0-9]+' "$log" | tail -1 || true
  grep -E '^stat::|ERROR:|SUMMARY:|Test unit written|Timeout|out-of-memory' "$log" | head -40 || true
  return "$status"
}

failed=0
run fuzz_decode $((seconds * 2 / 3)) || failed=1
run fuzz_load $((seconds - seconds * 2 / 3)) || failed=1
# Slow units are libFuzzer's notes on inputs that took long, not failures;
# the bounds bench judges time.
failing=$(ls "$artifacts" | grep -v -- '-slow-unit-' || true)
if [ -n "$failing" ]; then
  echo "fuzz: failing inputs in $artifacts:"
  ls -l "$artifacts"
  failed=1
elif [ -n "$(ls -A "$artifacts")" ]; then
  echo "fuzz: slow inputs (not failures) in $artifacts:"
  ls -l "$artifacts"
fi
[ "$failed" -eq 0 ] && echo "fuzz: no failure"
exit "$failed"
