#!/usr/bin/env python3
"""Writes the demo's model assets/Data/KModel/planeParralax.xml with its brick colour map
(baseline JPEG) and height map (8-bit PCX): a brick-paved floor of 40 x 40 units around the
origin and two brick walls behind it, every face a quad with a material and a height map, so the
parallax program draws all of it.

The pictures are computed here pixel by pixel (reproducible: the same seed gives the same bytes)
and written with ImageMagick's convert. JPEG pictures load top row first and PCX pictures bottom
row first, so the height map is stored flipped: both then line up in texture space.
"""
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT_DIR = os.path.join(ROOT, "assets", "Data", "KModel")
MODEL_FILE = "planeParralax.xml"
COLOR_FILE = "bricks_color.jpg"
HEIGHT_FILE = "bricks_height.pcx"
# Paths as the engine opens them, relative to the demo's working directory.
DATA_PATH = "Data/KModel/"

SIZE = 512
BRICK_W, BRICK_H = 128, 64
MORTAR_HALF = 4  # half the joint width, pixels
BEVEL = 10.0  # pixels over which a brick edge rises from the joint to the face
SEED = 1234

# World units covered by one copy of the picture, and the scene's extent.
TILE = 8.0
HALF = 20.0
WALL_HEIGHT = 16.0
GRID = 4  # quads per 40 units along each side


def smoothstep(e0, e1, x):
    t = min(max((x - e0) / (e1 - e0), 0.0), 1.0)
    return t * t * (3.0 - 2.0 * t)


class TiledNoise:
    """Value noise that repeats every SIZE pixels, so the picture tiles without seams."""

    def __init__(self, rng, cell):
        self.cell = cell
        self.n = SIZE // cell
        self.values = [[rng.random() for _ in range(self.n)] for _ in range(self.n)]

    def at(self, x, y):
        fx, fy = x / self.cell, y / self.cell
        ix, iy = int(fx), int(fy)
        tx, ty = fx - ix, fy - iy
        tx, ty = tx * tx * (3 - 2 * tx), ty * ty * (3 - 2 * ty)
        x0, y0 = ix % self.n, iy % self.n
        x1, y1 = (ix + 1) % self.n, (iy + 1) % self.n
        v = self.values
        top = v[y0][x0] + (v[y0][x1] - v[y0][x0]) * tx
        bottom = v[y1][x0] + (v[y1][x1] - v[y1][x0]) * tx
        return top + (bottom - top) * ty


def make_pictures():
    rng = random.Random(SEED)
    coarse, medium, fine = TiledNoise(rng, 64), TiledNoise(rng, 16), TiledNoise(rng, 4)
    rows, columns = SIZE // BRICK_H, SIZE // BRICK_W
    palette = [(150, 62, 42), (132, 55, 40), (168, 82, 52), (120, 66, 50), (158, 95, 64),
               (110, 48, 36)]
    brick_color = {}
    brick_top = {}
    for row in range(rows):
        for column in range(columns):
            base = rng.choice(palette)
            shade = 0.85 + 0.3 * rng.random()
            brick_color[row, column] = tuple(c * shade for c in base)
            brick_top[row, column] = 0.88 + 0.12 * rng.random()
    color = bytearray(SIZE * SIZE * 3)
    height = bytearray(SIZE * SIZE)
    for y in range(SIZE):
        row = y // BRICK_H
        offset = (row % 2) * (BRICK_W // 2)
        by = y % BRICK_H
        edge_y = min(by, BRICK_H - 1 - by) - MORTAR_HALF
        for x in range(SIZE):
            shifted = (x + offset) % SIZE
            column = shifted // BRICK_W
            bx = shifted % BRICK_W
            edge = min(min(bx, BRICK_W - 1 - bx) - MORTAR_HALF, edge_y)
            n_coarse, n_medium, n_fine = coarse.at(x, y), medium.at(x, y), fine.at(x, y)
            grain = rng.random()
            if edge < 0:
                h = 0.06 + 0.08 * n_medium + 0.03 * grain
                shade = 0.75 + 0.25 * n_medium + 0.1 * grain
                rgb = (150 * shade, 142 * shade, 128 * shade)
            else:
                rise = smoothstep(0.0, BEVEL, edge + 1.5 * (n_fine - 0.5))
                # Worn pits: low spots of the medium noise dip into the face.
                pit = max(0.0, 0.32 - n_medium) * 0.9
                top = brick_top[row, column]
                h = 0.15 + (top - 0.15) * rise - pit - 0.05 * n_fine
                base = brick_color[row, column]
                shade = (0.72 + 0.38 * n_coarse) * (0.9 + 0.15 * grain) * (0.7 + 0.3 * rise)
                shade *= 1.0 - pit * 0.8
                rgb = tuple(c * shade for c in base)
            i = y * SIZE + x
            height[i] = max(0, min(255, int(round(h * 255))))
            for k in range(3):
                color[3 * i + k] = max(0, min(255, int(round(rgb[k]))))
    return color, height


def convert_tool():
    # The real ImageMagick when it is there; a stand-in earlier on the path may only show pictures.
    for candidate in ("/usr/bin/convert", shutil.which("convert")):
        if candidate and os.path.exists(candidate):
            return candidate
    sys.exit("ImageMagick's convert is needed")


def write_pictures(color, height):
    tool = convert_tool()
    with tempfile.TemporaryDirectory() as scratch:
        ppm = os.path.join(scratch, "color.ppm")
        pgm = os.path.join(scratch, "height.pgm")
        with open(ppm, "wb") as f:
            f.write(b"P6\n%d %d\n255\n" % (SIZE, SIZE) + bytes(color))
        with open(pgm, "wb") as f:
            f.write(b"P5\n%d %d\n255\n" % (SIZE, SIZE) + bytes(height))
        subprocess.run([tool, ppm, "-strip", "-interlace", "none", "-quality", "92",
                        "-sampling-factor", "2x2", os.path.join(OUT_DIR, COLOR_FILE)], check=True)
        # Through a palette picture, so that convert writes an 8-bit PCX with its 256-colour
        # palette block (a grey picture would otherwise go out as three planes).
        gif = os.path.join(scratch, "height.gif")
        subprocess.run([tool, pgm, "-flip", "-strip", "+dither", "-colors", "256", gif],
                       check=True)
        subprocess.run([tool, gif, "PCX:" + os.path.join(OUT_DIR, HEIGHT_FILE)], check=True)


class Surface:
    """A grid of quads on a plane: origin, two edge vectors, texture axes along them."""

    def __init__(self, name, origin, along_u, along_v, steps_u, steps_v):
        self.name = name
        self.vertices = []
        self.faces = []
        for j in range(steps_v + 1):
            for i in range(steps_u + 1):
                s, t = i / steps_u, j / steps_v
                p = [origin[k] + along_u[k] * s + along_v[k] * t for k in range(3)]
                u = s * length(along_u) / TILE
                v = t * length(along_v) / TILE
                self.vertices.append((p, u, v))
        for j in range(steps_v):
            for i in range(steps_u):
                a = j * (steps_u + 1) + i
                # Counter-clockwise seen from the front, so (b - a) x (c - a) points out.
                self.faces.append((a, a + 1, a + steps_u + 2, a + steps_u + 1))


def length(v):
    return math.sqrt(sum(c * c for c in v))


def cross(p, q):
    return (p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0])


