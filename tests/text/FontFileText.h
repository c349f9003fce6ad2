// Writes font descriptions in the word layout the font reader takes by position, with small numbers
// that make the expected values easy to work out by hand.
#pragma once

#include <string>
#include <vector>

struct GlyphLine {
  int id, x, y, width, height, xoffset, yoffset, xadvance;
};

struct KerningLine {
  int first, second, amount;
};

struct FontFileText {
  std::string face = "\"Test\"";  // the text after face=
  std::string size = "32";
  std::string padding = "1,2,3,4";
  int lineHeight = 40;
  int base = 30;
  int scaleW = 256;
  int scaleH = 128;
  std::vector<GlyphLine> glyphs;
  std::vector<KerningLine> kernings;

  std::string Text() const;
};
