#!/usr/bin/env bash
# (Re)creates the JPEG test corpus:
#
#   bash tests/jpeg/make_corpus.sh MAKE_TEST_IMAGES OUTDIR
#
# MAKE_TEST_IMAGES is the built generator (build/tests/jpeg/make_test_images);
# the build runs this as the CTest fixture "jpeg_corpus" into
# build/tests/jpeg/corpus. OUTDIR then holds:
#   *.jpg          baseline files the decoder must decode (cjpeg from the
#                  generated pictures in src/, plus the two hand-built
#                  "sensitive" files)
#   hostile/*.jpg  files it must refuse or survive (progressive, arithmetic,
#                  12-bit, restarts inside rows)
# Only Debian's libjpeg-turbo-progs cjpeg is used, so the bytes are the same
# on every machine with that package.
set -euo pipefail
gen=$1
out=$2
rm -rf "$out"
mkdir -p "$out/src" "$out/hostile"
"$gen" "$out"

s=$out/src
enc() {  # enc NAME CJPEG-OPTIONS... SOURCE
  local name=$1
  shift
  cjpeg "$@" > "$out/$name.jpg"
}

enc grey_q75              -quality 75                 "$s/scene_grey_75x50.pgm"
enc grey_noise_q95        -quality 95                 "$s/noise_grey_40x24.pgm"
enc grey_from_colour_q90  -quality 90 -grayscale      "$s/edges_120x90.ppm"
enc gradient_444_q90      -quality 90 -sample 1x1     "$s/gradient_128x96.ppm"
enc gradient_422_q85      -quality 85 -sample 2x1     "$s/gradient_128x96.ppm"
enc gradient_420_q75      -quality 75 -sample 2x2     "$s/gradient_128x96.ppm"
enc noise_444_q95         -quality 95 -sample 1x1     "$s/noise_64x48.ppm"
enc noise_420_q50         -quality 50 -sample 2x2     "$s/noise_64x48.ppm"
enc edges_420_q90         -quality 90 -sample 2x2     "$s/edges_120x90.ppm"
enc edges_444_q60         -quality 60 -sample 1x1     "$s/edges_120x90.ppm"
enc flat_420_q90          -quality 90 -sample 2x2     "$s/flat_80x64.ppm"
enc odd_17x9_444          -quality 90 -sample 1x1     "$s/scene_17x9.ppm"
enc odd_17x9_420          -quality 90 -sample 2x2     "$s/scene_17x9.ppm"
enc odd_33x31_422         -quality 80 -sample 2x1     "$s/scene_33x31.ppm"
enc scene_420_q90         -quality 90 -sample 2x2     "$s/scene_200x150.ppm"
enc restart_420_rows      -quality 85 -sample 2x2 -restart 1 "$s/scene_200x150.ppm"
enc restart_444_rows      -quality 85 -sample 1x1 -restart 1 "$s/edges_120x90.ppm"
enc restart_grey_rows     -quality 85 -restart 1  "$s/scene_grey_75x50.pgm"
enc optimized_420         -quality 90 -sample 2x2 -optimize "$s/scene_200x150.ppm"
enc optimized_grey        -quality 70 -optimize   "$s/scene_grey_75x50.pgm"
enc baseline_q5_420       -quality 5 -baseline -sample 2x2 "$s/scene_200x150.ppm"
# Quality 3 needs quantiser values above 255: 16-bit tables, which cjpeg
# labels SOF1; the frame is otherwise baseline, so relabel it SOF0.
enc quant16_420           -quality 3 -sample 2x2      "$s/scene_200x150.ppm"
enc quant16_grey          -quality 3                  "$s/scene_grey_75x50.pgm"
"$gen" --sof0 "$out/quant16_420.jpg"
"$gen" --sof0 "$out/quant16_grey.jpg"

cjpeg -quality 90 -progressive "$s/scene_200x150.ppm" > "$out/hostile/progressive.jpg"
cjpeg -quality 90 -arithmetic  "$s/scene_200x150.ppm" > "$out/hostile/arithmetic.jpg"
cjpeg -quality 90 -restart 5B  "$s/scene_200x150.ppm" > "$out/hostile/restart_inside_rows.jpg"
cjpeg -quality 3  "$s/scene_200x150.ppm" > "$out/hostile/extended_sof1.jpg"
