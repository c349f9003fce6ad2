#!/usr/bin/env python3
"""Writes the viewer test's glTF models into the folder given: standing.gltf (a rigid and a skinned bar
modelled along Z, stood up by the root node's rotation, coloured only per vertex), morph.gltf (a quad with
two morph targets and two animations of them) and materials.gltf (a row of quads: factor x texture on the second UV set,
double-sided, mask, blend over opaque, and repeat, clamp and mirror wrapping), whose textures are files
with a non-ASCII name."""
import json, struct, sys, zlib
from pathlib import Path

FLOAT, UBYTE, USHORT = 5126, 5121, 5123
REPEAT, CLAMP, MIRROR = 10497, 33071, 33648


def png(width, height, rgba):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    rows = b"".join(b"\0" + bytes(rgba[y * width * 4:(y + 1) * width * 4]) for y in range(height))
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b"")


class Gltf:
    def __init__(self):
        self.doc = {"asset": {"version": "2.0"}, "buffers": [], "bufferViews": [], "accessors": [], "meshes": [],
                    "nodes": [], "materials": [], "scenes": [{"nodes": [0]}], "scene": 0}
        self.data = bytearray()

    def accessor(self, kind, component, values, count, minmax=False):
        fmt = {FLOAT: "f", UBYTE: "B", USHORT: "H"}[component]
        raw = struct.pack("<%d%s" % (len(values), fmt), *values)
        while len(self.data) % 4:
            self.data.append(0)
        self.doc["bufferViews"].append({"buffer": 0, "byteOffset": len(self.data), "byteLength": len(raw)})
        self.data += raw
        acc = {"bufferView": len(self.doc["bufferViews"]) - 1, "componentType": component, "count": count, "type": kind}
        if minmax:
            acc["min"] = [min(values[i::3]) for i in range(3)]
            acc["max"] = [max(values[i::3]) for i in range(3)]
        self.doc["accessors"].append(acc)
        return len(self.doc["accessors"]) - 1

    def mesh(self, positions, normals, indices, material=None, extra=None, targets=None):
        attributes = {"POSITION": self.accessor("VEC3", FLOAT, positions, len(positions) // 3, True),
                      "NORMAL": self.accessor("VEC3", FLOAT, normals, len(normals) // 3)}
        for name, (kind, component, values) in (extra or {}).items():
            attributes[name] = self.accessor(kind, component, values, len(positions) // 3)
        primitive = {"attributes": attributes, "indices": self.accessor("SCALAR", USHORT, indices, len(indices))}
        if material is not None:
            primitive["material"] = material
        if targets:
            primitive["targets"] = [{"POSITION": self.accessor("VEC3", FLOAT, t, len(t) // 3, True)} for t in targets]
        self.doc["meshes"].append({"primitives": [primitive]})
        return len(self.doc["meshes"]) - 1

    def node(self, **fields):
        self.doc["nodes"].append(fields)
        return len(self.doc["nodes"]) - 1

    def write(self, folder, name):
        self.doc["buffers"].append({"uri": name + ".bin", "byteLength": len(self.data)})
        (folder / (name + ".bin")).write_bytes(bytes(self.data))
        (folder / (name + ".gltf")).write_text(json.dumps(self.doc, ensure_ascii=False), encoding="utf-8")


def quad(x, y, z, size=1.0, facing=1.0):
    """A square in the XY plane centred on (x, y, z), facing +Z (or -Z when facing is -1): positions,
    normals, the corners' (u, v) as fractions of the square, and the indices."""
    h = size / 2
    corners = [(x - h, y - h), (x + h, y - h), (x + h, y + h), (x - h, y + h)]
    positions = [c for (px, py) in corners for c in (px, py, z)]
    normals = [0.0, 0.0, facing] * 4
    fractions = [(0, 1), (1, 1), (1, 0), (0, 0)]
    indices = [0, 1, 2, 0, 2, 3] if facing > 0 else [0, 2, 1, 0, 3, 2]
    return positions, normals, fractions, indices


def bar(x, length=3.0, width=0.4):
    """A box along +Z from 0 to length, centred on (x, 0) across: 24 vertices with face normals."""
    h = width / 2
    positions, normals, indices = [], [], []
    faces = [((0, 0, 1), [(x - h, -h, length), (x + h, -h, length), (x + h, h, length), (x - h, h, length)]),
             ((0, 0, -1), [(x - h, -h, 0), (x - h, h, 0), (x + h, h, 0), (x + h, -h, 0)]),
             ((1, 0, 0), [(x + h, -h, 0), (x + h, h, 0), (x + h, h, length), (x + h, -h, length)]),
             ((-1, 0, 0), [(x - h, -h, 0), (x - h, -h, length), (x - h, h, length), (x - h, h, 0)]),
             ((0, 1, 0), [(x - h, h, 0), (x - h, h, length), (x + h, h, length), (x + h, h, 0)]),
             ((0, -1, 0), [(x - h, -h, 0), (x + h, -h, 0), (x + h, -h, length), (x - h, -h, length)])]
    for normal, corners in faces:
        base = len(positions) // 3
        for corner in corners:
            positions += corner
            normals += normal
        indices += [base, base + 1, base + 2, base, base + 2, base + 3]
    return positions, normals, indices


def standing(folder):
    g = Gltf()
    red = ("VEC4", FLOAT, [1.0, 0.0, 0.0, 1.0] * 24)
    rigid = g.mesh(*bar(-1.0), extra={"COLOR_0": red})
    p, n, i = bar(1.0)
    skinned = g.mesh(p, n, i, extra={"COLOR_0": red, "JOINTS_0": ("VEC4", UBYTE, [0, 0, 0, 0] * 24),
                                     "WEIGHTS_0": ("VEC4", FLOAT, [1.0, 0.0, 0.0, 0.0] * 24)})
    # -90 degrees about X: the bars' +Z becomes +Y.
    g.node(name="root", rotation=[-0.70710678, 0.0, 0.0, 0.70710678], children=[1, 2, 3])
    g.node(name="rigid", mesh=rigid)
    g.node(name="joint")
    g.node(name="skinned", mesh=skinned, skin=0)
    g.doc["skins"] = [{"joints": [2], "inverseBindMatrices": g.accessor("MAT4", FLOAT, [1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0, 0, 0, 0, 0, 1.0], 1)}]
    g.write(folder, "standing")


def morph(folder):
    g = Gltf()
    p, n, _, i = quad(0.0, 0.0, 0.0, 2.0)
    up = [0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 1.5, 0.0, 0.0, 1.5, 0.0]       # the top edge rises
    right = [0.0, 0.0, 0.0, 1.5, 0.0, 0.0, 1.5, 0.0, 0.0, 0.0, 0.0, 0.0]    # the right edge moves out
    mesh = g.mesh(p, n, i, targets=[up, right])
    g.doc["meshes"][mesh]["weights"] = [0.0, 0.0]
    g.node(name="morphing", mesh=mesh)
    times = g.accessor("SCALAR", FLOAT, [0.0, 1.0, 2.0], 3)
    g.doc["accessors"][times].update({"min": [0.0], "max": [2.0]})
    weights = g.accessor("SCALAR", FLOAT, [0.0, 0.0, 1.0, 0.0, 0.0, 1.0], 6)
    short = g.accessor("SCALAR", FLOAT, [0.0, 1.0], 2)
    g.doc["accessors"][short].update({"min": [0.0], "max": [1.0]})
    both = g.accessor("SCALAR", FLOAT, [0.0, 0.0, 1.0, 1.0], 4)
    g.doc["animations"] = [{"name": name, "samplers": [{"input": keys, "output": values}],
                            "channels": [{"sampler": 0, "target": {"node": 0, "path": "weights"}}]}
                           for name, keys, values in (("Grow", times, weights), ("Both", short, both))]
    g.write(folder, "morph")


def materials(folder):
    g = Gltf()
    black_white = [0, 0, 0, 255] * 4 + [255, 255, 255, 255] * 4    # 8 x 1: left half black, right half white
    half_alpha = [255, 255, 255, 0] * 4 + [255, 255, 255, 255] * 4  # left half transparent
    (folder / "tëxture.png").write_bytes(png(8, 1, black_white))
    (folder / "mäsk.png").write_bytes(png(8, 1, half_alpha))
    g.doc["images"] = [{"uri": "tëxture.png"}, {"uri": "mäsk.png"}]
    g.doc["samplers"] = [{"wrapS": mode, "wrapT": REPEAT} for mode in (REPEAT, CLAMP, MIRROR)]
    g.doc["textures"] = [{"source": 0, "sampler": 0}, {"source": 1, "sampler": 0},
                         {"source": 0, "sampler": 1}, {"source": 0, "sampler": 2}]

    def material(factor, texture=None, tex_coord=0, **fields):
        pbr = {"baseColorFactor": factor, "metallicFactor": 0.0}
        if texture is not None:
            pbr["baseColorTexture"] = {"index": texture, "texCoord": tex_coord}
        g.doc["materials"].append(dict(pbrMetallicRoughness=pbr, **fields))
        return len(g.doc["materials"]) - 1

    def uvs(fractions, u0, u1):
        return [c for (fu, fv) in fractions for c in (u0 + fu * (u1 - u0), fv)]

    nodes = []
    def place(x, mat, u0=0.0, u1=1.0, facing=1.0, z=0.0, second=None):
        p, n, f, i = quad(x, 0.0, z, 1.0, facing)
        extra = {"TEXCOORD_0": ("VEC2", FLOAT, uvs(f, u0, u1))}
        if second is not None:
            extra["TEXCOORD_1"] = ("VEC2", FLOAT, uvs(f, *second))
        nodes.append(g.node(mesh=g.mesh(p, n, i, mat, extra)))

    # Green: white texels (of the second UV set; the first would sample black) x a green factor.
    place(0.0, material([0, 1, 0, 1], 0, tex_coord=1), 0.1, 0.4, second=(0.6, 0.9))
    # Yellow, turned away from the camera: only a double-sided material shows it.
    place(1.5, material([1, 1, 0, 1], doubleSided=True), facing=-1.0)
    # Magenta with its left half below the cutoff.
    place(3.0, material([1, 0, 1, 1], 1, alphaMode="MASK", alphaCutoff=0.5))
    # Half-transparent blue over opaque red: purple.
    place(4.5, material([1, 0, 0, 1]), z=-0.3)
    place(4.5, material([0, 0, 1, 0.5], alphaMode="BLEND"))
    # u from 0.75 to 1.75 over black | white: repeat shows half white, clamp all, mirror three quarters.
    for k, texture in enumerate((0, 2, 3)):
        place(6.0 + 1.5 * k, material([1, 1, 1, 1], texture), 0.75, 1.75)
    g.node(name="row", children=nodes)
    g.doc["scenes"] = [{"nodes": [len(g.doc["nodes"]) - 1]}]
    g.write(folder, "materials")


if __name__ == "__main__":
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    standing(out)
    morph(out)
    materials(out)
