#!/usr/bin/env python3
"""Makes "data/models/vorantil/train/train.gltf" (with train.bin): a small steam locomotive with
its tender, about 21 units long along x (chimney towards +x), standing on rails at y = 0.

"Body" is the train's root (no transform of its own, so a scene places the whole train by its
instance matrix); boiler, cab, chimney, wheels, rods, lamp and tender hang under it. The track
is seven straight pieces, the root nodes "RailStraight" and "RailStraight_001" to
"RailStraight_006", 10 units each, laid end to end under the train.

Deterministic, standard library only; skips the work when the output is newer than this script
and its helpers. Run from the repository root."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gltfwriter import generate  # noqa: E402
from meshshapes import (cylinder, placed, rotate, rounded_box, sphere, translate,  # noqa: E402
                        span_box, merged)

OUTPUT = os.path.join("data", "models", "vorantil", "train", "train.gltf")

GAUGE = 1.5       # half the distance between the rails
RAIL_TOP = 0.35   # wheels stand on this height




def along_x(mesh, x, y, z):
    """A mesh built along +y laid along +x, its base at (x, y, z)."""
    return placed(mesh, translate(x, y, z), rotate((0, 0, 1), -90))


def along_z(mesh, x, y, z):
    """A mesh built along +y laid along +z (a wheel's axle), centred on (x, y, z)."""
    return placed(mesh, translate(x, y, z), rotate((1, 0, 0), 90))


def wheel(x, radius, z):
    width = 0.35
    disc = along_z(cylinder(radius, width, 24), x, RAIL_TOP + radius, z - width / 2)
    hub = along_z(cylinder(radius * 0.3, width + 0.1, 12), x, RAIL_TOP + radius, z - width / 2 - 0.05)
    return disc, hub


def build(gltf):
    m = {name: gltf.material(name, colour + (1.0,), metallic, roughness, emissive)
         for name, colour, metallic, roughness, emissive in (
             ("Paint", (0.08, 0.32, 0.18), 0.3, 0.35, (0, 0, 0)),
             ("Black", (0.04, 0.04, 0.045), 0.4, 0.5, (0, 0, 0)),
             ("Red", (0.65, 0.07, 0.05), 0.2, 0.4, (0, 0, 0)),
             ("Brass", (0.85, 0.65, 0.25), 1.0, 0.25, (0, 0, 0)),
             ("Steel", (0.55, 0.56, 0.58), 1.0, 0.35, (0, 0, 0)),
             ("Coal", (0.02, 0.02, 0.02), 0.0, 0.9, (0, 0, 0)),
             ("Window", (0.9, 0.8, 0.4), 0.0, 0.2, (0.9, 0.7, 0.3)),
             ("Lamp", (1.0, 0.95, 0.7), 0.0, 0.1, (1.0, 0.9, 0.6)),
             ("Sleeper", (0.30, 0.20, 0.12), 0.0, 0.9, (0, 0, 0)))}

    frame = span_box(-7.0, 7.0, 1.3, 1.9, -1.3, 1.3)
    beams = merged(span_box(6.8, 7.3, 1.1, 2.1, -1.8, 1.8), span_box(-7.3, -6.8, 1.1, 2.1, -1.8, 1.8))
    body = gltf.part("Body", [(frame, m["Black"]), (beams, m["Red"])])

    boiler = along_x(cylinder(1.45, 8.5, 28), -2.0, 3.5, 0)
    smokebox = along_x(cylinder(1.5, 1.4, 28), 6.5, 3.5, 0)
    bands = merged(*[along_x(cylinder(1.5, 0.18, 28), x, 3.5, 0) for x in (0.0, 2.5, 5.0)])
    door = placed(sphere(1.5, 24, 12), translate(7.9, 3.5, 0), rotate((0, 0, 1), -90),
                  translate(0, 0, 0))
    gltf.part("Boiler", [(merged(boiler), m["Paint"]), (merged(smokebox, door), m["Black"]),
                         (bands, m["Brass"])], parent=body)
    chimney = merged(placed(cylinder(0.5, 1.8, 20, top_radius=0.65), translate(6.9, 4.7, 0)),
                     placed(cylinder(0.8, 0.35, 20, top_radius=0.9), translate(6.9, 6.5, 0)))
    dome = merged(placed(cylinder(0.65, 0.8, 20), translate(2.2, 4.7, 0)),
                  placed(sphere(0.65, 20, 10), translate(2.2, 5.5, 0)))
    whistle = placed(cylinder(0.15, 0.7, 10), translate(-1.0, 4.8, 0))
    gltf.part("Chimney", [(chimney, m["Black"]), (merged(dome, whistle), m["Brass"])], parent=body)

    cab = merged(span_box(-6.6, -2.4, 1.9, 6.2, -1.55, -1.35), span_box(-6.6, -2.4, 1.9, 6.2, 1.35, 1.55),
                 span_box(-2.6, -2.4, 1.9, 6.2, -1.35, 1.35), span_box(-6.6, -6.4, 1.9, 3.6, -1.35, 1.35))
    roof = placed(rounded_box(4.8, 0.3, 3.6, 0.12, 1), translate(-4.5, 6.35, 0))
    windows = merged(span_box(-3.2, -2.65, 4.4, 5.6, -1.0, -0.3), span_box(-3.2, -2.65, 4.4, 5.6, 0.3, 1.0),
                     span_box(-5.6, -3.6, 4.4, 5.6, -1.58, -1.5), span_box(-5.6, -3.6, 4.4, 5.6, 1.5, 1.58))
    gltf.part("Cab", [(cab, m["Paint"]), (roof, m["Black"]), (windows, m["Window"])], parent=body)

    discs, hubs = [], []
    for x, radius in ((-4.8, 1.1), (-2.2, 1.1), (0.4, 1.1), (4.2, 0.6), (5.8, 0.6)):
        for z in (-GAUGE, GAUGE):
            disc, hub = wheel(x, radius, z)
            discs.append(disc)
            hubs.append(hub)
    rods = merged(*[span_box(-4.9, 0.5, RAIL_TOP + 0.85, RAIL_TOP + 1.05, z, z + 0.12)
                    for z in (-GAUGE - 0.35, GAUGE + 0.23)])
    cylinders = merged(*[along_x(cylinder(0.5, 2.0, 16), 2.3, RAIL_TOP + 1.3, z) for z in (-1.45, 1.45)])
    gltf.part("Wheels", [(merged(*discs), m["Red"]), (merged(*hubs), m["Steel"]),
                         (merged(rods, cylinders), m["Steel"])], parent=body)
    catcher = merged(*[placed(span_box(-0.08, 0.08, 0.0, 1.2, -0.05, 0.05), translate(7.3, 0.6, z),
                              rotate((0, 0, 1), 35)) for z in (-1.2, -0.6, 0.0, 0.6, 1.2)])
    buffers = merged(*[along_x(cylinder(0.25, 0.5, 12), 7.3, 1.6, z) for z in (-1.2, 1.2)])
    gltf.part("Front", [(catcher, m["Black"]), (buffers, m["Steel"]),
                        (placed(sphere(0.35, 14, 8), translate(7.9, 5.2, 0)), m["Lamp"])], parent=body)

    tender_body = span_box(-13.4, -7.8, 1.6, 4.6, -1.5, 1.5)
    coal = merged(*[placed(sphere(0.6, 10, 6), translate(-12.8 + 0.9 * i, 4.6 + 0.15 * (i % 3), -1.0 + 0.7 * j))
                    for i in range(6) for j in range(4)])
    tender_wheels = []
    for x in (-12.4, -8.8):
        for z in (-GAUGE, GAUGE):
            tender_wheels.extend(wheel(x, 0.65, z))
    coupling = span_box(-7.8, -7.0, 1.5, 1.8, -0.2, 0.2)
    gltf.part("Tender", [(tender_body, m["Paint"]), (coal, m["Coal"]),
                         (merged(*tender_wheels[0::2]), m["Red"]),
                         (merged(*tender_wheels[1::2], coupling), m["Steel"])], parent=body)

    rails = merged(*[span_box(-5.0, 5.0, 0.1, RAIL_TOP, z - 0.09, z + 0.09) for z in (-GAUGE, GAUGE)])
    sleepers = merged(*[span_box(-4.6 + 1.25 * k, -4.0 + 1.25 * k, 0.0, 0.14, -2.3, 2.3) for k in range(8)])
    piece = gltf.mesh("RailStraight", [(rails, m["Steel"]), (sleepers, m["Sleeper"])])
    for k in range(7):
        gltf.node("RailStraight" if k == 0 else "RailStraight_%03d" % k, piece,
                  translation=(-30.0 + 10.0 * k, 0.0, 0.0))


def main():
    generate(OUTPUT, build, __file__)


if __name__ == "__main__":
    main()
