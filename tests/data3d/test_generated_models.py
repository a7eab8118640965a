#!/usr/bin/env python3
"""Checks every model under data/: the Khronos glTF validator finds no error or warning, and the
models carry the node names and layout the scenes depend on."""

import glob
import json
import os
import struct
import subprocess
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.environ.get("PLAYER_SOURCE_DIR", os.path.join(HERE, "..", ".."))
VALIDATOR_DIR = os.environ.get("GLTF_VALIDATOR_DIR", os.path.join(ROOT, "build", "gltf-validator"))
MODELS = sorted(glob.glob(os.path.join(ROOT, "data", "**", "*.gltf"), recursive=True)
                + glob.glob(os.path.join(ROOT, "data", "**", "*.glb"), recursive=True))


def model(relative):
    return os.path.join(ROOT, "data", "models", relative)


class Model:
    """The JSON and binary chunk of a .gltf or .glb, with world-space geometry per node."""

    def __init__(self, path):
        with open(path, "rb") as f:
            data = f.read()
        if path.endswith(".glb"):
            magic, version, _ = struct.unpack("<4sII", data[:12])
            assert (magic, version) == (b"glTF", 2)
            length = struct.unpack("<I", data[12:16])[0]
            self.doc = json.loads(data[20:20 + length])
            self.blob = data[20 + length + 8:]
        else:
            self.doc = json.loads(data)
            with open(os.path.join(os.path.dirname(path), self.doc["buffers"][0]["uri"]), "rb") as f:
                self.blob = f.read()
        self.nodes = self.doc.get("nodes", [])
        self.by_name = {n.get("name"): i for i, n in enumerate(self.nodes)}
        self.parent = {c: i for i, n in enumerate(self.nodes) for c in n.get("children", [])}

    def accessor(self, index):
        a = self.doc["accessors"][index]
        view = self.doc["bufferViews"][a["bufferView"]]
        width = {"SCALAR": 1, "VEC2": 2, "VEC3": 3, "VEC4": 4}[a["type"]]
        code = {5126: "f", 5123: "H", 5125: "I", 5121: "B"}[a["componentType"]]
        values = struct.unpack_from("<%d%s" % (a["count"] * width, code), self.blob,
                                    view.get("byteOffset", 0) + a.get("byteOffset", 0))
        return [values[k:k + width] for k in range(0, len(values), width)]

    def local(self, index):
        node = self.nodes[index]
        x, y, z, w = node.get("rotation", (0, 0, 0, 1))
        s, t = node.get("scale", (1, 1, 1)), node.get("translation", (0, 0, 0))
        r = ((1 - 2 * (y * y + z * z), 2 * (x * y - z * w), 2 * (x * z + y * w)),
             (2 * (x * y + z * w), 1 - 2 * (x * x + z * z), 2 * (y * z - x * w)),
             (2 * (x * z - y * w), 2 * (y * z + x * w), 1 - 2 * (x * x + y * y)))
        return lambda p: tuple(sum(r[i][j] * s[j] * p[j] for j in range(3)) + t[i] for i in range(3))

    def world(self, index, p):
        while index is not None:
            p = self.local(index)(p)
            index = self.parent.get(index)
        return p

    def triangles(self, skip=()):
        """World-space triangles of every node not named in skip."""
        out = []
        for i, node in enumerate(self.nodes):
            if "mesh" not in node or node.get("name") in skip:
                continue
            for prim in self.doc["meshes"][node["mesh"]]["primitives"]:
                points = [self.world(i, p) for p in self.accessor(prim["attributes"]["POSITION"])]
                idx = [k[0] for k in self.accessor(prim["indices"])]
                out.extend((points[idx[k]], points[idx[k + 1]], points[idx[k + 2]])
                           for k in range(0, len(idx), 3))
        return out

    def bounds(self, skip=()):
        points = [p for tri in self.triangles(skip) for p in tri]
        return ([min(p[i] for p in points) for i in range(3)],
                [max(p[i] for p in points) for i in range(3)])


def ray_hits(origin, direction, triangles):
    """True when the ray meets a triangle at a positive distance (Moller-Trumbore)."""
    sub = lambda a, b: (a[0] - b[0], a[1] - b[1], a[2] - b[2])  # noqa: E731
    cross = lambda a, b: (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2],  # noqa: E731
                          a[0] * b[1] - a[1] * b[0])
    dot = lambda a, b: a[0] * b[0] + a[1] * b[1] + a[2] * b[2]  # noqa: E731
    for a, b, c in triangles:
        e1, e2 = sub(b, a), sub(c, a)
        p = cross(direction, e2)
        det = dot(e1, p)
        if abs(det) < 1e-12:
            continue
        t_vec = sub(origin, a)
        u = dot(t_vec, p) / det
        q = cross(t_vec, e1)
        v = dot(direction, q) / det
        if 0 <= u <= 1 and 0 <= v and u + v <= 1 and dot(e2, q) / det > 1e-6:
            return True
    return False


