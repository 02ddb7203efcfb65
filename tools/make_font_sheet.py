#!/usr/bin/env python3
"""Renders the demo's glyph sheet, assets/Data/Font/font.tga, with ImageMagick.

The sheet is 256 x 256 pixels: 16 x 16 cells of 16 x 16 pixels, glyph g in column g % 16 and row
g // 16 counted from the top. Rows 0-7 hold character codes 32-159 in DejaVu Sans Mono, rows
8-15 the same codes in DejaVu Sans Mono Bold Oblique (codes 127-159 stay empty). Glyphs are white with their coverage in the
alpha channel, so the font's tint colours them. The file is a 32-bit uncompressed TGA stored
bottom row first: the reader keeps file order, so the top of the sheet lands at t = 1.

Usage: make_font_sheet.py [output path]. Needs ImageMagick's convert and fonts-dejavu-core.
"""
import os
import struct
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"
# The glyphs are drawn on a sheet of 24 x 32 cells and scaled to 16 x 16: the monospaced shapes
# come out a third wider than the font draws them, which suits the 12-pixel advance, and the
# scaling smooths their edges.
SET_FONTS = [os.path.join(FONT_DIR, "DejaVuSansMono.ttf"),
             os.path.join(FONT_DIR, "DejaVuSansMono-BoldOblique.ttf")]
POINT_SIZE = 24
DRAW_CELL_WIDTH = 24
DRAW_CELL_HEIGHT = 32
CELL = 16
SHEET = 16 * CELL
FIRST_CODE = 32
GLYPHS_PER_SET = 128
# Offset of ImageMagick's north-west text origin inside a drawing cell: it keeps the tallest
# glyphs (bars, underscores, descenders) clear of the cell's top and bottom rows, which linear
# filtering may mix with the neighbouring cells.
TEXT_X = 4
TEXT_Y = 1


def escaped(character):
    """A character as -annotate takes it: percent and backslash escapes, a leading @ is a file."""
    if character in "%\\@":
        return "\\" + character if character != "%" else "%%"
    return character


def annotations():
    args = []
    for set_number, font in enumerate(SET_FONTS):
        args += ["-font", font]
        for index in range(GLYPHS_PER_SET):
            code = FIRST_CODE + index
            # Codes 127-159 have nothing printable in the font's Latin-1 range; leave them empty.
            if code >= 127 and code < 160:
                continue
            glyph = set_number * GLYPHS_PER_SET + index
            x = (glyph % 16) * DRAW_CELL_WIDTH + TEXT_X
            y = (glyph // 16) * DRAW_CELL_HEIGHT + TEXT_Y
            args += ["-annotate", "+%d+%d" % (x, y), escaped(chr(code))]
    return args


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "assets", "Data", "Font",
                                                                 "font.tga")
    command = (["convert", "-size", "%dx%d" % (16 * DRAW_CELL_WIDTH, 16 * DRAW_CELL_HEIGHT),
                "xc:none", "-fill", "white", "-pointsize", str(POINT_SIZE), "-gravity", "NorthWest"]
               + annotations()
               + ["-filter", "Triangle", "-resize", "%dx%d!" % (SHEET, SHEET),
                  "-depth", "8", "rgba:-"])
    rgba = subprocess.run(command, check=True, stdout=subprocess.PIPE).stdout
    if len(rgba) != SHEET * SHEET * 4:
        sys.exit("convert gave %d bytes, expected %d" % (len(rgba), SHEET * SHEET * 4))
    write_tga(output, rgba)


def write_tga(path, rgba):
    """Type 2, 32 bits, no identification field, rows bottom first (descriptor 0x08)."""
    header = struct.pack("<BBB5sHHHHBB", 0, 0, 2, b"\0" * 5, 0, 0, SHEET, SHEET, 32, 0x08)
    row_bytes = SHEET * 4
    rows = [rgba[y * row_bytes:(y + 1) * row_bytes] for y in range(SHEET)]
    pixels = bytearray()
    for row in reversed(rows):
        for x in range(0, row_bytes, 4):
            red, green, blue, alpha = row[x:x + 4]
            # Glyphs are pure white; only the coverage varies.
            pixels += bytes([255, 255, 255, alpha]) if alpha else bytes(4)
    with open(path, "wb") as f:
        f.write(header + bytes(pixels))


if __name__ == "__main__":
    main()
