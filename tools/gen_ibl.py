#!/usr/bin/env python3
"""Makes the image-based-lighting resources every 3D scene shares:

- "data/objects3d/textures/brdfLUT.png": the split-sum BRDF integration table, 128 x 128, RGB.
  Column i holds NdotV = (i + 0.5) / 128; the row counted from the bottom, j, holds the
  perceptual roughness (j + 0.5) / 128 (the texture loader stores PNG rows bottom-up, so a
  lookup at (NdotV, roughness) lands on it). Red is the scale A and green the bias B of
  F0 x A + B: the GGX distribution, importance sampled with 1024 Hammersley points, the
  Smith-Schlick visibility with k = roughness^2 / 2 and Schlick's Fresnel.
- "data/common/skyboxes/urban-skyboxes/CNTower/1024_{negx,posx,negy,posy,negz,posz}.jpg": the
  specular environment, six 512 x 512 faces of our own town at a summer afternoon (sky
  gradient, clouds, a sun, a skyline with lit windows and a tall tower, a ground with roads).
  The name keeps its historic "1024"; the faces are smaller so prefiltering stays quick
  (about a second on llvmpipe).
- "data/objects3d/environments/doge2/diffuse/diffuse_{left,right,bottom,top,back,front}_0.hdr":
  the same environment's cosine-convolved radiance (irradiance / pi), 32 x 32 Radiance files,
  made from its order-2 spherical harmonics.

Faces follow the GL cube-map layout, row 0 first (the top of the face as a sky box shows it).
Deterministic and standard-library only (JPEG through cjpeg); skips the work when every output
is newer than this script and its helpers. Run from the repository root."""

import math
import os
import sys
from multiprocessing import Pool

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from imagewriters import up_to_date, write_hdr, write_jpg, write_rgb_png  # noqa: E402
from procedural import cube_face_direction  # noqa: E402

LUT_PATH = os.path.join("data", "objects3d", "textures", "brdfLUT.png")
LUT_SIZE = 128
LUT_SAMPLES = 1024

SPECULAR_PREFIX = os.path.join("data", "common", "skyboxes", "urban-skyboxes", "CNTower", "1024_")
SPECULAR_FACES = ("negx", "posx", "negy", "posy", "negz", "posz")
SPECULAR_SIZE = 512

DIFFUSE_PREFIX = os.path.join("data", "objects3d", "environments", "doge2", "diffuse", "diffuse_")
DIFFUSE_FACES = ("left_0", "right_0", "bottom_0", "top_0", "back_0", "front_0")
DIFFUSE_SIZE = 32
SH_SAMPLE_SIZE = 48  # per face, for projecting the environment onto spherical harmonics


# ---------------------------------------------------------------- BRDF integration

def radical_inverse(i):
    """Van der Corput radical inverse in base 2 of a 32-bit index."""
    i = ((i << 16) | (i >> 16)) & 0xFFFFFFFF
    i = ((i & 0x55555555) << 1) | ((i & 0xAAAAAAAA) >> 1)
    i = ((i & 0x33333333) << 2) | ((i & 0xCCCCCCCC) >> 2)
    i = ((i & 0x0F0F0F0F) << 4) | ((i & 0xF0F0F0F0) >> 4)
    i = ((i & 0x00FF00FF) << 8) | ((i & 0xFF00FF00) >> 8)
    return i / 4294967296.0


def ggx_half_vectors(roughness, samples):
    """Half vectors (x, y, z) around the normal z, GGX importance sampled (alpha = roughness^2)."""
    alpha2 = (roughness * roughness) ** 2
    out = []
    for i in range(samples):
        u, v = i / samples, radical_inverse(i)
        phi = 2.0 * math.pi * u
        cos_t = math.sqrt((1.0 - v) / (1.0 + (alpha2 - 1.0) * v))
        sin_t = math.sqrt(max(0.0, 1.0 - cos_t * cos_t))
        out.append((sin_t * math.cos(phi), cos_t))
    return out


def smith_schlick(n_dot, k):
    return n_dot / (n_dot * (1.0 - k) + k)


