// Layout arithmetic on a hand-made font, with numbers chosen to come out round: a box corner at
// (500, 0) on an 800 x 600 screen starts the pen at clip (0.25, 1.0), and at scale 0.2 a font pixel is
// 0.00025 clip units wide and 1/1500 high.
#include "text/TextLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr float PixelWidth = 0.2f / 800.0f;
constexpr float PixelHeight = 0.2f / 600.0f;

Glyph MakeGlyph(int32_t id, float xOffset, float yOffset, float width, float height, float xAdvance) {
  Glyph glyph;
  glyph.Id = id;
  glyph.U = 0.25f;
  glyph.V = 0.5f;
  glyph.TexWidth = 0.125f;
  glyph.TexHeight = 0.0625f;
  glyph.Width = width;
  glyph.Height = height;
  glyph.XOffset = xOffset;
  glyph.YOffset = yOffset;
  glyph.XAdvance = xAdvance;
  return glyph;
}

class TextLayout : public ::testing::Test {
 protected:
  TextLayout() {
    font.LineHeight = 90.0f;
    font.Glyphs = {MakeGlyph('A', 10, 30, 80, 120, 100), MakeGlyph('V', -4, 30, 90, 120, 96),
                   MakeGlyph(' ', 0, 0, 0, 0, 999)};
    font.GlyphCount = static_cast<int32_t>(font.Glyphs.size());
  }

  std::vector<GlyphInstance> LayOut(const std::wstring& text, size_t capacity = 64) {
    font.GlyphCount = static_cast<int32_t>(font.Glyphs.size());
    font.KerningCount = static_cast<int32_t>(font.Kernings.size());
    const GlyphLookup lookup(font);
    std::vector<GlyphInstance> records(capacity);
    records.resize(LayOutText(text, font, lookup, frame, records));
    return records;
  }

  BitmapFont font;
  TextFrame frame = {500.0f, 0.0f, 800.0f, 600.0f, 0.2f, 0.2f};
};

TEST_F(TextLayout, GlyphRecordPlacesThePictureFromThePen) {
  const auto records = LayOut(L"A");
  ASSERT_EQ(records.size(), 1u);
  const GlyphInstance& a = records[0];
  EXPECT_FLOAT_EQ(a.Position.Left, 0.25f + 10 * PixelWidth);
  EXPECT_FLOAT_EQ(a.Position.Top, 1.0f - 30 * PixelHeight);
  EXPECT_FLOAT_EQ(a.Position.Width, 80 * PixelWidth);
  EXPECT_FLOAT_EQ(a.Position.Height, 120 * PixelHeight);
  EXPECT_EQ(a.TexCoord.Left, 0.25f);
  EXPECT_EQ(a.TexCoord.Top, 0.5f);
  EXPECT_EQ(a.TexCoord.Width, 0.125f);
  EXPECT_EQ(a.TexCoord.Height, 0.0625f);
  EXPECT_EQ(a.Color.R, 0.2f);
  EXPECT_EQ(a.Color.G, 0.2f);
  EXPECT_EQ(a.Color.B, 0.7f);
  EXPECT_EQ(a.Color.A, 1.0f);
}

TEST_F(TextLayout, PenAdvanceLessNinetyPercentOfTheSidePadding) {
  EXPECT_FLOAT_EQ(LayOut(L"AA")[1].Position.Left, 0.25f + 100 * PixelWidth + 10 * PixelWidth);
  // Left and right padding of 4 and 2 pixels take 0.9 x 6 pixels off every advance.
  font.PaddingLeft = 4.0f;
  font.PaddingRight = 2.0f;
  EXPECT_NEAR(LayOut(L"AA")[1].Position.Left, 0.25f + (100 - 5.4f) * PixelWidth + 10 * PixelWidth, 1e-6f);
}

