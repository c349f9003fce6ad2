"""Building blocks of the character's surface: a part (vertices with bone weights, faces with texture
coordinates), tubes swept along a path of cross-sections, and ellipsoid globes.

Faces are wound so their normals point out of the part (counter-clockwise seen from outside, Blender's
rule); each face is checked against a point inside it rather than trusting the construction order.
"""

import math

from mathutils import Vector

from . import layout
from .skeleton import mirror_name


def smoothstep(t):
    t = min(1.0, max(0.0, t))
    return t * t * (3.0 - 2.0 * t)


class Part:
    """Vertices with bone weights, and faces whose corners carry image-space texture coordinates."""

    def __init__(self):
        self.positions = []
        self.weights = []  # one {bone name: weight} per vertex
        self.faces = []    # vertex index tuples
        self.face_uvs = []  # per face, one (u, v) image-space pair per corner

    def add_vertex(self, position, weights):
        self.positions.append(Vector(position))
        self.weights.append(dict(weights))
        return len(self.positions) - 1

    def add_face(self, corners, uvs, inside):
        """Adds a face, reversing it if its normal would point towards the given inside point."""
        points = [self.positions[i] for i in corners]
        normal = (points[1] - points[0]).cross(points[2] - points[0])
        if len(points) == 4:
            normal += (points[2] - points[0]).cross(points[3] - points[0])
        centre = sum(points, Vector()) / len(points)
        if normal.dot(centre - inside) < 0:
            corners, uvs = tuple(reversed(corners)), tuple(reversed(uvs))
        self.faces.append(tuple(corners))
        self.face_uvs.append(tuple(uvs))

    def extend(self, other):
        base = len(self.positions)
        self.positions += [p.copy() for p in other.positions]
        self.weights += [dict(w) for w in other.weights]
        self.faces += [tuple(i + base for i in face) for face in other.faces]
        self.face_uvs += list(other.face_uvs)

    def mirrored(self):
        """The same part on the character's other side: x negated, Left and Right bones swapped."""
        image = Part()
        image.positions = [Vector((-p.x, p.y, p.z)) for p in self.positions]
        image.weights = [{mirror_name(b): w for b, w in weights.items()} for weights in self.weights]
        # Mirroring turns the winding inside out; reversing each face turns it back.
        image.faces = [tuple(reversed(face)) for face in self.faces]
        image.face_uvs = [tuple(reversed(uvs)) for uvs in self.face_uvs]
        return image

    def blend_towards(self, bone, share_of_vertex):
        """Moves share_of_vertex(position) of each vertex's weight onto bone, keeping the sum at 1."""
        for position, weights in zip(self.positions, self.weights):
            share = share_of_vertex(position)
            if share <= 0.0:
                continue
            for name in weights:
                weights[name] *= 1.0 - share
            weights[bone] = weights.get(bone, 0.0) + share


class Section:
    """One cross-section of a tube: an ellipse (or rounded box) around a centre."""

    def __init__(self, centre, across, through, v=0.0, weights=None):
        self.centre = Vector(centre)
        self.across = across    # half-width along the tube's side direction
        self.through = through  # half-width along the third direction
        self.v = v              # down-the-part texture coordinate, 0 at the part's top
        self.weights = weights or {}


def chain_weights(distance, bones, joints, blend):
    """Weights along a limb: one bone between joints, a smooth hand-over across each joint.

    bones has one more entry than joints (the distances of the joints along the limb); within blend/2 of a
    joint the weight passes from the bone before it to the bone after it.
    """
    for index, joint in enumerate(joints):
        start = joint - blend[index] / 2
        if distance < start:
            return {bones[index]: 1.0}
        if distance <= joint + blend[index] / 2:
            t = smoothstep((distance - start) / blend[index])
            return {bones[index]: 1.0 - t, bones[index + 1]: t}
    return {bones[-1]: 1.0}


def resample(keys, spacing):
    """Sections every `spacing` along a path of key sections, radii eased between keys.

    keys are (centre, across, through) triples. Returns (sections, distance of each section along the
    path, distance of each key).
    """
    sections, distances, key_distances = [], [], [0.0]
    travelled = 0.0
    for (a, a_across, a_through), (b, b_across, b_through) in zip(keys, keys[1:]):
        a, b = Vector(a), Vector(b)
        length = (b - a).length
        steps = max(1, round(length / spacing))
        for step in range(steps):
            t = step / steps
            ease = 0.5 - 0.5 * math.cos(math.pi * t)
            sections.append(Section(a.lerp(b, t), a_across + (b_across - a_across) * ease,
                                    a_through + (b_through - a_through) * ease))
            distances.append(travelled + length * t)
        travelled += length
        key_distances.append(travelled)
    centre, across, through = keys[-1]
    sections.append(Section(centre, across, through))
    distances.append(travelled)
    return sections, distances, key_distances


