"""The character's skeleton: bone names, parents and rest positions.

Positions are in the skeleton's own units, a 1.8 m tall person standing on z = 0 in Blender's axes (z up,
facing -y, the character's left towards +x); make_character.py scales and centres them. The left side is
written out and the right side mirrored from it, so both stay in step.
"""

import math

from mathutils import Vector

HEIGHT = 1.80
ARM_DROP = math.radians(50)  # rest pose: arms hang this far below horizontal (an A pose)

SHOULDER = Vector((0.18, 0.0, 1.43))  # where the left upper arm starts
UPPER_ARM = 0.29
FOREARM = 0.26
PALM = 0.09

# Finger name, offset across the palm (towards the thumb side, -y, is negative), bone lengths.
FINGERS = (
    ("Index", -0.026, (0.042, 0.038)),
    ("Middle", -0.009, (0.046, 0.042)),
    ("Ring", 0.009, (0.043, 0.038)),
    ("Pinky", 0.025, (0.034, 0.030)),
)
THUMB_LENGTHS = (0.040, 0.034)


class Bone:
    def __init__(self, name, parent, head, tail):
        self.name = name
        self.parent = parent
        self.head = Vector(head)
        self.tail = Vector(tail)

    def mirrored(self):
        return Bone(mirror_name(self.name), mirror_name(self.parent), mirror_point(self.head),
                    mirror_point(self.tail))


def mirror_name(name):
    if name is None or not name.startswith("Left"):
        return name
    return "Right" + name[len("Left"):]


def mirror_point(p):
    return Vector((-p.x, p.y, p.z))


def arm_direction():
    """Unit direction of the left arm in the rest pose: out to +x and down."""
    return Vector((math.cos(ARM_DROP), 0.0, -math.sin(ARM_DROP)))


def palm_axes():
    """(across, back) unit vectors of the left palm: across runs from thumb to pinky, back is the
    back of the hand. The palm faces the thigh, thumb forward, as arms hang at rest."""
    along = arm_direction()
    across = Vector((0.0, 1.0, 0.0))
    back = along.cross(across).normalized()
    return across, back


def _spine():
    chain = (("Hips", 0.98, 1.08), ("Spine", 1.08, 1.20), ("Spine1", 1.20, 1.32), ("Spine2", 1.32, 1.47),
             ("Neck", 1.47, 1.59), ("Head", 1.59, 1.80))
    bones, parent = [], None
    for name, bottom, top in chain:
        bones.append(Bone(name, parent, (0, 0, bottom), (0, 0, top)))
        parent = name
    return bones


def arm_joints():
    """(shoulder, elbow, wrist, knuckles) of the left arm at rest."""
    along = arm_direction()
    elbow = SHOULDER + along * UPPER_ARM
    wrist = elbow + along * FOREARM
    return SHOULDER.copy(), elbow, wrist, wrist + along * PALM


def _left_arm():
    shoulder, elbow, wrist, knuckles = arm_joints()
    along = arm_direction()
    bones = [
        Bone("LeftShoulder", "Spine2", (0.03, 0.0, 1.44), shoulder),
        Bone("LeftArm", "LeftShoulder", shoulder, elbow),
        Bone("LeftForeArm", "LeftArm", elbow, wrist),
        Bone("LeftHand", "LeftForeArm", wrist, knuckles),
    ]
    across, _ = palm_axes()
    for finger, offset, (first, second) in FINGERS:
        base = knuckles + across * offset
        middle = base + along * first
        bones.append(Bone("LeftHand%s1" % finger, "LeftHand", base, middle))
        bones.append(Bone("LeftHand%s2" % finger, "LeftHand%s1" % finger, middle, middle + along * second))
    thumb_base, thumb_direction = thumb_root()
    thumb_middle = thumb_base + thumb_direction * THUMB_LENGTHS[0]
    bones.append(Bone("LeftHandThumb1", "LeftHand", thumb_base, thumb_middle))
    bones.append(Bone("LeftHandThumb2", "LeftHandThumb1", thumb_middle,
                      thumb_middle + thumb_direction * THUMB_LENGTHS[1]))
    return bones


def thumb_root():
    """Where the left thumb leaves the palm and which way it points: forward and along the arm."""
    along = arm_direction()
    across, back = palm_axes()
    wrist = arm_joints()[2]
    base = wrist + along * 0.025 - across * 0.030 - back * 0.004
    return base, (along * 0.75 - across * 0.66).normalized()


def _left_leg():
    hip = Vector((0.09, 0.0, 0.95))
    knee = Vector((0.09, -0.012, 0.52))
    ankle = Vector((0.09, 0.02, 0.09))
    ball = Vector((0.09, -0.105, 0.025))
    toe = Vector((0.09, -0.175, 0.02))
    return [
        Bone("LeftUpLeg", "Hips", hip, knee),
        Bone("LeftLeg", "LeftUpLeg", knee, ankle),
        Bone("LeftFoot", "LeftLeg", ankle, ball),
        Bone("LeftToeBase", "LeftFoot", ball, toe),
    ]


def build_skeleton():
    """Every bone, parents before children."""
    left = _left_arm() + _left_leg()
    return _spine() + left + [bone.mirrored() for bone in left]
