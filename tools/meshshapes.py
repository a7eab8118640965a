"""Simple solids for the model generators, as gltfwriter.MeshData: boxes (flat and rounded),
spheres, cylinders and cones, tori, and 4 x 4 matrices to place them. Triangles are wound
counter-clockwise seen from outside; normals are unit length."""

import itertools
import math

from gltfwriter import MeshData


# ---------------------------------------------------------------- matrices (row-major, affine)

def identity():
    return [[1.0 if r == c else 0.0 for c in range(4)] for r in range(4)]


def multiply(*matrices):
    """The product left to right: multiply(A, B) applies B first."""
    out = identity()
    for m in matrices:
        out = [[sum(out[r][k] * m[k][c] for k in range(4)) for c in range(4)] for r in range(4)]
    return out


def translate(x, y, z):
    m = identity()
    m[0][3], m[1][3], m[2][3] = x, y, z
    return m


def scale(x, y=None, z=None):
    y = x if y is None else y
    z = x if z is None else z
    m = identity()
    m[0][0], m[1][1], m[2][2] = x, y, z
    return m


def rotate(axis, degrees):
    x, y, z = axis
    length = math.sqrt(x * x + y * y + z * z)
    x, y, z = x / length, y / length, z / length
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    t = 1.0 - c
    return [[t * x * x + c, t * x * y - s * z, t * x * z + s * y, 0.0],
            [t * x * y + s * z, t * y * y + c, t * y * z - s * x, 0.0],
            [t * x * z - s * y, t * y * z + s * x, t * z * z + c, 0.0],
            [0.0, 0.0, 0.0, 1.0]]


def placed(mesh, *matrices):
    """A copy of mesh moved by the product of matrices."""
    return MeshData().add(mesh, multiply(*matrices))


# ---------------------------------------------------------------- solids

# Each face: normal, then the two in-face axes (u to the right, v up, seen from outside).
_FACES = (((1, 0, 0), (0, 0, -1), (0, 1, 0)), ((-1, 0, 0), (0, 0, 1), (0, 1, 0)),
          ((0, 1, 0), (1, 0, 0), (0, 0, -1)), ((0, -1, 0), (1, 0, 0), (0, 0, 1)),
          ((0, 0, 1), (1, 0, 0), (0, 1, 0)), ((0, 0, -1), (-1, 0, 0), (0, 1, 0)))


def box(sx, sy, sz, centre=(0.0, 0.0, 0.0)):
    """A flat-shaded box of the given sizes, four vertices per face, UVs 0..1 on each face."""
    mesh = MeshData()
    half = (sx / 2.0, sy / 2.0, sz / 2.0)
    for n, u, v in _FACES:
        corners = []
        for a, b in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
            p = [centre[i] + half[i] * (n[i] + a * u[i] + b * v[i]) for i in range(3)]
            corners.append(mesh.vertex(p, n, ((a + 1) / 2.0, (1 - b) / 2.0)))
        mesh.quad(*corners)
    return mesh


def rounded_box(sx, sy, sz, radius, segments=3, sphere_corners=False):
    """A box whose edges and corners are rounded with the given radius; smooth normals. Each
    rounded edge takes 2 x segments steps of equal angle. The corners are the faces' grids
    carried round them, or with sphere_corners each an eighth of a sphere meshed as a triangle
    grid whose rims meet the edges' steps: the same shape from a quarter fewer triangles."""
    mesh = MeshData()
    half = (sx / 2.0, sy / 2.0, sz / 2.0)
    inner = tuple(h - radius for h in half)
    for n, u, v in _FACES:
        axis_u = [i for i in range(3) if u[i]][0]
        axis_v = [i for i in range(3) if v[i]][0]
        coords_u = _bevel_coords(half[axis_u], radius, segments)
        coords_v = _bevel_coords(half[axis_v], radius, segments)
        # With sphere corners the cells round a corner belong to the corner's own grid.
        cells = [[not (sphere_corners and _beyond(coords_u, i, inner[axis_u])
                       and _beyond(coords_v, j, inner[axis_v]))
                  for i in range(len(coords_u) - 1)] for j in range(len(coords_v) - 1)]
        grid = {}
        for j, b in enumerate(coords_v):
            for i, a in enumerate(coords_u):
                if not _touches_cell(cells, i, j):
                    continue
                p = [half[k] * n[k] + a * u[k] + b * v[k] for k in range(3)]
                q = [max(-inner[k], min(inner[k], p[k])) for k in range(3)]
                d = [p[k] - q[k] for k in range(3)]
                length = math.sqrt(sum(c * c for c in d))
                d = [c / length for c in d]
                uv = ((a / half[axis_u] + 1) / 2.0, (1 - b / half[axis_v]) / 2.0)
                grid[i, j] = mesh.vertex(_rounded_point(q, radius, d), d, uv)
        for j, row in enumerate(cells):
            for i, kept in enumerate(row):
                if kept:
                    mesh.quad(grid[i, j], grid[i + 1, j], grid[i + 1, j + 1], grid[i, j + 1])
    if sphere_corners:
        for signs in itertools.product((-1, 1), repeat=3):
            _rounded_corner(mesh, half, inner, radius, signs, 2 * segments)
    return mesh


