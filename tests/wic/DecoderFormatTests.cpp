// Every kind of PNG decodes to the pixel format Windows reports for it, with the samples that were written.
#include "WicTestSupport.h"

namespace {

PngContents WithPalette(PngContents contents, std::vector<png_color> palette, std::vector<uint8_t> alpha = {}) {
  contents.Palette = std::move(palette);
  contents.PaletteAlpha = std::move(alpha);
  return contents;
}

PngContents WithTransparentColor(PngContents contents, uint16_t red, uint16_t green, uint16_t blue) {
  png_color_16 color{};
  color.red = red;
  color.green = green;
  color.blue = blue;
  color.gray = red;
  contents.TransparentColor = color;
  return contents;
}

struct DecodeCase {
  const char* Name;
  PngContents Contents;
  const GUID* Format;
  unsigned BitsPerPixel;
  std::vector<uint8_t> Pixels;
  std::vector<WICColor> Palette;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const DecodeCase& kind, std::ostream* out) { *out << kind.Name; }

constexpr int kGray = PNG_COLOR_TYPE_GRAY;
constexpr int kGrayAlpha = PNG_COLOR_TYPE_GRAY_ALPHA;
constexpr int kIndexed = PNG_COLOR_TYPE_PALETTE;
constexpr int kRgb = PNG_COLOR_TYPE_RGB;
constexpr int kRgba = PNG_COLOR_TYPE_RGBA;

std::vector<DecodeCase> Cases() {
  const std::vector<png_color> fourColours = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 8, 7}};
  return {
      {"Gray1",
       MakePng(kGray, 1, 10, 1, {1, 0, 1, 1, 0, 0, 1, 0, 1, 1}),
       &GUID_WICPixelFormatBlackWhite,
       1,
       {0xB2, 0xC0},
       {}},
      {"Gray2", MakePng(kGray, 2, 5, 1, {0, 1, 2, 3, 2}), &GUID_WICPixelFormat2bppGray, 2, {0x1B, 0x80}, {}},
      {"Gray4", MakePng(kGray, 4, 3, 1, {0x0, 0xF, 0x7}), &GUID_WICPixelFormat4bppGray, 4, {0x0F, 0x70}, {}},
      {"Gray8",
       MakePng(kGray, 8, 3, 2, {0, 128, 255, 1, 2, 3}),
       &GUID_WICPixelFormat8bppGray,
       8,
       {0, 128, 255, 1, 2, 3},
       {}},
      {"Gray16",
       MakePng(kGray, 16, 3, 1, {0, 0x1234, 0xFFFF}),
       &GUID_WICPixelFormat16bppGray,
       16,
       Le16({0, 0x1234, 0xFFFF}),
       {}},
      {"Indexed1",
       WithPalette(MakePng(kIndexed, 1, 3, 1, {1, 0, 1}), {{255, 0, 0}, {0, 0, 255}}),
       &GUID_WICPixelFormat1bppIndexed,
       1,
       {0xA0},
       {0xFFFF0000, 0xFF0000FF}},
      {"Indexed2",
       WithPalette(MakePng(kIndexed, 2, 4, 1, {3, 2, 1, 0}), fourColours),
       &GUID_WICPixelFormat2bppIndexed,
       2,
       {0xE4},
       {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFF090807}},
      {"Indexed4",
       WithPalette(MakePng(kIndexed, 4, 3, 1, {2, 0, 1}), {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}),
       &GUID_WICPixelFormat4bppIndexed,
       4,
       {0x20, 0x10},
       {0xFF010203, 0xFF040506, 0xFF070809}},
      {"Indexed8WithAlpha",
       WithPalette(MakePng(kIndexed, 8, 3, 1, {0, 1, 2}), {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}}, {0, 128}),
       &GUID_WICPixelFormat8bppIndexed,
       8,
       {0, 1, 2},
       {0x000A141E, 0x8028323C, 0xFF46505A}},
      {"Rgb8",
       MakePng(kRgb, 8, 2, 1, {1, 2, 3, 200, 100, 50}),
       &GUID_WICPixelFormat24bppBGR,
       24,
       {3, 2, 1, 50, 100, 200},
       {}},
      {"Rgb16",
       MakePng(kRgb, 16, 1, 1, {0x0102, 0x0304, 0xFFFE}),
       &GUID_WICPixelFormat48bppRGB,
       48,
       Le16({0x0102, 0x0304, 0xFFFE}),
       {}},
      {"Rgba8",
       MakePng(kRgba, 8, 2, 1, {1, 2, 3, 4, 255, 0, 128, 255}),
       &GUID_WICPixelFormat32bppBGRA,
       32,
       {3, 2, 1, 4, 128, 0, 255, 255},
       {}},
      {"Rgba16",
       MakePng(kRgba, 16, 1, 1, {0x1111, 0x2222, 0x3333, 0x4444}),
       &GUID_WICPixelFormat64bppRGBA,
       64,
       Le16({0x1111, 0x2222, 0x3333, 0x4444}),
       {}},
      {"GrayAlpha8",
       MakePng(kGrayAlpha, 8, 2, 1, {7, 200, 255, 0}),
       &GUID_WICPixelFormat32bppBGRA,
       32,
       {7, 7, 7, 200, 255, 255, 255, 0},
       {}},
      {"GrayAlpha16",
       MakePng(kGrayAlpha, 16, 1, 1, {0xABCD, 0x0102}),
       &GUID_WICPixelFormat64bppRGBA,
       64,
       Le16({0xABCD, 0xABCD, 0xABCD, 0x0102}),
       {}},
      {"Gray8WithTransparentColor",
       WithTransparentColor(MakePng(kGray, 8, 3, 1, {0, 128, 255}), 128, 128, 128),
       &GUID_WICPixelFormat32bppBGRA,
       32,
       {0, 0, 0, 255, 128, 128, 128, 0, 255, 255, 255, 255},
       {}},
      {"Gray2WithTransparentColor",
       WithTransparentColor(MakePng(kGray, 2, 3, 1, {0, 1, 3}), 1, 1, 1),
       &GUID_WICPixelFormat32bppBGRA,
       32,
       {0, 0, 0, 255, 85, 85, 85, 0, 255, 255, 255, 255},
       {}},
      {"Gray16WithTransparentColor",
       WithTransparentColor(MakePng(kGray, 16, 2, 1, {0x1234, 0x0001}), 0x1234, 0x1234, 0x1234),
       &GUID_WICPixelFormat64bppRGBA,
       64,
       Le16({0x1234, 0x1234, 0x1234, 0, 1, 1, 1, 0xFFFF}),
       {}},
      {"Rgb8WithTransparentColor",
       WithTransparentColor(MakePng(kRgb, 8, 2, 1, {1, 2, 3, 4, 5, 6}), 1, 2, 3),
       &GUID_WICPixelFormat32bppBGRA,
       32,
       {3, 2, 1, 0, 6, 5, 4, 255},
       {}},
      {"Rgb16WithTransparentColor",
       WithTransparentColor(MakePng(kRgb, 16, 2, 1, {1, 2, 3, 0x100, 0x200, 0x300}), 1, 2, 3),
       &GUID_WICPixelFormat64bppRGBA,
       64,
       Le16({1, 2, 3, 0, 0x100, 0x200, 0x300, 0xFFFF}),
       {}},
  };
}

