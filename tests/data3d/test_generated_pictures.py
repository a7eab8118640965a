#!/usr/bin/env python3
"""Checks the generated pictures of the 3D scenes: formats and sizes the loaders accept, sprites
with a transparent ground, raw text-mode pictures of the right size in 16 colours, tileable
textures, and cube-map face sets whose faces meet along all twelve edges (which catches faces
swapped, mirrored or turned)."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from imagereaders import jpeg_size, read_png  # noqa: E402

ROOT = os.environ.get("PLAYER_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))


def data(path):
    return os.path.join(ROOT, "data", path)


def read_jpeg(path):
    """(width, height, rows of RGB bytes) decoded by libjpeg-turbo's djpeg."""
    ppm = subprocess.run(["djpeg", "-pnm", path], capture_output=True, check=True).stdout
    magic, width, height, maxval, pixels = ppm.split(maxsplit=4)
    assert magic == b"P6" and maxval == b"255"
    width, height = int(width), int(height)
    return width, height, [pixels[y * width * 3:(y + 1) * width * 3] for y in range(height)]


def read_rgb(path):
    if path.endswith(".jpg"):
        return read_jpeg(path)
    width, height, channels, rows = read_png(path)
    return width, height, [bytes(b for i in range(0, len(r), channels) for b in r[i:i + 3])
                           for r in rows]


class Formats(unittest.TestCase):
    def test_jpeg_textures(self):
        for path, size in [("textures/asphalt13/Asphalt13_diffuse_4k.jpg", 512),
                           ("textures/asphalt13/Asphalt_13_normal_4k.jpg", 512),
                           ("textures/asphalt13/Asphalt_13_roughness__4k.jpg", 512),
                           ("textures/asphalt13/Asphalt_13_ao_4k.jpg", 512),
                           ("scenes/vwm20/recycling/white_on_green.jpg", 512),
                           ("scenes/vwm20/recycling/white_on_green_metallic-roughness.jpg", 512)]:
            with self.subTest(path=path):
                self.assertEqual(jpeg_size(data(path)), (size, size, 3))

    def test_sprites_are_figures_on_a_transparent_ground(self):
        for name in ("giraff", "pipe", "pot", "stjerne"):
            with self.subTest(sprite=name):
                width, height, channels, rows = read_png(data("scenes/vwm20/kestrel/rastafield/%s.png" % name))
                self.assertEqual((width, height, channels), (256, 256, 4))
                alpha = [r[i] for r in rows for i in range(3, len(r), 4)]
                self.assertEqual(rows[0][3] + rows[-1][-1], 0)  # corners clear
                covered = sum(1 for a in alpha if a == 255) / len(alpha)
                self.assertTrue(0.1 < covered < 0.7, covered)

    def test_raw_pictures(self):
        for name, size in (("vorantil.raw", 300 * 80), ("tolmes.raw", 256 * 256)):
            with self.subTest(picture=name):
                with open(data("scenes/vwm20/textbigsprite/" + name), "rb") as f:
                    pixels = f.read()
                self.assertEqual(len(pixels), size)
                self.assertLessEqual(max(pixels), 15)
                self.assertGreater(len(set(pixels)), 4)

    def test_the_raw_picture_has_a_transparent_ground(self):
        with open(data("scenes/vwm20/textbigsprite/vorantil.raw"), "rb") as f:
            pixels = f.read()
        self.assertGreater(pixels.count(0) / len(pixels), 0.3)


