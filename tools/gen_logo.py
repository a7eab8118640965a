"""Paints the loading-screen logo "data/common/images/vorantil_logo_16_9.png" (16:9, RGBA).

A glowing ring with a diagonal slash over transparent black, drawn analytically so that the
file is the same on every run. Run from the repository root; skipped when up to date.
"""
import math
import os
import sys

sys.path.insert(0, os.path.dirname(__file__))
from pngfile import write_png  # noqa: E402

OUTPUT = "data/common/images/vorantil_logo_16_9.png"
WIDTH, HEIGHT = 640, 360


def pixel(x, y):
    cx, cy = WIDTH / 2, HEIGHT / 2
    dx, dy = (x - cx) / HEIGHT, (y - cy) / HEIGHT
    radius = math.hypot(dx, dy)
    ring = math.exp(-((radius - 0.3) / 0.018) ** 2)
    glow = 0.35 * math.exp(-((radius - 0.3) / 0.08) ** 2)
    slash = math.exp(-(((dx + dy * 0.6) / 0.02) ** 2)) if radius < 0.27 else 0.0
    intensity = min(1.0, ring + glow + slash)
    red = int(255 * min(1.0, intensity * 1.0))
    green = int(255 * min(1.0, intensity * 0.55 + ring * 0.3))
    blue = int(255 * min(1.0, intensity * 0.2 + slash * 0.4))
    return bytes((red, green, blue, int(255 * intensity)))


def main():
    if os.path.exists(OUTPUT) and os.path.getmtime(OUTPUT) >= os.path.getmtime(__file__):
        return
    os.makedirs(os.path.dirname(OUTPUT), exist_ok=True)
    rows = (b"".join(pixel(x, y) for x in range(WIDTH)) for y in range(HEIGHT))
    write_png(OUTPUT, WIDTH, HEIGHT, rows, channels=4)


if __name__ == "__main__":
    main()