class DecodesPngKind : public WicTest, public ::testing::WithParamInterface<DecodeCase> {};

TEST_P(DecodesPngKind, ToTheWindowsPixelFormatWithTheWrittenSamples) {
  const DecodeCase& kind = GetParam();
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("image.png", kind.Contents));
  ASSERT_TRUE(frame);

  UINT width = 0;
  UINT height = 0;
  ASSERT_EQ(frame->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, kind.Contents.Width);
  EXPECT_EQ(height, kind.Contents.Height);
  EXPECT_EQ(PixelFormatOf(frame.Get()), *kind.Format);

  EXPECT_EQ(CopyAllPixels(frame.Get(), kind.BitsPerPixel), kind.Pixels);
}

TEST_P(DecodesPngKind, HandsOutItsPaletteOnlyWhenIndexed) {
  const DecodeCase& kind = GetParam();
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("image.png", kind.Contents));
  ASSERT_TRUE(frame);
  ComPtr<IWICPalette> palette;
  ASSERT_EQ(factory_->CreatePalette(&palette), S_OK);

  if (kind.Palette.empty()) {
    EXPECT_EQ(frame->CopyPalette(palette.Get()), WINCODEC_ERR_PALETTEUNAVAILABLE);
    return;
  }
  ASSERT_EQ(frame->CopyPalette(palette.Get()), S_OK);
  std::vector<WICColor> colors(256);
  UINT count = 0;
  ASSERT_EQ(palette->GetColors(256, colors.data(), &count), S_OK);
  colors.resize(count);
  EXPECT_EQ(colors, kind.Palette);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DecodesPngKind, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<DecodeCase>& info) { return info.param.Name; });