def chamfered_box(sx, sy, sz, radius):
    """The rounded box's coarsest stand-in: each face's flat part, one flat strip across each
    edge and one triangle at each corner (44 triangles). Every vertex carries its face's normal,
    so across a strip the interpolated normal turns from one face's to the other's as it does
    over the rounded edge, and the flat parts shade exactly as the rounded box's do."""
    mesh = MeshData()
    half = (sx / 2.0, sy / 2.0, sz / 2.0)
    inner = tuple(h - radius for h in half)
    corner_vertex = {}  # (face axis, corner signs) -> index
    for signs in itertools.product((-1, 1), repeat=3):
        for axis in range(3):
            p = [signs[k] * (half[k] if k == axis else inner[k]) for k in range(3)]
            n = [float(signs[k]) if k == axis else 0.0 for k in range(3)]
            corner_vertex[axis, signs] = mesh.vertex(p, n, _box_uv(half, p))

    def outward(*corners):
        """Adds the polygon through the given vertices (in order round it), turned to face out."""
        idx = [corner_vertex[c] for c in corners]
        a, b, c = (mesh.positions[i] for i in idx[:3])
        e1 = [b[k] - a[k] for k in range(3)]
        e2 = [c[k] - a[k] for k in range(3)]
        n = (e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
             e1[0] * e2[1] - e1[1] * e2[0])
        if sum(n[k] * (a[k] + b[k] + c[k]) for k in range(3)) < 0:
            idx.reverse()
        if len(idx) == 3:
            mesh.triangle(*idx)
        else:
            mesh.quad(*idx)

    square = ((-1, -1), (1, -1), (1, 1), (-1, 1))
    for axis in range(3):
        u, v = [k for k in range(3) if k != axis]
        for side in (-1, 1):
            corners = []
            for a, b in square:
                signs = [0, 0, 0]
                signs[axis], signs[u], signs[v] = side, a, b
                corners.append((axis, tuple(signs)))
            outward(*corners)
    for along in range(3):
        a_axis, b_axis = [k for k in range(3) if k != along]
        for sa, sb in square:
            ends = []
            for end in (-1, 1):
                signs = [0, 0, 0]
                signs[along], signs[a_axis], signs[b_axis] = end, sa, sb
                ends.append(tuple(signs))
            outward((a_axis, ends[0]), (a_axis, ends[1]), (b_axis, ends[1]), (b_axis, ends[0]))
    for signs in itertools.product((-1, 1), repeat=3):
        outward((0, signs), (1, signs), (2, signs))
    return mesh


def _touches_cell(cells, i, j):
    """Whether grid point (i, j) is a corner of a kept cell."""
    return any(0 <= jj < len(cells) and 0 <= ii < len(cells[0]) and cells[jj][ii]
               for jj in (j - 1, j) for ii in (i - 1, i))


def _beyond(coords, i, inner):
    """Whether the cell from coords[i] to coords[i + 1] lies on a bevel (outside the flat part)."""
    low, high = coords[i], coords[i + 1]
    return low >= inner - 1e-9 or high <= -inner + 1e-9


def _rounded_point(centre, radius, direction):
    return [centre[i] + radius * direction[i] for i in range(3)]


def _box_uv(half, p):
    """The UV the box's face facing most along p gives p (as the faces' grids do)."""
    axis = max(range(3), key=lambda i: abs(p[i]) / half[i])
    for n, u, v in _FACES:
        if n[axis] * p[axis] > 0:
            a = sum(p[i] * u[i] for i in range(3)) / sum(half[i] * abs(u[i]) for i in range(3))
            b = sum(p[i] * v[i] for i in range(3)) / sum(half[i] * abs(v[i]) for i in range(3))
            return ((a + 1) / 2.0, (1 - b) / 2.0)
    return (0.5, 0.5)


def _rounded_corner(mesh, half, inner, radius, signs, steps):
    """One corner's eighth of a sphere as a triangle grid of `steps` rows. Grid point (i, j, k),
    i + j + k = steps, points along (sin(i t), sin(j t), sin(k t)) with t = 90 degrees / steps,
    so the rims step by equal angles like the rounded edges they meet."""
    centre = [signs[a] * inner[a] for a in range(3)]
    step = math.pi / 2.0 / steps
    index = {}
    for i in range(steps + 1):
        for j in range(steps + 1 - i):
            w = (math.sin(i * step), math.sin(j * step), math.sin((steps - i - j) * step))
            length = math.sqrt(sum(c * c for c in w))
            d = [signs[a] * w[a] / length for a in range(3)]
            p = _rounded_point(centre, radius, d)
            index[i, j] = mesh.vertex(p, d, _box_uv(half, p))
    # Counter-clockwise seen from outside in the all-positive corner; a mirrored corner (an odd
    # count of negative signs) turns the other way.
    flip = signs[0] * signs[1] * signs[2] < 0
    for i in range(steps):
        for j in range(steps - i):
            tris = [(index[i, j], index[i + 1, j], index[i, j + 1])]
            if i + j + 1 < steps:
                tris.append((index[i + 1, j], index[i + 1, j + 1], index[i, j + 1]))
            for a, b, c in tris:
                mesh.triangle(*((a, c, b) if flip else (a, b, c)))


