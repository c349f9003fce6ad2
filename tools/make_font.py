#!/usr/bin/python3
"""Makes the engine's bitmap font, assets/newarial.fnt and its atlas assets/newarial.png, from Liberation Sans
(Debian: fonts-liberation2, SIL Open Font License; metric-compatible with Arial).

    /usr/bin/python3 tools/make_font.py [<output directory>]

Needs Pillow and fontTools (Debian: python3-pil, python3-fonttools). The output is the same on every run.

The description is the AngelCode BMFont text format in the exact word layout the engine reads by position:
  info face="LiberationSans" size=145 + seven words + padding=0,0,0,0 spacing=2,2   (nothing after spacing)
  common lineHeight base scaleW scaleH pages packed                                  (nothing else)
  page id=0 file="newarial.png"
  chars count=N, then N lines of 11 words: char id x y width height xoffset yoffset xadvance page chnl
  kernings count=K, then K lines of 4 words: kerning first second amount
All values are whole pixels: xoffset is the picture's left edge right of the pen, yoffset its top edge
below the line's top (the baseline lies `base` below the line's top), xadvance the pen's step.

Size: the engine advances spaces by a fixed 40.2 font pixels, so the em is chosen to make the font's own
space just that wide (569/2048 em x 145 px = 40.3 px): text keeps its natural spacing. At the labels'
scale of 0.2 on an 800 x 600 window, capitals come out about 10 screen pixels tall
(clip space spans 2 units across the window, so a font pixel is 0.1 screen pixels there).

Atlas: white everywhere, alpha = glyph coverage (the text shader multiplies the colour's alpha by it).
Each glyph's rectangle has a transparent border of GLYPH_BORDER pixels, and rectangles keep SPACING
pixels apart, so linear filtering never pulls in a neighbour. The text box's background samples the
bottom-right corner (u, v >= 0.99) with wrapping, so all four corners are opaque white blocks and glyphs
are packed between two side strips that keep clear of them.
"""

import os
import sys

from fontTools.ttLib import TTFont
from PIL import Image, ImageDraw, ImageFont

FONT_FILE = "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf"
FACE_NAME = "LiberationSans"  # the reader cuts words at blanks: no blank in the face name
ATLAS_NAME = "newarial.png"
FONT_NAME = "newarial.fnt"

EM_PIXELS = 145
FIRST_CHAR, LAST_CHAR = 32, 126
ATLAS_WIDTH = ATLAS_HEIGHT = 1024
CORNER = 16          # side of each opaque white corner block, and width of the strips that keep glyphs off it
GLYPH_BORDER = 2     # transparent pixels around each glyph inside its rectangle
SPACING = 2          # pixels between rectangles


def scaled(units, units_per_em):
    return round(units * EM_PIXELS / units_per_em)


class FontMetrics:
    """What the description needs from the font file: line metrics, advances and kerning, in pixels."""

    def __init__(self, path):
        font = TTFont(path)
        self.units_per_em = font["head"].unitsPerEm
        hhea = font["hhea"]
        self.base = scaled(hhea.ascent, self.units_per_em)
        self.line_height = scaled(hhea.ascent - hhea.descent + hhea.lineGap, self.units_per_em)
        cmap = font.getBestCmap()
        self.glyph_of = {code: cmap[code] for code in range(FIRST_CHAR, LAST_CHAR + 1) if code in cmap}
        self.advance = {code: scaled(font["hmtx"][name][0], self.units_per_em)
                        for code, name in self.glyph_of.items()}
        self.kerning = self._kerning(font)

    def _kerning(self, font):
        """Pixel kerning of character pairs, from GPOS pair adjustments (or the legacy kern table)."""
        code_of = {name: code for code, name in self.glyph_of.items()}
        units = _gpos_pairs(font, set(self.glyph_of.values())) if "GPOS" in font else {}
        if not units and "kern" in font:
            units = dict(font["kern"].kernTables[0].kernTable)
        pairs = {}
        for (left, right), value in units.items():
            if left in code_of and right in code_of:
                amount = scaled(value, self.units_per_em)
                # A space never kerns in the engine's layout (it has its own fixed advance), so pairs with
                # a space are left out; so are pairs that round to nothing at this size.
                if amount != 0 and 32 not in (code_of[left], code_of[right]):
                    pairs[(code_of[left], code_of[right])] = amount
        return pairs


def _gpos_pairs(font, glyph_names):
    """First-adjustment x advances of the 'kern' feature's pair lookups, for Latin text, in font units."""
    table = font["GPOS"].table
    feature_indices = []
    for record in table.ScriptList.ScriptRecord:
        if record.ScriptTag in ("latn", "DFLT") and record.Script.DefaultLangSys is not None:
            feature_indices += record.Script.DefaultLangSys.FeatureIndex
    lookups = []
    for index in feature_indices:
        feature = table.FeatureList.FeatureRecord[index]
        if feature.FeatureTag == "kern":
            lookups += [i for i in feature.Feature.LookupListIndex if i not in lookups]
    pairs = {}
    for lookup_index in lookups:
        lookup = table.LookupList.Lookup[lookup_index]
        for subtable in lookup.SubTable:
            if lookup.LookupType == 9:  # extension: the real subtable is inside
                subtable = subtable.ExtSubTable
            if getattr(subtable, "LookupType", 2) != 2:
                continue
            for pair, value in _pair_adjustments(subtable, glyph_names):
                if value:
                    pairs.setdefault(pair, value)  # the first lookup that adjusts a pair decides it
    return pairs


