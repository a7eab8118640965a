#!/usr/bin/env python3
"""Paints the still pictures of the scenes: "data/scenes/vwm20/kyr_maane.png", a full moon
over a night landscape with a lake, hills, a farm and grazing cows, 1024 x 576, RGB.

Deterministic (its own random sequence, no outside data) and written with the standard
library only (zlib and struct make the PNG). Skips the work when the picture is newer than
this script."""

import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 1024, 576
OUTPUT = os.path.join("data", "scenes", "vwm20", "kyr_maane.png")

HORIZON = 392  # the lake's far shore, in rows from the top
MOON_X, MOON_Y, MOON_R = 700.0, 170.0, 74.0


class Random:
    """A 32-bit linear congruential sequence, the same on every machine."""

    def __init__(self, seed):
        self.state = seed & 0xFFFFFFFF

    def next(self):
        self.state = (self.state * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.state / 4294967296.0


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def clamp01(v):
    return 0.0 if v < 0.0 else 1.0 if v > 1.0 else v


def smooth(edge0, edge1, x):
    t = clamp01((x - edge0) / (edge1 - edge0))
    return t * t * (3.0 - 2.0 * t)


def hill_height(x, far):
    """Height in rows above the horizon of the far (far=True) or near hill line at column x."""
    if far:
        return (38 + 22 * math.sin(x * 0.0061 + 1.3) + 11 * math.sin(x * 0.019 + 0.4)
                + 4 * math.sin(x * 0.071))
    return 6 + 34 * math.sin(x * 0.0037 - 0.6) + 9 * math.sin(x * 0.013 + 2.0)


def sky(x, y, stars):
    t = y / HORIZON
    colour = mix((0.02, 0.03, 0.10), (0.13, 0.17, 0.33), t ** 1.4)
    d = math.hypot(x - MOON_X, y - MOON_Y)
    halo = math.exp(-max(d - MOON_R, 0.0) / 60.0) * 0.35
    colour = mix(colour, (0.75, 0.78, 0.85), halo)
    star = stars.get((x, y))
    if star:
        colour = mix(colour, (1.0, 1.0, 0.95), star * (1.0 - halo))
    if d < MOON_R + 1.0:
        colour = mix(colour, moon(x, y, d), clamp01(MOON_R + 0.5 - d))
    return colour


CRATERS = [(-25, -18, 17, 0.14), (22, 10, 23, 0.12), (-8, 30, 12, 0.16), (34, -30, 9, 0.1),
           (-40, 20, 10, 0.12), (8, -42, 8, 0.1), (-30, -45, 6, 0.08)]


def moon(x, y, d):
    dx, dy = x - MOON_X, y - MOON_Y
    shade = 1.0
    for cx, cy, r, depth in CRATERS:
        c = math.hypot(dx - cx, dy - cy)
        if c < r:
            shade -= depth * (1.0 - (c / r) ** 2)
    limb = math.sqrt(max(0.0, 1.0 - (d / MOON_R) ** 2))
    light = (0.55 + 0.45 * limb) * shade
    return mix((0.55, 0.55, 0.52), (1.0, 0.98, 0.88), clamp01(light))


def land(x, y):
    """The ground above the lake: far blue hills, then the nearer dark green ones."""
    up = HORIZON - y
    if up < hill_height(x, far=False) + 0.0:
        shade = 0.6 + 0.4 * clamp01(up / 30.0)
        return (0.03 * shade, 0.08 * shade, 0.05 * shade)
    if up < hill_height(x, far=True):
        return (0.06, 0.08, 0.16)
    return None


# The barn stands on the lowest ground under it, so no corner floats.
BARN_BASE = HORIZON - int(min(hill_height(x, far=False) for x in range(270, 330))) + 2


def farm(x, y):
    """A red barn with a lit window on the near hill, and three cows beside it."""
    base = BARN_BASE
    if 270 <= x < 330 and base - 36 <= y < base:
        if 292 <= x < 304 and base - 26 <= y < base - 16:
            return (1.0, 0.8, 0.35)
        return (0.28, 0.05, 0.04)
    roof_top = base - 58
    if base - 36 > y >= roof_top + abs(x - 300) * 0.75 and 264 <= x < 336:
        return (0.12, 0.04, 0.04)
    for cow_x in (390, 430, 474):
        colour = cow(x, y, cow_x, HORIZON - int(hill_height(cow_x, far=False)))
        if colour:
            return colour
    return None


def cow(x, y, cx, ground):
    """A small cow silhouette standing on the ground row, facing left, with white patches."""
    body = abs(x - cx) <= 13 and ground - 17 <= y <= ground - 8
    head = cx - 20 <= x <= cx - 13 and ground - 20 <= y <= ground - 13
    legs = (x - cx) in (-11, -10, -4, 5, 10, 11) and ground - 8 < y <= ground
    if not (body or head or legs):
        return None
    if body and ((x - cx) // 5 + (y - ground) // 4) % 3 == 0:
        return (0.85, 0.85, 0.8)
    return (0.05, 0.04, 0.04)


def scene_pixel(x, y, stars):
    colour = farm(x, y) if y < HORIZON else None
    if colour is None and y < HORIZON:
        colour = land(x, y)
    if colour is None:
        colour = sky(x, y, stars)
    return colour


def lake(x, y, stars, ripple_rows):
    """The mirrored scene, darkened, with ripples and the moon's glitter path."""
    depth = y - HORIZON
    mirror_y = HORIZON - 1 - depth
    offset = ripple_rows[depth]
    colour = scene_pixel(min(max(int(x + offset), 0), WIDTH - 1), max(mirror_y, 0), stars)
    colour = tuple(c * (0.55 - 0.2 * depth / (HEIGHT - HORIZON)) for c in colour)
    glitter = math.exp(-((x - MOON_X) / (20 + depth * 0.3)) ** 2)
    sparkle = clamp01(math.sin(x * 0.9 + depth * 2.3) * math.sin(depth * 0.7 + x * 0.05))
    fade = 1.0 - 0.6 * depth / (HEIGHT - HORIZON)
    return mix(colour, (0.95, 0.93, 0.8), glitter * sparkle * 0.6 * fade)


def paint():
    rand = Random(20200229)
    stars = {}
    for _ in range(700):
        x, y = int(rand.next() * WIDTH), int(rand.next() * HORIZON * 0.95)
        stars[(x, y)] = 0.3 + 0.7 * rand.next() ** 3
    ripple_rows = [math.sin(d * 0.45) * (1.0 + d * 0.06) for d in range(HEIGHT - HORIZON)]
    rows = []
    for y in range(HEIGHT):
        row = bytearray()
        for x in range(WIDTH):
            c = scene_pixel(x, y, stars) if y < HORIZON else lake(x, y, stars, ripple_rows)
            row += bytes(int(clamp01(v) * 255.0 + 0.5) for v in c)
        rows.append(bytes(row))
    return rows


def png_bytes(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\x00" + row for row in rows)
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def main():
    if os.path.exists(OUTPUT) and os.path.getmtime(OUTPUT) >= os.path.getmtime(__file__):
        return 0
    os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
    data = png_bytes(paint())
    temporary = OUTPUT + ".tmp"
    with open(temporary, "wb") as out:
        out.write(data)
    os.replace(temporary, OUTPUT)
    return 0


if __name__ == "__main__":
    sys.exit(main())
