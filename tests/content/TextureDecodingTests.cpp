// Decoding images for upload: PNGs of each kind, written here with known samples, come out in the GPU
// format the loader picks, converted where needed, with the rows it will upload. Images that cannot be
// used stop with one line naming the file and the reason.
#include "support/PngWriter.h"
#include "support/ScratchFolder.h"

#include "content/TextureFileError.h"
#include "content/TextureLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

PngContents PalettePng() {
  PngContents png = MakePng(PNG_COLOR_TYPE_PALETTE, 8, 3, 1, {0, 1, 2});
  png.Palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  png.PaletteAlpha = {0, 128};  // the third entry stays opaque
  return png;
}

class DecodingTest : public testing::Test {
 protected:
  std::filesystem::path PathOf(const std::string& name) const { return folder_.Path() / name; }

  std::wstring Write(const std::string& name, const PngContents& png) const {
    EXPECT_TRUE(WritePng(PathOf(name).string(), png));
    return PathOf(name).wstring();
  }

  // The single line the program would stop with.
  static std::string FailureOf(const std::wstring& fileName) {
    try {
      DecodeImage(fileName);
    } catch (const TextureFileError& error) {
      return error.what();
    }
    return "(decoded without complaint)";
  }

 private:
  ScratchFolder folder_;
};

struct PngKind {
  const char* Name;
  PngContents Contents;
  DXGI_FORMAT Format;
  uint32_t RowPitch;
  std::vector<uint8_t> Pixels;  // what the texture receives, row after row
};

void PrintTo(const PngKind& kind, std::ostream* out) { *out << kind.Name; }

class DecodesPng : public DecodingTest, public testing::WithParamInterface<PngKind> {};

TEST_P(DecodesPng, IntoTheTextureFormatWithTightRows) {
  const PngKind& kind = GetParam();
  const DecodedImage image = DecodeImage(Write("image.png", kind.Contents));
  EXPECT_EQ(image.Width, kind.Contents.Width);
  EXPECT_EQ(image.Height, kind.Contents.Height);
  EXPECT_EQ(image.Format, kind.Format);
  EXPECT_EQ(image.RowPitch, kind.RowPitch);
  EXPECT_EQ(image.ByteSize, kind.RowPitch * kind.Contents.Height);
  EXPECT_EQ(image.Pixels, kind.Pixels);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DecodesPng,
                         testing::Values(
                             // Taken as the decoder gives it: blue first.
                             PngKind{"Rgba8",
                                     MakePng(PNG_COLOR_TYPE_RGBA, 8, 2, 1, {1, 2, 3, 4, 255, 0, 128, 255}),
                                     DXGI_FORMAT_B8G8R8A8_UNORM,
                                     8,
                                     {3, 2, 1, 4, 128, 0, 255, 255}},
                             // Three-byte pixels have no GPU format: widened to four, opaque.
                             PngKind{"Rgb8",
                                     MakePng(PNG_COLOR_TYPE_RGB, 8, 2, 1, {1, 2, 3, 200, 100, 50}),
                                     DXGI_FORMAT_R8G8B8A8_UNORM,
                                     8,
                                     {1, 2, 3, 255, 200, 100, 50, 255}},
                             PngKind{"Palette8",
                                     PalettePng(),
                                     DXGI_FORMAT_R8G8B8A8_UNORM,
                                     12,
                                     {10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255}},
                             // An odd width keeps its tight pitch; only the staging buffer is aligned.
                             PngKind{"Gray8Width3",
                                     MakePng(PNG_COLOR_TYPE_GRAY, 8, 3, 2, {0, 128, 255, 1, 2, 3}),
                                     DXGI_FORMAT_R8_UNORM,
                                     3,
                                     {0, 128, 255, 1, 2, 3}}),
                         [](const testing::TestParamInfo<PngKind>& info) { return std::string(info.param.Name); });

using TextureFileFailure = DecodingTest;

TEST_F(TextureFileFailure, FileThatIsNoImageIsRefusedAtOpening) {
  std::ofstream(PathOf("notes.png")) << "not an image at all\n";
  EXPECT_EQ(FailureOf(PathOf("notes.png").wstring()),
            PathOf("notes.png").string() + ": cannot open the image: The component cannot be found. (0x88982F50)");
}

// The pixel data is read only when the rows are copied: a file cut short passes the header checks and
// fails there, still with one line naming it.
TEST_F(TextureFileFailure, TruncatedFileFailsWithItsName) {
  std::vector<uint16_t> samples(64 * 64 * 3);
  for (size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<uint16_t>(i * 7 % 256);
  }
  const std::string path = PathOf("cut.png").string();
  ASSERT_TRUE(WritePng(path, MakePng(PNG_COLOR_TYPE_RGB, 8, 64, 64, samples)));
  std::vector<uint8_t> bytes = ReadBytes(path);
  bytes.resize(bytes.size() / 2);
  WriteBytes(path, bytes);
  const std::string failure = FailureOf(PathOf("cut.png").wstring());
  EXPECT_EQ(failure.rfind(path + ": cannot ", 0), 0u) << failure;
}

}  // namespace
