#!/usr/bin/env bash
# Decoder benchmarks: builds what they need in BUILD (default build), then
#  1. decode time against djpeg -dct float, whole processes in turn, each
#     writing its picture into a file, and the peak memory of one decode, on
#     two files:
#     - a 1024 x 768 4:2:0 quality-90 baseline file cjpeg makes from one of
#       the show's pictures;
#     - a photograph of 2560 x 1600 (4:2:0, baseline, quality 100, 861 KiB):
#       "TwoWings.jpg" from Debian's mate-backgrounds package, taken from the
#       package file without installing it;
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

work=$(cd "$build" && pwd)/bench
mkdir -p "$work"
djpeg -pnm assets/drooo.jpg | cjpeg -quality 90 -sample 2x2 > "$work/bench_1024x768_q90_420.jpg"
photo=$work/TwoWings.jpg
if [ ! -s "$photo" ]; then
    (cd "$work" && rm -rf mate && mkdir mate && cd mate &&
        { apt-get download mate-backgrounds >/dev/null 2>&1 ||
            { apt-get update -qq && apt-get download mate-backgrounds >/dev/null; }; } &&
        dpkg-deb --fsys-tarfile mate-backgrounds_*.deb |
        tar -xO ./usr/share/backgrounds/mate/nature/TwoWings.jpg >"$photo") ||
        { rm -f "$photo"; echo "no photograph: mate-backgrounds could not be downloaded"; }
    rm -rf "$work/mate"
fi
for file in "$work/bench_1024x768_q90_420.jpg" "$photo"; do
    [ -s "$file" ] || continue
    "$build/bench/jpeg_bench" "$file" "$build/jpegdecode" "$runs" "$work"
    echo
done
"$build/bench/fuzz_bounds" tests/jpeg tests/fuzz/seeds tests/fuzz/regressions "$build/fuzz-corpus"
