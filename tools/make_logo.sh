#!/usr/bin/env bash
# Draws the demo's logo, assets/Data/Logo/k3dlogo.png: "Kyrel" in DejaVu Sans Bold with a warm
# gradient, a soft shadow and "ENGINE" below, on a transparent 200 x 80 canvas (RGBA PNG).
# Needs ImageMagick's convert and fonts-dejavu-core. Usage: make_logo.sh [output path]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/assets/Data/Logo/k3dlogo.png}
fonts=/usr/share/fonts/truetype/dejavu
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The word as a mask, then filled with a vertical gradient through it.
convert -size 200x80 xc:none -font "$fonts/DejaVuSans-Bold.ttf" -pointsize 50 -fill white \
    -gravity north -annotate +0+2 'Kyrel' "$work/mask.png"
convert -size 200x80 gradient:'#ffd27a'-'#e0531c' "$work/mask.png" -compose CopyOpacity \
    -composite "$work/word.png"
# A soft dark shadow a little below and right of the word.
convert "$work/mask.png" -channel RGB -fill '#1a1208' -colorize 100 +channel \
    -channel A -evaluate multiply 0.6 +channel -blur 0x2.5 -page +2+3 -background none \
    -flatten "$work/shadow.png"
# "ENGINE" spaced out under the word, with a thin rule on either side.
convert -size 200x80 xc:none -font "$fonts/DejaVuSans.ttf" -pointsize 12 -kerning 6 \
    -fill '#e8e2d6' -gravity south -annotate +3+6 'ENGINE' \
    -stroke '#e8e2d6' -strokewidth 1 -draw 'line 20,67 54,67' -draw 'line 146,67 180,67' \
    "$work/tagline.png"
convert -size 200x80 xc:none "$work/shadow.png" -composite "$work/word.png" -composite \
    "$work/tagline.png" -composite -depth 8 -define png:color-type=6 -strip "$out"
