"""A small glTF 2.0 writer for the model generators: meshes of indexed triangles, metallic-roughness
materials with optional image textures, a node tree, one scene; saved as ".gltf" with a ".bin"
beside it or as one binary ".glb".

Every primitive carries POSITION, NORMAL, TEXCOORD_0 and 16- or 32-bit indices and has a material,
the subset the player's loader reads. Accessors are tightly packed, one buffer view each, with
the bounds the format asks for on positions. The output bytes depend only on the calls made."""

import json
import math
import os
import struct

FLOAT, UNSIGNED_SHORT, UNSIGNED_INT = 5126, 5123, 5125
ARRAY_BUFFER, ELEMENT_ARRAY_BUFFER = 34962, 34963


def f32(v):
    """v rounded to single precision, as the file stores it."""
    return struct.unpack("<f", struct.pack("<f", v))[0]


class MeshData:
    """Vertex streams and a triangle index list; parts are appended with add()."""

    def __init__(self):
        self.positions, self.normals, self.uvs, self.indices = [], [], [], []

    def vertex(self, position, normal, uv=(0.0, 0.0)):
        length = math.sqrt(sum(c * c for c in normal)) or 1.0
        self.positions.append(tuple(position))
        self.normals.append(tuple(c / length for c in normal))
        self.uvs.append(tuple(uv))
        return len(self.positions) - 1

    def triangle(self, a, b, c):
        self.indices.extend((a, b, c))

    def quad(self, a, b, c, d):
        """Two triangles a-b-c and a-c-d (counter-clockwise seen from the front)."""
        self.indices.extend((a, b, c, a, c, d))

    def add(self, other, matrix=None):
        """Appends another mesh, optionally moved by a 4 x 4 row-major affine matrix."""
        base = len(self.positions)
        for p, n, uv in zip(other.positions, other.normals, other.uvs):
            if matrix is not None:
                p, n = transform_point(matrix, p), transform_normal(matrix, n)
            self.vertex(p, n, uv)
        self.indices.extend(base + i for i in other.indices)
        return self


def transform_point(m, p):
    return tuple(m[r][0] * p[0] + m[r][1] * p[1] + m[r][2] * p[2] + m[r][3] for r in range(3))


def transform_normal(m, n):
    """Normal through the inverse transpose of the upper 3 x 3 (by cofactors)."""
    a = [row[:3] for row in m[:3]]
    cof = [[a[(r + 1) % 3][(c + 1) % 3] * a[(r + 2) % 3][(c + 2) % 3]
            - a[(r + 1) % 3][(c + 2) % 3] * a[(r + 2) % 3][(c + 1) % 3] for c in range(3)]
           for r in range(3)]
    return tuple(sum(cof[r][c] * n[c] for c in range(3)) for r in range(3))


