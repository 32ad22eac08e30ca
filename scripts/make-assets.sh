#!/usr/bin/env bash
# Regenerates the show's five files in assets/: builds the generator, draws
# the four pictures and composes the music, then encodes them with cjpeg and
# lame. The same tools give the same bytes on every run.
#
#   bash scripts/make-assets.sh [BUILD_DIR]     (default: build-make-assets)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-make-assets}
bash scripts/install-deps.sh
cmake -S tools/make_assets -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$(nproc)" >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/make_assets" "$work"

# Between them the four files cover what the decoder must handle: 4:2:0
# with the standard Huffman tables, greyscale and 4:2:2 with optimised
# tables, and a restart marker after every MCU row in an image whose size
# is not a whole number of MCUs.
jpeg() {
  local in=$1 out=$2
  shift 2
  cjpeg -quality 90 -baseline "$@" -outfile "assets/$out" "$work/$in"
}
jpeg slide0.ppm "drooo.jpg" -sample 2x2
jpeg slide1.pgm "08-iso_remix.jpg" -optimize
jpeg slide2.ppm "Harno Quorvath - Ashenthornveil - moro.jpg" -sample 2x1 -optimize
jpeg slide3.ppm "Quorvath04_iso.jpg" -sample 2x2 -restart 1

lame --quiet --noreplaygain -q 2 -b 128 "$work/lumora.wav" assets/lumora.mp3

ls -l assets/
