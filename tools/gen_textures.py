#!/usr/bin/env python3
"""Makes the material textures of the 3D stage, all tileable 512 x 512 JPEGs:

- "data/textures/asphalt13/": worn asphalt, a set of four maps of one height field: colour
  "Asphalt13_diffuse_4k.jpg" (dark binder with lighter stones), tangent-space normals
  "Asphalt_13_normal_4k.jpg" (GL convention, +y up), roughness "Asphalt_13_roughness__4k.jpg"
  (grey: red, green and blue equal, so the green channel a metallic-roughness lookup reads is
  the roughness) and ambient occlusion "Asphalt_13_ao_4k.jpg" (grey). The file names keep
  their historic "4k"; the maps are smaller.
- "data/scenes/vwm20/recycling/white_on_green.jpg": the side of a recycling container, white
  chasing arrows on green paint with a white band, and
  "white_on_green_metallic-roughness.jpg": green = roughness, blue = metallic (painted metal
  shines, the white print and the scratches are rough and dull).

Deterministic, standard library only (JPEG through cjpeg); skips the work when the outputs are
newer than this script and its helpers. Run from the repository root."""

import math
import os
import sys
from multiprocessing import Pool

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from imagewriters import up_to_date, write_jpg  # noqa: E402
from procedural import hash01, tile_fbm  # noqa: E402

SIZE = 512
ASPHALT = os.path.join("data", "textures", "asphalt13")
ASPHALT_FILES = ("Asphalt13_diffuse_4k.jpg", "Asphalt_13_normal_4k.jpg",
                 "Asphalt_13_roughness__4k.jpg", "Asphalt_13_ao_4k.jpg")
RECYCLING = os.path.join("data", "scenes", "vwm20", "recycling")
RECYCLING_FILES = ("white_on_green.jpg", "white_on_green_metallic-roughness.jpg")


# ---------------------------------------------------------------- asphalt

def stone(u, v):
    """Stone coverage 0..1 at u, v: a jittered grid of small round stones, tileable."""
    cells = 48
    cx, cy = u * cells, v * cells
    best = 0.0
    for dy in (-1, 0, 1):
        for dx in (-1, 0, 1):
            gx, gy = int(math.floor(cx)) + dx, int(math.floor(cy)) + dy
            wx, wy = gx % cells, gy % cells
            px, py = gx + hash01(1, wx, wy), gy + hash01(2, wx, wy)
            radius = 0.18 + 0.22 * hash01(3, wx, wy)
            d = math.hypot(cx - px, cy - py)
            best = max(best, min(1.0, max(0.0, (radius - d) / 0.08)))
    return best


def asphalt_height(u, v):
    return 0.55 * stone(u, v) + 0.45 * tile_fbm(u, v, 16, 4, seed=7)


def height_row(y):
    return [asphalt_height(x / SIZE, y / SIZE) for x in range(SIZE)]


def asphalt_row(y, heights):
    """Colour, normal, roughness and occlusion of row y from the rows y - 1, y and y + 1."""
    colour, normal, rough, ao = [], [], [], []
    for x in range(SIZE):
        h = heights[1][x]
        speck = hash01(9, x, y)
        grey = 0.16 + 0.22 * h + 0.05 * (speck - 0.5)
        tint = 0.015 * tile_fbm(x / SIZE, y / SIZE, 4, 2, seed=3)
        colour.append((grey + tint, grey + tint * 0.6, grey))
        dx = (heights[1][(x + 1) % SIZE] - heights[1][x - 1]) * 3.0
        dy = (heights[2][x] - heights[0][x]) * 3.0
        n = (-dx, dy, 1.0)  # rows run down the image, +v of the tangent frame runs up
        length = math.sqrt(sum(c * c for c in n))
        normal.append(tuple(0.5 + 0.5 * c / length for c in n))
        r = 0.95 - 0.3 * h + 0.04 * (speck - 0.5)
        rough.append((r, r, r))
        a = 0.55 + 0.45 * min(1.0, h * 1.4)
        ao.append((a, a, a))
    return colour, normal, rough, ao


# ---------------------------------------------------------------- recycling container

