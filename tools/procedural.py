"""Repeatable noise for the texture generators: integer hashing, tileable 2D value noise and 3D
value noise, each summed over octaves. Pure functions of their arguments, the same on every
machine."""

import math
from functools import lru_cache


@lru_cache(maxsize=1 << 20)
def hash01(*ints):
    """A value in 0..1 from a few integers (remembered: lattice points repeat)."""
    h = 0x811C9DC5
    for n in ints:
        h = ((h ^ (n & 0xFFFFFFFF)) * 0x01000193) & 0xFFFFFFFF
        h ^= h >> 15
        h = (h * 0x2C1B3C6D) & 0xFFFFFFFF
        h ^= h >> 12
    return (h & 0xFFFFFF) / float(0xFFFFFF)


def _fade(t):
    return t * t * (3.0 - 2.0 * t)


def tile_noise(x, y, period, seed=0):
    """Value noise on a lattice of `period` cells that repeats every `period` units."""
    xi, yi = math.floor(x), math.floor(y)
    fx, fy = _fade(x - xi), _fade(y - yi)
    x0, y0 = int(xi) % period, int(yi) % period
    x1, y1 = (x0 + 1) % period, (y0 + 1) % period
    a, b = hash01(seed, x0, y0), hash01(seed, x1, y0)
    c, d = hash01(seed, x0, y1), hash01(seed, x1, y1)
    return (a + (b - a) * fx) * (1.0 - fy) + (c + (d - c) * fx) * fy


def tile_fbm(u, v, base_period, octaves, seed=0):
    """Octaves of tile_noise over u, v in 0..1; repeats with period 1 in both. Range about 0..1."""
    total, amplitude, norm, period = 0.0, 1.0, 0.0, base_period
    for octave in range(octaves):
        total += amplitude * tile_noise(u * period, v * period, period, seed + octave * 101)
        norm += amplitude
        amplitude *= 0.5
        period *= 2
    return total / norm


def noise3(x, y, z, seed=0):
    xi, yi, zi = math.floor(x), math.floor(y), math.floor(z)
    fx, fy, fz = _fade(x - xi), _fade(y - yi), _fade(z - zi)
    xi, yi, zi = int(xi), int(yi), int(zi)

    def corner(dx, dy, dz):
        return hash01(seed, xi + dx, yi + dy, zi + dz)

    def lerp(a, b, t):
        return a + (b - a) * t

    return lerp(lerp(lerp(corner(0, 0, 0), corner(1, 0, 0), fx), lerp(corner(0, 1, 0), corner(1, 1, 0), fx), fy),
                lerp(lerp(corner(0, 0, 1), corner(1, 0, 1), fx), lerp(corner(0, 1, 1), corner(1, 1, 1), fx), fy),
                fz)


def cube_face_direction(face, s, t):
    """Unit direction of texel coordinates s, t in 0..1 of cube face 0-5 (-x, +x, -y, +y, -z,
    +z) in the GL cube-map convention, where t = 0 is the first row of a face image."""
    sc, tc = 2.0 * s - 1.0, 2.0 * t - 1.0
    x, y, z = ((-1.0, -tc, sc), (1.0, -tc, -sc), (sc, -1.0, -tc),
               (sc, 1.0, tc), (-sc, -tc, -1.0), (sc, -tc, 1.0))[face]
    inv = 1.0 / math.sqrt(x * x + y * y + z * z)
    return x * inv, y * inv, z * inv


def fbm3(x, y, z, octaves, seed=0):
    total, amplitude, norm, f = 0.0, 1.0, 0.0, 1.0
    for octave in range(octaves):
        total += amplitude * noise3(x * f, y * f, z * f, seed + octave * 57)
        norm += amplitude
        amplitude *= 0.5
        f *= 2.0
    return total / norm
