#!/usr/bin/python3
"""Paints the character's texture, assets/blessing-1x.png, for the layout in character/layout.py.

    /usr/bin/python3 tools/make_texture.py [<output.png>]

Skin, a blue shirt with a white chest stripe and buttons, jeans with a belt, white socks, brown shoes with
light soles and laces, and a face (hair, brows, eyes, nose shadow, mouth) on the head's globe mapping.
Drawn at four times the size and filtered down, so edges are smooth; 512 x 512, 8-bit RGBA, opaque.
Needs Pillow (Debian: python3-pil). The output is the same on every run.
"""

import math
import os
import sys

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from character import layout  # noqa: E402  (needs the path above)

SUPERSAMPLE = 4
SIZE = layout.TEXTURE_SIZE * SUPERSAMPLE

SKIN = (234, 192, 160)
SKIN_SHADOW = (214, 165, 135)
LIPS = (190, 80, 80)
HAIR = (74, 48, 30)
EYE_WHITE = (250, 250, 245)
IRIS = (60, 110, 160)
PUPIL = (20, 20, 25)
SHIRT = (58, 108, 190)
SHIRT_DARK = (38, 78, 150)
STRIPE = (240, 240, 235)
BUTTON = (235, 235, 225)
JEANS = (48, 60, 92)
JEANS_SEAM = (170, 140, 70)
BELT = (88, 58, 34)
BUCKLE = (214, 178, 80)
SOCK = (240, 240, 236)
SHOE = (122, 52, 38)
SHOE_DARK = (92, 38, 28)
SOLE = (214, 210, 198)
LACE = (245, 245, 240)


def box(rect, u0=0.0, v0=0.0, u1=1.0, v1=1.0):
    """Pixel box of the fractions [u0, u1] x [v0, v1] of a layout rectangle. A side on the rectangle's
    edge is pushed out over the margin, so the colour bleeds past the texture coordinates that use it."""
    x0, y0 = layout.rect_point(rect, u0, v0)
    x1, y1 = layout.rect_point(rect, u1, v1)
    left, top, right, bottom = rect
    x0, y0 = (left if u0 == 0.0 else x0), (top if v0 == 0.0 else y0)
    x1, y1 = (right if u1 == 1.0 else x1), (bottom if v1 == 1.0 else y1)
    return (round(x0 * SIZE), round(y0 * SIZE), round(x1 * SIZE) - 1, round(y1 * SIZE) - 1)


def head_ellipse(longitude, colatitude, half_longitude, half_colatitude):
    """Pixel box of an ellipse on the head globe, centred on a spot, half-extents in radians."""
    x0, y0 = layout.head_point(longitude - half_longitude, colatitude - half_colatitude)
    x1, y1 = layout.head_point(longitude + half_longitude, colatitude + half_colatitude)
    return (x0 * SIZE, y0 * SIZE, x1 * SIZE, y1 * SIZE)


def paint_torso(draw):
    draw.rectangle(box(layout.TORSO), fill=SHIRT)
    draw.rectangle(box(layout.TORSO, v1=layout.TORSO_NECK_END), fill=SKIN)
    draw.rectangle(box(layout.TORSO, v0=layout.TORSO_NECK_END, v1=layout.TORSO_COLLAR), fill=SHIRT_DARK)
    # An open collar: a skin-coloured V at the front (u = 0.5).
    top_left = layout.rect_point(layout.TORSO, 0.44, layout.TORSO_NECK_END)
    top_right = layout.rect_point(layout.TORSO, 0.56, layout.TORSO_NECK_END)
    point = layout.rect_point(layout.TORSO, 0.5, layout.TORSO_COLLAR + 0.06)
    draw.polygon([tuple(c * SIZE for c in p) for p in (top_left, top_right, point)], fill=SKIN)
    draw.rectangle(box(layout.TORSO, v0=0.36, v1=0.42), fill=STRIPE)
    belt_top, belt_bottom = layout.TORSO_BELT
    for index in range(5):
        v = layout.TORSO_COLLAR + 0.08 + index * (belt_top - layout.TORSO_COLLAR - 0.1) / 4
        cx, cy = layout.rect_point(layout.TORSO, 0.5, v)
        r = 0.006 * SIZE
        draw.ellipse((cx * SIZE - r, cy * SIZE - r, cx * SIZE + r, cy * SIZE + r), fill=BUTTON)
    draw.rectangle(box(layout.TORSO, v0=belt_top, v1=belt_bottom), fill=BELT)
    draw.rectangle(box(layout.TORSO, u0=0.47, u1=0.53, v0=belt_top - 0.005, v1=belt_bottom + 0.005), fill=BUCKLE)
    draw.rectangle(box(layout.TORSO, v0=belt_bottom), fill=JEANS)


def paint_arm(draw):
    draw.rectangle(box(layout.ARM), fill=SKIN)
    draw.rectangle(box(layout.ARM, v1=layout.ARM_SLEEVE_END), fill=SHIRT)
    draw.rectangle(box(layout.ARM, v0=layout.ARM_SLEEVE_END - 0.04, v1=layout.ARM_SLEEVE_END), fill=SHIRT_DARK)


