#!/usr/bin/env python3
"""Writes the small TGA fixtures under tests/data/tga/ and the TGA fuzz seeds.

Every good fixture is 5 x 3 pixels; pixel x of the y-th stored row is R = 40 (x // 2), G = 60 y,
B = 200, A = 255 - 10 y, so neighbouring pairs make run-length packets. glyph_cells.tga is a
glyph sheet of solid cells for the font's drawing tests. Reproducible: the same bytes every run.
"""
import os
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
DATA = os.path.join(ROOT, "tests", "data", "tga")
SEEDS = os.path.join(ROOT, "fuzz", "seeds", "fuzz_tga")
WIDTH, HEIGHT = 5, 3


def header(image_type, width, height, bits, id_field=b""):
    return struct.pack("<BBB5sHHHHBB", len(id_field), 0, image_type, b"\0" * 5, 0, 0,
                       width, height, bits, 0) + id_field


def pattern(bits):
    rows = []
    for y in range(HEIGHT):
        row = []
        for x in range(WIDTH):
            bgr = bytes([200, 60 * y, 40 * (x // 2)])
            row.append(bgr + (bytes([255 - 10 * y]) if bits == 32 else b""))
        rows.append(row)
    return rows


def encode_rle(row):
    """Runs of two or more equal pixels become run packets, the rest raw packets."""
    out = b""
    i = 0
    while i < len(row):
        run = 1
        while i + run < len(row) and row[i + run] == row[i] and run < 128:
            run += 1
        if run > 1:
            out += bytes([0x80 | (run - 1)]) + row[i]
            i += run
            continue
        start = i
        while i < len(row) and (i + 1 >= len(row) or row[i + 1] != row[i]) and i - start < 128:
            i += 1
        out += bytes([i - start - 1]) + b"".join(row[start:i])
    return out


def image(image_type, bits, id_field=b""):
    rows = pattern(bits)
    if image_type == 2:
        body = b"".join(b"".join(row) for row in rows)
    else:
        body = b"".join(encode_rle(row) for row in rows)
    return header(image_type, WIDTH, HEIGHT, bits, id_field) + body


def glyph_cells():
    """A 256 x 256 glyph sheet whose 16 x 16 cells are solid: cell g is R = g, G = 255 - g,
    B = 200, A = 255. Stored bottom row first, run-length encoded one cell row per packet."""
    body = b""
    for stored_row in range(256):
        cell_row = (255 - stored_row) // 16
        for column in range(16):
            glyph = cell_row * 16 + column
            body += bytes([0x80 | 15, 200, 255 - glyph, glyph, 255])
    return header(10, 256, 256, 32) + body


def write(directory, name, data):
    os.makedirs(directory, exist_ok=True)
    with open(os.path.join(directory, name), "wb") as f:
        f.write(data)


def main():
    good = {
        "rgb24_raw.tga": image(2, 24),
        "rgb24_rle.tga": image(10, 24),
        "rgba32_raw.tga": image(2, 32),
        "rgba32_rle.tga": image(10, 32),
        "rgb24_raw_id.tga": image(2, 24, b"fixture"),
        "rgba32_rle_id.tga": image(10, 32, b"Kyrel test image"),
    }
    write(DATA, "glyph_cells.tga", glyph_cells())
    corrupt = {
        # The last run claims 128 pixels where 1 is left.
        "rle_overflow.tga": header(10, 2, 1, 24) + bytes([0x00, 1, 2, 3, 0xFF, 4, 5, 6]),
        "raw_truncated.tga": image(2, 24)[:-4],
        "rle_truncated.tga": image(10, 32)[:-3],
        "sixteen_bit.tga": header(2, 2, 2, 16) + b"\0" * 8,
        "colour_mapped.tga": struct.pack("<BBBHHBHHHHBB", 0, 1, 1, 0, 2, 24, 0, 0, 1, 1, 8, 0)
        + b"\0" * 7,
    }
    for name, data in good.items():
        write(DATA, name, data)
        write(SEEDS, name, data)
    for name, data in corrupt.items():
        write(os.path.join(DATA, "corrupt"), name, data)
        write(SEEDS, name, data)


if __name__ == "__main__":
    main()
