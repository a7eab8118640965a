"""Simple solids for the model generators, as gltfwriter.MeshData: boxes (flat and rounded),
spheres, cylinders and cones, tori, and 4 x 4 matrices to place them. Triangles are wound
counter-clockwise seen from outside; normals are unit length."""

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


def rounded_box(sx, sy, sz, radius, segments=3):
    """A box whose edges and corners are rounded with the given radius; smooth normals."""
    mesh = MeshData()
    half = (sx / 2.0, sy / 2.0, sz / 2.0)
    inner = tuple(h - radius for h in half)
    for n, u, v in _FACES:
        axis_u = [i for i in range(3) if u[i]][0]
        axis_v = [i for i in range(3) if v[i]][0]
        coords_u = _bevel_coords(half[axis_u], radius, segments)
        coords_v = _bevel_coords(half[axis_v], radius, segments)
        grid = []
        for b in coords_v:
            row = []
            for a in coords_u:
                p = [half[i] * n[i] + a * u[i] + b * v[i] for i in range(3)]
                q = [max(-inner[i], min(inner[i], p[i])) for i in range(3)]
                d = [p[i] - q[i] for i in range(3)]
                length = math.sqrt(sum(c * c for c in d))
                d = [c / length for c in d]
                position = [q[i] + radius * d[i] for i in range(3)]
                uv = ((a / half[axis_u] + 1) / 2.0, (1 - b / half[axis_v]) / 2.0)
                row.append(mesh.vertex(position, d, uv))
            grid.append(row)
        for j in range(len(grid) - 1):
            for i in range(len(grid[0]) - 1):
                mesh.quad(grid[j][i], grid[j][i + 1], grid[j + 1][i + 1], grid[j + 1][i])
    return mesh


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