def paint_leg(draw):
    draw.rectangle(box(layout.LEG), fill=JEANS)
    # Outer seams of the jeans (the seam of the leg's mapping is on the inside, so the outside is at 0.5).
    draw.rectangle(box(layout.LEG, u0=0.49, u1=0.51, v1=layout.LEG_SOCK_START), fill=JEANS_SEAM)
    draw.rectangle(box(layout.LEG, v0=layout.LEG_SOCK_START), fill=SOCK)


def paint_shoe(draw):
    draw.rectangle(box(layout.SHOE), fill=SHOE)
    draw.rectangle(box(layout.SHOE, v0=layout.SHOE_TOE_CAP), fill=SHOE_DARK)
    # The mapping's seam runs along the sole, so the sole is at both side edges of the rectangle.
    draw.rectangle(box(layout.SHOE, u1=0.2), fill=SOLE)
    draw.rectangle(box(layout.SHOE, u0=0.8), fill=SOLE)
    for index in range(4):
        v = 0.30 + 0.09 * index
        draw.rectangle(box(layout.SHOE, u0=0.44, u1=0.56, v0=v, v1=v + 0.025), fill=LACE)


def paint_head(draw):
    draw.rectangle(box(layout.HEAD), fill=SKIN)
    # Hair down to a hairline that is high over the forehead and low at the back of the head.
    outline = []
    steps = 96
    for index in range(steps + 1):
        longitude = -math.pi + 2 * math.pi * index / steps
        towards_back = ((1 - math.cos(longitude)) / 2) ** 1.5
        colatitude = layout.HAIRLINE_FRONT + (layout.HAIRLINE_BACK - layout.HAIRLINE_FRONT) * towards_back
        x, y = layout.head_point(longitude, colatitude)
        outline.append((x * SIZE, y * SIZE))
    left, top, right, _ = box(layout.HEAD)
    draw.polygon([(left, top)] + outline + [(right + 1, top)], fill=HAIR)

    for longitude, colatitude in layout.EYES:
        draw.ellipse(head_ellipse(longitude, colatitude, layout.EYE_RADIUS, layout.EYE_RADIUS * 0.8),
                     fill=EYE_WHITE, outline=PUPIL, width=SUPERSAMPLE * 2)
        draw.ellipse(head_ellipse(longitude, colatitude + 0.01, layout.EYE_RADIUS * 0.55, layout.EYE_RADIUS * 0.55),
                     fill=IRIS)
        draw.ellipse(head_ellipse(longitude, colatitude + 0.01, layout.EYE_RADIUS * 0.27, layout.EYE_RADIUS * 0.27),
                     fill=PUPIL)
        brow = head_ellipse(longitude, layout.BROW_COLATITUDE, layout.EYE_RADIUS * 1.2, 0.035)
        draw.ellipse(brow, fill=HAIR)

    nose_longitude, nose_colatitude = layout.NOSE
    draw.ellipse(head_ellipse(nose_longitude, nose_colatitude + 0.08, 0.10, 0.04), fill=SKIN_SHADOW)
    mouth_longitude, mouth_colatitude = layout.MOUTH
    half = layout.MOUTH_HALF_WIDTH
    # A smile: the lower half of an ellipse, drawn as a thick arc.
    draw.arc(head_ellipse(mouth_longitude, mouth_colatitude - 0.07, half, 0.09), start=20, end=160, fill=LIPS,
             width=SUPERSAMPLE * 5)
    for side in (-1, 1):
        draw.ellipse(head_ellipse(side * 0.55, 1.80, 0.14, 0.07), fill=(236, 170, 150))


def paint_spare(draw):
    """The unused corner: swatches of the palette, handy when checking colours in a screenshot."""
    palette = (SKIN, HAIR, SHIRT, STRIPE, JEANS, BELT, SHOE, SOLE)
    for index, colour in enumerate(palette):
        draw.rectangle(box(layout.SPARE, u0=index / len(palette), u1=(index + 1) / len(palette)), fill=colour)


def main():
    output = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "engine", "assets", "blessing-1x.png")
    image = Image.new("RGBA", (SIZE, SIZE), SKIN + (255,))
    draw = ImageDraw.Draw(image)
    draw.rectangle(box(layout.SKIN), fill=SKIN)
    paint_torso(draw)
    paint_arm(draw)
    paint_leg(draw)
    paint_shoe(draw)
    paint_head(draw)
    paint_spare(draw)
    image = image.resize((layout.TEXTURE_SIZE, layout.TEXTURE_SIZE), Image.LANCZOS)
    os.makedirs(os.path.dirname(os.path.abspath(output)), exist_ok=True)
    image.save(output, optimize=False)
    print("make_texture: wrote %s (%d x %d RGBA)" % (output, image.width, image.height))


if __name__ == "__main__":
    main()
