"""The character's two meshes, in the skeleton's units: the body (torso, limbs, hands, shoes) and the head.

Shapes are cross-sections measured off a 1.8 m figure; each vertex is weighted to the bones of its limb,
handing over smoothly across each joint, so elbows and knees bend without creasing.
"""

import math

from mathutils import Vector

from . import layout
from .geometry import Part, chain_weights, globe, resample, smoothstep, tube
from .skeleton import FINGERS, THUMB_LENGTHS, arm_direction, arm_joints, palm_axes, thumb_root

X = Vector((1.0, 0.0, 0.0))
Y = Vector((0.0, 1.0, 0.0))
Z = Vector((0.0, 0.0, 1.0))

HEAD_CENTRE = Vector((0.0, -0.008, 1.682))  # the crown at 1.80
HEAD_RADII = (0.092, 0.106, 0.118)


def _limb(keys, bones, joint_keys, blend, spacing, v_range=(0.0, 1.0)):
    """Sections along a limb with chain weights; joint_keys are the indices of the keys at the joints."""
    sections, distances, key_distances = resample(keys, spacing)
    joints = [key_distances[k] for k in joint_keys]
    total = distances[-1]
    for section, distance in zip(sections, distances):
        section.weights = chain_weights(distance, bones, joints, blend)
        section.v = v_range[0] + (v_range[1] - v_range[0]) * distance / total
    return sections


def torso():
    """Crotch to neck in one tube; the top reaches into the head, the bottom is capped."""
    # Height, half-width, half-depth, forward shift of the centre (towards -y).
    profile = ((0.84, 0.100, 0.085, 0.000), (0.88, 0.150, 0.105, -0.005), (0.95, 0.175, 0.115, -0.010),
               (1.03, 0.165, 0.105, 0.000), (1.10, 0.150, 0.098, 0.005), (1.20, 0.158, 0.103, 0.012),
               (1.30, 0.172, 0.112, 0.018), (1.38, 0.186, 0.108, 0.012), (1.43, 0.188, 0.097, 0.005),
               (1.46, 0.160, 0.086, 0.000), (1.49, 0.110, 0.072, -0.003), (1.52, 0.066, 0.060, -0.006),
               (1.58, 0.058, 0.056, -0.010), (1.65, 0.055, 0.054, -0.015))
    keys = [(Vector((0.0, -forward, height)), half_width, half_depth)
            for height, half_width, half_depth, forward in profile]
    sections, distances, _ = resample(keys, 0.035)
    bottom, top = profile[0][0], profile[-1][0]
    spine = ("Hips", "Spine", "Spine1", "Spine2", "Neck", "Head")
    for section in sections:
        height = section.centre.z
        section.v = (top - height) / (top - bottom)  # the neck at the top of the texture rect
        section.weights = chain_weights(height, spine, (1.08, 1.20, 1.32, 1.47, 1.59),
                                        (0.08, 0.08, 0.08, 0.07, 0.05))
    part = tube(sections, side=X, seam=Y, rect=layout.TORSO, around=20, roundness=0.9, cap_start=True)
    # The top of the chest follows the collarbones a little, so shrugging moves the shoulder line.
    for bone, sign in (("LeftShoulder", 1.0), ("RightShoulder", -1.0)):
        part.blend_towards(bone, lambda p, sign=sign: 0.45 * smoothstep((sign * p.x - 0.10) / 0.08)
                           * smoothstep((p.z - 1.34) / 0.07))
    return part


def left_arm():
    """Shoulder (inside the torso) to wrist (inside the palm)."""
    shoulder, elbow, wrist, _ = arm_joints()
    along = arm_direction()
    keys = [(shoulder + Vector((-0.06, 0.0, 0.0)), 0.052, 0.052), (shoulder, 0.056, 0.054),
            (shoulder + along * 0.10, 0.056, 0.053), (elbow - along * 0.05, 0.046, 0.044), (elbow, 0.042, 0.041),
            (elbow + along * 0.08, 0.046, 0.043), (wrist, 0.033, 0.027), (wrist + along * 0.02, 0.032, 0.025)]
    sections = _limb(keys, ("LeftShoulder", "LeftArm", "LeftForeArm", "LeftHand"), (1, 4, 6),
                     (0.10, 0.09, 0.05), 0.035)
    _, back = palm_axes()
    return tube(sections, side=Y, seam=-back, rect=layout.ARM, around=12)


