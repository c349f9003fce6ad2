// The font reader on small files written by the tests: values by word position, the three ways of taking
// a value, and the errors a damaged file can really produce.
#include "FontFileText.h"
#include "support/ScratchFolder.h"

#include "text/BitmapFont.h"
#include "text/FontFileError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class FontFile : public ::testing::Test {
 protected:
  BitmapFont Parse(const std::string& contents) {
    scratch.WriteFile("font.fnt", contents);
    return ParseFontFile(L"font.fnt", 800, 600);
  }

  // The error a file raises, or "" when it parses.
  std::string ErrorOf(const std::string& contents) {
    try {
      Parse(contents);
    } catch (const FontFileError& error) {
      return error.Reason();
    }
    return "";
  }

  static FontFileText TwoGlyphs() {
    FontFileText font;
    font.glyphs = {{65, 128, 64, 16, 32, 1, 2, 18}, {66, 0, 0, 8, 8, -1, 5, 9}};
    font.kernings = {{65, 66, -2}, {66, 65, 3}};
    return font;
  }

  ScratchFolder scratch;
};

TEST_F(FontFile, ReadsEveryValueFromItsWordPosition) {
  const BitmapFont font = Parse(TwoGlyphs().Text());
  EXPECT_EQ(font.FaceName, L"Test");
  EXPECT_EQ(font.TextureFile, L"atlas.png");
  EXPECT_EQ(font.Size, 32);
  EXPECT_EQ(font.LineHeight, 40.0f);
  EXPECT_EQ(font.Base, 30.0f);
  EXPECT_EQ(font.TextureWidth, 256);
  EXPECT_EQ(font.TextureHeight, 128);
  // padding=1,2,3,4 is top, right, bottom, left.
  EXPECT_EQ(font.PaddingTop, 1.0f);
  EXPECT_EQ(font.PaddingRight, 2.0f);
  EXPECT_EQ(font.PaddingBottom, 3.0f);
  EXPECT_EQ(font.PaddingLeft, 4.0f);

  ASSERT_EQ(font.GlyphCount, 2);
  ASSERT_EQ(font.Glyphs.size(), 2u);
  const Glyph& a = font.Glyphs[0];
  EXPECT_EQ(a.Id, 65);
  // Only the atlas rectangle is normalised; the metrics stay in pixels.
  EXPECT_EQ(a.U, 0.5f);
  EXPECT_EQ(a.V, 0.5f);
  EXPECT_EQ(a.TexWidth, 0.0625f);
  EXPECT_EQ(a.TexHeight, 0.25f);
  EXPECT_EQ(a.Width, 16.0f);
  EXPECT_EQ(a.Height, 32.0f);
  EXPECT_EQ(a.XOffset, 1.0f);
  EXPECT_EQ(a.YOffset, 2.0f);
  EXPECT_EQ(a.XAdvance, 18.0f);
  EXPECT_EQ(font.Glyphs[1].Id, 66);
  EXPECT_EQ(font.Glyphs[1].XOffset, -1.0f);

  ASSERT_EQ(font.KerningCount, 2);
  ASSERT_EQ(font.Kernings.size(), 2u);
  EXPECT_EQ(font.Kernings[0].First, 65);
  EXPECT_EQ(font.Kernings[0].Second, 66);
  EXPECT_EQ(font.Kernings[0].Amount, -2.0f);
  EXPECT_EQ(font.Kernings[1].Amount, 3.0f);
}

TEST_F(FontFile, KeyNamesAndLineBreaksDoNotMatterOnlyPositions) {
  std::string text = TwoGlyphs().Text();
  for (const std::string key : {"size=", "lineHeight=", "xadvance=", "amount="}) {
    text.replace(text.find(key), key.size(), "whatever=");
  }
  for (char& character : text) {
    if (character == '\n') character = ' ';
  }
  const BitmapFont font = Parse(text);
  EXPECT_EQ(font.Size, 32);
  EXPECT_EQ(font.LineHeight, 40.0f);
  EXPECT_EQ(font.Glyphs[1].XAdvance, 9.0f);
  EXPECT_EQ(font.Kernings[1].Amount, 3.0f);
}

TEST_F(FontFile, QuotedTextRules) {
  FontFileText font = TwoGlyphs();
  font.face = "\"Arial\"";
  EXPECT_EQ(Parse(font.Text()).FaceName, L"Arial");
  font.face = "\"\"";
  EXPECT_EQ(Parse(font.Text()).FaceName, L"");
  // Without quotes the word's last character is still taken for the closing quote.
  font.face = "Arial";
  EXPECT_EQ(Parse(font.Text()).FaceName, L"face=Aria");
  // Bytes above 127 become the characters of the same codes.
  font.face = "\"Caf\xE9\"";
  EXPECT_EQ(Parse(font.Text()).FaceName, L"Caf\u00E9");
  // A blank cuts the name, and every later value shifts by one word: "Sans"" is read as the size.
  font.face = "\"Liberation Sans\"";
  EXPECT_EQ(ErrorOf(font.Text()), FontFileReason::InvalidNumber);
}

