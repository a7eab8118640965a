#!/usr/bin/env python3
"""Makes the model viewer's own models (production 0) under "data/models/generated/":

- "torusknot/torusknot.glb": a (3, 2) torus knot tube, one glossy metal material, plus a small
  glowing ring (an emissive material) hung above it as a child node.
- "stairs/stairs.glb": a spiral stair of 16 steps around a central column, two materials.
- "pillars/pillars.glb": a round floor with a ring of eight pillars, each pillar its own node
  with its own colour, and a lintel ring on top: a small node tree.
- "vase/vase.glb": a turned vase (a profile swept about the y axis), glazed.
- "crystals/crystals.glb": a cluster of stretched octahedra on a rock, some glowing.
- "arches/arches.glb": a row of five arches of boxes on a plinth, each arch its own node.

Deterministic, standard library only; skips the work when the outputs are newer than this
script and its helpers. Run from the repository root."""

import math
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gltfwriter import Gltf, MeshData, quaternion  # noqa: E402
from imagewriters import up_to_date  # noqa: E402
from meshshapes import box, cylinder, multiply, placed, rotate, torus, translate  # noqa: E402

OUT = os.path.join("data", "models", "generated")
NAMES = ("torusknot", "stairs", "pillars", "vase", "crystals", "arches")
OUTPUTS = {name: os.path.join(OUT, name, name + ".glb") for name in NAMES}


def knot_point(t, p=3, q=2, scale=1.0):
    r = 2.0 + math.cos(q * t)
    return (scale * r * math.cos(p * t), scale * -math.sin(q * t), scale * r * math.sin(p * t))


def tube(curve, radius, segments, sides):
    """A closed tube of the given radius along curve(t), t from 0 to 2 pi."""
    mesh = MeshData()
    rows = []
    for i in range(segments + 1):
        t = 2.0 * math.pi * i / segments
        c = curve(t)
        ahead = curve(t + 1e-3)
        tangent = normalised([ahead[k] - c[k] for k in range(3)])
        # A side direction from the tangent and the direction to the knot's centre line.
        side = normalised(cross(tangent, (0.0, 1.0, 0.0)))
        up = cross(side, tangent)
        row = []
        for j in range(sides + 1):
            a = 2.0 * math.pi * j / sides
            n = [math.cos(a) * side[k] + math.sin(a) * up[k] for k in range(3)]
            row.append(mesh.vertex([c[k] + radius * n[k] for k in range(3)], n,
                                   (i / segments, j / sides)))
        rows.append(row)
    for i in range(segments):
        for j in range(sides):
            mesh.quad(rows[i][j], rows[i + 1][j], rows[i + 1][j + 1], rows[i][j + 1])
    return mesh


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def normalised(v):
    length = math.sqrt(sum(c * c for c in v)) or 1.0
    return [c / length for c in v]


def torus_knot(path):
    gltf = Gltf()
    metal = gltf.material("Brushed gold", (1.0, 0.77, 0.34, 1.0), metallic=1.0, roughness=0.25)
    glow = gltf.material("Glow ring", (0.1, 0.1, 0.1, 1.0), metallic=0.0, roughness=0.6,
                         emissive=(0.2, 0.8, 1.0))
    knot = gltf.part("Knot", [(tube(lambda t: knot_point(t, scale=0.5), 0.22, 192, 16), metal)])
    gltf.part("Halo", [(torus(0.6, 0.05, 48, 8), glow)], parent=knot, translation=(0.0, 1.3, 0.0))
    gltf.write_glb(path)


def stairs(path):
    gltf = Gltf()
    stone = gltf.material("Stone", (0.62, 0.6, 0.55, 1.0), metallic=0.0, roughness=0.85)
    steel = gltf.material("Steel", (0.56, 0.57, 0.58, 1.0), metallic=1.0, roughness=0.35)
    steps = MeshData()
    for i in range(16):
        step = multiply(rotate((0, 1, 0), i * 22.5), translate(1.1, 0.15 + i * 0.25, 0.0))
        steps.add(box(1.6, 0.1, 0.55), step)
    column = cylinder(0.25, 4.4, 24)
    gltf.part("Stairs", [(steps, stone), (column, steel)])
    gltf.write_glb(path)


def pillars(path):
    gltf = Gltf()
    floor_material = gltf.material("Marble", (0.85, 0.84, 0.8, 1.0), metallic=0.0, roughness=0.3)
    lintel_material = gltf.material("Bronze", (0.8, 0.5, 0.25, 1.0), metallic=1.0, roughness=0.4)
    root = gltf.part("Floor", [(cylinder(3.0, 0.2, 48), floor_material)])
    for i in range(8):
        hue = i / 8.0
        colour = (0.5 + 0.5 * math.cos(2 * math.pi * hue), 0.5 + 0.5 * math.cos(2 * math.pi * (hue - 1 / 3)),
                  0.5 + 0.5 * math.cos(2 * math.pi * (hue + 1 / 3)), 1.0)
        material = gltf.material("Pillar %d" % (i + 1), colour, metallic=0.0, roughness=0.5)
        angle = 2.0 * math.pi * i / 8.0
        gltf.part("Pillar %d" % (i + 1), [(cylinder(0.22, 2.6, 20), material)], parent=root,
                  translation=(2.4 * math.sin(angle), 0.2, 2.4 * math.cos(angle)))
    gltf.part("Lintel", [(torus(2.4, 0.18, 64, 10), lintel_material)], parent=root,
              translation=(0.0, 2.9, 0.0), rotation=quaternion((0, 1, 0), 11.25))
    gltf.write_glb(path)