def tube(sections, side, seam, rect, around, roundness=1.0, cap_start=False, cap_end=False):
    """Sweeps rings of `around` vertices through the sections.

    side: the direction the sections' `across` half-width points along; seam: the direction where the
    texture wraps (u = 0 and 1). roundness below 1 squares the rings off (a shoe). Texture u runs round
    the ring from the seam, v is each section's own v, both within rect.
    """
    part = Part()
    rings = []
    for index, section in enumerate(sections):
        before = sections[max(0, index - 1)].centre
        after = sections[min(len(sections) - 1, index + 1)].centre
        tangent = (after - before).normalized()
        side_axis = (side - tangent * side.dot(tangent)).normalized()
        third_axis = tangent.cross(side_axis)
        start = math.atan2(seam.dot(third_axis), seam.dot(side_axis))
        ring = []
        for k in range(around):
            angle = start + 2.0 * math.pi * k / around
            c, s = math.cos(angle), math.sin(angle)
            c = math.copysign(abs(c) ** roundness, c)
            s = math.copysign(abs(s) ** roundness, s)
            offset = side_axis * (section.across * c) + third_axis * (section.through * s)
            ring.append(part.add_vertex(section.centre + offset, section.weights))
        rings.append(ring)

    def uv(k, v):
        return layout.rect_point(rect, k / around, v)

    for index in range(len(sections) - 1):
        inside = (sections[index].centre + sections[index + 1].centre) / 2
        v0, v1 = sections[index].v, sections[index + 1].v
        for k in range(around):
            k1 = (k + 1) % around
            part.add_face((rings[index][k], rings[index][k1], rings[index + 1][k1], rings[index + 1][k]),
                          (uv(k, v0), uv(k + 1, v0), uv(k + 1, v1), uv(k, v1)), inside)
    if cap_start:
        _cap(part, rings[0], sections[0], sections[1].centre, rect)
    if cap_end:
        _cap(part, rings[-1], sections[-1], sections[-2].centre, rect)
    return part


def _cap(part, ring, section, towards_inside, rect):
    """Closes a tube end with a fan; the whole cap takes the texture at the section's v."""
    centre = part.add_vertex(section.centre, section.weights)
    inside = section.centre + (towards_inside - section.centre) * 0.5
    texel = layout.rect_point(rect, 0.5, section.v)
    for k in range(len(ring)):
        part.add_face((centre, ring[k], ring[(k + 1) % len(ring)]), (texel, texel, texel), inside)


def globe(centre, radii, longitudes, latitudes, rect, weights_of, bump=None):
    """An ellipsoid mapped like a globe onto rect (see layout.head_point for the mapping).

    radii: half-widths along x, y and z. Longitude 0 faces -y (the character's front) and grows towards
    +x (its left); colatitude 0 is the top. weights_of(position) gives each vertex's weights;
    bump(longitude, colatitude) scales the radius there (a nose).
    """
    part = Part()
    centre = Vector(centre)

    def point(longitude, colatitude):
        scale = bump(longitude, colatitude) if bump else 1.0
        direction = Vector((math.sin(colatitude) * math.sin(longitude), -math.sin(colatitude) * math.cos(longitude),
                            math.cos(colatitude)))
        return centre + Vector((direction.x * radii[0], direction.y * radii[1], direction.z * radii[2])) * scale

    def uv(k, row):
        return layout.rect_point(rect, k / longitudes, row / latitudes)

    def longitude(k):
        return -math.pi + 2.0 * math.pi * k / longitudes  # the seam at the back

    rings = []
    for row in range(1, latitudes):
        colatitude = math.pi * row / latitudes
        rings.append([part.add_vertex(p, weights_of(p))
                      for p in (point(longitude(k), colatitude) for k in range(longitudes))])
    top = part.add_vertex(point(0.0, 0.0), weights_of(point(0.0, 0.0)))
    bottom = part.add_vertex(point(0.0, math.pi), weights_of(point(0.0, math.pi)))
    for k in range(longitudes):
        k1 = (k + 1) % longitudes
        part.add_face((top, rings[0][k], rings[0][k1]), (uv(k + 0.5, 0), uv(k, 1), uv(k + 1, 1)), centre)
        for row in range(len(rings) - 1):
            part.add_face((rings[row][k], rings[row][k1], rings[row + 1][k1], rings[row + 1][k]),
                          (uv(k, row + 1), uv(k + 1, row + 1), uv(k + 1, row + 2), uv(k, row + 2)), centre)
        last = len(rings)
        part.add_face((bottom, rings[-1][k1], rings[-1][k]),
                      (uv(k + 0.5, last + 1), uv(k + 1, last), uv(k, last)), centre)
    return part
