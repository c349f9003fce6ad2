"""Where each part of the character lies in its texture, blessing-1x.png.

Pure Python: read both by the Blender script, which gives the mesh these texture coordinates, and by
make_texture.py, which paints the regions. Coordinates are fractions of the texture with rows top first
(image space); the Blender script turns them into Blender's bottom-up v, which the importer flips back.
"""

import math

TEXTURE_SIZE = 512

# Rectangles (left, top, right, bottom).
HEAD = (0.0, 0.0, 0.5, 0.5)
TORSO = (0.5, 0.0, 1.0, 0.5)
ARM = (0.0, 0.5, 0.25, 1.0)    # both arms share it; shoulder at the top, wrist at the bottom
LEG = (0.25, 0.5, 0.5, 1.0)    # both legs share it; hip at the top, ankle at the bottom
SKIN = (0.5, 0.5, 0.75, 0.75)  # hands, fingers and ears: plain skin
SHOE = (0.75, 0.5, 1.0, 0.75)  # heel at the top, toe cap at the bottom
SPARE = (0.5, 0.75, 1.0, 1.0)  # unused, painted as a labelled swatch strip

# Around a limb or the torso, u runs from 0 to 1 starting at the seam (the back of the torso, the inner
# side of a limb), so the front of the torso is at u = 0.5.

# Down the torso (fractions of the rect's height, neck at 0): where the clothes change.
TORSO_NECK_END = 0.12     # bare neck above it
TORSO_BELT = (0.74, 0.79)
TORSO_COLLAR = 0.17       # a darker collar band between the neck and here

# Down the arm: the short sleeve ends here; skin below.
ARM_SLEEVE_END = 0.42

# Down the leg: trousers, then a sock band at the ankle.
LEG_SOCK_START = 0.93

# Down the shoe: the toe cap starts here.
SHOE_TOE_CAP = 0.70

# The head is mapped like a globe onto HEAD: u = 0.5 + longitude / 2 pi, longitude 0 straight ahead and
# growing towards the character's left; v = colatitude / pi, 0 at the crown. Face features in (longitude,
# colatitude) radians on that globe; the Blender script raises the nose at its spot.
EYES = ((-0.33, 1.50), (0.33, 1.50))
EYE_RADIUS = 0.13          # radians on the globe
BROW_COLATITUDE = 1.30
NOSE = (0.0, 1.76)
MOUTH = (0.0, 2.10)
MOUTH_HALF_WIDTH = 0.30
HAIRLINE_FRONT = 1.02      # colatitude of the hairline above the forehead
HAIRLINE_BACK = 2.05       # and at the back of the head


# Texture coordinates keep this far inside their rectangle, so filtering never reaches a neighbour's colours.
MARGIN = 3.0 / TEXTURE_SIZE


def rect_point(rect, u, v):
    """The image-space point at fractions (u, v) of a rectangle, inside its margin."""
    left, top, right, bottom = rect
    left, top, right, bottom = left + MARGIN, top + MARGIN, right - MARGIN, bottom - MARGIN
    return left + (right - left) * u, top + (bottom - top) * v


def head_point(longitude, colatitude):
    """The image-space point of a spot on the head globe."""
    return rect_point(HEAD, 0.5 + longitude / (2 * math.pi), colatitude / math.pi)
