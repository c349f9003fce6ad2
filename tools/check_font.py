#!/usr/bin/python3
"""Checks a bitmap font description and its atlas the way the engine will read and use them.

    /usr/bin/python3 tools/check_font.py [<font.fnt>] [--preview <out.png>] [--text "<sample>"]

The description is re-read by word position, exactly as the engine's reader does (it never looks at key
names), and the values found are checked against the key names that should stand at those positions and
against the atlas: sizes, glyph rectangles inside the atlas and apart from each other, every covered pixel
inside some glyph's rectangle, the opaque white corner the text box background samples (u, v >= 0.99),
kerning pairs between existing glyphs. --preview lays a sample text out with the engine's label rules
(scale 0.2 on an 800 x 600 window, spaces 40.2 font pixels) and draws it into a PNG to look at.
Exits with 1 if a check fails. Needs Pillow (Debian: python3-pil).
"""

import os
import re
import sys

from PIL import Image

SCREEN_WIDTH, SCREEN_HEIGHT = 800, 600
LABEL_SCALE = 0.2
SPACE_ADVANCE = 40.2


class ParseError(Exception):
    pass


def stoi(text):
    """The standard string-to-int conversion: blanks, a sign, digits, stopping at the first non-digit."""
    match = re.match(r"\s*([+-]?\d+)", text)
    if not match:
        raise ParseError("invalid stoi argument")
    value = int(match.group(1))
    if not -2**31 <= value < 2**31:
        raise ParseError("stoi argument out of range")
    return value


def number(word):
    return stoi(word[word.find("=") + 1:] if "=" in word else word)


def quoted(word):
    start = word.find('"') + 1  # no quote: from the start of the word
    return word[start:-1]


def comma_list(word):
    text = word[word.find("=") + 1:] if "=" in word else word
    values = []
    for _ in range(3):
        comma = text.find(",")
        values.append(stoi(text[:comma + 1] if comma >= 0 else text))
        if comma < 0:
            raise ParseError("invalid stoi argument")
        text = text[comma + 1:]
    values.append(stoi(text))
    return values


class WordReader:
    """Whitespace-separated words; past the end the last word repeats, as with the engine's stream."""

    def __init__(self, text):
        self.words = text.split()
        self.position = 0
        self.last = ""
        self.trail = []  # (expected key or None, word) of every read, for the layout check

    def read(self, expected=None):
        if self.position < len(self.words):
            self.last = self.words[self.position]
            self.position += 1
        self.trail.append((expected, self.last))
        return self.last


def parse(text):
    """The engine's positional parse. Returns a dict of the values it takes and the words' trail."""
    words = WordReader(text)
    font = {}
    words.read("info")
    font["face"] = quoted(words.read("face="))
    font["size"] = number(words.read("size="))
    for key in ("bold=", "italic=", "charset=", "unicode=", "stretchH=", "smooth=", "aa="):
        words.read(key)
    font["padding"] = comma_list(words.read("padding="))
    words.read("spacing=")
    words.read("common")
    for key in ("lineHeight", "base", "scaleW", "scaleH"):
        font[key] = number(words.read(key + "="))
    for key in ("pages=", "packed=", "page", "id="):
        words.read(key)
    font["file"] = quoted(words.read("file="))
    words.read("chars")
    count = number(words.read("count="))
    if count < 0:
        raise ParseError("bad array new length")
    font["glyphs"] = []
    for _ in range(count):
        words.read("char")
        glyph = {key: number(words.read(key + "=")) for key in
                 ("id", "x", "y", "width", "height", "xoffset", "yoffset", "xadvance")}
        words.read("page=")
        words.read("chnl=")
        font["glyphs"].append(glyph)
    words.read("kernings")
    count = number(words.read("count="))
    if count < 0:
        raise ParseError("bad array new length")
    font["kernings"] = []
    for _ in range(count):
        words.read("kerning")
        font["kernings"].append({key: number(words.read(key + "=")) for key in ("first", "second", "amount")})
    font["unread_words"] = len(words.words) - words.position
    return font, words.trail


