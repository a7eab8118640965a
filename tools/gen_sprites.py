#!/usr/bin/env python3
"""Paints the four rastafield sprites, "data/scenes/vwm20/kestrel/rastafield/{giraff,pipe,pot,
stjerne}.png": 256 x 256 RGBA pictures in red, gold and green on a transparent ground (alpha 0
outside the figure, straight colour), drawn from circles, ellipses and polygons with 3 x 3
supersampled edges.

- giraff: a spotted giraffe in profile, walking right.
- pipe: a tobacco pipe with curls of smoke.
- pot: a striped flower pot with a leafy plant.
- stjerne: a five-pointed star striped red, gold and green.

Deterministic, standard library only; skips the work when the outputs are newer than this
script and its helpers. Run from the repository root."""

import math
import os
import sys
from multiprocessing import Pool

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from imagewriters import up_to_date, write_rgb_png  # noqa: E402
from procedural import hash01  # noqa: E402

SIZE = 256
FOLDER = os.path.join("data", "scenes", "vwm20", "kestrel", "rastafield")
RED, GOLD, GREEN = (0.85, 0.08, 0.06), (1.0, 0.78, 0.05), (0.05, 0.60, 0.15)
BROWN, DARK = (0.45, 0.22, 0.08), (0.08, 0.05, 0.03)


# ---------------------------------------------------------------- shapes: point tests in 0..1

def ellipse(cx, cy, rx, ry, angle=0.0):
    c, s = math.cos(math.radians(angle)), math.sin(math.radians(angle))

    def test(x, y):
        dx, dy = x - cx, y - cy
        u, v = dx * c + dy * s, -dx * s + dy * c
        return (u / rx) ** 2 + (v / ry) ** 2 <= 1.0
    return test


def polygon(points):
    def test(x, y):
        inside = False
        for (x0, y0), (x1, y1) in zip(points, points[1:] + points[:1]):
            if (y0 > y) != (y1 > y) and x < x0 + (y - y0) * (x1 - x0) / (y1 - y0):
                inside = not inside
        return inside
    return test


def thick_line(ax, ay, bx, by, width):
    def test(x, y):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * vx + (y - ay) * vy) / (vx * vx + vy * vy)))
        return math.hypot(x - ax - t * vx, y - ay - t * vy) <= width / 2
    return test


# ---------------------------------------------------------------- the figures: layers of
# (shape, colour function); later layers cover earlier ones.

def solid(colour):
    return lambda x, y: colour


def stripes(x, y):
    band = int((y - 0.05) * 9) % 3
    return (RED, GOLD, GREEN)[band]


def giraffe_spots(x, y):
    cells = 14
    gx, gy = int(x * cells), int(y * cells)
    best = 9.0
    for dx in (-1, 0, 1):
        for dy in (-1, 0, 1):
            px = (gx + dx + hash01(11, gx + dx, gy + dy)) / cells
            py = (gy + dy + hash01(12, gx + dx, gy + dy)) / cells
            best = min(best, math.hypot(x - px, y - py) * cells)
    return BROWN if best < 0.42 else GOLD


def giraff():
    legs = [thick_line(x, 0.62, x + lean, 0.93, 0.05) for x, lean in
            ((0.30, -0.03), (0.38, 0.03), (0.58, -0.02), (0.66, 0.04))]
    hooves = [ellipse(x + lean, 0.93, 0.03, 0.02) for x, lean in
              ((0.30, -0.03), (0.38, 0.03), (0.58, -0.02), (0.66, 0.04))]
    return ([(leg, giraffe_spots) for leg in legs] + [(h, solid(DARK)) for h in hooves] + [
        (thick_line(0.22, 0.50, 0.12, 0.68, 0.025), solid(BROWN)),            # tail
        (ellipse(0.48, 0.55, 0.22, 0.11, -8), giraffe_spots),                  # body
        (polygon([(0.60, 0.52), (0.70, 0.18), (0.77, 0.20), (0.70, 0.56)]), giraffe_spots),
        (ellipse(0.79, 0.16, 0.09, 0.045, 20), giraffe_spots),                 # head
        (thick_line(0.72, 0.10, 0.71, 0.04, 0.018), solid(BROWN)),             # horns
        (thick_line(0.76, 0.10, 0.77, 0.04, 0.018), solid(BROWN)),
        (ellipse(0.715, 0.04, 0.017, 0.017), solid(DARK)),
        (ellipse(0.77, 0.04, 0.017, 0.017), solid(DARK)),
        (ellipse(0.70, 0.13, 0.03, 0.014, -30), solid(GOLD)),                  # ear
        (ellipse(0.80, 0.14, 0.012, 0.012), solid(DARK)),                      # eye
        (thick_line(0.685, 0.22, 0.605, 0.50, 0.02), solid(RED)),              # mane
    ])


