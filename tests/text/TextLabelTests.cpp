// Labels with their real buffer on the shared device: what lands in the mapped records, the count of
// records drawn, resizing and re-reading the font, and Backspace against the records.
#include "FontFileText.h"
#include "Typing.h"
#include "support/ScratchFolder.h"

#include "support/ValidationWatch.h"
#include "text/FontFileError.h"
#include "text/TextLabel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace {

// At scale 0.2 on 800 x 600 a font pixel is 0.00025 clip units wide and 1/1500 high.
constexpr float PixelWidth = 0.2f / 800.0f;

FontFileText LabelFont() {
  FontFileText font;
  font.padding = "0,0,0,0";
  font.glyphs = {{'A', 0, 0, 80, 120, 10, 30, 100}, {'B', 100, 0, 70, 120, 8, 30, 90}, {' ', 0, 0, 0, 0, 0, 0, 40}};
  return font;
}

class TextLabelBuffer : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(validation.Start());
    scratch.WriteFile("newarial.fnt", LabelFont().Text());
    label.emplace(800.0f, 600.0f, 500.0f, 0.0f, 200.0f, 70.0f);
    ASSERT_NE(label->MappedInstances, nullptr) << "no device: the label has no buffer";
  }

  void TearDown() override { validation.ExpectSilent(); }

  GlyphInstance Record(const TextLabel& owner, size_t index) const {
    GlyphInstance record;
    std::memcpy(&record, owner.MappedInstances + index * sizeof(GlyphInstance), sizeof(record));
    return record;
  }
  GlyphInstance Record(size_t index) const { return Record(*label, index); }

  ValidationWatch validation;
  ScratchFolder scratch;
  std::optional<TextLabel> label;
};

void ExpectRect(const QuadRect& actual, float left, float top, float width, float height) {
  EXPECT_FLOAT_EQ(actual.Left, left);
  EXPECT_FLOAT_EQ(actual.Top, top);
  EXPECT_FLOAT_EQ(actual.Width, width);
  EXPECT_FLOAT_EQ(actual.Height, height);
}

TEST_F(TextLabelBuffer, ConstructionWritesTheBoxAndNoText) {
  ExpectRect(label->ClipRect, 0.25f, 1.0f, 0.5f, 0.23333333f);
  EXPECT_EQ(label->InstanceCount, 1);
  EXPECT_TRUE(label->Text.empty());
  EXPECT_NE(label->InstanceBufferView.BufferLocation, 0u);
  EXPECT_EQ(label->InstanceBufferView.SizeInBytes, 49152u);
  EXPECT_EQ(label->InstanceBufferView.StrideInBytes, 48u);
  EXPECT_EQ(label->TextDataOffset, 48u);

  const GlyphInstance background = Record(0);
  ExpectRect(background.Position, 0.25f, 1.0f, 0.5f, 0.23333333f);
  ExpectRect(background.TexCoord, 0.0f, 0.0f, 0.9f, 0.9f);
  EXPECT_EQ(background.Color.R, 0.4f);
  EXPECT_EQ(background.Color.G, 0.9f);
  EXPECT_EQ(background.Color.B, 0.4f);
  EXPECT_EQ(background.Color.A, 1.0f);
}

TEST_F(TextLabelBuffer, TextRecordsFollowTheBackgroundAndSetTheCount) {
  label->SetText(L"AB");
  EXPECT_EQ(label->InstanceCount, 3);
  EXPECT_FLOAT_EQ(Record(1).Position.Left, 0.25f + 10 * PixelWidth);
  EXPECT_FLOAT_EQ(Record(2).Position.Left, 0.25f + 100 * PixelWidth + 8 * PixelWidth);
  EXPECT_EQ(Record(2).TexCoord.Left, 100.0f / 256.0f);
  // The background is not touched by a layout.
  EXPECT_EQ(Record(0).Color.R, 0.4f);
}

// The count follows the last layout that made records, up to the 1024 records of the buffer.
TEST_F(TextLabelBuffer, CountOfRecordsDrawn) {
  label->SetText(L"AB");
  label->SetText(L"zz");  // the font has no z
  EXPECT_EQ(label->Text, L"zz");
  EXPECT_EQ(label->InstanceCount, 3);
  label->SetText(L"");
  EXPECT_EQ(label->InstanceCount, 3);

  label->SetText(std::wstring(2000, L'A'));
  EXPECT_EQ(label->InstanceCount, 1024);
  EXPECT_EQ(label->Text.size(), 2000u);
  EXPECT_FLOAT_EQ(Record(1023).Position.Width, 80 * PixelWidth);

  // Line breaks take no record, so they do not count against the limit.
  label->SetText(std::wstring(1100, L'\r') + L"AB");
  EXPECT_EQ(label->InstanceCount, 3);
}

