#!/usr/bin/env bash
# Regenerates the program's icons in packaging/icons/ from slide 0's picture:
#   cquorvath.ico                  the Windows program's icon (256, 48, 32, 16)
#   cquorvath-48.png, -256.png     the Linux desktop menu's icon
# The picture is stored upside down in its file (the show draws its first
# row at the bottom), so it is flipped here; the square around the sun is
# kept. No time stamps or comments are written: the same bytes on every run.
#
#   bash scripts/make-icons.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
out=packaging/icons
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# png ARGS... OUT: a PNG without the chunks that would differ from run to run.
png() { convert "${@:1:$#-1}" -strip -define png:exclude-chunks=date,time "png24:${!#}"; }
png assets/drooo.jpg -flip -crop 600x600+212+40 +repage -resize 256x256 "$work/256.png"
cp "$work/256.png" "$out/cquorvath-256.png"
png "$work/256.png" -resize 48x48 "$out/cquorvath-48.png"
convert "$work/256.png" -define icon:auto-resize=256,48,32,16 -strip "$out/cquorvath.ico"

ls -l "$out"
