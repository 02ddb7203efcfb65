#!/usr/bin/env python3
"""Writes the small BMP, PCX and DDS fixtures under tests/data/ and the fuzzing seeds.

Each picture is made first as R, G, B rows (top row first), then encoded; the CRC-32 of the
pixels bottom row first is written to tests/data/<format>/expected.txt beside the files, so the
readers are checked against pictures built without them. Reproducible: no randomness.
"""
import os
import shutil
import struct
import sys
import zlib

ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), ".."))
DATA = os.path.join(ROOT, "tests", "data")
SEEDS = os.path.join(ROOT, "fuzz", "seeds")

PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
PALETTE256 = [((i * 7) & 255, (i * 13 + 5) & 255, (255 - i) & 255) for i in range(256)]


def indexed_picture(width, height, colours):
    """Rows of palette indices, top row first."""
    return [[(x * 3 + y * 5 + x * y) % colours for x in range(width)] for y in range(height)]


def rgb_picture(width, height):
    return [[((x * 40 + y * 3) & 255, (y * 50 + 7) & 255, (x * y * 9 + 100) & 255)
             for x in range(width)] for y in range(height)]


def to_rgb(indices, palette):
    return [[palette[i] for i in row] for row in indices]


def crc_bottom_first(rows):
    data = bytearray()
    for row in reversed(rows):
        for pixel in row:
            data += bytes(pixel)
    return "%08x" % (zlib.crc32(bytes(data)) & 0xFFFFFFFF)


# ---------------------------------------------------------------- BMP

def bmp_file(width, height, bit_count, pixel_bytes, palette=None, compression=0,
             os2=False, colors_used=0):
    header_size = 12 if os2 else 40
    entry = 3 if os2 else 4
    palette_bytes = b""
    if palette is not None:
        for r, g, b in palette:
            palette_bytes += bytes((b, g, r)) + (b"" if os2 else b"\0")
    offset = 14 + header_size + len(palette_bytes)
    if os2:
        info = struct.pack("<IHHHH", 12, width, height, 1, bit_count)
    else:
        info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bit_count, compression,
                           len(pixel_bytes), 2835, 2835, colors_used, 0)
    file_header = b"BM" + struct.pack("<IHHI", offset + len(pixel_bytes), 0, 0, offset)
    return file_header + info + palette_bytes + pixel_bytes


def bmp_rows(rows_bottom_first, bits_row):
    out = b""
    for row in rows_bottom_first:
        data = bits_row(row)
        out += data + b"\0" * ((4 - len(data) % 4) % 4)
    return out


def pack_bits(indices, bits):
    out = bytearray()
    per_byte = 8 // bits
    for start in range(0, len(indices), per_byte):
        value = 0
        group = indices[start:start + per_byte]
        for i, index in enumerate(group):
            value |= index << (8 - bits * (i + 1))
        out.append(value)
    return bytes(out)