def segment_distance(px, py, ax, ay, bx, by):
    vx, vy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
    return math.hypot(px - ax - t * vx, py - ay - t * vy)


def inside_triangle(px, py, a, b, c):
    def side(p, q, r):
        return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
    s1, s2, s3 = side(a, b, (px, py)), side(b, c, (px, py)), side(c, a, (px, py))
    return (s1 >= 0 and s2 >= 0 and s3 >= 0) or (s1 <= 0 and s2 <= 0 and s3 <= 0)


def arrows():
    """Three arrows chasing each other round a triangle centred at (0.5, 0.56)."""
    centre, radius = (0.5, 0.56), 0.27
    corners = [(centre[0] + radius * math.cos(math.radians(a)),
                centre[1] - radius * math.sin(math.radians(a))) for a in (90, 210, 330)]
    shapes = []
    for k in range(3):
        a, b = corners[k], corners[(k + 1) % 3]
        # Each arrow runs along one edge, leaving a gap at both corners.
        start = (a[0] + (b[0] - a[0]) * 0.16, a[1] + (b[1] - a[1]) * 0.16)
        end = (a[0] + (b[0] - a[0]) * 0.70, a[1] + (b[1] - a[1]) * 0.70)
        tip = (a[0] + (b[0] - a[0]) * 0.88, a[1] + (b[1] - a[1]) * 0.88)
        dx, dy = b[0] - a[0], b[1] - a[1]
        length = math.hypot(dx, dy)
        nx, ny = -dy / length * 0.075, dx / length * 0.075
        head = (tip, (end[0] + nx, end[1] + ny), (end[0] - nx, end[1] - ny))
        shapes.append((start, end, head))
    return shapes


ARROWS = arrows()


def print_mask(u, v):
    """1 where the white print is: the arrows and a band near the top."""
    if 0.07 < v < 0.13:
        return 1.0
    for start, end, head in ARROWS:
        if segment_distance(u, v, *start, *end) < 0.035 or inside_triangle(u, v, *head):
            return 1.0
    return 0.0


def recycling_row(y):
    colour, material = [], []
    for x in range(SIZE):
        u, v = (x + 0.5) / SIZE, (y + 0.5) / SIZE
        # 2 x 2 supersampling keeps the print's edges smooth.
        white = sum(print_mask(u + dx / SIZE, v + dy / SIZE)
                    for dx in (-0.25, 0.25) for dy in (-0.25, 0.25)) / 4.0
        grime = tile_fbm(u, v, 8, 4, seed=21)
        scratch = 1.0 if hash01(5, x // 3, int(y * 0.02 + x * 0.3) % 97) > 0.995 else 0.0
        paint = (0.16 + 0.08 * grime, 0.52 + 0.12 * grime, 0.02)
        base = tuple(p + (0.93 - p) * white for p in paint)
        base = tuple(c * (1.0 - 0.25 * scratch) + 0.5 * 0.25 * scratch for c in base)
        colour.append(base)
        roughness = 0.35 + 0.3 * grime + 0.3 * white + 0.3 * scratch
        metallic = max(0.0, 0.9 - 0.7 * white - 0.5 * scratch)
        material.append((0.0, min(1.0, roughness), metallic))
    return colour, material


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.abspath(__file__), os.path.join(here, "imagewriters.py"),
               os.path.join(here, "procedural.py")]
    outputs = ([os.path.join(ASPHALT, n) for n in ASPHALT_FILES]
               + [os.path.join(RECYCLING, n) for n in RECYCLING_FILES])
    if up_to_date(outputs, sources):
        return
    with Pool() as pool:
        field = pool.map(height_row, range(SIZE))
        rows = [asphalt_row(y, [field[y - 1], field[y], field[(y + 1) % SIZE]])
                for y in range(SIZE)]
        for k, name in enumerate(ASPHALT_FILES):
            write_jpg(os.path.join(ASPHALT, name), [row[k] for row in rows])
        rows = pool.map(recycling_row, range(SIZE))
        for k, name in enumerate(RECYCLING_FILES):
            write_jpg(os.path.join(RECYCLING, name), [row[k] for row in rows])


if __name__ == "__main__":
    main()
