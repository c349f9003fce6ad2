#include "text/GlyphLookup.h"

GlyphLookup::GlyphLookup(const BitmapFont& font) {
  for (size_t i = 0; i < font.Glyphs.size(); ++i) {
    const auto code = static_cast<uint16_t>(font.Glyphs[i].Id);
    if (code >= glyphIndexByCode_.size()) {
      glyphIndexByCode_.resize(size_t{code} + 1, -1);
    }
    if (glyphIndexByCode_[code] < 0) {
      glyphIndexByCode_[code] = static_cast<int32_t>(i);
    }
  }
  kerningByPair_.reserve(font.Kernings.size());
  for (const KerningPair& pair : font.Kernings) {
    // try_emplace keeps the earlier entry of a repeated pair.
    kerningByPair_.try_emplace(PairKey(static_cast<uint16_t>(pair.First), static_cast<uint16_t>(pair.Second)),
                               pair.Amount);
  }
}

const Glyph* GlyphLookup::FindGlyph(const BitmapFont& font, uint16_t code) const {
  if (code >= glyphIndexByCode_.size() || glyphIndexByCode_[code] < 0) {
    return nullptr;
  }
  const auto index = static_cast<size_t>(glyphIndexByCode_[code]);
  // A font other than the one the lookup was built from has no glyph to give.
  return index < font.Glyphs.size() ? &font.Glyphs[index] : nullptr;
}

float GlyphLookup::KerningAmount(uint16_t first, uint16_t second) const {
  const auto found = kerningByPair_.find(PairKey(first, second));
  return found == kerningByPair_.end() ? 0.0f : found->second;
}