def integrate_brdf(n_dot_v, roughness, half_vectors):
    """(A, B) of the split sum at one NdotV and roughness."""
    vx, vz = math.sqrt(1.0 - n_dot_v * n_dot_v), n_dot_v
    k = roughness * roughness / 2.0
    g_v = smith_schlick(n_dot_v, k)
    a = b = 0.0
    for hx, hz in half_vectors:
        v_dot_h = vx * hx + vz * hz
        n_dot_l = 2.0 * v_dot_h * hz - vz
        if n_dot_l <= 0.0 or v_dot_h <= 0.0:
            continue
        g_vis = g_v * smith_schlick(n_dot_l, k) * v_dot_h / (hz * n_dot_v)
        fc = (1.0 - v_dot_h) ** 5
        a += (1.0 - fc) * g_vis
        b += fc * g_vis
    return a / len(half_vectors), b / len(half_vectors)


def lut_row(j):
    """Row j counted from the bottom: roughness (j + 0.5) / size."""
    roughness = (j + 0.5) / LUT_SIZE
    halves = ggx_half_vectors(roughness, LUT_SAMPLES)
    return [integrate_brdf((i + 0.5) / LUT_SIZE, roughness, halves) + (0.0,)
            for i in range(LUT_SIZE)]


# ---------------------------------------------------------------- the environment

def mix(a, b, t):
    return tuple(p + (q - p) * t for p, q in zip(a, b))


def hash01(n):
    """A repeatable pseudo-random value in 0..1 for an integer."""
    n = (n * 374761393 + 668265263) & 0xFFFFFFFF
    n = ((n ^ (n >> 13)) * 1274126177) & 0xFFFFFFFF
    return ((n ^ (n >> 16)) & 0xFFFF) / 65535.0


SUN = (0.36, 0.42, -0.83)
_SUN_LEN = math.sqrt(sum(c * c for c in SUN))
SUN = tuple(c / _SUN_LEN for c in SUN)
BUILDINGS = 180        # skyline slots around the horizon
TOWER_AZIMUTH = 0.55   # radians; the tall tower stands here


def skyline_height(azimuth):
    """Height of the skyline (sine of elevation) and the slot index at an azimuth."""
    slot = int((azimuth + math.pi) / (2.0 * math.pi) * BUILDINGS) % BUILDINGS
    h = hash01(slot)
    height = 0.015 + 0.09 * h * h + 0.03 * hash01(slot + 977) * (h > 0.5)
    return height, slot


def sky(x, y, z):
    t = math.sqrt(max(y, 0.0))
    colour = mix((0.80, 0.85, 0.92), (0.20, 0.38, 0.74), t)
    azimuth = math.atan2(x, -z)
    cloud = (math.sin(azimuth * 7.0 + y * 11.0) * math.sin(azimuth * 3.0 - y * 23.0 + 1.7)
             + 0.5 * math.sin(azimuth * 19.0 + y * 41.0))
    cloud = max(0.0, cloud - 0.35) * max(0.0, 1.0 - abs(y - 0.22) * 4.0)
    colour = mix(colour, (0.97, 0.97, 0.99), min(1.0, cloud * 1.6))
    cos_sun = x * SUN[0] + y * SUN[1] + z * SUN[2]
    glow = math.exp((cos_sun - 1.0) * 18.0) * 0.55 + math.exp((cos_sun - 1.0) * 400.0) * 0.5
    colour = mix(colour, (1.0, 0.92, 0.72), min(1.0, glow))
    if cos_sun > 0.99965:  # the disc, about 1.5 degrees across
        colour = (1.0, 0.98, 0.90)
    return colour


def building(x, y, z, azimuth, slot):
    """Facade colour with a grid of windows, some lit."""
    column = int(azimuth * 900.0)
    floor = int(y * 900.0)
    base = mix((0.20, 0.23, 0.28), (0.33, 0.33, 0.36), hash01(slot * 31 + 7))
    if column % 3 != 0 and floor % 3 != 0:
        lit = hash01(column * 7919 + floor * 104729) > 0.72
        return (0.95, 0.85, 0.55) if lit else mix(base, (0.10, 0.12, 0.16), 0.6)
    return base


def tower(x, y, z, azimuth):
    """The tall tower: a tapering shaft, a pod and a mast. None where the sky shows."""
    da = abs(azimuth - TOWER_AZIMUTH)
    if y < 0.0 or y > 0.62:
        return None
    half_width = 0.012 * (1.0 - y / 0.5) + 0.002 if y < 0.5 else 0.0015
    if 0.33 < y < 0.36:
        half_width = 0.022
    if 0.365 < y < 0.38:
        half_width = 0.010
    if da < half_width:
        light = 0.5 + 0.5 * (azimuth > TOWER_AZIMUTH)
        return mix((0.45, 0.45, 0.47), (0.72, 0.72, 0.70), light)
    return None