class DecoderTest : public WicTest {};

TEST_F(DecoderTest, InterlacedImagesDecodeLikePlainOnes) {
  PngContents contents = MakePng(kRgba, 8, 5, 4, {});
  std::vector<uint8_t> expected;
  for (uint16_t i = 0; i < 20; ++i) {
    contents.Samples.insert(contents.Samples.end(), {i, uint16_t(2 * i), uint16_t(3 * i), uint16_t(255 - i)});
    expected.insert(expected.end(), {uint8_t(3 * i), uint8_t(2 * i), uint8_t(i), uint8_t(255 - i)});
  }
  contents.Interlaced = true;
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("interlaced.png", contents));
  ASSERT_TRUE(frame);
  EXPECT_EQ(CopyAllPixels(frame.Get(), 32), expected);
}

TEST_F(DecoderTest, ReportsOneFrameOfAPngContainer) {
  ComPtr<IWICBitmapDecoder> decoder;
  const std::string path = Write("one.png", MakePng(kGray, 8, 1, 1, {9}));
  ASSERT_EQ(factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder),
            S_OK);
  UINT frames = 0;
  EXPECT_EQ(decoder->GetFrameCount(&frames), S_OK);
  EXPECT_EQ(frames, 1u);
  GUID container{};
  EXPECT_EQ(decoder->GetContainerFormat(&container), S_OK);
  EXPECT_EQ(container, GUID_ContainerFormatPng);
}

TEST_F(DecoderTest, ResolutionIsNinetySixDpiUnlessTheFileStatesIt) {
  PngContents contents = MakePng(kGray, 8, 1, 1, {9});
  ComPtr<IWICBitmapFrameDecode> plain = OpenFrame(Write("plain.png", contents));
  contents.PixelsPerMetre = 11811;  // 300 DPI
  ComPtr<IWICBitmapFrameDecode> stated = OpenFrame(Write("stated.png", contents));
  ASSERT_TRUE(plain && stated);

  double x = 0;
  double y = 0;
  ASSERT_EQ(plain->GetResolution(&x, &y), S_OK);
  EXPECT_DOUBLE_EQ(x, 96.0);
  EXPECT_DOUBLE_EQ(y, 96.0);
  ASSERT_EQ(stated->GetResolution(&x, &y), S_OK);
  EXPECT_NEAR(x, 300.0, 0.01);
  EXPECT_NEAR(y, 300.0, 0.01);
}

TEST_F(DecoderTest, LargeImagesSurviveTheRoundTrip) {
  constexpr uint32_t kSize = 512;
  PngContents contents = MakePng(kRgb, 8, kSize, kSize, {});
  std::vector<uint8_t> expected;
  for (uint32_t y = 0; y < kSize; ++y) {
    for (uint32_t x = 0; x < kSize; ++x) {
      const auto r = uint16_t(x & 0xFF), g = uint16_t(y & 0xFF), b = uint16_t((x ^ y) & 0xFF);
      contents.Samples.insert(contents.Samples.end(), {r, g, b});
      expected.insert(expected.end(), {uint8_t(b), uint8_t(g), uint8_t(r)});
    }
  }
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("large.png", contents));
  ASSERT_TRUE(frame);
  EXPECT_EQ(CopyAllPixels(frame.Get(), 24), expected);
}

}  // namespace
