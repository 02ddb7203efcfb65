#!/usr/bin/env bash
# Writes the small PNG fixtures of the screen and animated image tests under tests/data/overlay/.
# Each picture has power-of-two sides, so the mipmapped upload keeps level 0 as drawn here.
#   rgb.png      4 x 2, no alpha: top row red, green, blue, white; bottom row black, yellow,
#                magenta, cyan
#   rgba.png     the same colours with alpha 255, 192, 128, 64 in each row
#   palette.png  the rgb.png colours as an 8-bit palette picture
#   anim1.png .. anim3.png  2 x 2 solid red, green, blue
# Needs ImageMagick's convert. Usage: make_overlay_fixtures.sh [output directory]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/tests/data/overlay}
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A 4 x 2 picture from its eight colours, top row first, as a plain PPM.
printf 'P3\n4 2\n255\n255 0 0  0 255 0  0 0 255  255 255 255\n0 0 0  255 255 0  255 0 255  0 255 255\n' \
    > "$work/colours.ppm"
printf 'P2\n4 2\n255\n255 192 128 64\n255 192 128 64\n' > "$work/alpha.pgm"

convert "$work/colours.ppm" -strip PNG24:"$out/rgb.png"
convert "$work/colours.ppm" "$work/alpha.pgm" -compose CopyOpacity -composite -strip \
    PNG32:"$out/rgba.png"
convert "$work/colours.ppm" -strip PNG8:"$out/palette.png"
colours=(red lime blue)
for frame in 1 2 3; do
    convert -size 2x2 "xc:${colours[$((frame - 1))]}" -strip PNG24:"$out/anim$frame.png"
done