def left_hand():
    """Palm, four fingers of two bones each, and a thumb."""
    _, _, wrist, knuckles = arm_joints()
    along = arm_direction()
    across, back = palm_axes()
    keys = [(wrist - along * 0.01, 0.030, 0.020), (wrist + along * 0.03, 0.041, 0.018), (knuckles, 0.043, 0.015),
            (knuckles + along * 0.012, 0.037, 0.012)]
    sections = _limb(keys, ("LeftForeArm", "LeftHand"), (0,), (0.02,), 0.02)
    hand = tube(sections, side=across, seam=-back, rect=layout.SKIN, around=12, cap_end=True)
    for finger, offset, lengths in FINGERS:
        base = knuckles + across * offset
        hand.extend(_digit(base, along, lengths, 0.0095, "LeftHand" + finger))
    thumb_base, thumb_direction = thumb_root()
    hand.extend(_digit(thumb_base, thumb_direction, THUMB_LENGTHS, 0.011, "LeftHandThumb"))
    return hand


def _digit(base, direction, lengths, radius, bone_prefix):
    middle = base + direction * lengths[0]
    tip = middle + direction * lengths[1]
    keys = [(base - direction * 0.012, radius, radius * 0.9), (base, radius, radius * 0.9),
            (middle, radius * 0.92, radius * 0.85), (tip - direction * 0.004, radius * 0.8, radius * 0.75)]
    sections = _limb(keys, ("LeftHand", bone_prefix + "1", bone_prefix + "2"), (1, 2), (0.012, 0.014), 0.012)
    _, back = palm_axes()
    return tube(sections, side=Y, seam=-back, rect=layout.SKIN, around=8, cap_end=True)


def left_leg():
    """Hip (inside the torso) to ankle (inside the shoe)."""
    keys = [(Vector((0.09, 0.0, 1.00)), 0.090, 0.088), (Vector((0.09, 0.0, 0.95)), 0.092, 0.090),
            (Vector((0.09, -0.005, 0.80)), 0.085, 0.080), (Vector((0.09, -0.010, 0.60)), 0.062, 0.058),
            (Vector((0.09, -0.012, 0.52)), 0.055, 0.052), (Vector((0.09, 0.0, 0.40)), 0.062, 0.058),
            (Vector((0.09, 0.015, 0.20)), 0.045, 0.042), (Vector((0.09, 0.02, 0.09)), 0.040, 0.036),
            (Vector((0.09, 0.02, 0.06)), 0.038, 0.034)]
    sections = _limb(keys, ("Hips", "LeftUpLeg", "LeftLeg", "LeftFoot"), (1, 4, 7), (0.12, 0.10, 0.06), 0.04)
    return tube(sections, side=Y, seam=-X, rect=layout.LEG, around=14)


def left_shoe():
    """Heel to toe, squared off, the sole flat on the ground."""
    keys = [(Vector((0.09, 0.075, 0.052)), 0.036, 0.045), (Vector((0.09, 0.05, 0.056)), 0.045, 0.054),
            (Vector((0.09, 0.0, 0.052)), 0.049, 0.050), (Vector((0.09, -0.06, 0.042)), 0.054, 0.040),
            (Vector((0.09, -0.105, 0.036)), 0.055, 0.034), (Vector((0.09, -0.15, 0.031)), 0.050, 0.029),
            (Vector((0.09, -0.185, 0.029)), 0.036, 0.022)]
    sections = _limb(keys, ("LeftFoot", "LeftToeBase"), (4,), (0.04,), 0.025)
    return tube(sections, side=X, seam=-Z, rect=layout.SHOE, around=14, roundness=0.55, cap_start=True,
                cap_end=True)


def body_mesh():
    left = Part()
    for part in (left_arm(), left_hand(), left_leg(), left_shoe()):
        left.extend(part)
    body = torso()
    body.extend(left)
    body.extend(left.mirrored())
    return body


def _nose(longitude, colatitude):
    """Raises the head's surface at the nose and, a little, at the chin."""
    def bump(centre, width, height):
        distance = math.hypot(longitude - centre[0], colatitude - centre[1])
        return height * math.exp(-(distance / width) ** 2)
    return 1.0 + bump(layout.NOSE, 0.16, 0.16) + bump((0.0, 2.45), 0.30, 0.05)


def _head_weights(position):
    """The head follows the Head bone; its underside blends into the neck."""
    neck_share = 0.5 * (1.0 - smoothstep((position.z - 1.58) / 0.05))
    return {"Head": 1.0 - neck_share, "Neck": neck_share} if neck_share > 0.0 else {"Head": 1.0}


def head_mesh():
    head = globe(HEAD_CENTRE, HEAD_RADII, 32, 18, layout.HEAD, _head_weights, bump=_nose)
    for side in (1.0, -1.0):
        ear = globe(HEAD_CENTRE + Vector((side * 0.090, 0.012, -0.01)), (0.018, 0.028, 0.042), 10, 6,
                    layout.SKIN, lambda p: {"Head": 1.0})
        head.extend(ear)
    return head
