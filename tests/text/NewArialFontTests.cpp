// The committed font: it must read by word position into the values its lines name by key, and cover
// the printable ASCII characters within its atlas.
#include "text/BitmapFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path AssetsDirectory = ENGINE_ASSETS_DIR;

// The lines of a BMFont text file as key=value maps, read by key name: the independent reading that the
// positional one must agree with.
std::vector<std::map<std::string, std::string>> LinesOfKind(const std::filesystem::path& file,
                                                            const std::string& kind) {
  std::vector<std::map<std::string, std::string>> lines;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word) || word != kind) continue;
    std::map<std::string, std::string>& values = lines.emplace_back();
    while (words >> word) {
      const size_t equals = word.find('=');
      if (equals != std::string::npos) values[word.substr(0, equals)] = word.substr(equals + 1);
    }
  }
  return lines;
}

int ValueOf(const std::map<std::string, std::string>& line, const std::string& key) { return std::stoi(line.at(key)); }

// Width and height from a PNG's header chunk.
std::pair<int, int> PngSize(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char header[24] = {};
  in.read(reinterpret_cast<char*>(header), sizeof(header));
  auto bigEndian = [&](int at) {
    return (header[at] << 24) | (header[at + 1] << 16) | (header[at + 2] << 8) | header[at + 3];
  };
  return {bigEndian(16), bigEndian(20)};
}

class NewArialFont : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(AssetsDirectory / "newarial.fnt"))
        << "the committed assets/newarial.fnt is missing";
    font = ParseFontFile((AssetsDirectory / "newarial.fnt").wstring(), 800, 600);
  }

  BitmapFont font;
};

TEST_F(NewArialFont, PositionalReadingAgreesWithTheKeys) {
  const auto file = AssetsDirectory / "newarial.fnt";
  const auto common = LinesOfKind(file, "common");
  ASSERT_EQ(common.size(), 1u);
  EXPECT_EQ(font.LineHeight, static_cast<float>(ValueOf(common[0], "lineHeight")));
  EXPECT_EQ(font.Base, static_cast<float>(ValueOf(common[0], "base")));
  EXPECT_EQ(font.TextureWidth, ValueOf(common[0], "scaleW"));
  EXPECT_EQ(font.TextureHeight, ValueOf(common[0], "scaleH"));
  EXPECT_EQ(font.TextureFile, L"newarial.png");
  EXPECT_EQ(font.FaceName.find(L' '), std::wstring::npos);
  EXPECT_FALSE(font.FaceName.empty());

  const auto chars = LinesOfKind(file, "char");
  ASSERT_EQ(font.GlyphCount, static_cast<int>(chars.size()));
  for (size_t i = 0; i < chars.size(); ++i) {
    const Glyph& glyph = font.Glyphs[i];
    SCOPED_TRACE("glyph " + std::to_string(glyph.Id));
    EXPECT_EQ(glyph.Id, ValueOf(chars[i], "id"));
    EXPECT_EQ(glyph.Width, static_cast<float>(ValueOf(chars[i], "width")));
    EXPECT_EQ(glyph.Height, static_cast<float>(ValueOf(chars[i], "height")));
    EXPECT_EQ(glyph.XOffset, static_cast<float>(ValueOf(chars[i], "xoffset")));
    EXPECT_EQ(glyph.YOffset, static_cast<float>(ValueOf(chars[i], "yoffset")));
    EXPECT_EQ(glyph.XAdvance, static_cast<float>(ValueOf(chars[i], "xadvance")));
    EXPECT_EQ(glyph.U * static_cast<float>(font.TextureWidth), static_cast<float>(ValueOf(chars[i], "x")));
  }

  const auto kernings = LinesOfKind(file, "kerning");
  ASSERT_EQ(font.KerningCount, static_cast<int>(kernings.size()));
  EXPECT_GT(font.KerningCount, 0) << "the font's kerning data is expected in the file";
  for (size_t i = 0; i < kernings.size(); ++i) {
    EXPECT_EQ(font.Kernings[i].First, ValueOf(kernings[i], "first"));
    EXPECT_EQ(font.Kernings[i].Second, ValueOf(kernings[i], "second"));
    EXPECT_EQ(font.Kernings[i].Amount, static_cast<float>(ValueOf(kernings[i], "amount")));
  }
}

TEST_F(NewArialFont, CoversPrintableAsciiInsideItsAtlas) {
  const auto [pngWidth, pngHeight] = PngSize(AssetsDirectory / "newarial.png");
  EXPECT_EQ(font.TextureWidth, pngWidth);
  EXPECT_EQ(font.TextureHeight, pngHeight);

  for (int code = 32; code <= 126; ++code) {
    const auto found =
        std::find_if(font.Glyphs.begin(), font.Glyphs.end(), [code](const Glyph& glyph) { return glyph.Id == code; });
    ASSERT_NE(found, font.Glyphs.end()) << "no glyph for " << code;
    EXPECT_GE(found->U, 0.0f) << code;
    EXPECT_GE(found->V, 0.0f) << code;
    EXPECT_LE(found->U + found->TexWidth, 1.0f) << code;
    EXPECT_LE(found->V + found->TexHeight, 1.0f) << code;
    // The background samples the corner block at u, v >= 0.99; no glyph may lie there.
    EXPECT_FALSE(found->U + found->TexWidth > 0.99f && found->V + found->TexHeight > 0.99f) << code;
  }
  const auto letterA =
      std::find_if(font.Glyphs.begin(), font.Glyphs.end(), [](const Glyph& glyph) { return glyph.Id == 'A'; });
  // At the label's scale of 0.2 a capital is 20 to 30 pixels high: readable in an 800 x 600 window.
  EXPECT_GE(letterA->Height, 90.0f);
  EXPECT_LE(letterA->Height, 160.0f);
}

}  // namespace
