#!/usr/bin/env bash
# Decoder benchmark: builds what it needs in BUILD (default build), makes a
# 1024 x 768 4:2:0 quality-90 baseline file from the test generator's
# picture and reports our decode time against djpeg -dct float.
#
#   bash bench/run_jpeg_bench.sh [BUILD] [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runs=${2:-31}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)" --target jpeg_bench make_test_images jpegdecode >/dev/null

work=$build/bench
mkdir -p "$work"
"$build/tests/jpeg/make_test_images" --bench "$work/bench_1024x768.ppm"
cjpeg -quality 90 -sample 2x2 "$work/bench_1024x768.ppm" > "$work/bench_1024x768_q90_420.jpg"
"$build/bench/jpeg_bench" "$work/bench_1024x768_q90_420.jpg" "$build/jpegdecode" "$runs"
