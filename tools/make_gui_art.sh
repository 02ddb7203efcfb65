#!/usr/bin/env bash
# Draws the GUI art under assets/Data/GUI/ (used by the GUI tests and the model viewer) and the
# GUI test fixtures under tests/data/gui/. Sides are powers of two where the picture is drawn at
# its own size, so the mipmapped upload keeps level 0 pixel for pixel.
#   window.png                  256 x 256 panel: a 16-pixel steel-blue title band over a slate body
#   button1.png .. button4.png  64 x 32 button, each frame a little brighter (the hover animation)
#   toggle_off1.png, 2          32 x 32 empty box, frame 2 highlighted
#   toggle_on1.png, 2           32 x 32 green box with a tick, frame 2 highlighted
#   cursor.png, cursor_pressed.png  32 x 32 arrow (RGBA), white and, pressed, amber
#   tests/data/gui/wide_120x40.png  120 x 40 solid orange, for fitting a background into a window
# Needs ImageMagick's convert. Usage: make_gui_art.sh [art directory] [fixture directory]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/assets/Data/GUI}
fixtures=${2:-$root/tests/data/gui}
mkdir -p "$out" "$fixtures"

# Window background: body, a lighter frame line, then the title band with a highlight line.
convert -size 256x256 gradient:'#3a4656'-'#232a33' \
    -fill none -stroke '#8a9bb0' -strokewidth 1 -draw 'rectangle 0,0 255,255' \
    -stroke none -fill '#4f79a8' -draw 'rectangle 1,1 254,15' \
    -stroke '#9cc1e8' -draw 'line 1,1 254,1' \
    -stroke '#1b2028' -draw 'line 1,16 254,16' \
    -depth 8 -strip PNG24:"$out/window.png"

# Button: a vertical gradient face with a border; the hover frames lift the face colour.
faces=('#3d5f86:#2a4363' '#4a72a0:#325076' '#5886ba:#3b5e8a' '#679ad2:#456c9e')
for frame in 1 2 3 4; do
    IFS=: read -r light dark <<< "${faces[$((frame - 1))]}"
    convert -size 64x32 gradient:"$light"-"$dark" \
        -fill none -stroke '#c8d8ea' -strokewidth 1 -draw 'rectangle 0,0 63,31' \
        -stroke '#0f1620' -draw 'line 1,30 62,30' -draw 'line 62,1 62,30' \
        -depth 8 -strip PNG24:"$out/button$frame.png"
done

# Toggle: box with a border; "on" is green with a tick, frame 2 of each state is brighter.
toggle() {
    local name=$1 fill=$2 border=$3 tick=$4
    local draw=(-fill "$fill" -stroke "$border" -strokewidth 2 -draw 'rectangle 1,1 30,30')
    if [ "$tick" = yes ]; then
        draw+=(-fill none -stroke white -strokewidth 3 -draw 'polyline 8,16 14,23 24,9')
    fi
    convert -size 32x32 xc:'#1b2028' "${draw[@]}" -depth 8 -strip PNG24:"$out/$name.png"
}
toggle toggle_off1 '#3a4656' '#8a9bb0' no
toggle toggle_off2 '#4a5a70' '#c8d8ea' no
toggle toggle_on1 '#2f8a3c' '#8a9bb0' yes
toggle toggle_on2 '#3aa84a' '#c8d8ea' yes

# Cursor: an arrow with a dark outline on a transparent square; the pressed one is amber.
arrow='polygon 1,1 1,22 6,17 10,26 14,24 10,16 17,16'
convert -size 32x32 xc:none -fill white -stroke black -strokewidth 1 -draw "$arrow" \
    -depth 8 -define png:color-type=6 -strip "$out/cursor.png"
convert -size 32x32 xc:none -fill '#ffb000' -stroke black -strokewidth 1 -draw "$arrow" \
    -depth 8 -define png:color-type=6 -strip "$out/cursor_pressed.png"

convert -size 120x40 xc:'#ff8000' -depth 8 -strip PNG24:"$fixtures/wide_120x40.png"
