#!/usr/bin/env python3
"""Makes the small instanced models of the 3D scenes, each one node with one mesh of one
primitive and one white material (the scenes colour them per instance):

- "data/models/vorantil/cube_flat/cube_flat.glb": node "Cube", a flat-shaded cube from -1 to 1.
- "data/models/vorantil/beveled_cube/beveled_cube.glb": node "BeveledCube", the same cube with
  edges and corners rounded at radius 0.2 and smooth normals, each corner an eighth of a sphere
  (444 triangles: production 5 draws 4096 of them, and a software rasteriser pays per triangle).
- "data/models/vorantil/beveled_cube/beveled_cube_2step.glb": node "BeveledCube2Step", the same
  rounding in two steps per edge (92 triangles), for the cubes a few tens of pixels on screen.
- "data/models/vorantil/beveled_cube/beveled_cube_chamfer.glb": node "BeveledCubeChamfer", one
  flat strip per edge and one triangle per corner with the faces' normals, which interpolate
  into the rounding (44 triangles), for the cubes smaller still.
- "data/models/vorantil/sphere/sphere.glb": node "Sphere", a UV sphere of radius 1.

Deterministic, standard library only; skips the work when the outputs are newer than this
script and its helpers. Run from the repository root."""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from gltfwriter import Gltf  # noqa: E402
from imagewriters import up_to_date  # noqa: E402
from meshshapes import box, chamfered_box, rounded_box, sphere  # noqa: E402

MODELS = os.path.join("data", "models", "vorantil")
OUTPUTS = {
    "Cube": os.path.join(MODELS, "cube_flat", "cube_flat.glb"),
    "BeveledCube": os.path.join(MODELS, "beveled_cube", "beveled_cube.glb"),
    "BeveledCube2Step": os.path.join(MODELS, "beveled_cube", "beveled_cube_2step.glb"),
    "BeveledCubeChamfer": os.path.join(MODELS, "beveled_cube", "beveled_cube_chamfer.glb"),
    "Sphere": os.path.join(MODELS, "sphere", "sphere.glb"),
}


def single(name, mesh, path):
    gltf = Gltf()
    material = gltf.material("White", (0.8, 0.8, 0.8, 1.0), metallic=0.0, roughness=0.5)
    gltf.part(name, [(mesh, material)])
    gltf.write_glb(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.join(here, n) for n in
               ("gen_models_cubes.py", "gltfwriter.py", "meshshapes.py")]
    if up_to_date(OUTPUTS.values(), sources):
        return
    single("Cube", box(2.0, 2.0, 2.0), OUTPUTS["Cube"])
    single("BeveledCube", rounded_box(2.0, 2.0, 2.0, 0.2, 3, sphere_corners=True), OUTPUTS["BeveledCube"])
    single("BeveledCube2Step", rounded_box(2.0, 2.0, 2.0, 0.2, 1, sphere_corners=True),
           OUTPUTS["BeveledCube2Step"])
    single("BeveledCubeChamfer", chamfered_box(2.0, 2.0, 2.0, 0.2), OUTPUTS["BeveledCubeChamfer"])
    single("Sphere", sphere(1.0, 32, 16), OUTPUTS["Sphere"])


if __name__ == "__main__":
    main()