class Tiling(unittest.TestCase):
    def test_textures_repeat_without_a_seam(self):
        # Opposite edges continue each other about as well as neighbouring rows do.
        for path in ("textures/asphalt13/Asphalt13_diffuse_4k.jpg", "textures/asphalt13/Asphalt_13_ao_4k.jpg"):
            with self.subTest(path=path):
                width, height, rows = read_jpeg(data(path))
                across = sum(abs(a - b) for a, b in zip(rows[0], rows[-1])) / len(rows[0])
                inside = sum(abs(a - b) for a, b in zip(rows[100], rows[101])) / len(rows[0])
                self.assertLess(across, inside * 1.5 + 2)
                left = [r[0] for r in rows]
                right = [r[-3] for r in rows]
                inner = [r[300] for r in rows]
                inner_next = [r[303] for r in rows]
                across = sum(abs(a - b) for a, b in zip(left, right)) / height
                inside = sum(abs(a - b) for a, b in zip(inner, inner_next)) / height
                self.assertLess(across, inside * 1.5 + 2)


def cube_lookup(faces, direction):
    """The texel a GL cube map shows in a direction, faces in the order -x, +x, -y, +y, -z, +z."""
    x, y, z = direction
    ax, ay, az = abs(x), abs(y), abs(z)
    if ax >= ay and ax >= az:
        face, sc, tc, ma = (1, -z, -y, ax) if x > 0 else (0, z, -y, ax)
    elif ay >= az:
        face, sc, tc, ma = (3, x, z, ay) if y > 0 else (2, x, -z, ay)
    else:
        face, sc, tc, ma = (5, x, -y, az) if z > 0 else (4, -x, -y, az)
    width, height, rows = faces[face]
    i = min(int((sc / ma + 1) / 2 * width), width - 1)
    j = min(int((tc / ma + 1) / 2 * height), height - 1)
    return rows[j][i * 3:i * 3 + 3]


def edge_mismatch(faces):
    """Median colour difference across the cube's twelve edges, per edge."""
    results = []
    eps = 0.02
    for a in range(3):
        for b in range(a + 1, 3):
            c = 3 - a - b
            for sa in (-1, 1):
                for sb in (-1, 1):
                    diffs = []
                    for k in range(48):
                        p = [0.0, 0.0, 0.0]
                        p[a], p[b], p[c] = sa, sb, -0.95 + 1.9 * k / 47
                        on_a, on_b = list(p), list(p)
                        on_a[b] *= 1 - eps  # just inside face a
                        on_b[a] *= 1 - eps  # just inside face b
                        ca, cb = cube_lookup(faces, on_a), cube_lookup(faces, on_b)
                        diffs.append(sum(abs(u - v) for u, v in zip(ca, cb)) / 3)
                    diffs.sort()
                    results.append(diffs[len(diffs) // 2])
    return results


class CubeFaces(unittest.TestCase):
    def check_set(self, paths):
        faces = [read_rgb(p) for p in paths]
        sizes = {(w, h) for w, h, _ in faces}
        self.assertEqual(len(sizes), 1)
        width, height = sizes.pop()
        self.assertEqual(width, height)
        self.assertEqual(width % 2, 0)
        for k, mismatch in enumerate(edge_mismatch(faces)):
            self.assertLess(mismatch, 12, "edge %d" % k)

    def test_faces_meet(self):
        names = ("negx", "posx", "negy", "posy", "negz", "posz")
        nebula = ("left", "right", "bottom", "top", "back", "front")
        for label, paths in [
                ("specular environment",
                 [data("common/skyboxes/urban-skyboxes/CNTower/1024_%s.jpg" % n) for n in names]),
                ("nebula", [data("effects/skybox/spacescape_purple_nebula_complex/"
                                 "purple_nebula_complex_%s.png" % n) for n in nebula])]:
            with self.subTest(faces=label):
                self.check_set(paths)

    def test_a_turned_face_is_caught(self):
        names = ("negx", "posx", "negy", "posy", "negz", "posz")
        faces = [read_rgb(data("common/skyboxes/urban-skyboxes/CNTower/1024_%s.jpg" % n)) for n in names]
        width, height, rows = faces[1]
        faces[1] = (width, height, rows[::-1])  # +x upside down
        self.assertGreater(max(edge_mismatch(faces)), 12)


if __name__ == "__main__":
    unittest.main()