def make_bmp(out):
    width, height = 5, 3
    pic = rgb_picture(width, height)
    bgr = lambda row: b"".join(bytes((b, g, r)) for r, g, b in row)
    out["rgb24_5x3.bmp"] = (bmp_file(width, height, 24, bmp_rows(pic[::-1], bgr)), pic)
    out["rgb24_topdown_5x3.bmp"] = (bmp_file(width, -height, 24, bmp_rows(pic, bgr)), pic)
    # Rows of 12 bytes need no padding: the reader takes them straight into the picture.
    packed = rgb_picture(4, 3)
    out["rgb24_packed_4x3.bmp"] = (bmp_file(4, 3, 24, bmp_rows(packed[::-1], bgr)), packed)
    out["rgb24_packed_topdown_4x3.bmp"] = (bmp_file(4, -3, 24, bmp_rows(packed, bgr)), packed)
    bgrx = lambda row: b"".join(bytes((b, g, r, 0x55)) for r, g, b in row)
    out["rgb32_5x3.bmp"] = (bmp_file(width, height, 32, bmp_rows(pic[::-1], bgrx)), pic)
    for bits, name, w, h in ((1, "pal1_13x3.bmp", 13, 3), (4, "pal4_7x3.bmp", 7, 3),
                             (8, "pal8_7x4.bmp", 7, 4)):
        palette = PALETTE16[:1 << bits] if bits < 8 else PALETTE256
        if bits == 1:
            palette = [(10, 20, 30), (200, 210, 220)]
        indices = indexed_picture(w, h, len(palette))
        data = bmp_rows(indices[::-1], lambda row, b=bits: pack_bits(row, b))
        out[name] = (bmp_file(w, h, bits, data, palette), to_rgb(indices, palette))
    indices = indexed_picture(6, 3, 256)
    data = bmp_rows(indices[::-1], lambda row: bytes(row))
    out["os2_pal8_6x3.bmp"] = (bmp_file(6, 3, 8, data, PALETTE256, os2=True),
                               to_rgb(indices, PALETTE256))

    # RLE8: a run, a literal with padding, end of line; a delta skipping pixels; end of bitmap
    # leaving the top row at palette entry 0.
    w, h = 6, 4
    idx = [[0] * w for _ in range(h)]  # bottom row first while building
    stream = bytearray()
    stream += bytes((3, 9)) + bytes((0, 3, 1, 2, 3, 0)) + bytes((0, 0))
    idx[0][0:3] = [9, 9, 9]
    idx[0][3:6] = [1, 2, 3]
    stream += bytes((2, 4)) + bytes((0, 2, 2, 1)) + bytes((2, 5)) + bytes((0, 0))
    idx[1][0:2] = [4, 4]
    idx[2][4:6] = [5, 5]
    stream += bytes((0, 1))
    rows = [[PALETTE256[i] for i in row] for row in reversed(idx)]
    out["rle8_6x4.bmp"] = (bmp_file(w, h, 8, bytes(stream), PALETTE256, compression=1), rows)

    # RLE4: alternating run, odd literal with padding.
    w, h = 5, 2
    idx = [[0] * w for _ in range(h)]
    stream = bytearray()
    stream += bytes((5, 0x9C)) + bytes((0, 0))
    idx[0] = [9, 12, 9, 12, 9]
    stream += bytes((0, 5, 0x12, 0x34, 0x50, 0)) + bytes((0, 1))
    idx[1] = [1, 2, 3, 4, 5]
    rows = [[PALETTE16[i] for i in row] for row in reversed(idx)]
    out["rle4_5x2.bmp"] = (bmp_file(w, h, 4, bytes(stream), PALETTE16, compression=2), rows)


# ---------------------------------------------------------------- PCX

def pcx_encode(data):
    """Run-length encodes a byte string as one stream (runs may cross lines)."""
    out = bytearray()
    i = 0
    while i < len(data):
        run = 1
        while i + run < len(data) and data[i + run] == data[i] and run < 63:
            run += 1
        if run > 1 or data[i] >= 0xC0:
            out += bytes((0xC0 | run, data[i]))
        else:
            out.append(data[i])
        i += run
    return bytes(out)


def pcx_file(width, height, bits, planes, bytes_per_line, lines, header_palette=None,
             palette256=None):
    header = bytearray(128)
    header[0] = 10
    header[1] = 5
    header[2] = 1
    header[3] = bits
    struct.pack_into("<HHHH", header, 4, 0, 0, width - 1, height - 1)
    if header_palette:
        for i, (r, g, b) in enumerate(header_palette[:16]):
            header[16 + 3 * i:19 + 3 * i] = bytes((r, g, b))
    header[65] = planes
    struct.pack_into("<H", header, 66, bytes_per_line)
    body = pcx_encode(b"".join(lines))
    tail = b""
    if palette256:
        tail = b"\x0c" + b"".join(bytes(p) for p in palette256)
    return bytes(header) + body + tail