def _bevel_coords(half, radius, segments):
    """Positions along one face axis: the bevel's arc steps at both ends, the flat part between.
    Steps are spaced so the rounded surface gets equal angles."""
    inner = half - radius
    arc = [inner + radius * math.tan(math.radians(45.0 * k / segments)) for k in range(segments + 1)]
    return [-c for c in reversed(arc)] + arc if inner > 0 else [-c for c in reversed(arc)] + arc[1:]


def span_box(x0, x1, y0, y1, z0, z1):
    """A flat box between two corners."""
    return box(x1 - x0, y1 - y0, z1 - z0, ((x0 + x1) / 2, (y0 + y1) / 2, (z0 + z1) / 2))


def merged(*pieces):
    """One mesh of all the pieces."""
    mesh = MeshData()
    for piece in pieces:
        mesh.add(piece)
    return mesh


def sphere(radius, segments=24, rings=12):
    """A UV sphere around the origin; the poles are single-triangle fans."""
    mesh = MeshData()
    rows = []
    for r in range(rings + 1):
        theta = math.pi * r / rings
        row = []
        for s in range(segments + 1):
            phi = 2.0 * math.pi * s / segments
            n = (math.sin(theta) * math.sin(phi), math.cos(theta), math.sin(theta) * math.cos(phi))
            row.append(mesh.vertex([radius * c for c in n], n, (s / segments, r / rings)))
        rows.append(row)
    for r in range(rings):
        for s in range(segments):
            a, b, c, d = rows[r][s], rows[r + 1][s], rows[r + 1][s + 1], rows[r][s + 1]
            if r == 0:
                mesh.triangle(a, b, c)
            elif r == rings - 1:
                mesh.triangle(a, b, d)
            else:
                mesh.quad(a, b, c, d)
    return mesh


def cylinder(radius, height, segments=24, top_radius=None, caps=True):
    """A cylinder (or a cone frustum with top_radius) along +y from y = 0 to y = height."""
    top_radius = radius if top_radius is None else top_radius
    mesh = MeshData()
    slope = (radius - top_radius) / height
    sides = []
    for s in range(segments + 1):
        phi = 2.0 * math.pi * s / segments
        dx, dz = math.sin(phi), math.cos(phi)
        n = (dx, slope, dz)
        bottom = mesh.vertex((radius * dx, 0.0, radius * dz), n, (s / segments, 1.0))
        top = mesh.vertex((top_radius * dx, height, top_radius * dz), n, (s / segments, 0.0))
        sides.append((bottom, top))
    for s in range(segments):
        mesh.quad(sides[s][0], sides[s + 1][0], sides[s + 1][1], sides[s][1])
    if caps:
        for y, r, ny in ((0.0, radius, -1.0), (height, top_radius, 1.0)):
            if r <= 0.0:
                continue
            centre = mesh.vertex((0.0, y, 0.0), (0.0, ny, 0.0), (0.5, 0.5))
            rim = []
            for s in range(segments):
                phi = 2.0 * math.pi * s / segments
                rim.append(mesh.vertex((r * math.sin(phi), y, r * math.cos(phi)), (0.0, ny, 0.0),
                                       (0.5 + 0.5 * math.sin(phi), 0.5 + 0.5 * math.cos(phi))))
            for s in range(segments):
                a, b = rim[s], rim[(s + 1) % segments]
                mesh.triangle(centre, a, b) if ny > 0 else mesh.triangle(centre, b, a)
    return mesh


def torus(major, minor, segments=32, sides=12):
    """A ring in the xz plane around the y axis."""
    mesh = MeshData()
    grid = []
    for i in range(segments + 1):
        phi = 2.0 * math.pi * i / segments
        row = []
        for j in range(sides + 1):
            theta = 2.0 * math.pi * j / sides
            n = (math.cos(theta) * math.sin(phi), math.sin(theta), math.cos(theta) * math.cos(phi))
            centre = (major * math.sin(phi), 0.0, major * math.cos(phi))
            row.append(mesh.vertex([centre[k] + minor * n[k] for k in range(3)], n,
                                   (i / segments, j / sides)))
        grid.append(row)
    for i in range(segments):
        for j in range(sides):
            mesh.quad(grid[i][j], grid[i + 1][j], grid[i + 1][j + 1], grid[i][j + 1])
    return mesh
