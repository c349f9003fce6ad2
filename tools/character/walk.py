"""The walk cycle: for each moment of the loop, a turn per bone and the lift of the hips.

Turns are written in the armature's rest axes (Blender's: x to the character's left, -y forward, z up)
and apply about the bone's head, on top of its parent's motion; make_character.py turns them into pose
keys. The left limbs are written out; the right ones take the same motion half a cycle later, mirrored.
"""

import math

from mathutils import Quaternion, Vector

from .skeleton import FINGERS, mirror_name, palm_axes

FRAMES = 30            # one loop
FRAMES_PER_SECOND = 24  # so the loop lasts 1.25 s

X = Vector((1.0, 0.0, 0.0))
Y = Vector((0.0, 1.0, 0.0))
Z = Vector((0.0, 0.0, 1.0))


def turn(axis, degrees):
    return Quaternion(axis, math.radians(degrees))


def wave(phase, shift=0.0):
    return math.sin(2.0 * math.pi * (phase + shift))


def pulse(phase, centre, width):
    """A bump around `centre` of the loop, wrapping round its end."""
    distance = (phase - centre + 0.5) % 1.0 - 0.5
    return math.exp(-(distance / width) ** 2)


def _left_leg(phase):
    swing = wave(phase)                       # +1 with the leg forward, -1 with it behind
    passing = max(0.0, wave(phase, 0.30))     # the leg swinging through under the body
    hip = -24.0 * swing                       # a forward swing turns the leg about -x
    knee = 5.0 + 42.0 * passing ** 2          # bent most just after push-off, so the foot clears the ground
    push_off = pulse(phase, 0.80, 0.07)
    ankle = -(hip + knee) - 6.0 * passing + 18.0 * push_off  # foot kept level, heel lifting at push-off
    return {
        "LeftUpLeg": turn(X, hip),
        "LeftLeg": turn(X, knee),
        "LeftFoot": turn(X, ankle),
        "LeftToeBase": turn(X, -28.0 * push_off - 4.0 * passing),
    }


def _left_arm(phase):
    swing = wave(phase)          # the arm swings against the leg of its side
    across, back = palm_axes()
    pose = {
        "LeftShoulder": turn(Z, 7.0 * swing) @ turn(Y, -3.0 - 3.0 * wave(phase, 0.25)),
        # Lowered 32 degrees from the rest pose's A, then swung about x (forward is -x, as for the legs).
        "LeftArm": turn(X, 20.0 * swing) @ turn(Y, 32.0),
        # The elbow bends forward (about -back), more while the arm is in front.
        "LeftForeArm": turn(back, -(20.0 - 14.0 * swing)),
        "LeftHand": turn(back, 9.0 * swing),
        "LeftHandThumb1": turn(back, -(6.0 + 6.0 * wave(phase, 0.15))),
        "LeftHandThumb2": turn(back, -(10.0 + 8.0 * wave(phase, 0.20))),
    }
    for index, (finger, _, _) in enumerate(FINGERS):
        ripple = wave(phase, 0.10 + 0.05 * index)  # fingers curl one after another
        pose["LeftHand%s1" % finger] = turn(across, 14.0 + 9.0 * ripple)
        pose["LeftHand%s2" % finger] = turn(across, 20.0 + 12.0 * ripple)
    return pose


def _mirror(rotation):
    """The same turn seen in the mirror x -> -x: the axis is a pseudo-vector, so y and z flip."""
    return Quaternion((rotation.w, rotation.x, -rotation.y, -rotation.z))


def _spine(phase):
    swing = wave(phase)
    bounce = math.cos(4.0 * math.pi * phase)  # twice per loop, once per step
    return {
        # The pelvis turns with the forward leg and dips on the side of the swinging leg.
        "Hips": turn(Z, -7.0 * swing) @ turn(Y, 4.0 * wave(phase, 0.25)),
        # The chest turns back against the pelvis, so the shoulders counter the hips.
        "Spine": turn(Z, 5.0 * swing),
        "Spine1": turn(Z, 5.0 * swing) @ turn(X, 3.0 + 2.0 * bounce),
        "Spine2": turn(Z, 4.5 * swing) @ turn(Y, -2.5 * wave(phase, 0.25)),
        # The head stays on the walking line, nodding with each step.
        "Neck": turn(Z, -3.5 * swing) @ turn(X, -2.0 - 2.5 * bounce),
        "Head": turn(Z, -3.5 * swing) @ turn(X, 4.0 * bounce),
    }


def hips_lift(phase):
    """Up-and-down travel of the hips, in the skeleton's units: lowest when both feet are down."""
    return Vector((0.0, 0.0, 0.018 * math.cos(4.0 * math.pi * phase)))


def pose_at(phase):
    """The turn of every animated bone at a phase of the loop (0 to 1)."""
    pose = _spine(phase)
    left = _left_leg(phase)
    left.update(_left_arm(phase))
    right = _left_leg(phase + 0.5)
    right.update(_left_arm(phase + 0.5))
    pose.update(left)
    pose.update({mirror_name(name): _mirror(rotation) for name, rotation in right.items()})
    return pose