def ground(x, y, z):
    depth = -y
    px, pz = x / depth * 6.0 + 14.0, z / depth * 6.0 + 9.0
    fade = min(1.0, depth * 4.0)
    colour = mix((0.34, 0.36, 0.30), (0.25, 0.30, 0.19), fade)
    road = (abs(px) % 30.0 < 2.5) or (abs(pz) % 30.0 < 2.5)
    if road:
        colour = mix(colour, (0.33, 0.33, 0.34), fade)
    elif hash01(int(px // 30.0) * 92821 + int(pz // 30.0) * 68917) > 0.6:
        colour = mix(colour, (0.48, 0.40, 0.30), fade * 0.8)  # a field of bare earth
    return colour


def environment(x, y, z):
    """Display colour (0..1, gamma encoded) of the environment in a unit direction."""
    azimuth = math.atan2(x, -z)
    shaft = tower(x, y, z, azimuth)
    if shaft is not None:
        return shaft
    height, slot = skyline_height(azimuth)
    if 0.0 <= y < height:
        return building(x, y, z, azimuth, slot)
    if y >= 0.0:
        return sky(x, y, z)
    return ground(x, y, z)


def specular_face(face):
    size = SPECULAR_SIZE
    return [[environment(*cube_face_direction(face, (i + 0.5) / size, (j + 0.5) / size))
             for i in range(size)] for j in range(size)]


# ---------------------------------------------------------------- diffuse convolution

def linear(c):
    return c ** 2.2


def sh_basis(x, y, z):
    return (0.282095, 0.488603 * y, 0.488603 * z, 0.488603 * x, 1.092548 * x * y,
            1.092548 * y * z, 0.315392 * (3.0 * z * z - 1.0), 1.092548 * x * z,
            0.546274 * (x * x - y * y))


def sh_face(face):
    """This face's share of the spherical-harmonic projection of the linear environment."""
    size = SH_SAMPLE_SIZE
    sums = [[0.0, 0.0, 0.0] for _ in range(9)]
    for j in range(size):
        for i in range(size):
            sc, tc = 2.0 * (i + 0.5) / size - 1.0, 2.0 * (j + 0.5) / size - 1.0
            weight = (2.0 / size) ** 2 / (1.0 + sc * sc + tc * tc) ** 1.5  # solid angle
            d = cube_face_direction(face, (i + 0.5) / size, (j + 0.5) / size)
            colour = [linear(c) for c in environment(*d)]
            for k, basis in enumerate(sh_basis(*d)):
                for c in range(3):
                    sums[k][c] += colour[c] * basis * weight
    return sums


def convolved_radiance(coefficients, d):
    """Irradiance / pi in direction d from order-2 coefficients (cosine lobe band factors)."""
    bands = (1.0, 2.0 / 3.0, 2.0 / 3.0, 2.0 / 3.0, 0.25, 0.25, 0.25, 0.25, 0.25)
    basis = sh_basis(*d)
    return tuple(max(0.0, sum(coefficients[k][c] * bands[k] * basis[k] for k in range(9)))
                 for c in range(3))


def diffuse_faces(coefficients):
    size = DIFFUSE_SIZE
    return [[[convolved_radiance(coefficients, cube_face_direction(f, (i + 0.5) / size,
                                                              (j + 0.5) / size))
              for i in range(size)] for j in range(size)] for f in range(6)]


# ---------------------------------------------------------------- main

def outputs():
    return ([LUT_PATH] + [SPECULAR_PREFIX + n + ".jpg" for n in SPECULAR_FACES]
            + [DIFFUSE_PREFIX + n + ".hdr" for n in DIFFUSE_FACES])


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.abspath(__file__), os.path.join(here, "imagewriters.py"),
               os.path.join(here, "pngfile.py"), os.path.join(here, "procedural.py")]
    if up_to_date(outputs(), sources):
        return
    with Pool() as pool:
        rows = pool.map(lut_row, range(LUT_SIZE))
        write_rgb_png(LUT_PATH, rows[::-1])
        for face, pixels in zip(SPECULAR_FACES, pool.map(specular_face, range(6))):
            write_jpg(SPECULAR_PREFIX + face + ".jpg", pixels)
        shares = pool.map(sh_face, range(6))
    coefficients = [[sum(s[k][c] for s in shares) for c in range(3)] for k in range(9)]
    for face, pixels in zip(DIFFUSE_FACES, diffuse_faces(coefficients)):
        write_hdr(DIFFUSE_PREFIX + face + ".hdr", pixels)


if __name__ == "__main__":
    main()
