#!/usr/bin/env python3
"""Writes the glTF seeds of odd primitives beside this script: boxes whose positions push the
closed-solid welding and the glow bounds to their limits (no size at all, a tiny size far from
the origin, a size near the float range, a position that is not a number). The glTF fuzzer
starts from them, and the render tests draw each. Run again after changing it."""

import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "..", "tools"))

from gltfwriter import Gltf  # noqa: E402
from meshshapes import box  # noqa: E402


def write(name, mesh, bounds=None):
    gltf = Gltf("odd primitive seeds")
    material = gltf.material("glowing", base_color=(0.6, 0.5, 0.4, 1), emissive=(1, 0.5, 0.1))
    gltf.part(name, [(mesh, material)])
    if bounds:  # min and max as a valid file would give them, leaving out what is not a number
        accessor = gltf.doc["accessors"][gltf.doc["meshes"][0]["primitives"][0]["attributes"]["POSITION"]]
        accessor["min"], accessor["max"] = bounds
    gltf.write_glb(os.path.join(HERE, name + ".glb"))


def one_point():
    """Every vertex of a box at one point away from the origin."""
    mesh = box(1, 1, 1)
    mesh.positions = [(5.0, 5.0, 5.0)] * len(mesh.positions)
    return mesh


def not_a_number():
    mesh = box(1, 1, 1)
    mesh.positions[0] = (math.nan, 0.5, 0.5)
    return mesh


write("one_point", one_point())
write("tiny_box", box(1e-20, 1e-20, 1e-20, centre=(2e-20, 1e-20, 0)))
write("flat_sliver_far_out", box(1e-25, 1e-25, 0, centre=(0, 0, 5)))
write("huge_box", box(1e30, 1e30, 1e30))
write("not_a_number", not_a_number(), ([-0.5, -0.5, -0.5], [0.5, 0.5, 0.5]))