def make_pcx(out):
    w, h = 11, 3
    pal = [(10, 20, 30), (240, 230, 220)] + PALETTE16[2:]
    idx = indexed_picture(w, h, 2)
    lines = [pack_bits(row, 1) + b"\0" for row in idx]  # 2 bytes needed, 3 stored
    out["mono_11x3.pcx"] = (pcx_file(w, h, 1, 1, 3, lines, pal), to_rgb(idx, pal))

    w, h = 9, 3
    idx = indexed_picture(w, h, 16)
    lines = []
    for row in idx:
        for plane in range(4):
            lines.append(pack_bits([(i >> plane) & 1 for i in row], 1))
    out["planes4_9x3.pcx"] = (pcx_file(w, h, 1, 4, 2, lines, PALETTE16), to_rgb(idx, PALETTE16))

    w, h = 5, 2
    idx = indexed_picture(w, h, 16)
    lines = [pack_bits(row, 4) for row in idx]
    out["nibbles_5x2.pcx"] = (pcx_file(w, h, 4, 1, 3, lines, PALETTE16), to_rgb(idx, PALETTE16))

    w, h = 7, 4
    idx = indexed_picture(w, h, 256)
    lines = [bytes(row) + b"\xff" for row in idx]
    out["indexed_7x4.pcx"] = (pcx_file(w, h, 8, 1, 8, lines, None, PALETTE256),
                              to_rgb(idx, PALETTE256))

    w, h = 3, 2
    pic = rgb_picture(w, h)
    lines = []
    for row in pic:
        for channel in range(3):
            lines.append(bytes(p[channel] for p in row) + b"\x07")
    out["rgb_3x2.pcx"] = (pcx_file(w, h, 8, 3, 4, lines), pic)

    # Flat areas so runs cross from line to line and plane to plane.
    w, h = 40, 6
    pic = [[(200, 200, 200) if y < 3 else (200, 200, (x // 20) * 100) for x in range(w)]
           for y in range(h)]
    lines = []
    for row in pic:
        for channel in range(3):
            lines.append(bytes(p[channel] for p in row))
    out["rgb_runs_40x6.pcx"] = (pcx_file(w, h, 8, 3, 40, lines), pic)


# ---------------------------------------------------------------- DDS

def dds_file(width, height, four_cc, mip_count, payload):
    desc = bytearray(124)
    struct.pack_into("<IIIIIII", desc, 0, 124, 0x1007 | (0x20000 if mip_count else 0), height,
                     width, 0, 0, mip_count)
    struct.pack_into("<I", desc, 72, 32)
    struct.pack_into("<I", desc, 76, 4)
    desc[80:84] = four_cc
    return b"DDS " + bytes(desc) + payload


def level_sizes(width, height, block, count):
    sizes = []
    for _ in range(count):
        sizes.append(((width + 3) // 4) * ((height + 3) // 4) * block)
        width, height = max(width // 2, 1), max(height // 2, 1)
    return sizes


def make_dds(out):
    def payload(n):
        return bytes((i * 31 + 7) & 255 for i in range(n))

    sizes = level_sizes(16, 8, 8, 5)
    out["dxt1_16x8_mips.dds"] = (dds_file(16, 8, b"DXT1", 5, payload(sum(sizes))), None)
    out["dxt3_8x8.dds"] = (dds_file(8, 8, b"DXT3", 1, payload(64)), None)
    out["dxt5_12x4_nocount.dds"] = (dds_file(12, 4, b"DXT5", 0, payload(48)), None)
    # Four levels promised, the data ends inside the third.
    out["dxt1_16x16_cut.dds"] = (dds_file(16, 16, b"DXT1", 4, payload(128 + 32 + 4)), None)


def write(fmt, files):
    directory = os.path.join(DATA, fmt)
    os.makedirs(directory, exist_ok=True)
    lines = []
    for name in sorted(files):
        content, rows = files[name]
        with open(os.path.join(directory, name), "wb") as f:
            f.write(content)
        if rows is not None:
            lines.append("%s %d %d %s" % (name, len(rows[0]), len(rows), crc_bottom_first(rows)))
    if lines:
        with open(os.path.join(directory, "expected.txt"), "w") as f:
            f.write("# file width height crc32-of-RGB-bottom-row-first\n")
            f.write("\n".join(lines) + "\n")
    seeds = os.path.join(SEEDS, "fuzz_" + fmt)
    os.makedirs(seeds, exist_ok=True)
    for name in sorted(files):
        shutil.copyfile(os.path.join(directory, name), os.path.join(seeds, name))


def main():
    for fmt, maker in (("bmp", make_bmp), ("pcx", make_pcx), ("dds", make_dds)):
        files = {}
        maker(files)
        write(fmt, files)
    return 0


if __name__ == "__main__":
    sys.exit(main())