TEST_F(FontFile, NumberRules) {
  FontFileText font = TwoGlyphs();
  font.size = "-32";
  EXPECT_EQ(Parse(font.Text()).Size, -32);
  font.size = "+7";
  EXPECT_EQ(Parse(font.Text()).Size, 7);
  font.size = "-2147483648";
  EXPECT_EQ(Parse(font.Text()).Size, INT32_MIN);
  font.size = "2147483647";
  EXPECT_EQ(Parse(font.Text()).Size, INT32_MAX);
  // The conversion stops at the first character that is not a digit.
  font.size = "12abc";
  EXPECT_EQ(Parse(font.Text()).Size, 12);
  font.size = "65,";
  EXPECT_EQ(Parse(font.Text()).Size, 65);
  // A word without '=' is its own value text.
  std::string bare = font.Text();
  bare.replace(bare.find("size=65,"), 8, "77");
  EXPECT_EQ(Parse(bare).Size, 77);

  for (const char* bad : {"abc", "", "-", "+-1", "x1"}) {
    font.size = bad;
    EXPECT_EQ(ErrorOf(font.Text()), FontFileReason::InvalidNumber) << '"' << bad << '"';
  }
  for (const char* huge : {"2147483648", "-2147483649", "99999999999999999999"}) {
    font.size = huge;
    EXPECT_EQ(ErrorOf(font.Text()), FontFileReason::NumberOutOfRange) << huge;
  }
}

TEST_F(FontFile, PaddingNeedsFourNumbers) {
  FontFileText font = TwoGlyphs();
  font.padding = "-1,0,10,20";
  const BitmapFont parsed = Parse(font.Text());
  EXPECT_EQ(parsed.PaddingTop, -1.0f);
  EXPECT_EQ(parsed.PaddingLeft, 20.0f);
  font.padding = "1,2,3,4,5";  // the fourth number stops at the comma like any number's tail
  EXPECT_EQ(Parse(font.Text()).PaddingLeft, 4.0f);
  for (const char* bad : {"1,2,3", "1", "1,,3,4", "1,2,3,"}) {
    font.padding = bad;
    EXPECT_EQ(ErrorOf(font.Text()), FontFileReason::InvalidNumber) << bad;
  }
}

TEST_F(FontFile, ZeroCountsGiveEmptyTables) {
  FontFileText font = TwoGlyphs();
  font.glyphs.clear();
  font.kernings.clear();
  const BitmapFont parsed = Parse(font.Text());
  EXPECT_EQ(parsed.GlyphCount, 0);
  EXPECT_TRUE(parsed.Glyphs.empty());
  EXPECT_EQ(parsed.KerningCount, 0);
  EXPECT_TRUE(parsed.Kernings.empty());

  // With no glyphs the kernings line follows the chars line directly.
  font.kernings = {{1, 2, 3}};
  EXPECT_EQ(Parse(font.Text()).Kernings.at(0).Amount, 3.0f);
}

TEST_F(FontFile, NegativeCountsAreErrors) {
  std::string glyphs = TwoGlyphs().Text();
  glyphs.replace(glyphs.find("chars count=2"), 13, "chars count=-1");
  EXPECT_EQ(ErrorOf(glyphs), FontFileReason::NegativeCount);

  std::string kernings = TwoGlyphs().Text();
  kernings.replace(kernings.find("kernings count=2"), 16, "kernings count=-5");
  EXPECT_EQ(ErrorOf(kernings), FontFileReason::NegativeCount);
}

TEST_F(FontFile, EarlyEndRepeatsTheLastWord) {
  // Without the kernings line, the last word of the last char line ("chnl=15") is read again for every
  // later value: 15 pairs of (15, 15, 15).
  std::string text = TwoGlyphs().Text();
  text.erase(text.find("kernings"));
  const BitmapFont font = Parse(text);
  ASSERT_EQ(font.KerningCount, 15);
  ASSERT_EQ(font.Kernings.size(), 15u);
  EXPECT_EQ(font.Kernings[14].First, 15);
  EXPECT_EQ(font.Kernings[14].Amount, 15.0f);

  // An end in the middle of a char line fills the glyph from the word it stopped at.
  std::string cut = TwoGlyphs().Text();
  cut.erase(cut.find(" height=8"));
  const BitmapFont cutFont = Parse(cut);
  EXPECT_EQ(cutFont.Glyphs[1].Width, 8.0f);
  EXPECT_EQ(cutFont.Glyphs[1].XAdvance, 8.0f);
  EXPECT_EQ(cutFont.KerningCount, 8);
}

// The line the program stops with. A missing file fails at the size like any bad number, and says why.
TEST_F(FontFile, ErrorLineNamesTheFileAndTheError) {
  auto errorLine = [](const wchar_t* fileName) -> std::string {
    try {
      ParseFontFile(fileName, 800, 600);
    } catch (const FontFileError& error) {
      return error.what();
    }
    return "parsed";
  };
  FontFileText font = TwoGlyphs();
  font.size = "abc";
  scratch.WriteFile("newarial.fnt", font.Text());
  EXPECT_EQ(errorLine(L"newarial.fnt"), "newarial.fnt: invalid stoi argument");
  EXPECT_EQ(errorLine(L"missing.fnt"), "missing.fnt: invalid stoi argument (the file cannot be opened)");
}

}  // namespace