class Validator(unittest.TestCase):
    def test_every_model_is_valid(self):
        self.assertTrue(MODELS, "no models under data/: run tools/generate-data.sh")
        self.assertTrue(os.path.isdir(os.path.join(VALIDATOR_DIR, "node_modules", "gltf-validator")),
                        "the glTF validator is not installed in " + VALIDATOR_DIR)
        result = subprocess.run(["node", os.path.join(HERE, "validate_gltf.js"), VALIDATOR_DIR] + MODELS,
                                capture_output=True, text=True, check=True)
        reports = [json.loads(line) for line in result.stdout.splitlines()]
        self.assertEqual(len(reports), len(MODELS))
        for report in reports:
            with self.subTest(model=os.path.relpath(report["path"], ROOT)):
                self.assertEqual((report["errors"], report["warnings"]), (0, 0), report["messages"])


class NodeNames(unittest.TestCase):
    def test_named_nodes_exist(self):
        keyboard = (["Key_%02d" % k for k in range(61)] + ["Knob_%03d" % k for k in range(36)]
                    + ["Fader_%03d" % k for k in range(6)]
                    + ["Camera", "Camera_001", "Camera_002", "Lamp", "Floppy_Drive_001"])
        rails = ["RailStraight"] + ["RailStraight_%03d" % k for k in range(1, 7)]
        for path, names in [("vorantil/cube_flat/cube_flat.glb", ["Cube"]),
                            ("vorantil/clown/clown.gltf", ["Body_7", "Cube", "Cube_001"]),
                            ("meshmarket/crt_monitor/crt.gltf", ["Monitor"]),
                            ("vorantil/vwm/keyboard.gltf", keyboard),
                            ("vorantil/train/train.gltf", ["Body"] + rails)]:
            with self.subTest(model=path):
                self.assertLessEqual(set(names), set(Model(model(path)).by_name))

    def test_instanced_models_are_one_node_one_primitive(self):
        for path in ("vorantil/cube_flat/cube_flat.glb", "vorantil/beveled_cube/beveled_cube.glb",
                     "vorantil/beveled_cube/beveled_cube_2step.glb",
                     "vorantil/beveled_cube/beveled_cube_chamfer.glb", "vorantil/sphere/sphere.glb"):
            with self.subTest(model=path):
                m = Model(model(path))
                self.assertEqual(len(m.nodes), 1)
                self.assertEqual(len(m.doc["meshes"][m.nodes[0]["mesh"]]["primitives"]), 1)
                lo, hi = m.bounds()
                for i in range(3):
                    self.assertAlmostEqual(lo[i], -1.0, places=5)
                    self.assertAlmostEqual(hi[i], 1.0, places=5)


class BevelledCube(unittest.TestCase):
    """Production 5 draws 4096 of these with their back faces left out, which hides nothing only
    on a closed solid wound outwards; the count of its triangles is most of what a ribbon frame
    costs. The coarser levels stand in for it on cubes small on screen."""

    PATH = "vorantil/beveled_cube/beveled_cube.glb"
    BUDGET = 444

    @classmethod
    def setUpClass(cls):
        cls.m = Model(model(cls.PATH))
        prim = cls.m.doc["meshes"][0]["primitives"][0]
        cls.points = cls.m.accessor(prim["attributes"]["POSITION"])
        cls.normals = cls.m.accessor(prim["attributes"]["NORMAL"])
        cls.triangles = cls.m.triangles()

    def test_is_closed_and_wound_outwards(self):
        key = lambda p: tuple(round(c, 5) for c in p)  # noqa: E731
        edges = {}
        for tri in self.triangles:
            for k in range(3):
                edge = (key(tri[k]), key(tri[(k + 1) % 3]))
                edges[edge] = edges.get(edge, 0) + 1
        # Each edge runs once each way: closed, and every neighbour wound the same way round.
        self.assertEqual(set(edges.values()), {1})
        self.assertTrue(all((b, a) in edges for a, b in edges))
        for a, b, c in self.triangles:
            e1 = [b[i] - a[i] for i in range(3)]
            e2 = [c[i] - a[i] for i in range(3)]
            n = (e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                 e1[0] * e2[1] - e1[1] * e2[0])
            centre = [(a[i] + b[i] + c[i]) / 3 for i in range(3)]
            self.assertGreater(sum(n[i] * centre[i] for i in range(3)), 0.0)

    def test_vertices_lie_on_the_rounded_surface_with_its_normals(self):
        for p, n in zip(self.points, self.normals):
            inner = [max(-0.8, min(0.8, c)) for c in p]
            out = [p[i] - inner[i] for i in range(3)]
            self.assertAlmostEqual(sum(c * c for c in out) ** 0.5, 0.2, places=5)
            for i in range(3):
                self.assertAlmostEqual(out[i] / 0.2, n[i], places=4)

    def test_keeps_to_its_triangle_budget(self):
        self.assertLessEqual(len(self.triangles), self.BUDGET)