class Verdict:
    def __init__(self):
        self.failed = False

    def require(self, ok, what):
        print("  [%s] %s" % (" ok " if ok else "FAIL", what))
        self.failed |= not ok


def check_layout(text, trail, font, verdict):
    misplaced = [(expected, word) for expected, word in trail
                 if expected is not None and not (word == expected if not expected.endswith("=")
                                                  else word.startswith(expected))]
    verdict.require(not misplaced, "every value stands at the position the reader takes it from"
                    + ("" if not misplaced else ": first misplaced %r where %r belongs" % misplaced[0][::-1]))
    verdict.require(font["unread_words"] == 0, "nothing after the last kerning line")
    lines = text.splitlines()
    char_lines = [line for line in lines if line.startswith("char ")]
    kerning_lines = [line for line in lines if line.startswith("kerning ")]
    verdict.require(all(len(line.split()) == 11 for line in char_lines), "every char line has 11 words")
    verdict.require(all(len(line.split()) == 4 for line in kerning_lines), "every kerning line has 4 words")
    verdict.require(len(char_lines) == len(font["glyphs"]), "chars count matches the char lines")
    verdict.require(len(kerning_lines) == len(font["kernings"]), "kernings count matches the kerning lines")
    verdict.require(font["face"] and " " not in font["face"], "face name without blanks: %r" % font["face"])


def check_glyphs(font, verdict):
    ids = [glyph["id"] for glyph in font["glyphs"]]
    verdict.require(len(set(ids)) == len(ids), "no character twice")
    verdict.require(all(code in ids for code in range(32, 127)), "printable ASCII 32 to 126 all present")
    width, height = font["scaleW"], font["scaleH"]
    inside = all(0 <= g["x"] and g["x"] + g["width"] <= width and 0 <= g["y"] and g["y"] + g["height"] <= height
                 for g in font["glyphs"])
    verdict.require(inside, "every glyph rectangle inside the %d x %d atlas" % (width, height))
    boxes = [(g["x"], g["y"], g["x"] + g["width"], g["y"] + g["height"], g["id"]) for g in font["glyphs"]
             if g["width"] > 0 and g["height"] > 0]
    overlapping = [(a[4], b[4]) for i, a in enumerate(boxes) for b in boxes[i + 1:]
                   if a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]]
    verdict.require(not overlapping, "glyph rectangles do not overlap" +
                    ("" if not overlapping else " (first: %d and %d)" % overlapping[0]))
    space = next((g for g in font["glyphs"] if g["id"] == 32), None)
    if space:
        print("  space: xadvance %d (the engine advances spaces by %.1f)" % (space["xadvance"], SPACE_ADVANCE))
    capital = next((g for g in font["glyphs"] if g["id"] == ord("H")), None)
    if capital:
        # Clip space spans 2 units across the window, so a font pixel covers LABEL_SCALE / 2 screen pixels.
        pixels = capital["height"] * LABEL_SCALE / 2
        print("  'H' (with its border) is %d font pixels tall: %.1f screen pixels in a label"
              % (capital["height"], pixels))
    ids = set(ids)
    strangers = [k for k in font["kernings"] if k["first"] not in ids or k["second"] not in ids]
    verdict.require(not strangers, "kerning pairs name existing glyphs")
    verdict.require(all(k["amount"] != 0 for k in font["kernings"]), "no kerning pair of amount 0")
    pairs = [(k["first"], k["second"]) for k in font["kernings"]]
    verdict.require(len(set(pairs)) == len(pairs), "no kerning pair twice")


def corner_blocks(width, height):
    """The pixels the box background can reach: u, v >= 0.99, and where wrap filtering leads from there."""
    x0, y0 = int(0.99 * width), int(0.99 * height)
    right, bottom = range(x0, width), range(y0, height)
    blocks = [(x, y) for x in right for y in bottom]
    blocks += [(0, y) for y in bottom] + [(x, 0) for x in right] + [(0, 0)]
    return blocks


