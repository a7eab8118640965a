#!/usr/bin/env python3
"""Checks the generated image-based-lighting data: the BRDF table against the split-sum
integral computed here by plain quadrature and against its closed form at roughness 0, and the
two environment face sets for size, format and a sky above the ground."""

import math
import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from imagereaders import jpeg_size, read_hdr, read_png  # noqa: E402

ROOT = os.environ.get("PLAYER_SOURCE_DIR", os.path.join(os.path.dirname(__file__), "..", ".."))
LUT = os.path.join(ROOT, "data/objects3d/textures/brdfLUT.png")
SPECULAR = os.path.join(ROOT, "data/common/skyboxes/urban-skyboxes/CNTower/1024_{}.jpg")
DIFFUSE = os.path.join(ROOT, "data/objects3d/environments/doge2/diffuse/diffuse_{}_0.hdr")


def split_sum_quadrature(n_dot_v, roughness, steps=360):
    """(A, B) = integral over the hemisphere of D G (1 - Fc, Fc) / (4 NdotV), midpoint rule."""
    alpha2 = roughness ** 4
    k = roughness * roughness / 2.0
    v = (math.sqrt(1.0 - n_dot_v * n_dot_v), 0.0, n_dot_v)
    g1 = lambda c: c / (c * (1.0 - k) + k)  # noqa: E731
    a = b = 0.0
    d_theta, d_phi = (math.pi / 2) / steps, math.pi / steps
    for it in range(steps):
        theta = (it + 0.5) * d_theta
        st, ct = math.sin(theta), math.cos(theta)
        for ip in range(steps):
            phi = (ip + 0.5) * d_phi
            l = (st * math.cos(phi), st * math.sin(phi), ct)
            h = [p + q for p, q in zip(v, l)]
            norm = math.sqrt(sum(c * c for c in h))
            n_dot_h, v_dot_h = h[2] / norm, sum(p * q for p, q in zip(v, h)) / norm
            d = alpha2 / (math.pi * (n_dot_h * n_dot_h * (alpha2 - 1.0) + 1.0) ** 2)
            common = d * g1(n_dot_v) * g1(ct) / (4.0 * n_dot_v) * st * d_theta * d_phi * 2.0
            fc = (1.0 - v_dot_h) ** 5
            a += common * (1.0 - fc)
            b += common * fc
    return a, b


class BrdfTable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.width, cls.height, cls.channels, cls.rows = read_png(LUT)

    def lookup(self, n_dot_v, roughness):
        """The texel a lookup at (NdotV, roughness) reads; rows are stored bottom-up in GL."""
        i = min(int(n_dot_v * self.width), self.width - 1)
        j = min(int(roughness * self.height), self.height - 1)
        row = self.rows[self.height - 1 - j]
        return row[i * self.channels] / 255.0, row[i * self.channels + 1] / 255.0

    def test_size(self):
        self.assertEqual((self.width, self.height), (128, 128))

    def test_matches_the_integral(self):
        # Texel centres, so quadrature and table integrate at the same point.
        for n_dot_v, roughness in [(0.1, 0.9), (0.25, 0.5), (0.5, 0.5), (0.5, 0.3),
                                   (0.9, 0.3), (0.75, 0.75), (0.99, 0.99)]:
            i, j = int(n_dot_v * 128), int(roughness * 128)
            centre = ((i + 0.5) / 128, (j + 0.5) / 128)
            with self.subTest(n_dot_v=n_dot_v, roughness=roughness):
                want = split_sum_quadrature(*centre)
                got = self.lookup(*centre)
                self.assertAlmostEqual(got[0], want[0], delta=0.02)
                self.assertAlmostEqual(got[1], want[1], delta=0.02)

    def test_smooth_surface_is_schlick_fresnel(self):
        # At roughness 0 the half vector is the normal: A = 1 - (1 - v)^5, B = (1 - v)^5.
        for n_dot_v in (0.05, 0.2, 0.4, 0.7, 0.95):
            with self.subTest(n_dot_v=n_dot_v):
                a, b = self.lookup(n_dot_v, 0.0)
                fc = (1.0 - (int(n_dot_v * 128) + 0.5) / 128) ** 5
                self.assertAlmostEqual(a, 1.0 - fc, delta=0.03)
                self.assertAlmostEqual(b, fc, delta=0.03)

    def test_energy_never_exceeds_one(self):
        worst = max(row[i] + row[i + 1] for row in self.rows for i in range(0, len(row), 3))
        self.assertLessEqual(worst, 256)


