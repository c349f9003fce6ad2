#include "text/TextLayout.h"

#include <cstdint>

namespace {

constexpr uint16_t CarriageReturn = 13;
constexpr uint16_t Space = 32;
// No character drawn yet: matches no kerning pair of a font of printable characters.
constexpr uint16_t NoPreviousCharacter = 0xFFFF;

// The pen in clip space, with the per-line values the walk needs. All arithmetic is single precision
// and in a fixed order, so a layout gives the same records wherever it runs.
class Pen {
 public:
  Pen(const BitmapFont& font, const TextFrame& frame)
      : font_(font),
        frame_(frame),
        startX_(2.0f * frame.X / frame.ScreenWidth - 1.0f),
        x_(startX_),
        y_(2.0f * (1.0f - frame.Y / frame.ScreenHeight) - 1.0f),
        // The atlas padding around each picture is not part of the advance; 0.9 of it is taken back.
        horizontalPadding_((font.PaddingRight / frame.ScreenWidth + font.PaddingLeft / frame.ScreenWidth) * 0.9f),
        verticalPadding_((font.PaddingBottom / frame.ScreenHeight + font.PaddingTop / frame.ScreenHeight) * 0.9f) {}

  void NewLine() {
    x_ = startX_;
    y_ -= (font_.LineHeight / frame_.ScreenHeight + verticalPadding_) * frame_.ScaleY;
  }

  // A space has no picture: its record is a zero-height quad that only takes room on the line.
  GlyphInstance SpaceRecord() {
    const float advance = SpaceAdvance / frame_.ScreenWidth * frame_.ScaleX;
    const GlyphInstance record = {{x_, y_, advance, 0.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, TextColor};
    x_ += advance;
    return record;
  }

  // `kerning` is in font pixels, applied to this glyph's position only.
  GlyphInstance GlyphRecord(const Glyph& glyph, float kerning) {
    const float sw = frame_.ScreenWidth;
    const float sh = frame_.ScreenHeight;
    const float kern = kerning / sw;
    const GlyphInstance record = {
        {(glyph.XOffset / sw + kern) * frame_.ScaleX + x_, y_ - glyph.YOffset / sh * frame_.ScaleY,
         glyph.Width / sw * frame_.ScaleX, glyph.Height / sh * frame_.ScaleY},
        {glyph.U, glyph.V, glyph.TexWidth, glyph.TexHeight},
        TextColor};
    x_ += (glyph.XAdvance / sw - horizontalPadding_) * frame_.ScaleX;
    return record;
  }

 private:
  const BitmapFont& font_;
  const TextFrame& frame_;
  float startX_;
  float x_;
  float y_;
  float horizontalPadding_;
  float verticalPadding_;
};

}  // namespace

size_t LayOutText(std::wstring_view text, const BitmapFont& font, const GlyphLookup& lookup, const TextFrame& frame,
                  std::span<GlyphInstance> records) {
  Pen pen(font, frame);
  // The last character that drew a glyph: spaces and line breaks leave it, so a pair is kerned across them.
  uint16_t previous = NoPreviousCharacter;
  size_t written = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto character = static_cast<uint16_t>(text[i]);
    if (character == CarriageReturn) {
      pen.NewLine();
      continue;
    }
    const Glyph* glyph = lookup.FindGlyph(font, character);
    if (glyph == nullptr) {
      continue;
    }
    if (written == records.size()) {
      break;
    }
    if (character == Space) {
      records[written++] = pen.SpaceRecord();
      continue;
    }
    // Position 0 has no left neighbour; any later position looks for a pair, even when nothing has been
    // drawn before it.
    const float kerning = i > 0 ? lookup.KerningAmount(previous, character) : 0.0f;
    records[written++] = pen.GlyphRecord(*glyph, kerning);
    previous = character;
  }
  return written;
}
