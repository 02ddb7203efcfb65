#!/usr/bin/env python3
"""Writes the 3DS fuzzer's seed files (fuzz/seeds/fuzz_3ds/): small hand-made chunk trees (two
materials and two objects, a float diffuse colour, a texture map, nested editor chunks) and, when
the shared real models are present, a copy of each one under 100 KB."""
import os
import shutil
import struct

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = os.path.join(ROOT, "fuzz", "seeds", "fuzz_3ds")
SHARED = os.path.join(ROOT, "..", "shared", "testdata", "3ds", "good")
MAX_SHARED_SEED = 100 * 1024


def chunk(ident, data=b"", *children):
    body = data + b"".join(children)
    return struct.pack("<HI", ident, 6 + len(body)) + body


def name(text):
    return text.encode() + b"\0"


def material(title, colour_chunk, texture=None):
    parts = [chunk(0xA000, name(title)), chunk(0xA020, b"", colour_chunk)]
    if texture:
        parts.append(chunk(0xA200, b"", chunk(0xA300, name(texture))))
    return chunk(0xAFFF, b"", *parts)


def mesh_object(title, vertices, faces, face_material, coords=()):
    vertex_list = chunk(0x4110, struct.pack("<H", len(vertices)) +
                        b"".join(struct.pack("<3f", *v) for v in vertices))
    face_data = struct.pack("<H", len(faces)) + b"".join(struct.pack("<4H", *f, 7) for f in faces)
    face_list = chunk(0x4120, face_data,
                      chunk(0x4130, name(face_material) + struct.pack("<H", 0)))
    parts = [vertex_list, face_list]
    if coords:
        parts.append(chunk(0x4140, struct.pack("<H", len(coords)) +
                           b"".join(struct.pack("<2f", *c) for c in coords)))
    return chunk(0x4000, name(title), chunk(0x4100, b"", *parts))


def model_file(editor_children, version=3):
    editor = chunk(0x3D3D, b"", chunk(0x3D3E, struct.pack("<I", 3)), *editor_children)
    return chunk(0x4D4D, b"", chunk(0x0002, struct.pack("<I", version)), editor)


def main():
    os.makedirs(OUT, exist_ok=True)
    quad = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
    seeds = {
        "two_materials.3ds": model_file([
            material("Wood", chunk(0x0011, bytes((200, 100, 50))), "wood.bmp"),
            material("Stone", chunk(0x0011, bytes((10, 20, 30)))),
            mesh_object("Crate", quad, [(0, 1, 2), (0, 2, 3)], "Wood",
                        [(0, 0), (1, 0), (1, 1), (0, 1)]),
            chunk(0x1234, b"\xef\xbe\xad\xde"),
            mesh_object("Rock", quad[:3], [(0, 1, 2)], "stone"),
        ], version=4),
        "float_colour.3ds": model_file([
            material("F", chunk(0x0010, struct.pack("<3f", 1.0, 0.5, 0.0))),
            mesh_object("A", quad, [(0, 1, 2), (2, 3, 0)], "F"),
        ]),
        "nested_editor.3ds": model_file([
            chunk(0x3D3D, b"", chunk(0x3D3E, struct.pack("<I", 3)),
                  mesh_object("Inner", quad, [(0, 1, 3)], "none")),
        ]),
    }
    for file_name, data in seeds.items():
        with open(os.path.join(OUT, file_name), "wb") as out:
            out.write(data)
    if os.path.isdir(SHARED):
        for folder, _, files in os.walk(SHARED):
            for file_name in files:
                path = os.path.join(folder, file_name)
                if file_name.lower().endswith(".3ds") and os.path.getsize(path) < MAX_SHARED_SEED:
                    shutil.copyfile(path, os.path.join(OUT, file_name))


if __name__ == "__main__":
    main()