class TwoStepBevelledCube(BevelledCube):
    PATH = "vorantil/beveled_cube/beveled_cube_2step.glb"
    BUDGET = 92


class ChamferedCube(BevelledCube):
    PATH = "vorantil/beveled_cube/beveled_cube_chamfer.glb"
    BUDGET = 44

    def test_vertices_lie_on_the_rounded_surface_with_its_normals(self):
        """Each vertex is where the rounded surface meets a face's flat part, with that face's
        normal: the flat parts shade as the bevelled cube's do."""
        for p, n in zip(self.points, self.normals):
            axis = max(range(3), key=lambda i: abs(p[i]))
            self.assertAlmostEqual(abs(p[axis]), 1.0, places=5)
            for i in range(3):
                self.assertAlmostEqual(abs(p[i]), 1.0 if i == axis else 0.8, places=5)
                self.assertAlmostEqual(n[i], (1.0 if p[i] > 0 else -1.0) if i == axis else 0.0,
                                       places=5)


class Keyboard(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.m = Model(model("vorantil/vwm/keyboard.gltf"))

    def node(self, name):
        return self.m.nodes[self.m.by_name[name]]

    def test_keys_share_the_mesh_of_their_shape(self):
        shape_master = {"C": 0, "E": 0, "F": 0, "B": 0, "C#": 1, "D#": 1, "F#": 1, "G#": 1,
                        "A#": 1, "D": 2, "G": 2, "A": 2}
        names = ("C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B")
        for key in range(60):
            master = shape_master[names[key % 12]]
            with self.subTest(key=key):
                self.assertEqual(self.node("Key_%02d" % key)["mesh"],
                                 self.node("Key_%02d" % master)["mesh"])

    def test_each_key_master_has_its_own_material(self):
        materials = []
        for name in ("Key_00", "Key_01", "Key_02", "Key_60"):
            primitives = self.m.doc["meshes"][self.node(name)["mesh"]]["primitives"]
            self.assertEqual(len(primitives), 1, name)
            materials.append(primitives[0]["material"])
        self.assertEqual(len(set(materials)), 4)

    def test_repeated_parts_are_root_siblings_in_order(self):
        for prefix, count, width, meshes in (("Key_", 61, 2, 4), ("Knob_", 36, 3, 1),
                                             ("Fader_", 6, 3, 1)):
            indices = [self.m.by_name[prefix + "%0*d" % (width, k)] for k in range(count)]
            with self.subTest(prefix=prefix):
                self.assertFalse([i for i in indices if i in self.m.parent])
                self.assertFalse([i for i in indices if self.m.nodes[i].get("children")])
                self.assertEqual(len({self.m.nodes[i]["mesh"] for i in indices}), meshes)
        xs = [self.node("Key_%02d" % k)["translation"][0] for k in range(61)]
        self.assertEqual(xs, sorted(xs))  # left to right, low to high

    def test_markers_add_no_geometry(self):
        for name in ("Camera", "Camera_001", "Camera_002", "Lamp"):
            self.assertNotIn("mesh", self.node(name))


class Figures(unittest.TestCase):
    def test_roots_carry_no_transform(self):
        # Scenes overwrite these nodes' matrices to place the whole figure.
        for path, name, props in (("vorantil/clown/clown.gltf", "Body_7", ["Cube", "Cube_001"]),
                                  ("vorantil/train/train.gltf", "Body", ["RailStraight"])):
            m = Model(model(path))
            index = m.by_name[name]
            with self.subTest(model=path):
                self.assertNotIn(index, m.parent)
                self.assertFalse({"translation", "rotation", "scale", "matrix"} & set(m.nodes[index]))
                for prop in props:
                    self.assertNotIn(m.by_name[prop], m.parent)
                lo, hi = m.bounds(skip=props + ["RailStraight_%03d" % k for k in range(1, 7)])
                self.assertGreaterEqual(lo[1], -1e-4)  # stands on y = 0


class CrtScreen(unittest.TestCase):
    def test_picture_plane_shows_through_the_bezel(self):
        m = Model(model("meshmarket/crt_monitor/crt.gltf"))
        lo, hi = m.bounds()
        triangles = m.triangles()
        # The picture plane a scene lays at 0.833 of the front: 0.75 of the width wide, 0.95 of
        # that high, tilted by up to 0.075 radians.
        plane_x, side = 0.833 * hi[0], 0.75 * (hi[2] - lo[2])
        for fy in (-0.45, 0.0, 0.45):
            for fz in (-0.48, 0.0, 0.48):
                y, z = fy * 0.95 * side, fz * side
                with self.subTest(y=y, z=z):
                    start = (plane_x + 0.075 * abs(y) + 0.01, y, z)
                    self.assertFalse(ray_hits(start, (1, 0, 0), triangles), "bezel covers the picture")
                    back = (plane_x - 0.075 * abs(y) - 0.01, y, z)
                    self.assertTrue(ray_hits(back, (-1, 0, 0), triangles), "nothing behind the picture")


if __name__ == "__main__":
    unittest.main()
