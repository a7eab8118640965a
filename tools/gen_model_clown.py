#!/usr/bin/env python3
"""Makes "data/models/vorantil/clown/clown.gltf" (with clown.bin): a cheerful clown about 22
units tall, standing on y = 0 and facing +z, built from spheres, cylinders, cones and tori.

Nodes: "Body_7" is the clown's root (the torso, no transform of its own, so a scene can place
and repeat the whole figure by its instance matrices); head, hat, hair, face, collar, arms,
legs and shoes hang under it. "Cube" (a striped circus podium) and "Cube_001" (a prop box) are
separate root nodes beside the clown, which a scene may hide.

Deterministic, standard library only; skips the work when the output is newer than this script
and its helpers. Run from the repository root."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gltfwriter import generate  # noqa: E402
from meshshapes import (box, cylinder, placed, rotate, scale, sphere, torus, translate,  # noqa: E402
                        merged)

OUTPUT = os.path.join("data", "models", "vorantil", "clown", "clown.gltf")


def materials(gltf):
    m = {}
    for name, colour, metallic, roughness, emissive in (
            ("Suit", (0.95, 0.72, 0.08), 0.0, 0.55, (0, 0, 0)),
            ("Trousers", (0.10, 0.30, 0.85), 0.0, 0.6, (0, 0, 0)),
            ("Skin", (1.00, 0.86, 0.76), 0.0, 0.5, (0, 0, 0)),
            ("Red", (0.90, 0.06, 0.05), 0.0, 0.25, (0, 0, 0)),
            ("Nose", (1.00, 0.05, 0.05), 0.0, 0.15, (0.35, 0.0, 0.0)),
            ("White", (0.95, 0.95, 0.95), 0.0, 0.4, (0, 0, 0)),
            ("Black", (0.02, 0.02, 0.02), 0.0, 0.3, (0, 0, 0)),
            ("Hat", (0.45, 0.12, 0.70), 0.1, 0.45, (0, 0, 0)),
            ("Hair", (1.00, 0.42, 0.05), 0.0, 0.85, (0, 0, 0)),
            ("Button", (0.10, 0.75, 0.25), 0.3, 0.3, (0, 0, 0)),
            ("Podium", (0.85, 0.10, 0.12), 0.2, 0.4, (0, 0, 0)),
            ("Trim", (0.95, 0.80, 0.25), 0.8, 0.3, (0, 0, 0)),
            ("Crate", (0.55, 0.36, 0.18), 0.0, 0.8, (0, 0, 0))):
        m[name] = gltf.material(name, colour + (1.0,), metallic, roughness, emissive)
    return m



def build(gltf):
    m = materials(gltf)
    torso = placed(sphere(1.0, 28, 16), translate(0, 10.2, 0), scale(3.4, 4.3, 2.8))
    belly_buttons = merged(*[placed(sphere(0.42, 12, 8), translate(0, y, 2.72 - abs(y - 10.2) * 0.12))
                             for y in (8.6, 10.2, 11.8)])
    body = gltf.part("Body_7", [(torso, m["Suit"]), (belly_buttons, m["Button"])])

    head = placed(sphere(2.6, 28, 16), translate(0, 17.0, 0))
    gltf.part("Head", [(head, m["Skin"])], parent=body)
    eyes_white = merged(*[placed(sphere(0.55, 14, 8), translate(x, 17.7, 2.25), scale(1, 1.3, 0.6))
                          for x in (-0.9, 0.9)])
    pupils = merged(*[placed(sphere(0.25, 10, 6), translate(x, 17.65, 2.62)) for x in (-0.85, 0.85)])
    brows = merged(*[placed(box(0.9, 0.16, 0.2), translate(x, 18.65, 2.3), rotate((0, 0, 1), a))
                     for x, a in ((-0.9, 12), (0.9, -12))])
    gltf.part("Eyes", [(eyes_white, m["White"]), (pupils, m["Black"]), (brows, m["Black"])],
              parent=body)
    gltf.part("Nose", [(placed(sphere(0.75, 18, 10), translate(0, 16.9, 2.75)), m["Nose"])],
              parent=body)
    smile = placed(torus(1.0, 0.22, 24, 8), translate(0, 16.0, 2.05), rotate((1, 0, 0), 70),
                   scale(1.0, 1.0, 0.55))
    gltf.part("Mouth", [(smile, m["Red"])], parent=body)
    tufts = merged(*[placed(sphere(0.9, 12, 8), translate(side * (2.3 + 0.3 * k), 17.6 - 0.8 * k, -0.4 - 0.3 * k))
                     for side in (-1, 1) for k in range(3)])
    gltf.part("Hair", [(tufts, m["Hair"])], parent=body)
    hat = merged(placed(cylinder(1.6, 4.2, 24, top_radius=0.0), translate(0, 19.0, 0),
                        rotate((0, 0, 1), -8)))
    pompom = placed(sphere(0.55, 12, 8), translate(0.58, 23.15, 0))
    brim = placed(torus(1.6, 0.3, 24, 8), translate(0, 19.1, 0))
    gltf.part("Hat", [(hat, m["Hat"]), (merged(pompom, brim), m["White"])], parent=body)
    ruff = merged(placed(torus(2.2, 0.55, 24, 10), translate(0, 14.4, 0), scale(1.0, 0.6, 1.0)),
                  *[placed(sphere(0.5, 10, 6), translate(0, 14.4, 0), rotate((0, 1, 0), a),
                           translate(0, 0, 2.6)) for a in range(0, 360, 30)])
    gltf.part("Collar", [(ruff, m["White"])], parent=body)

    # The left arm hangs down and out, the right one waves.
    for side, name, angle in ((-1, "Arm_L", 145), (1, "Arm_R", -50)):
        sleeve = placed(cylinder(0.85, 5.2, 16, top_radius=0.6), translate(side * 3.0, 12.6, 0),
                        rotate((0, 0, 1), angle), rotate((1, 0, 0), -15))
        cuff = placed(torus(0.65, 0.25, 16, 6), translate(side * 3.0, 12.6, 0),
                      rotate((0, 0, 1), angle), rotate((1, 0, 0), -15), translate(0, 5.2, 0))
        glove = placed(sphere(0.95, 14, 8), translate(side * 3.0, 12.6, 0),
                       rotate((0, 0, 1), angle), rotate((1, 0, 0), -15), translate(0, 6.0, 0))
        gltf.part(name, [(sleeve, m["Suit"]), (merged(cuff, glove), m["White"])], parent=body)
    for side, name in ((-1, "Leg_L"), (1, "Leg_R")):
        leg = placed(cylinder(1.05, 5.8, 16, top_radius=1.35), translate(side * 1.35, 1.3, 0))
        shoe = placed(sphere(1.0, 18, 10), translate(side * 1.55, 0.75, 1.1), scale(1.25, 0.75, 2.3))
        gltf.part(name, [(leg, m["Trousers"]), (shoe, m["Red"])], parent=body)

    stripes = merged(*[placed(box(0.2, 2.9, 0.2), rotate((0, 1, 0), a), translate(0, 1.45, 6.52))
                       for a in range(0, 360, 20)])
    podium = merged(cylinder(6.5, 3.0, 36))
    trim = merged(placed(torus(6.5, 0.25, 36, 6), translate(0, 3.0, 0)), stripes)
    gltf.part("Cube", [(podium, m["Podium"]), (trim, m["Trim"])], translation=(0, -3.0, 0))
    crate = box(4.0, 4.0, 4.0)
    slats = merged(*[placed(box(4.2, 0.5, 4.2), translate(0, y, 0)) for y in (-1.6, 1.6)])
    gltf.part("Cube_001", [(crate, m["Crate"]), (slats, m["Trim"])], translation=(9.0, 2.0, -3.0))


def main():
    generate(OUTPUT, build, __file__)


if __name__ == "__main__":
    main()
