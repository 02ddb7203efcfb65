#!/usr/bin/env python3
"""Writes the OBJ scene fixtures (tests/data/scene/): a textured floor, a box that casts a shadow,
a model of two textured parts, and a picture whose left half is red and right half blue."""
import os
import struct

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "data", "scene")


def write(name, text):
    with open(os.path.join(OUT, name), "w", newline="\n") as f:
        f.write(text)


def quad(cx, y, cz, half, first_vertex, first_coord):
    """A horizontal square seen counter-clockwise from above (its normal points up), with the
    picture's left edge (u = 0) at the square's low x side."""
    corners = [(cx - half, cz - half), (cx - half, cz + half), (cx + half, cz + half),
               (cx + half, cz - half)]
    uvs = [(0, 1), (0, 0), (1, 0), (1, 1)]
    lines = ["v %g %g %g" % (x, y, z) for x, z in corners]
    lines += ["vt %g %g" % uv for uv in uvs]
    v, t = first_vertex, first_coord
    lines.append("f %d/%d %d/%d %d/%d" % (v, t, v + 1, t + 1, v + 2, t + 2))
    lines.append("f %d/%d %d/%d %d/%d" % (v, t, v + 2, t + 2, v + 3, t + 3))
    return lines


def box(lo, hi):
    """An axis-aligned box of 12 triangles, each wound counter-clockwise seen from outside."""
    x0, y0, z0 = lo
    x1, y1, z1 = hi
    corners = [(x0, y0, z0), (x1, y0, z0), (x1, y1, z0), (x0, y1, z0),
               (x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1)]
    sides = [(1, 4, 3, 2), (5, 6, 7, 8), (1, 5, 8, 4), (2, 3, 7, 6), (4, 8, 7, 3), (1, 2, 6, 5)]
    lines = ["v %g %g %g" % c for c in corners]
    for a, b, c, d in sides:
        lines.append("f %d %d %d" % (a, b, c))
        lines.append("f %d %d %d" % (a, c, d))
    return lines


def halves_bitmap(size=8):
    """A 24-bit BMP, bottom row first: left half red, right half blue."""
    row = b"".join(b"\x00\x00\xff" if x < size // 2 else b"\xff\x00\x00" for x in range(size))
    pixels = row * size
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def main():
    os.makedirs(OUT, exist_ok=True)
    write("floor.obj", "# floor, 40 x 40 at height 0\n" + "\n".join(quad(0, 0, 0, 20, 1, 1)) + "\n")
    write("caster.obj", "# box caster, 6 x 2 x 6 around height 10\n" +
          "\n".join(box((-3, 9, -3), (3, 11, 3))) + "\n")
    parts = ["# two parts: squares of half size 2 at x = -3 and x = 3"]
    parts += ["g left"] + quad(-3, 0, 0, 2, 1, 1)
    parts += ["g right"] + quad(3, 0, 0, 2, 5, 5)
    write("two_parts.obj", "\n".join(parts) + "\n")
    with open(os.path.join(OUT, "halves.bmp"), "wb") as f:
        f.write(halves_bitmap())


if __name__ == "__main__":
    main()