def check_atlas(font, atlas_path, verdict):
    if not os.path.isfile(atlas_path):
        verdict.require(False, "atlas %s exists" % atlas_path)
        return None
    atlas = Image.open(atlas_path)
    print("  atlas %s: %d x %d %s" % (atlas_path, atlas.width, atlas.height, atlas.mode))
    verdict.require((atlas.width, atlas.height) == (font["scaleW"], font["scaleH"]), "atlas size is scaleW x scaleH")
    verdict.require(atlas.mode == "RGBA", "8-bit RGBA atlas")
    if atlas.mode != "RGBA" or (atlas.width, atlas.height) != (font["scaleW"], font["scaleH"]):
        return None
    pixels = atlas.load()
    white = all(pixels[x, y] == (255, 255, 255, 255) for x, y in corner_blocks(atlas.width, atlas.height))
    verdict.require(white, "opaque white where the box background samples (u, v >= 0.99, wrapping)")
    covered = [[False] * atlas.height for _ in range(atlas.width)]
    for g in font["glyphs"]:
        for x in range(g["x"], g["x"] + g["width"]):
            for y in range(g["y"], g["y"] + g["height"]):
                covered[x][y] = True
    reserved = set()
    corner = next(x for x in range(atlas.width) if pixels[x, 0][3] != 255)  # width of the white corner blocks
    for x in list(range(corner)) + list(range(atlas.width - corner, atlas.width)):
        for y in list(range(corner)) + list(range(atlas.height - corner, atlas.height)):
            reserved.add((x, y))
    strays = sum(1 for x in range(atlas.width) for y in range(atlas.height)
                 if pixels[x, y][3] != 0 and not covered[x][y] and (x, y) not in reserved)
    verdict.require(strays == 0, "every covered pixel lies in a glyph rectangle or a white corner (%d strays)" % strays)
    def edge(g):
        right, bottom = g["x"] + g["width"] - 1, g["y"] + g["height"] - 1
        return ([(x, y) for x in (g["x"], right) for y in range(g["y"], bottom + 1)]
                + [(x, y) for y in (g["y"], bottom) for x in range(g["x"], right + 1)])
    bleeding = [g["id"] for g in font["glyphs"] if g["width"] > 0 and any(pixels[p][3] != 0 for p in edge(g))]
    verdict.require(not bleeding, "every glyph rectangle has a transparent border, so filtering stops inside it")
    return atlas


def lay_out(font, text):
    """The label layout of the engine at (0, 0) on an 800 x 600 screen: one quad per glyph, in clip space."""
    glyph_of = {g["id"] & 0xFFFF: g for g in reversed(font["glyphs"])}  # the first entry wins
    amount_of = {}
    for k in reversed(font["kernings"]):
        amount_of[(k["first"] & 0xFFFF, k["second"] & 0xFFFF)] = k["amount"]
    top_pad, right_pad, bottom_pad, left_pad = font["padding"]
    h_pad = (right_pad / SCREEN_WIDTH + left_pad / SCREEN_WIDTH) * 0.9
    v_pad = (bottom_pad / SCREEN_HEIGHT + top_pad / SCREEN_HEIGHT) * 0.9
    start_x = -1.0
    pen_x, pen_y = start_x, 1.0
    previous = 0xFFFF
    quads = []
    for index, character in enumerate(text):
        code = ord(character)
        if code == 13:
            pen_x = start_x
            pen_y -= (font["lineHeight"] / SCREEN_HEIGHT + v_pad) * LABEL_SCALE
            continue
        glyph = glyph_of.get(code)
        if glyph is None:
            continue
        if code == 32:
            pen_x += SPACE_ADVANCE / SCREEN_WIDTH * LABEL_SCALE
            continue
        kern = amount_of.get((previous, code), 0) / SCREEN_WIDTH if index > 0 else 0.0
        left = (glyph["xoffset"] / SCREEN_WIDTH + kern) * LABEL_SCALE + pen_x
        top = pen_y - glyph["yoffset"] / SCREEN_HEIGHT * LABEL_SCALE
        quads.append((left, top, glyph["width"] / SCREEN_WIDTH * LABEL_SCALE,
                      glyph["height"] / SCREEN_HEIGHT * LABEL_SCALE, glyph))
        pen_x += (glyph["xadvance"] / SCREEN_WIDTH - h_pad) * LABEL_SCALE
        previous = code
    return quads