def check_facing(surface, expected_normal):
    for a, b, c, _ in surface.faces:
        pa, pb, pc = (surface.vertices[k][0] for k in (a, b, c))
        n = cross([pb[k] - pa[k] for k in range(3)], [pc[k] - pa[k] for k in range(3)])
        if sum(n[k] * expected_normal[k] for k in range(3)) <= 0:
            sys.exit("face of %s points the wrong way" % surface.name)


def surfaces():
    h = HALF
    floor = Surface("floor", (-h, 0.0, h), (2 * h, 0.0, 0.0), (0.0, 0.0, -2 * h), GRID, GRID)
    west = Surface("westWall", (-h, 0.0, h), (0.0, 0.0, -2 * h), (0.0, WALL_HEIGHT, 0.0),
                   GRID, GRID // 2)
    north = Surface("northWall", (-h, 0.0, -h), (2 * h, 0.0, 0.0), (0.0, WALL_HEIGHT, 0.0),
                    GRID, GRID // 2)
    check_facing(floor, (0, 1, 0))
    check_facing(west, (1, 0, 0))
    check_facing(north, (0, 0, 1))
    return [floor, west, north]


def number(value):
    text = "%.4f" % value
    text = text.rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


def write_model(parts):
    lines = ['<?xml version="1.0" encoding="utf-8"?>', "<KyrelModelFormat>"]
    lines.append('  <model name="BrickCourt" numsubobjects="%d" nummaterials="1" '
                 'numofparallaxmap="1">' % len(parts))
    lines.append('    <material name="bricks" opacity="1">')
    lines.append('      <ambient r="0.4" g="0.4" b="0.4" a="1"/>')
    lines.append('      <diffuse r="0.85" g="0.62" b="0.5" a="1"/>')
    lines.append('      <specular r="0.3" g="0.3" b="0.3" a="1"/>')
    lines.append('      <texture colormap="%s%s"/>' % (DATA_PATH, COLOR_FILE))
    lines.append("    </material>")
    lines.append("    <parallaxmap>")
    lines.append('      <texture heightmap="%s%s"/>' % (DATA_PATH, HEIGHT_FILE))
    lines.append("    </parallaxmap>")
    for part in parts:
        lines.append('    <object name="%s" numvertices="%d" numfaces="%d">'
                     % (part.name, len(part.vertices), len(part.faces)))
        lines.append('      <position x="0" y="0" z="0"/>')
        lines.append('      <orientation angle="0" x="0" y="1" z="0"/>')
        for p, u, v in part.vertices:
            lines.append('      <vertex x="%s" y="%s" z="%s" u0="%s" v0="%s" u1="0" v1="0" '
                         'u2="0" v2="0" u3="0" v3="0" r="1" g="1" b="1" a="1"/>'
                         % tuple(number(c) for c in (p[0], p[1], p[2], u, v)))
        for a, b, c, d in part.faces:
            lines.append('      <face a="%d" b="%d" c="%d" d="%d" materialindex="0" '
                         'parallaxmapindex="0"/>' % (a, b, c, d))
        lines.append("    </object>")
    lines.append("  </model>")
    lines.append("</KyrelModelFormat>")
    with open(os.path.join(OUT_DIR, MODEL_FILE), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    write_model(surfaces())
    color, height = make_pictures()
    write_pictures(color, height)


if __name__ == "__main__":
    main()