def pipe():
    smoke = [ellipse(0.30 + 0.06 * math.sin(k * 1.3), 0.36 - 0.08 * k, 0.05 + 0.015 * k, 0.04 + 0.01 * k)
             for k in range(4)]
    return ([(s, solid((0.80, 0.80, 0.78))) for s in smoke] + [
        (polygon([(0.18, 0.45), (0.42, 0.45), (0.40, 0.78), (0.20, 0.78)]), solid(BROWN)),
        (ellipse(0.30, 0.78, 0.10, 0.05), solid(BROWN)),
        (ellipse(0.30, 0.45, 0.12, 0.035), solid(DARK)),                       # bowl rim
        (ellipse(0.30, 0.455, 0.095, 0.022), solid((0.95, 0.35, 0.05))),       # glowing tobacco
        (thick_line(0.40, 0.66, 0.88, 0.52, 0.06), solid(DARK)),               # stem
        (thick_line(0.42, 0.655, 0.62, 0.60, 0.062), lambda x, y: (RED, GOLD, GREEN)[int(x * 30) % 3]),
    ])


def pot():
    leaves = [ellipse(0.5 + 0.2 * math.cos(math.radians(a)), 0.40 - 0.2 * math.sin(math.radians(a)),
                      0.13, 0.05, -a) for a in (20, 55, 90, 125, 160)]
    return ([(thick_line(0.5, 0.55, 0.5, 0.25, 0.03), solid(GREEN))]
            + [(leaf, solid((0.10, 0.55 + 0.1 * k % 2, 0.12))) for k, leaf in enumerate(leaves)]
            + [(ellipse(0.5, 0.18, 0.06, 0.06), solid(RED)),
               (ellipse(0.5, 0.18, 0.025, 0.025), solid(GOLD)),
               (polygon([(0.25, 0.55), (0.75, 0.55), (0.66, 0.92), (0.34, 0.92)]), stripes),
               (polygon([(0.22, 0.52), (0.78, 0.52), (0.78, 0.60), (0.22, 0.60)]), solid(BROWN))])


def stjerne():
    points = []
    for k in range(10):
        angle = math.radians(90 + 36 * k)
        radius = 0.46 if k % 2 == 0 else 0.19
        points.append((0.5 + radius * math.cos(angle), 0.53 - radius * math.sin(angle)))
    inner = [(0.5 + (x - 0.5) * 0.86, 0.53 + (y - 0.53) * 0.86) for x, y in points]
    return [(polygon(points), solid(DARK)), (polygon(inner), stripes)]


FIGURES = {"giraff": giraff, "pipe": pipe, "pot": pot, "stjerne": stjerne}


def paint_row(task):
    name, y = task
    layers = FIGURES[name]()
    row = []
    for x in range(SIZE):
        rgb, cover = [0.0, 0.0, 0.0], 0
        for sy in range(3):
            for sx in range(3):
                u, v = (x + (sx + 0.5) / 3) / SIZE, (y + (sy + 0.5) / 3) / SIZE
                colour = None
                for shape, paint in layers:
                    if shape(u, v):
                        colour = paint(u, v)
                if colour is not None:
                    cover += 1
                    for c in range(3):
                        rgb[c] += colour[c]
        row.append(tuple(c / cover for c in rgb) + (cover / 9.0,) if cover else (0.0, 0.0, 0.0, 0.0))
    return row


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.abspath(__file__), os.path.join(here, "imagewriters.py"),
               os.path.join(here, "procedural.py"), os.path.join(here, "pngfile.py")]
    outputs = [os.path.join(FOLDER, name + ".png") for name in FIGURES]
    if up_to_date(outputs, sources):
        return
    with Pool() as pool:
        for name in FIGURES:
            rows = pool.map(paint_row, [(name, y) for y in range(SIZE)])
            write_rgb_png(os.path.join(FOLDER, name + ".png"), rows, channels=4)


if __name__ == "__main__":
    main()
