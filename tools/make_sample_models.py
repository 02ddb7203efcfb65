#!/usr/bin/env python3
"""Writes the model viewer's sample files under assets/Data/Samples/: the floor (OBJ and
checker texture), an animated MD2 with a small skin, a textured two-material 3DS, an OBJ of
quads with normals and texture coordinates, and the GUI click sound. Reproducible: no
randomness, fixed sizes. Usage: make_sample_models.py [output folder]"""
import math
import os
import struct
import sys
import wave
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "assets", "Data", "Samples")


def write_png(path, width, height, pixel):
    """RGB PNG from pixel(x, y) -> (r, g, b), top row first."""
    rows = b"".join(b"\0" + bytes(c for x in range(width) for c in pixel(x, y))
                    for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))


def write_floor():
    # A 16 x 16 grid of triangles over -1..1 in x and z, facing up, texture repeated 4 times.
    cells = 16
    lines = ["# Viewer floor: a flat grid facing +y"]
    for j in range(cells + 1):
        for i in range(cells + 1):
            lines.append("v %.4f 0 %.4f" % (-1 + 2.0 * i / cells, -1 + 2.0 * j / cells))
    for j in range(cells + 1):
        for i in range(cells + 1):
            lines.append("vt %.4f %.4f" % (4.0 * i / cells, 4.0 * j / cells))
    for j in range(cells):
        for i in range(cells):
            a = j * (cells + 1) + i + 1
            b, c, d = a + 1, a + cells + 2, a + cells + 1
            lines.append("f %d/%d %d/%d %d/%d" % (a, a, d, d, c, c))
            lines.append("f %d/%d %d/%d %d/%d" % (a, a, c, c, b, b))
    with open(os.path.join(OUT, "floor.obj"), "w") as f:
        f.write("\n".join(lines) + "\n")
    write_png(os.path.join(OUT, "floor.png"), 64, 64,
              lambda x, y: (200, 200, 196) if (x // 16 + y // 16) % 2 else (150, 152, 158))


def box_mesh(sx, sy, sz, cx=0.0, cy=0.0, cz=0.0):
    """Corners and quads (counter-clockwise seen from outside) of an axis-aligned box."""
    corners = [(cx + x * sx, cy + y * sy, cz + z * sz)
               for x in (-1, 1) for y in (-1, 1) for z in (-1, 1)]
    quads = [(0, 1, 3, 2), (4, 6, 7, 5), (0, 4, 5, 1), (2, 3, 7, 6), (0, 2, 6, 4), (1, 5, 7, 3)]
    return corners, quads


def write_obj_sample():
    # A stepped pedestal of quads with v/vt/vn corners: two boxes stacked.
    lines = ["# Sample OBJ: two stacked boxes of quads with texture coordinates and normals",
             "o pedestal"]
    normals = [(-1, 0, 0), (1, 0, 0), (0, -1, 0), (0, 1, 0), (0, 0, -1), (0, 0, 1)]
    for n in normals:
        lines.append("vn %d %d %d" % n)
    corner_coords = ["vt 0 0", "vt 1 0", "vt 1 1", "vt 0 1"]
    base = coord_base = 0
    for size, centre_y in (((2.0, 0.5, 2.0), 0.5), ((1.0, 1.0, 1.0), 2.0)):
        # A vertex line after faces starts the engine's next object, and faces may only use the
        # texture coordinates of their own object: each box repeats its four.
        lines += corner_coords
        corners, quads = box_mesh(*size, cy=centre_y)
        lines += ["v %.3f %.3f %.3f" % c for c in corners]
        for face, quad in enumerate(quads):
            lines.append("f " + " ".join("%d/%d/%d" % (base + q + 1, coord_base + k + 1, face + 1)
                                         for k, q in enumerate(quad)))
        base += len(corners)
        coord_base += len(corner_coords)
    with open(os.path.join(OUT, "pedestal.obj"), "w") as f:
        f.write("\n".join(lines) + "\n")
    write_png(os.path.join(OUT, "pedestal.png"), 32, 32,
              lambda x, y: (190, 120, 60) if (x // 8 + y // 8) % 2 else (230, 190, 120))


# ---- MD2: a little figure (a box body with a swinging arm) in two named animations ----
MD2_NORMALS_INDEX = 0


def md2_frames():
    """Frame name -> list of (x, y, z) in the file's z-up space."""
    frames = []
    for name, count, swing in (("stand", 4, 0.15), ("wave", 6, 1.0)):
        for k in range(count):
            angle = swing * math.sin(2 * math.pi * k / count)
            verts = []
            body, quads = box_mesh(4, 3, 10, cz=10)
            verts += body
            # The arm hangs from the shoulder at (0, 6, 18) and swings about the y axis.
            arm, _ = box_mesh(1.2, 1.2, 5, cz=-5)
            for (x, y, z) in arm:
                xr = x * math.cos(angle) + z * math.sin(angle)
                zr = -x * math.sin(angle) + z * math.cos(angle)
                verts.append((xr, y + 6.5, zr + 19))
            frames.append(("%s%02d" % (name, k + 1), verts))
    return frames, quads


def write_md2():
    frames, quads = md2_frames()
    skin_w, skin_h = 64, 64
    triangles = []
    for part in range(2):
        for (a, b, c, d) in quads:
            o = part * 8
            # Quake's models wind their triangles clockwise seen from outside.
            triangles.append((o + a, o + c, o + b))
            triangles.append((o + a, o + d, o + c))
    # Body texels on the left half of the skin, arm texels on the right.
    st = [(4, 4), (28, 4), (28, 60), (4, 60), (36, 4), (60, 4), (60, 60), (36, 60)]
    tri_st = []
    for i, _ in enumerate(triangles):
        side = 0 if i < 12 else 4
        tri_st.append((side, side + 2, side + 1) if i % 2 == 0 else (side, side + 3, side + 2))
    num_verts = len(frames[0][1])
    lo = [min(v[i] for _, vs in frames for v in vs) for i in range(3)]
    hi = [max(v[i] for _, vs in frames for v in vs) for i in range(3)]
    scale = [(hi[i] - lo[i]) / 255.0 or 1.0 for i in range(3)]
    frame_size = 40 + 4 * num_verts
    skin_name = b"sample_skin.png"
    header_size = 68
    ofs_skins = header_size
    ofs_st = ofs_skins + 64
    ofs_tris = ofs_st + 4 * len(st)
    ofs_frames = ofs_tris + 12 * len(triangles)
    ofs_glcmds = ofs_frames + frame_size * len(frames)
    ofs_end = ofs_glcmds + 4
    out = struct.pack("<4s16i", b"IDP2", 8, skin_w, skin_h, frame_size, 1, num_verts, len(st),
                      len(triangles), 1, len(frames), ofs_skins, ofs_st, ofs_tris, ofs_frames,
                      ofs_glcmds, ofs_end)
    out += skin_name.ljust(64, b"\0")
    out += b"".join(struct.pack("<2h", s, t) for s, t in st)
    for tri, tst in zip(triangles, tri_st):
        out += struct.pack("<6H", *tri, *tst)
    for name, verts in frames:
        out += struct.pack("<3f3f16s", *scale, *lo, name.encode())
        for v in verts:
            packed = [int(round((v[i] - lo[i]) / scale[i])) for i in range(3)]
            out += struct.pack("<4B", *packed, MD2_NORMALS_INDEX)
    out += struct.pack("<i", 0)
    with open(os.path.join(OUT, "figure.md2"), "wb") as f:
        f.write(out)
    write_png(os.path.join(OUT, "figure.png"), skin_w, skin_h,
              lambda x, y: ((60, 110, 200) if (y // 8) % 2 else (90, 150, 230)) if x < 32
              else (220, 170, 120))


# ---- 3DS: a table with a wooden top and a metal stand, two textured materials ----
def chunk3ds(kind, payload):
    return struct.pack("<HI", kind, 6 + len(payload)) + payload


def material3ds(name, texture, rgb):
    colour = chunk3ds(0x0011, bytes(rgb))
    body = chunk3ds(0xA000, name.encode() + b"\0")
    body += chunk3ds(0xA010, colour) + chunk3ds(0xA020, colour)
    body += chunk3ds(0xA200, chunk3ds(0xA300, texture.encode() + b"\0"))
    return chunk3ds(0xAFFF, body)


def object3ds(name, material, corners, quads):
    # Each face gets its own corners so that every one carries its own texture coordinates.
    verts, uvs, faces = [], [], []
    for quad in quads:
        start = len(verts)
        for k, q in enumerate(quad):
            verts.append(corners[q])
            uvs.append(((0, 1, 1, 0)[k], (0, 0, 1, 1)[k]))
        faces += [(start, start + 1, start + 2), (start, start + 2, start + 3)]
    mesh = chunk3ds(0x4110, struct.pack("<H", len(verts)) +
                    b"".join(struct.pack("<3f", *v) for v in verts))
    mesh += chunk3ds(0x4140, struct.pack("<H", len(uvs)) +
                     b"".join(struct.pack("<2f", *uv) for uv in uvs))
    face_list = struct.pack("<H", len(faces)) + b"".join(struct.pack("<4H", *f, 7) for f in faces)
    face_list += chunk3ds(0x4130, material.encode() + b"\0" + struct.pack("<H", len(faces)) +
                          b"".join(struct.pack("<H", i) for i in range(len(faces))))
    mesh += chunk3ds(0x4120, face_list)
    return chunk3ds(0x4000, name.encode() + b"\0" + chunk3ds(0x4100, mesh))


def write_3ds():
    # z is up in the file, as modelling tools write it (the viewer turns it y-up by default).
    top, top_quads = box_mesh(12, 8, 0.8, cz=9.2)
    leg_objects = []
    for i, (x, y) in enumerate(((-10, -6), (10, -6), (-10, 6), (10, 6))):
        corners, quads = box_mesh(0.8, 0.8, 4.2, x, y, 4.2)
        leg_objects.append(object3ds("leg%d" % (i + 1), "metal", corners, quads))
    editor = chunk3ds(0x3D3E, struct.pack("<I", 3))
    editor += material3ds("wood", "wood.png", (160, 110, 60))
    editor += material3ds("metal", "metal.png", (150, 150, 160))
    editor += object3ds("top", "wood", top, top_quads) + b"".join(leg_objects)
    data = chunk3ds(0x4D4D, chunk3ds(0x0002, struct.pack("<I", 3)) + chunk3ds(0x3D3D, editor))
    with open(os.path.join(OUT, "table.3ds"), "wb") as f:
        f.write(data)
    write_png(os.path.join(OUT, "wood.png"), 64, 64,
              lambda x, y: (150 + int(30 * math.sin(x * 0.6 + math.sin(y * 0.2) * 3)), 100, 55))
    write_png(os.path.join(OUT, "metal.png"), 32, 32,
              lambda x, y: (170 - y * 2, 175 - y * 2, 190 - y * 2))


def write_click():
    # 40 ms of a decaying 1.2 kHz tone, 22050 Hz mono 16-bit.
    rate, length = 22050, 882
    samples = b"".join(struct.pack("<h", int(12000 * math.exp(-i / 150.0) *
                                             math.sin(2 * math.pi * 1200 * i / rate)))
                       for i in range(length))
    with wave.open(os.path.join(OUT, "click.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(samples)


def main():
    os.makedirs(OUT, exist_ok=True)
    write_floor()
    write_obj_sample()
    write_md2()
    write_3ds()
    write_click()


if __name__ == "__main__":
    main()