def draw_preview(font, atlas, text, path, zoom=3):
    """Draws the laid-out text as the engine would (dark blue, alpha from the atlas), zoomed for viewing."""
    quads = lay_out(font, text)
    lines = text.count("\r") + 1
    width = SCREEN_WIDTH
    height = int(lines * font["lineHeight"] * LABEL_SCALE / 2) + 8
    canvas = Image.new("RGB", (width, height), (235, 245, 235))
    ink = Image.new("RGB", (1, 1), (51, 51, 178))
    for left, top, quad_width, quad_height, glyph in quads:
        x = round((left + 1) / 2 * SCREEN_WIDTH)
        y = round((1 - top) / 2 * SCREEN_HEIGHT)
        w = max(1, round(quad_width / 2 * SCREEN_WIDTH))
        h = max(1, round(quad_height / 2 * SCREEN_HEIGHT))
        coverage = atlas.crop((glyph["x"], glyph["y"], glyph["x"] + glyph["width"], glyph["y"] + glyph["height"]))
        mask = coverage.getchannel("A").resize((w, h), Image.BILINEAR)
        canvas.paste(ink.resize((w, h)), (x + 4, y + 4), mask)
    used = max((round((q[0] + q[2] + 1) / 2 * SCREEN_WIDTH) for q in quads), default=0) + 8
    canvas = canvas.crop((0, 0, min(width, used), height))
    canvas.resize((canvas.width * zoom, canvas.height * zoom), Image.NEAREST).save(path)


def main():
    arguments = sys.argv[1:]
    preview = text = None
    if "--preview" in arguments:
        index = arguments.index("--preview")
        preview = arguments[index + 1]
        del arguments[index:index + 2]
    if "--text" in arguments:
        index = arguments.index("--text")
        text = arguments[index + 1]
        del arguments[index:index + 2]
    path = arguments[0] if arguments else os.path.join(
        os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "engine", "assets", "newarial.fnt")
    try:
        with open(path, "rb") as description:
            raw = description.read()
    except OSError as error:
        sys.exit("%s: %s" % (path, error.strerror))
    content = raw.decode("latin-1")  # the engine reads one character per byte
    try:
        font, trail = parse(content)
    except ParseError as error:
        sys.exit("%s: %s" % (path, error))
    print("%s: face %r, size %d, line height %d, base %d, atlas %d x %d %r, padding %s, %d glyphs, %d kerning pairs"
          % (path, font["face"], font["size"], font["lineHeight"], font["base"], font["scaleW"], font["scaleH"],
             font["file"], font["padding"], len(font["glyphs"]), len(font["kernings"])))
    verdict = Verdict()
    check_layout(content, trail, font, verdict)
    check_glyphs(font, verdict)
    atlas = check_atlas(font, os.path.join(os.path.dirname(path), font["file"]), verdict)
    if preview and atlas is not None:
        sample = text or "AVATAR Typing: The quick brown fox\rjumps over the lazy dog! 0123456789 {}[]@#$%&"
        draw_preview(font, atlas, sample, preview)
        print("  preview of %r written to %s" % (sample, preview))
    print("FAILED" if verdict.failed else "All checks passed.")
    sys.exit(1 if verdict.failed else 0)


if __name__ == "__main__":
    main()
