#!/usr/bin/env python3
"""Writes the MD2 fuzzer's seed files (fuzz/seeds/fuzz_md2/): two small hand-made models (one
frame; three frames of a textured quad with an animation) and, when the shared real models are
present, each of them cut down to its first three frames, so that seeds stay a few kilobytes
while keeping the real skins' texture coordinates, triangles and frame layout."""
import os
import struct
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "fuzz", "seeds", "fuzz_md2")
SHARED = os.path.join(ROOT, "..", "shared", "testdata", "md2", "good")
HEADER = struct.Struct("<17i")
KEPT_FRAMES = 3


def build(texcoords, triangles, frames, skin=(64, 64)):
    """frames: list of (name, scale, translate, [(x, y, z), ...])."""
    vertex_count = len(frames[0][3])
    frame_size = 40 + 4 * vertex_count
    skins_at = HEADER.size
    texcoords_at = skins_at + 64
    triangles_at = texcoords_at + 4 * len(texcoords)
    frames_at = triangles_at + 12 * len(triangles)
    end = frames_at + frame_size * len(frames)
    out = bytearray(HEADER.pack(0x32504449, 8, skin[0], skin[1], frame_size, 1, vertex_count,
                                len(texcoords), len(triangles), 0, len(frames), skins_at,
                                texcoords_at, triangles_at, frames_at, end, end))
    out += b"skin.pcx".ljust(64, b"\0")
    for s, t in texcoords:
        out += struct.pack("<hh", s, t)
    for triangle in triangles:
        out += struct.pack("<6h", *triangle)
    for name, scale, translate, vertices in frames:
        out += struct.pack("<6f", *scale, *translate) + name.encode().ljust(16, b"\0")
        for x, y, z in vertices:
            out += bytes((x, y, z, 0))
    return bytes(out)


def cut_down(data):
    """The real model with only its first frames: they follow its texture coordinates and
    triangles, so cutting the file after them needs only new counts and end offsets (the GL
    commands that followed are dropped)."""
    fields = list(HEADER.unpack_from(data))
    frame_size, frames, frames_at = fields[4], fields[10], fields[14]
    kept = min(frames, KEPT_FRAMES)
    if frames_at + frame_size * frames > len(data) or max(fields[12], fields[13]) > frames_at:
        sys.exit("unexpected section order in a shared model")
    fields[10] = kept
    fields[9] = 0  # the GL commands sit past the cut frames
    fields[15] = fields[16] = frames_at + frame_size * kept
    return HEADER.pack(*fields) + data[HEADER.size:frames_at + frame_size * kept]


def main():
    os.makedirs(OUT, exist_ok=True)
    quad = [(0, 0, 0), (255, 0, 0), (255, 255, 0), (0, 255, 128)]
    with open(os.path.join(OUT, "one_frame.md2"), "wb") as f:
        f.write(build([(0, 0)], [(0, 1, 2, 0, 0, 0)],
                      [("base", (0.1, 0.1, 0.1), (0, 0, 0), quad[:3])]))
    frames = [("walk%d" % (i + 1), (0.1, 0.1, 0.1 + 0.05 * i), (-12.5, -12.5, 0), quad)
              for i in range(3)]
    with open(os.path.join(OUT, "quad_walk.md2"), "wb") as f:
        f.write(build([(0, 0), (63, 0), (63, 63), (0, 63)],
                      [(0, 1, 2, 0, 1, 2), (0, 2, 3, 0, 2, 3)], frames))
    for name in ("faerie.md2", "sydney.md2"):
        path = os.path.join(SHARED, name)
        if not os.path.exists(path):
            print("skipped (not present): " + path)
            continue
        with open(path, "rb") as source:
            data = source.read()
        with open(os.path.join(OUT, name.replace(".md2", "_3frames.md2")), "wb") as f:
            f.write(cut_down(data))


if __name__ == "__main__":
    main()
