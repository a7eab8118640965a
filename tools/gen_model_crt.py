#!/usr/bin/env python3
"""Makes "data/models/meshmarket/crt_monitor/crt.gltf" (with crt.bin): a beige CRT monitor of the
early nineties, 40 units wide (z), facing +x, on a swivel foot.

The layout suits a scene that lays its own screen picture into the monitor: the screen's
centre is the origin in y and z, the front is the largest x (24) and the bezel's
opening (31 x 29.2) is deep enough for a plane at 0.833 of that x, of 0.75 of the width and
0.95 of that in height, slightly tilted. The dark glass of the tube lies behind that plane at
x = 18.4. Every part hangs under one root node, "Monitor".

Deterministic, standard library only; skips the work when the output is newer than this script
and its helpers. Run from the repository root."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gltfwriter import generate  # noqa: E402
from meshshapes import (cylinder, placed, rotate, rounded_box, translate, span_box,  # noqa: E402
                        merged)

OUTPUT = os.path.join("data", "models", "meshmarket", "crt_monitor", "crt.gltf")

FRONT = 24.0                  # the largest x: buttons, lamp and badge reach it
BEZEL = FRONT - 0.1           # x of the bezel's front face
HALF_WIDTH = 20.0             # the bezel spans z -20..20
OPEN_Z, OPEN_Y = 15.5, 14.6   # half sizes of the screen opening
TOP, BOTTOM = 17.0, -19.5     # the bezel's top and bottom
GLASS_X = 18.4




def build(gltf):
    plastic = gltf.material("Plastic", (0.80, 0.76, 0.66, 1.0), 0.0, 0.55)
    dark = gltf.material("DarkPlastic", (0.18, 0.17, 0.16, 1.0), 0.0, 0.6)
    glass = gltf.material("TubeGlass", (0.03, 0.05, 0.045, 1.0), 0.1, 0.08)
    led = gltf.material("PowerLed", (0.1, 0.9, 0.2, 1.0), 0.0, 0.3, emissive=(0.1, 1.0, 0.25))
    badge = gltf.material("Badge", (0.75, 0.75, 0.78, 1.0), 1.0, 0.25)

    # The bezel: a frame around the opening, deep enough to surround the picture plane.
    back = GLASS_X - 0.4
    bezel = merged(
        span_box(back, BEZEL, OPEN_Y, TOP, -HALF_WIDTH, HALF_WIDTH),
        span_box(back, BEZEL, BOTTOM, -OPEN_Y, -HALF_WIDTH, HALF_WIDTH),
        span_box(back, BEZEL, -OPEN_Y, OPEN_Y, -HALF_WIDTH, -OPEN_Z),
        span_box(back, BEZEL, -OPEN_Y, OPEN_Y, OPEN_Z, HALF_WIDTH))
    casing = merged(
        placed(rounded_box(back - 2.0, TOP - BOTTOM - 1.0, 2 * HALF_WIDTH - 1.0, 1.2, 2),
               translate((back + 2.0) / 2, (TOP + BOTTOM) / 2, 0)),
        placed(rounded_box(18.0, 26.0, 28.0, 2.5, 2), translate(-6.0, -1.5, 0)),
        placed(rounded_box(10.0, 18.0, 20.0, 2.0, 2), translate(-19.0, -2.5, 0)))
    root = gltf.part("Monitor", [(bezel, plastic), (casing, plastic)])

    gltf.part("Tube", [(span_box(GLASS_X - 1.0, GLASS_X, -OPEN_Y, OPEN_Y, -OPEN_Z, OPEN_Z), glass)],
              parent=root)
    vents = merged(*[span_box(-12.0 + 2.2 * k, -11.0 + 2.2 * k, 11.45, 11.6, -10.0, 10.0)
                     for k in range(6)])
    gltf.part("Vents", [(vents, dark)], parent=root)

    neck = placed(cylinder(5.0, 3.5, 24, top_radius=4.0), translate(2.0, -23.5, 0))
    foot = placed(cylinder(12.0, 1.5, 32, top_radius=11.0), translate(2.0, -25.0, 0))
    gltf.part("Stand", [(merged(neck, foot), plastic)], parent=root)

    buttons = merged(*[span_box(FRONT - 0.6, FRONT, -18.2, -17.0, z, z + 1.6)
                       for z in (9.0, 11.2, 13.4)])
    knobs = merged(*[placed(cylinder(0.7, 0.6, 16), translate(FRONT - 0.6, -17.6, z),
                            rotate((0, 0, 1), -90)) for z in (-14.0, -11.5)])
    gltf.part("Controls", [(merged(buttons, knobs), dark),
                           (span_box(FRONT - 0.3, FRONT, -17.9, -17.3, 16.0, 17.0), led)],
              parent=root)
    gltf.part("Badge", [(span_box(FRONT - 0.3, FRONT, -17.0, -16.0, -4.0, 4.0), badge)],
              parent=root)


def main():
    generate(OUTPUT, build, __file__)


if __name__ == "__main__":
    main()