TEST_F(TextLabelBuffer, ResizeMakesTheBoxHalfTheClientAreaAndLaysOutAgain) {
  label->SetText(L"A");
  label->Resize(800.0f, 600.0f);
  EXPECT_EQ(label->Width, 400.0f);
  EXPECT_EQ(label->Height, 300.0f);
  ExpectRect(label->ClipRect, 0.25f, 1.0f, 1.0f, 1.0f);
  // After a relayout the background samples the atlas's opaque corner with its translucent colour.
  const GlyphInstance background = Record(0);
  ExpectRect(background.Position, 0.25f, 1.0f, 1.0f, 1.0f);
  ExpectRect(background.TexCoord, 0.99f, 0.99f, 0.01f, 0.01f);
  EXPECT_EQ(background.Color.R, 0.1f);
  EXPECT_EQ(background.Color.G, 0.9f);
  EXPECT_EQ(background.Color.B, 0.4f);
  EXPECT_EQ(background.Color.A, 0.2f);
  EXPECT_FLOAT_EQ(Record(1).Position.Left, 0.25f + 10 * PixelWidth);

  // On a screen half the size the same corner is further right and the glyph twice as big in clip space.
  label->Resize(400.0f, 300.0f);
  EXPECT_EQ(label->Width, 200.0f);
  ExpectRect(label->ClipRect, 1.5f, 1.0f, 1.0f, 1.0f);
  EXPECT_FLOAT_EQ(Record(1).Position.Width, 2 * 80 * PixelWidth);
  EXPECT_EQ(label->Text, L"A");
}

TEST_F(TextLabelBuffer, RelayoutReadsTheFontFileAgain) {
  label->SetText(L"A");
  FontFileText wider = LabelFont();
  wider.glyphs[0].xoffset = 50;
  scratch.WriteFile("newarial.fnt", wider.Text());
  label->Relayout();
  EXPECT_FLOAT_EQ(Record(1).Position.Left, 0.25f + 50 * PixelWidth);

  FontFileText broken = LabelFont();
  broken.size = "big";
  scratch.WriteFile("newarial.fnt", broken.Text());
  EXPECT_THROW(label->Relayout(), FontFileError);
}

TEST_F(TextLabelBuffer, CopiesShareOneBufferThatOutlivesThem) {
  {
    TextLabel copy = *label;
    copy.SetText(L"B");
    EXPECT_EQ(copy.MappedInstances, label->MappedInstances);
  }
  EXPECT_FLOAT_EQ(Record(1).Position.Left, 0.25f + 8 * PixelWidth);
  label->SetText(L"A");
  EXPECT_FLOAT_EQ(Record(1).Position.Left, 0.25f + 10 * PixelWidth);
}

TEST_F(TextLabelBuffer, BackspaceShowsExactlyTheTextThatIsLeft) {
  Typing keys(*label);
  keys.TypeWithShift('A');
  keys.Type(VK_SPACE);
  keys.Type(VK_RETURN);
  EXPECT_EQ(label->Text, L"A \r");
  EXPECT_EQ(label->InstanceCount, 3);
  keys.Type(VK_BACK);  // the line break had no record
  EXPECT_EQ(label->InstanceCount, 3);
  keys.Type(VK_BACK);
  EXPECT_EQ(label->InstanceCount, 2);

  // z has no glyph and made no record: deleting it leaves the A drawn where it was.
  const GlyphInstance a = Record(1);
  keys.Type('Z');
  EXPECT_EQ(label->InstanceCount, 2);
  keys.Type(VK_BACK);
  EXPECT_EQ(label->Text, L"A");
  EXPECT_EQ(label->InstanceCount, 2);
  EXPECT_EQ(std::memcmp(&a, label->MappedInstances + sizeof(GlyphInstance), sizeof(a)), 0);
  // Down to the background, which is never given up, and no further.
  keys.Type(VK_BACK);
  keys.Type(VK_BACK);
  EXPECT_TRUE(label->Text.empty());
  EXPECT_EQ(label->InstanceCount, 1);
}

TEST(TextLabelFont, ABadFontFileStopsTheConstruction) {
  ScratchFolder scratch;
  FontFileText font = LabelFont();
  font.glyphs[1].xadvance = 0;
  std::string text = font.Text();
  text.replace(text.find("xadvance=0"), 10, "xadvance=#");
  scratch.WriteFile("newarial.fnt", text);
  try {
    TextLabel label(800.0f, 600.0f, 500.0f, 0.0f, 200.0f, 70.0f);
    FAIL() << "the label read a broken font";
  } catch (const FontFileError& error) {
    EXPECT_STREQ(error.what(), "newarial.fnt: invalid stoi argument");
  }
}

}  // namespace