def _pair_adjustments(subtable, glyph_names):
    """(left, right) -> x advance adjustment of one pair-positioning subtable, for the given glyphs."""
    def x_advance(value):
        return getattr(value, "XAdvance", 0) if value is not None else 0

    if subtable.Format == 1:
        for index, left in enumerate(subtable.Coverage.glyphs):
            for record in subtable.PairSet[index].PairValueRecord:
                yield (left, record.SecondGlyph), x_advance(record.Value1)
    elif subtable.Format == 2:
        left_class = subtable.ClassDef1.classDefs
        right_class = subtable.ClassDef2.classDefs  # glyphs it does not name are in class 0
        for left in subtable.Coverage.glyphs:
            row = subtable.Class1Record[left_class.get(left, 0)].Class2Record
            for right in glyph_names:
                yield (left, right), x_advance(row[right_class.get(right, 0)].Value1)


class GlyphPicture:
    """One character's coverage, cropped to its ink plus a border, and where it sits against the pen."""

    def __init__(self, code, font, base):
        self.code = code
        margin = EM_PIXELS // 2
        canvas = Image.new("L", (2 * EM_PIXELS + 2 * margin, 2 * EM_PIXELS + 2 * margin), 0)
        pen = (margin, margin + base)  # the line's top is at y = margin
        ImageDraw.Draw(canvas).text(pen, chr(code), font=font, fill=255, anchor="ls")
        ink = canvas.getbbox()
        if ink is None:  # a space: nothing to draw
            self.coverage = None
            self.width = self.height = self.xoffset = self.yoffset = 0
            return
        left, top = ink[0] - GLYPH_BORDER, ink[1] - GLYPH_BORDER
        right, bottom = ink[2] + GLYPH_BORDER, ink[3] + GLYPH_BORDER
        self.coverage = canvas.crop((left, top, right, bottom))
        self.width, self.height = right - left, bottom - top
        self.xoffset = left - pen[0]
        self.yoffset = top - margin


def pack(pictures):
    """Shelf packing, tallest first, between the side strips that keep the corners free.
    Returns {code: (x, y)}; a picture of no size gets the current cursor."""
    order = sorted(pictures, key=lambda p: (-p.height, -p.width, p.code))
    places = {}
    x, y, shelf = CORNER, 0, 0
    for picture in order:
        if x + picture.width > ATLAS_WIDTH - CORNER:
            x, y, shelf = CORNER, y + shelf + SPACING, 0
        places[picture.code] = (x, y)
        x += picture.width + SPACING
        shelf = max(shelf, picture.height)
    if y + shelf > ATLAS_HEIGHT:
        sys.exit("make_font: %d-pixel glyphs do not fit a %d x %d atlas" % (EM_PIXELS, ATLAS_WIDTH, ATLAS_HEIGHT))
    return places


def draw_atlas(pictures, places):
    # White everywhere, so filtering at a glyph's edge blends coverage only, never colour.
    atlas = Image.new("RGBA", (ATLAS_WIDTH, ATLAS_HEIGHT), (255, 255, 255, 0))
    alpha = Image.new("L", (ATLAS_WIDTH, ATLAS_HEIGHT), 0)
    for picture in pictures:
        if picture.coverage is not None:
            alpha.paste(picture.coverage, places[picture.code])
    for x in (0, ATLAS_WIDTH - CORNER):
        for y in (0, ATLAS_HEIGHT - CORNER):
            alpha.paste(255, (x, y, x + CORNER, y + CORNER))
    atlas.putalpha(alpha)
    return atlas


def describe(metrics, pictures, places):
    lines = [
        'info face="%s" size=%d bold=0 italic=0 charset="" unicode=1 stretchH=100 smooth=1 aa=1 '
        'padding=0,0,0,0 spacing=%d,%d' % (FACE_NAME, EM_PIXELS, SPACING, SPACING),
        "common lineHeight=%d base=%d scaleW=%d scaleH=%d pages=1 packed=0"
        % (metrics.line_height, metrics.base, ATLAS_WIDTH, ATLAS_HEIGHT),
        'page id=0 file="%s"' % ATLAS_NAME,
        "chars count=%d" % len(pictures),
    ]
    for picture in pictures:
        x, y = places[picture.code]
        lines.append("char id=%d x=%d y=%d width=%d height=%d xoffset=%d yoffset=%d xadvance=%d page=0 chnl=15"
                     % (picture.code, x, y, picture.width, picture.height, picture.xoffset, picture.yoffset,
                        metrics.advance[picture.code]))
    lines.append("kernings count=%d" % len(metrics.kerning))
    for (first, second), amount in sorted(metrics.kerning.items()):
        lines.append("kerning first=%d second=%d amount=%d" % (first, second, amount))
    return "\n".join(lines) + "\n"


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "engine", "assets")
    if not os.path.isfile(FONT_FILE):
        sys.exit("make_font: %s not found (Debian package fonts-liberation2)" % FONT_FILE)
    metrics = FontMetrics(FONT_FILE)
    font = ImageFont.truetype(FONT_FILE, EM_PIXELS)
    pictures = [GlyphPicture(code, font, metrics.base) for code in sorted(metrics.glyph_of)]
    places = pack(pictures)
    os.makedirs(out_dir, exist_ok=True)
    draw_atlas(pictures, places).save(os.path.join(out_dir, ATLAS_NAME), optimize=False)
    with open(os.path.join(out_dir, FONT_NAME), "w", encoding="ascii", newline="\n") as description:
        description.write(describe(metrics, pictures, places))
    print("make_font: wrote %s and %s (%d glyphs, %d kerning pairs, %d px em, line height %d)"
          % (os.path.join(out_dir, FONT_NAME), os.path.join(out_dir, ATLAS_NAME), len(pictures),
             len(metrics.kerning), EM_PIXELS, metrics.line_height))


if __name__ == "__main__":
    main()