def face_direction(face, s, t):
    """Direction through texel coordinates (s, t) of a GL cube face, t = 0 at the first row."""
    sc, tc = 2.0 * s - 1.0, 2.0 * t - 1.0
    x, y, z = ((-1.0, -tc, sc), (1.0, -tc, -sc), (sc, -1.0, -tc),
               (sc, 1.0, tc), (-sc, -tc, -1.0), (sc, -tc, 1.0))[face]
    inv = 1.0 / math.sqrt(x * x + y * y + z * z)
    return x * inv, y * inv, z * inv


def specular_radiance_samples(step=8):
    """(direction, solid angle, linear RGB) over the specular faces, every step-th texel."""
    samples = []
    for face, name in enumerate(("negx", "posx", "negy", "posy", "negz", "posz")):
        ppm = subprocess.run(["djpeg", "-pnm", SPECULAR.format(name)], capture_output=True,
                             check=True).stdout
        _, width, _, _, pixels = ppm.split(maxsplit=4)
        size = int(width)
        for j in range(step // 2, size, step):
            for i in range(step // 2, size, step):
                s, t = (i + 0.5) / size, (j + 0.5) / size
                sc, tc = 2 * s - 1, 2 * t - 1
                weight = (2.0 * step / size) ** 2 / (1 + sc * sc + tc * tc) ** 1.5
                at = (j * size + i) * 3
                colour = tuple((pixels[at + c] / 255.0) ** 2.2 for c in range(3))
                samples.append((face_direction(face, s, t), weight, colour))
    return samples


class EnvironmentFaces(unittest.TestCase):
    def test_diffuse_is_the_cosine_convolution_of_the_specular(self):
        # E / pi in direction n = 1 / pi x integral of L(w) max(0, n . w) dw, summed directly
        # over the specular faces, against the diffuse texel looking the same way (the texture
        # loader reads both as display values: compare after the same 1 / 2.2 curve).
        samples = specular_radiance_samples()
        self.assertAlmostEqual(sum(w for _, w, _ in samples), 4 * math.pi, delta=0.05)
        for face, name in enumerate(("left", "right", "bottom", "top", "back", "front")):
            width, height, rows = read_hdr(DIFFUSE.format(name))
            for s, t in ((0.5, 0.5), (0.2, 0.8), (0.8, 0.2)):
                n = face_direction(face, s, t)
                want = [0.0, 0.0, 0.0]
                for d, w, colour in samples:
                    cos = n[0] * d[0] + n[1] * d[1] + n[2] * d[2]
                    if cos > 0:
                        for c in range(3):
                            want[c] += colour[c] * cos * w / math.pi
                got = rows[int(t * height)][int(s * width)]
                with self.subTest(face=name, s=s, t=t):
                    for c in range(3):
                        self.assertAlmostEqual(got[c] ** (1 / 2.2), want[c] ** (1 / 2.2), delta=0.03)

    def test_specular_faces_are_square_even_rgb_jpegs(self):
        for face in ("negx", "posx", "negy", "posy", "negz", "posz"):
            with self.subTest(face=face):
                width, height, components = jpeg_size(SPECULAR.format(face))
                self.assertEqual((width, height, components), (512, 512, 3))

    def test_diffuse_faces_are_sky_over_ground(self):
        means = {}
        for face in ("left", "right", "bottom", "top", "back", "front"):
            width, height, rows = read_hdr(DIFFUSE.format(face))
            self.assertEqual((width, height), (32, 32))
            pixels = [p for row in rows for p in row]
            means[face] = [sum(p[c] for p in pixels) / len(pixels) for c in range(3)]
            for p in pixels:
                self.assertTrue(all(0.0 <= c < 1.0 for c in p), (face, p))
        self.assertGreater(means["top"][2], means["bottom"][2] * 1.5)
        self.assertGreater(means["top"][2], means["top"][0])  # the sky is blue
        for side in ("left", "right", "back", "front"):
            # The sides see half sky, half ground: between the two.
            self.assertLess(means["bottom"][2], means[side][2])
            self.assertLess(means[side][2], means["top"][2])


if __name__ == "__main__":
    unittest.main()
