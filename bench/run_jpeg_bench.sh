#!/usr/bin/env bash
# Decoder benchmarks: builds what they need in BUILD (default build), then
#  1. decode time against djpeg -dct float and peak memory, on a 1024 x 768
#     4:2:0 quality-90 baseline file cjpeg makes from one of the show's
#     pictures;
#  2. the resource bounds (fuzz_bounds): time and peak memory of every
#     decoder test file and fuzz input, each in a process of its own, plus
#     hand-made worst cases; exits 1 when an input misses 1 s or 256 MiB.
#
#   bash bench/run_jpeg_bench.sh [BUILD] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-31}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j 2 --target jpeg_bench fuzz_bounds jpegdecode >/dev/null

work=$build/bench
mkdir -p "$work"
djpeg -pnm assets/drooo.jpg | cjpeg -quality 90 -sample 2x2 > "$work/bench_1024x768_q90_420.jpg"
"$build/bench/jpeg_bench" "$work/bench_1024x768_q90_420.jpg" "$build/jpegdecode" "$runs"
echo
"$build/bench/fuzz_bounds" tests/jpeg tests/fuzz/seeds tests/fuzz/regressions "$build/fuzz-corpus"