class Gltf:
    def __init__(self, generator="vorantil data tools"):
        self.doc = {"asset": {"version": "2.0", "generator": generator},
                    "scene": 0, "scenes": [{"nodes": []}], "nodes": [], "meshes": [],
                    "materials": [], "accessors": [], "bufferViews": []}
        self.blob = bytearray()

    # -- binary data
    def _view(self, data, target):
        while len(self.blob) % 4:
            self.blob.append(0)
        self.doc["bufferViews"].append({"buffer": 0, "byteOffset": len(self.blob),
                                        "byteLength": len(data), "target": target})
        self.blob += data
        return len(self.doc["bufferViews"]) - 1

    def _float_accessor(self, rows, kind, bounds=False):
        width = len(rows[0])
        data = struct.pack("<%df" % (len(rows) * width), *[c for row in rows for c in row])
        accessor = {"bufferView": self._view(data, ARRAY_BUFFER), "componentType": FLOAT,
                    "count": len(rows), "type": kind}
        if bounds:
            accessor["min"] = [min(f32(r[i]) for r in rows) for i in range(width)]
            accessor["max"] = [max(f32(r[i]) for r in rows) for i in range(width)]
        self.doc["accessors"].append(accessor)
        return len(self.doc["accessors"]) - 1

    def _index_accessor(self, indices, vertex_count):
        wide = vertex_count > 65535
        data = struct.pack("<%d%s" % (len(indices), "I" if wide else "H"), *indices)
        self.doc["accessors"].append({
            "bufferView": self._view(data, ELEMENT_ARRAY_BUFFER),
            "componentType": UNSIGNED_INT if wide else UNSIGNED_SHORT,
            "count": len(indices), "type": "SCALAR"})
        return len(self.doc["accessors"]) - 1

    # -- records
    def material(self, name, base_color=(1, 1, 1, 1), metallic=0.0, roughness=0.5,
                 emissive=(0, 0, 0), base_color_texture=None, metallic_roughness_texture=None,
                 emissive_texture=None, double_sided=False):
        """A metallic-roughness material; texture arguments are image URIs beside the file."""
        pbr = {"baseColorFactor": [float(c) for c in base_color],
               "metallicFactor": float(metallic), "roughnessFactor": float(roughness)}
        if base_color_texture:
            pbr["baseColorTexture"] = {"index": self._texture(base_color_texture)}
        if metallic_roughness_texture:
            pbr["metallicRoughnessTexture"] = {"index": self._texture(metallic_roughness_texture)}
        material = {"name": name, "pbrMetallicRoughness": pbr}
        if any(emissive) or emissive_texture:
            material["emissiveFactor"] = [float(c) for c in emissive]
        if emissive_texture:
            material["emissiveTexture"] = {"index": self._texture(emissive_texture)}
        if double_sided:
            material["doubleSided"] = True
        self.doc["materials"].append(material)
        return len(self.doc["materials"]) - 1

    def _texture(self, uri):
        images = self.doc.setdefault("images", [])
        textures = self.doc.setdefault("textures", [])
        if not self.doc.get("samplers"):
            self.doc["samplers"] = [{"magFilter": 9729, "minFilter": 9987,
                                     "wrapS": 10497, "wrapT": 10497}]
        mime = "image/png" if uri.endswith(".png") else "image/jpeg"
        images.append({"uri": uri, "mimeType": mime})
        textures.append({"sampler": 0, "source": len(images) - 1})
        return len(textures) - 1

    def mesh(self, name, parts):
        """A mesh of one primitive per (MeshData, material index) pair."""
        primitives = []
        for data, material in parts:
            if not data.indices:
                raise ValueError("mesh %s has a part without triangles" % name)
            primitives.append({
                "attributes": {
                    "POSITION": self._float_accessor(data.positions, "VEC3", bounds=True),
                    "NORMAL": self._float_accessor(data.normals, "VEC3"),
                    "TEXCOORD_0": self._float_accessor(data.uvs, "VEC2")},
                "indices": self._index_accessor(data.indices, len(data.positions)),
                "material": material, "mode": 4})
        self.doc["meshes"].append({"name": name, "primitives": primitives})
        return len(self.doc["meshes"]) - 1

    def node(self, name, mesh=None, translation=None, rotation=None, scale=None, parent=None):
        """A node under parent (a node index) or at the scene root; rotation is a quaternion
        (x, y, z, w)."""
        node = {"name": name}
        if mesh is not None:
            node["mesh"] = mesh
        for key, value in (("translation", translation), ("rotation", rotation),
                           ("scale", scale)):
            if value is not None:
                node[key] = [float(c) for c in value]
        self.doc["nodes"].append(node)
        index = len(self.doc["nodes"]) - 1
        if parent is None:
            self.doc["scenes"][0]["nodes"].append(index)
        else:
            self.doc["nodes"][parent].setdefault("children", []).append(index)
        return index

    def part(self, name, parts, parent=None, **transform):
        """A node named name holding a mesh of the same name made of (MeshData, material) parts."""
        return self.node(name, self.mesh(name, parts), parent=parent, **transform)

    # -- output
    def _json(self, uri):
        doc = dict(self.doc)
        while len(self.blob) % 4:
            self.blob.append(0)
        doc["buffers"] = [{"byteLength": len(self.blob)}]
        if uri:
            doc["buffers"][0]["uri"] = uri
        return doc

    def write_gltf(self, path):
        """path.gltf and path's stem + ".bin" beside it."""
        os.makedirs(os.path.dirname(path), exist_ok=True)
        bin_name = os.path.splitext(os.path.basename(path))[0] + ".bin"
        doc = self._json(bin_name)
        with open(os.path.join(os.path.dirname(path), bin_name), "wb") as out:
            out.write(bytes(self.blob))
        with open(path, "w") as out:
            json.dump(doc, out, indent=1, sort_keys=True)
            out.write("\n")

    def write_glb(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        text = json.dumps(self._json(None), separators=(",", ":"), sort_keys=True).encode()
        text += b" " * (-len(text) % 4)
        body = bytes(self.blob)
        total = 12 + 8 + len(text) + 8 + len(body)
        with open(path, "wb") as out:
            out.write(struct.pack("<4sII", b"glTF", 2, total))
            out.write(struct.pack("<I4s", len(text), b"JSON") + text)
            out.write(struct.pack("<I4s", len(body), b"BIN\0") + body)


def generate(path, build, script):
    """Writes the model build(Gltf) fills to path (".gltf" or ".glb") unless path is newer than
    the generator script and the shared modules."""
    from imagewriters import up_to_date
    here = os.path.dirname(os.path.abspath(__file__))
    sources = [os.path.abspath(script)] + [os.path.join(here, n) for n in
                                           ("gltfwriter.py", "meshshapes.py")]
    if up_to_date([path], sources):
        return
    gltf = Gltf()
    build(gltf)
    if path.endswith(".glb"):
        gltf.write_glb(path)
    else:
        gltf.write_gltf(path)


def quaternion(axis, degrees):
    """Unit quaternion (x, y, z, w) of a rotation about an axis."""
    length = math.sqrt(sum(c * c for c in axis))
    half = math.radians(degrees) / 2.0
    s = math.sin(half) / length
    return (axis[0] * s, axis[1] * s, axis[2] * s, math.cos(half))
