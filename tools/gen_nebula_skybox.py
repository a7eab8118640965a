#!/usr/bin/env python3
"""Paints the purple-nebula sky box of production 5,
"data/effects/skybox/spacescape_purple_nebula_complex/purple_nebula_complex_{left,right,bottom,
top,back,front}.png": six 512 x 512 RGB faces in the GL cube-map layout (-x, +x, -y, +y, -z, +z),
row 0 first.

Deep space in violet and blue: two layers of 3D fractal noise evaluated on the view direction
(so the faces meet without seams) make glowing gas clouds with dark dust lanes, lit from a
bright core; stars of several sizes and tints sit on a 3D grid of the direction. The gas is
computed on a 128 x 128 grid per face and smoothed up to 512; the stars are drawn at full size.

Deterministic, standard library only; skips the work when the outputs are newer than this
script and its helpers. Run from the repository root."""

import math
import os
import sys
from multiprocessing import Pool

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from imagewriters import up_to_date, write_rgb_png  # noqa: E402
from procedural import cube_face_direction, fbm3, hash01  # noqa: E402

PREFIX = os.path.join("data", "effects", "skybox", "spacescape_purple_nebula_complex",
                      "purple_nebula_complex_")
FACES = ("left", "right", "bottom", "top", "back", "front")
SIZE, GAS_SIZE = 512, 128
CORE = (0.55, 0.25, -0.80)


def gas(d):
    """Linear colour of the nebula in direction d."""
    x, y, z = d
    length = math.sqrt(sum(c * c for c in CORE))
    core = max(0.0, (x * CORE[0] + y * CORE[1] + z * CORE[2]) / length)
    cloud = fbm3(x * 2.2 + 11.0, y * 2.2, z * 2.2, 5, seed=3)
    wisps = fbm3(x * 5.0, y * 5.0 + 7.0, z * 5.0, 4, seed=9)
    dust = fbm3(x * 3.1 - 4.0, y * 3.1, z * 3.1 + 2.0, 4, seed=17)
    density = max(0.0, cloud - 0.47) * 2.6 * (0.15 + 1.1 * core ** 2)
    density += max(0.0, wisps - 0.58) * 1.2 * (0.1 + core)
    density *= 1.0 - 0.85 * max(0.0, min(1.0, (dust - 0.5) * 4.0))
    hot = core ** 6 * 0.9
    r = 0.012 + density * (0.55 + 0.4 * hot) + hot * 0.25
    g = 0.004 + density * (0.16 + 0.5 * hot) + hot * 0.15
    b = 0.028 + density * (0.80 + 0.1 * hot) + hot * 0.2
    return r, g, b


def gas_face(face):
    return [[gas(cube_face_direction(face, (i + 0.5) / GAS_SIZE, (j + 0.5) / GAS_SIZE))
             for i in range(GAS_SIZE)] for j in range(GAS_SIZE)]


def sample(grid, s, t):
    """Bilinear lookup of a per-face grid at s, t in 0..1 (clamped at the edges)."""
    n = len(grid)
    fx, fy = min(max(s * n - 0.5, 0.0), n - 1.0), min(max(t * n - 0.5, 0.0), n - 1.0)
    x0, y0 = min(int(fx), n - 2), min(int(fy), n - 2)
    ax, ay = fx - x0, fy - y0
    a, b, c, d = grid[y0][x0], grid[y0][x0 + 1], grid[y0 + 1][x0], grid[y0 + 1][x0 + 1]
    return tuple((a[k] * (1 - ax) + b[k] * ax) * (1 - ay) + (c[k] * (1 - ax) + d[k] * ax) * ay
                 for k in range(3))


def stars(d):
    """Star light in direction d: at most one star per cell of a 3D grid over the directions."""
    cells = 90.0
    p = [c * cells for c in d]
    cell = [math.floor(c) for c in p]
    light = 0.0
    tint = (1.0, 1.0, 1.0)
    h = hash01(41, *cell)
    if h > 0.86:
        strength = (h - 0.86) / 0.14
        centre = [cell[k] + 0.2 + 0.6 * hash01(42 + k, *cell) for k in range(3)]
        dist = math.sqrt(sum((p[k] - centre[k]) ** 2 for k in range(3)))
        brightness = strength ** 5 * 3.0 + 0.12
        radius = 0.07 + 0.22 * strength ** 4
        light = brightness * math.exp(-(dist / radius) ** 2)
        tint = ((1.0, 0.85, 0.7), (0.8, 0.9, 1.0), (1.0, 1.0, 1.0))[int(hash01(45, *cell) * 3)]
    return tuple(light * c for c in tint)


def face_pixels(task):
    face, grid = task
    rows = []
    for j in range(SIZE):
        row = []
        for i in range(SIZE):
            s, t = (i + 0.5) / SIZE, (j + 0.5) / SIZE
            g = sample(grid, s, t)
            st = stars(cube_face_direction(face, s, t))
            # Filmic-ish curve, then display gamma.
            row.append(tuple((1.0 - math.exp(-2.2 * (g[k] + st[k]))) ** (1 / 2.2) for k in range(3)))
        rows.append(row)
    return rows


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.abspath(__file__), os.path.join(here, "imagewriters.py"),
               os.path.join(here, "procedural.py"), os.path.join(here, "pngfile.py")]
    outputs = [PREFIX + name + ".png" for name in FACES]
    if up_to_date(outputs, sources):
        return
    with Pool() as pool:
        grids = pool.map(gas_face, range(6))
        for name, rows in zip(FACES, pool.map(face_pixels, list(enumerate(grids)))):
            write_rgb_png(PREFIX + name + ".png", rows)


if __name__ == "__main__":
    main()
