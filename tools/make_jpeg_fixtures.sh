#!/usr/bin/env bash
# Makes the small JPEG fixtures of the decoder tests with ImageMagick (Debian's imagemagick-6.q16)
# from its built-in pictures, so they are reproducible: every chroma layout, greyscale (including a
# grey frame that declares 2 x 2 sampling), restart intervals, sizes that are not whole blocks, and
# progressive files: one from ImageMagick, and jpegtran's lossless progressive copies of the
# baseline fixtures (libjpeg-turbo-progs), whose pixels must equal those of their sources. Run
# from anywhere; writes tests/data/jpeg/.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/tests/data/jpeg"
mkdir -p "$out"
convert=/usr/bin/convert
common=(-strip -quality 85)

"$convert" rose: "${common[@]}" -sampling-factor 2x2,1x1,1x1 "$out/rose_420.jpg"
"$convert" rose: "${common[@]}" -sampling-factor 2x1,1x1,1x1 "$out/rose_422.jpg"
"$convert" rose: "${common[@]}" -sampling-factor 1x1,1x1,1x1 "$out/rose_444.jpg"
"$convert" rose: "${common[@]}" -sampling-factor 1x2,1x1,1x1 "$out/rose_440.jpg"
"$convert" rose: "${common[@]}" -colorspace Gray "$out/rose_grey.jpg"
"$convert" rose: "${common[@]}" -colorspace Gray -sampling-factor 2x2 "$out/rose_grey_2x2.jpg"
# Restart intervals come from a small libjpeg writer. rose: is 70 x 46: a 4:2:0 MCU row is
# 5 MCUs, so an interval of 5 restarts at each row and one of 2 within rows.
writer=$(mktemp -d)/jpeg_restart_writer
g++ -O1 -o "$writer" "$root/tools/jpeg_restart_writer.cpp" -ljpeg
"$convert" rose: "$writer.ppm"
"$convert" rose: -colorspace Gray "$writer.pgm"
"$writer" "$writer.ppm" "$out/rose_420_restart_row.jpg" 5 2 2
"$writer" "$writer.ppm" "$out/rose_420_restart_2.jpg" 2 2 2
"$writer" "$writer.ppm" "$out/rose_444_restart_3.jpg" 3 1 1
"$writer" "$writer.pgm" "$out/rose_grey_restart_1.jpg" 1 1 1
rm -rf "$(dirname "$writer")"
"$convert" rose: "${common[@]}" -crop 13x11+20+15 +repage -sampling-factor 2x2,1x1,1x1 \
    "$out/rose_13x11_420.jpg"
"$convert" rose: "${common[@]}" -crop 64x32+3+7 +repage -sampling-factor 2x2,1x1,1x1 \
    "$out/rose_64x32_420.jpg"
"$convert" -size 16x16 gradient:white-black "${common[@]}" -colorspace Gray "$out/grey_16x16.jpg"
"$convert" logo: "${common[@]}" -resize 50% -sampling-factor 2x2,1x1,1x1 "$out/logo_320x240_420.jpg"
"$convert" rose: "${common[@]}" -interlace Plane "$out/rose_progressive.jpg"
# jpegtran's default progression: spectral selection and successive approximation, both
# refinement kinds, end-of-band runs; with -restart 1 an interval of one MCU, and a 4:2:0 picture
# that is not whole MCUs (single-component scans then code fewer blocks than interleaved ones).
for name in rose_420 rose_422 rose_444 rose_grey rose_13x11_420; do
    jpegtran -copy none -progressive -outfile "$out/${name}_progressive.jpg" "$out/$name.jpg"
done
jpegtran -copy none -progressive -restart 1 -outfile "$out/rose_420_progressive_restart_1.jpg" \
    "$out/rose_420.jpg"
ls -l "$out"