TEST_F(TextLayout, SpaceHasAFixedAdvanceAndAZeroHeightRecord) {
  const auto records = LayOut(L"A A");
  ASSERT_EQ(records.size(), 3u);
  const GlyphInstance& space = records[1];
  // 40.2 / 800 x 0.2, whatever the font's own space glyph says.
  EXPECT_FLOAT_EQ(space.Position.Width, 0.01005f);
  EXPECT_FLOAT_EQ(space.Position.Left, 0.25f + 100 * PixelWidth);
  EXPECT_FLOAT_EQ(space.Position.Top, 1.0f);
  EXPECT_EQ(space.Position.Height, 0.0f);
  EXPECT_EQ(space.TexCoord.Width, 0.0f);
  EXPECT_EQ(space.TexCoord.Height, 0.0f);
  EXPECT_EQ(space.Color.B, 0.7f);
  EXPECT_FLOAT_EQ(records[2].Position.Left, 0.25f + 100 * PixelWidth + 0.01005f + 10 * PixelWidth);

  // Without a glyph for 32 in the font, a space is skipped like any character the font lacks.
  font.Glyphs.pop_back();
  const auto withoutSpace = LayOut(L"A A");
  ASSERT_EQ(withoutSpace.size(), 2u);
  EXPECT_FLOAT_EQ(withoutSpace[1].Position.Left, 0.25f + 100 * PixelWidth + 10 * PixelWidth);
}

TEST_F(TextLayout, KerningMovesOnlyTheSecondGlyphAndCarriesAcrossSpacesAndLines) {
  font.Kernings = {{'A', 'V', -8.0f}};
  const float unkernedV = 0.25f + 100 * PixelWidth - 4 * PixelWidth;
  EXPECT_FLOAT_EQ(LayOut(L"AV")[1].Position.Left, unkernedV - 8 * PixelWidth);
  // A space does not end the pair: the V after it is still kerned against the A.
  EXPECT_FLOAT_EQ(LayOut(L"A V")[2].Position.Left, unkernedV + 0.01005f - 8 * PixelWidth);
  // Nor does a line break.
  EXPECT_FLOAT_EQ(LayOut(L"A\rV")[1].Position.Left, 0.25f - 4 * PixelWidth - 8 * PixelWidth);
  // The pair is ordered.
  EXPECT_FLOAT_EQ(LayOut(L"VA")[1].Position.Left, 0.25f + 96 * PixelWidth + 10 * PixelWidth);
}

TEST_F(TextLayout, CarriageReturnStartsALineLowerAtTheLeftEdge) {
  font.PaddingTop = 1.0f;
  font.PaddingBottom = 3.0f;
  const auto records = LayOut(L"AA\rA");
  ASSERT_EQ(records.size(), 3u);  // the line break itself makes no record
  EXPECT_FLOAT_EQ(records[2].Position.Left, records[0].Position.Left);
  // Line height plus 0.9 of the top and bottom padding.
  EXPECT_NEAR(records[0].Position.Top - records[2].Position.Top, (90 + 3.6f) * PixelHeight, 1e-6f);
}

TEST_F(TextLayout, CharacterWithoutAGlyphIsSkippedButKeepsItsPosition) {
  font.Kernings = {{0xFFFF, 'A', 20.0f}};
  // At position 0 there is no left neighbour to look for.
  EXPECT_FLOAT_EQ(LayOut(L"A")[0].Position.Left, 0.25f + 10 * PixelWidth);
  // After a character the font lacks, the A is at position 1: its pair with "nothing drawn yet" applies.
  const auto records = LayOut(L"?A");
  ASSERT_EQ(records.size(), 1u);
  EXPECT_FLOAT_EQ(records[0].Position.Left, 0.25f + 10 * PixelWidth + 20 * PixelWidth);
}

TEST_F(TextLayout, FirstMatchingGlyphAndPairWinAndCodesAreCutTo16Bits) {
  font.Glyphs.insert(font.Glyphs.begin(), MakeGlyph('A' + 0x10000, 0, 0, 1, 1, 50));
  font.Kernings = {{'A', 'A', 4.0f}, {'A', 'A', 100.0f}};
  const auto records = LayOut(L"AA");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_FLOAT_EQ(records[0].Position.Width, 1 * PixelWidth);
  EXPECT_FLOAT_EQ(records[1].Position.Left, 0.25f + 50 * PixelWidth + 4 * PixelWidth);
}

TEST_F(TextLayout, StopsWhenTheRecordsAreFull) {
  const auto records = LayOut(L"AAAA\rAA", 3);
  ASSERT_EQ(records.size(), 3u);
  EXPECT_FLOAT_EQ(records[2].Position.Left, 0.25f + 200 * PixelWidth + 10 * PixelWidth);
}

}  // namespace
