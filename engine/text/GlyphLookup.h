// Answers the two questions the layout asks for every character of a text: which glyph draws this code,
// and how much kerning goes between these two codes. The font keeps its tables in file order and unindexed;
// this index gives the same answers as a front-to-back search of them (the first match wins), in
// constant time, so that laying out a long text stays linear in its length.
#pragma once

#include "text/BitmapFont.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class GlyphLookup {
 public:
  GlyphLookup() = default;  // knows no glyphs and no pairs
  explicit GlyphLookup(const BitmapFont& font);

  // The first glyph whose Id, cut to 16 bits, is `code`; null when the font has none. The pointer is
  // into `font`, which must be the font the lookup was built from.
  const Glyph* FindGlyph(const BitmapFont& font, uint16_t code) const;

  // The amount of the first pair whose codes, cut to 16 bits, are (first, second); 0 when there is none.
  float KerningAmount(uint16_t first, uint16_t second) const;

 private:
  static uint32_t PairKey(uint16_t first, uint16_t second) { return (uint32_t{first} << 16) | second; }

  std::vector<int32_t> glyphIndexByCode_;  // -1 where no glyph has the code; sized to the largest code
  std::unordered_map<uint32_t, float> kerningByPair_;
};
