#!/usr/bin/env bash
# Re-creates the fuzzers' seed corpus in tests/fuzz/seeds from the project's
# own picture generator and Debian's cjpeg: small files of every sampling
# layout, restart layouts, 16-bit tables, grey, plus a few files the decoder
# must refuse. Run once by hand; the result is committed.
#
#   bash tests/fuzz/make_seeds.sh BUILD/tests/jpeg/make_test_images
set -euo pipefail
gen=$1
here=$(cd "$(dirname "$0")" && pwd)
out=$here/seeds
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/src" "$work/hostile"
"$gen" "$work"
s=$work/src
rm -rf "$out"
mkdir -p "$out"

enc() {  # enc NAME CJPEG-OPTIONS... SOURCE
  local name=$1
  shift
  cjpeg "$@" > "$out/$name.jpg"
}

# Every sampling layout that baseline files use, on a picture whose size is
# not a multiple of the MCU, so edge MCUs are covered too.
for layout in 1x1 2x1 1x2 2x2 4x1 1x4 4x2 2x4 3x1 3x2; do
  enc "colour_${layout}_33x31"  -quality 80 -sample "$layout" "$s/scene_33x31.ppm"
done
enc colour_2x2_17x9           -quality 90 -sample 2x2 "$s/scene_17x9.ppm"
enc colour_1x1_noise_q95      -quality 95 -sample 1x1 "$s/noise_64x48.ppm"
enc grey_40x24                -quality 75             "$s/noise_grey_40x24.pgm"
enc grey_optimized            -quality 70 -optimize   "$s/noise_grey_40x24.pgm"
enc colour_optimized_2x2      -quality 85 -optimize -sample 2x2 "$s/scene_33x31.ppm"
# Restarts: one per MCU row (what the decoder honours), and inside rows
# (decoded as padding bits of data, but must not hurt).
enc restart_rows_2x2          -quality 85 -sample 2x2 -restart 1  "$s/scene_33x31.ppm"
enc restart_rows_1x1          -quality 85 -sample 1x1 -restart 1  "$s/scene_17x9.ppm"
enc restart_rows_grey         -quality 85 -restart 1  "$s/noise_grey_40x24.pgm"
enc restart_inside_rows_2x1   -quality 85 -sample 2x1 -restart 2B "$s/scene_33x31.ppm"
# 16-bit quantisation tables (quality 3), relabelled from SOF1 to SOF0.
enc quant16_2x2               -quality 3 -sample 2x2 "$s/scene_33x31.ppm"
enc quant16_grey              -quality 3             "$s/noise_grey_40x24.pgm"
"$gen" --sof0 "$out/quant16_2x2.jpg"
"$gen" --sof0 "$out/quant16_grey.jpg"
# Built coefficient by coefficient by the generator.
cp "$work/sensitive_idct.jpg" "$out/generated_idct.jpg"
# Frame types the decoder refuses: their headers lead the fuzzer to the
# other frame markers.
cjpeg -quality 80 -progressive "$s/scene_17x9.ppm" > "$out/refused_progressive.jpg"
cjpeg -quality 80 -arithmetic  "$s/scene_17x9.ppm" > "$out/refused_arithmetic.jpg"
cp "$work/hostile/twelve_bit.jpg" "$out/refused_twelve_bit.jpg"

ls "$out" | wc -l
du -sh "$out"