def lathe(profile, segments):
    """The (radius, height) profile, bottom to top, swept about the y axis."""
    mesh = MeshData()
    rows = []
    for k, (r, y) in enumerate(profile):
        # The profile's own slope gives the normal's tilt.
        r0, y0 = profile[max(k - 1, 0)]
        r1, y1 = profile[min(k + 1, len(profile) - 1)]
        dr, dy = r1 - r0, y1 - y0
        row = []
        for s in range(segments + 1):
            phi = 2.0 * math.pi * s / segments
            n = (dy * math.sin(phi), -dr, dy * math.cos(phi))
            row.append(mesh.vertex((r * math.sin(phi), y, r * math.cos(phi)), n,
                                   (s / segments, k / (len(profile) - 1))))
        rows.append(row)
    for k in range(len(profile) - 1):
        for s in range(segments):
            mesh.quad(rows[k][s], rows[k][s + 1], rows[k + 1][s + 1], rows[k + 1][s])
    return mesh


def vase(path):
    gltf = Gltf()
    glaze = gltf.material("Glaze", (0.1, 0.35, 0.6, 1.0), metallic=0.0, roughness=0.15)
    profile = [(0.001, 0.0)] + [(0.45 + 0.35 * math.sin(math.pi * (k / 20.0) * 1.6) - 0.2 * (k / 20.0), 0.1 * k)
                                for k in range(21)] + [(0.32, 2.05)]
    gltf.part("Vase", [(lathe(profile, 48), glaze)])
    gltf.write_glb(path)


def octahedron(size, height):
    mesh = MeshData()
    ring = [(size, 0.0, 0.0), (0.0, 0.0, size), (-size, 0.0, 0.0), (0.0, 0.0, -size)]
    for tip in ((0.0, height, 0.0), (0.0, -height * 0.3, 0.0)):
        for i in range(4):
            a, b = ring[i], ring[(i + 1) % 4]
            if tip[1] < 0:
                a, b = b, a
            n = cross([b[k] - a[k] for k in range(3)], [tip[k] - a[k] for k in range(3)])
            mesh.triangle(mesh.vertex(a, n, (0, 0)), mesh.vertex(b, n, (1, 0)), mesh.vertex(tip, n, (0.5, 1)))
    return mesh


def crystals(path):
    gltf = Gltf()
    rock = gltf.material("Rock", (0.3, 0.27, 0.25, 1.0), metallic=0.0, roughness=0.95)
    quartz = gltf.material("Quartz", (0.8, 0.85, 0.95, 1.0), metallic=0.1, roughness=0.1)
    glowing = gltf.material("Glowing quartz", (0.5, 0.2, 0.8, 1.0), metallic=0.0, roughness=0.2,
                            emissive=(0.6, 0.2, 1.0))
    base = gltf.part("Rock", [(sphere_cap(), rock)])
    for i in range(9):
        angle = i * 137.5
        lean = 12.0 + 4.0 * (i % 3)
        material = glowing if i % 3 == 0 else quartz
        gltf.part("Crystal %d" % (i + 1), [(octahedron(0.18 + 0.03 * (i % 4), 1.0 + 0.15 * (i % 5)), material)],
                  parent=base, translation=(0.5 * math.sin(math.radians(angle)) * (i / 9.0), 0.25,
                                            0.5 * math.cos(math.radians(angle)) * (i / 9.0)),
                  rotation=quaternion((math.cos(math.radians(angle)), 0.0, -math.sin(math.radians(angle))), lean))
    gltf.write_glb(path)


def sphere_cap():
    profile = [(0.001, 0.0)] + [(1.0 * math.cos(math.pi / 2 * k / 8), 0.35 * math.sin(math.pi / 2 * k / 8))
                                for k in range(9)]
    return lathe(profile[:-1] + [(0.001, 0.35)], 32)


def arches(path):
    gltf = Gltf()
    sandstone = gltf.material("Sandstone", (0.82, 0.66, 0.46, 1.0), metallic=0.0, roughness=0.8)
    slate = gltf.material("Slate", (0.25, 0.27, 0.3, 1.0), metallic=0.0, roughness=0.6)
    plinth = gltf.part("Plinth", [(box(7.0, 0.3, 1.6), slate)])
    for i in range(5):
        arch = MeshData()
        arch.add(box(0.3, 1.8, 0.5), translate(-0.45, 1.05, 0.0))
        arch.add(box(0.3, 1.8, 0.5), translate(0.45, 1.05, 0.0))
        for k in range(7):
            angle = 180.0 * k / 6
            arch.add(box(0.3, 0.22, 0.5), multiply(translate(0.0, 1.95, 0.0), rotate((0, 0, 1), angle),
                                                   translate(0.45, 0.0, 0.0)))
        gltf.part("Arch %d" % (i + 1), [(arch, sandstone)], parent=plinth, translation=(-2.8 + 1.4 * i, 0.0, 0.0))
    gltf.write_glb(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.join(here, n) for n in ("gen_models_viewer.py", "gltfwriter.py", "meshshapes.py")]
    if up_to_date(OUTPUTS.values(), sources):
        return
    torus_knot(OUTPUTS["torusknot"])
    stairs(OUTPUTS["stairs"])
    pillars(OUTPUTS["pillars"])
    vase(OUTPUTS["vase"])
    crystals(OUTPUTS["crystals"])
    arches(OUTPUTS["arches"])


if __name__ == "__main__":
    main()
