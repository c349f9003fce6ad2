// The format converter: every target from every decoder format, the rounding and expansion rules, and
// CanConvert agreeing with what Initialize accepts.
#include "WicTestSupport.h"

#include <string>

namespace {

PngContents Rgba8(std::vector<uint16_t> samples, uint32_t width) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_RGBA;
  contents.Width = width;
  contents.Height = 1;
  contents.Samples = std::move(samples);
  return contents;
}

struct TargetCase {
  const char* Name;
  const GUID* Format;
  unsigned BitsPerPixel;
  std::vector<uint8_t> Pixels;  // of an opaque and a half-transparent (200, 100, 50) pixel
};

void PrintTo(const TargetCase& target, std::ostream* out) { *out << target.Name; }

std::vector<TargetCase> Targets() {
  return {
      {"Gray8", &GUID_WICPixelFormat8bppGray, 8, {118, 118}},
      {"Gray16", &GUID_WICPixelFormat16bppGray, 16, Le16({30236, 30236})},
      {"Alpha8", &GUID_WICPixelFormat8bppAlpha, 8, {255, 128}},
      {"Bgr24", &GUID_WICPixelFormat24bppBGR, 24, {50, 100, 200, 50, 100, 200}},
      {"Rgb24", &GUID_WICPixelFormat24bppRGB, 24, {200, 100, 50, 200, 100, 50}},
      {"Bgr32", &GUID_WICPixelFormat32bppBGR, 32, {50, 100, 200, 255, 50, 100, 200, 255}},
      {"Rgb32", &GUID_WICPixelFormat32bppRGB, 32, {200, 100, 50, 255, 200, 100, 50, 255}},
      {"Bgra32", &GUID_WICPixelFormat32bppBGRA, 32, {50, 100, 200, 255, 50, 100, 200, 128}},
      {"Rgba32", &GUID_WICPixelFormat32bppRGBA, 32, {200, 100, 50, 255, 200, 100, 50, 128}},
      {"PremultipliedBgra32", &GUID_WICPixelFormat32bppPBGRA, 32, {50, 100, 200, 255, 25, 50, 100, 128}},
      {"PremultipliedRgba32", &GUID_WICPixelFormat32bppPRGBA, 32, {200, 100, 50, 255, 100, 50, 25, 128}},
      {"Rgb48", &GUID_WICPixelFormat48bppRGB, 48, Le16({51400, 25700, 12850, 51400, 25700, 12850})},
      {"Bgr48", &GUID_WICPixelFormat48bppBGR, 48, Le16({12850, 25700, 51400, 12850, 25700, 51400})},
      {"Rgb64", &GUID_WICPixelFormat64bppRGB, 64, Le16({51400, 25700, 12850, 65535, 51400, 25700, 12850, 65535})},
      {"Rgba64", &GUID_WICPixelFormat64bppRGBA, 64, Le16({51400, 25700, 12850, 65535, 51400, 25700, 12850, 32896})},
      {"Bgra64", &GUID_WICPixelFormat64bppBGRA, 64, Le16({12850, 25700, 51400, 65535, 12850, 25700, 51400, 32896})},
      {"PremultipliedRgba64", &GUID_WICPixelFormat64bppPRGBA, 64,
       Le16({51400, 25700, 12850, 65535, 25801, 12900, 6450, 32896})},
      {"PremultipliedBgra64", &GUID_WICPixelFormat64bppPBGRA, 64,
       Le16({12850, 25700, 51400, 65535, 6450, 12900, 25801, 32896})},
  };
}

class ConvertsTo : public WicTest, public ::testing::WithParamInterface<TargetCase> {};

TEST_P(ConvertsTo, TheTargetLayoutWithRoundedSamples) {
  const TargetCase& target = GetParam();
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("bgra.png", Rgba8({200, 100, 50, 255, 200, 100, 50, 128}, 2)));
  ASSERT_TRUE(frame);
  ComPtr<IWICFormatConverter> converter = Convert(frame.Get(), *target.Format);

  EXPECT_EQ(PixelFormatOf(converter.Get()), *target.Format);
  EXPECT_EQ(CopyAllPixels(converter.Get(), target.BitsPerPixel), target.Pixels);
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, ConvertsTo, ::testing::ValuesIn(Targets()),
                         [](const ::testing::TestParamInfo<TargetCase>& info) { return info.param.Name; });

class ConverterTest : public WicTest {
 protected:
  // 64bppRGBA of every pixel of `source`, the widest view of what a conversion starts from.
  std::vector<uint8_t> AsRgba64(IWICBitmapSource* source) {
    return CopyAllPixels(Convert(source, GUID_WICPixelFormat64bppRGBA).Get(), 64);
  }
};

TEST_F(ConverterTest, PaletteImagesGoThroughTheirPaletteWithItsAlpha) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_PALETTE;
  contents.Width = 4;
  contents.Height = 1;
  contents.Samples = {2, 0, 1, 2};
  contents.Palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}};
  contents.PaletteAlpha = {0, 128};
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("indexed.png", contents));
  ASSERT_TRUE(frame);

  // The engine's own request for palette images.
  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppRGBA).Get(), 32),
            (std::vector<uint8_t>{70, 80, 90, 255, 10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255}));
  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat24bppBGR).Get(), 24),
            (std::vector<uint8_t>{90, 80, 70, 30, 20, 10, 60, 50, 40, 90, 80, 70}));
}

TEST_F(ConverterTest, SubByteGrayStretchesToTheFullRange) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_GRAY;
  contents.BitDepth = 2;
  contents.Width = 4;
  contents.Height = 1;
  contents.Samples = {0, 1, 2, 3};
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("gray2.png", contents));
  ASSERT_TRUE(frame);

  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat8bppGray).Get(), 8),
            (std::vector<uint8_t>{0, 85, 170, 255}));
  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppRGBA).Get(), 32),
            (std::vector<uint8_t>{0, 0, 0, 255, 85, 85, 85, 255, 170, 170, 170, 255, 255, 255, 255, 255}));
  EXPECT_EQ(AsRgba64(frame.Get()),
            Le16({0, 0, 0, 65535, 21845, 21845, 21845, 65535, 43690, 43690, 43690, 65535, 65535, 65535, 65535, 65535}));
}

TEST_F(ConverterTest, SixteenBitSamplesRoundToTheNearestEightBitValue) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_RGB;
  contents.BitDepth = 16;
  contents.Width = 2;
  contents.Height = 1;
  // 128 / 257 = 0.498, 129 / 257 = 0.502, 385 / 257 = 1.498, 386 / 257 = 1.502, 65407 / 257 = 254.5
  contents.Samples = {128, 129, 385, 386, 65407, 65535};
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("rgb16.png", contents));
  ASSERT_TRUE(frame);

  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppRGBA).Get(), 32),
            (std::vector<uint8_t>{0, 1, 1, 255, 2, 255, 255, 255}));
}

TEST_F(ConverterTest, EightBitSamplesWidenByTwoHundredFiftySeven) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_RGB;
  contents.Width = 2;
  contents.Height = 1;
  contents.Samples = {0, 1, 2, 127, 254, 255};
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("rgb8.png", contents));
  ASSERT_TRUE(frame);

  EXPECT_EQ(AsRgba64(frame.Get()), Le16({0, 257, 514, 65535, 32639, 65278, 65535, 65535}));
}

TEST_F(ConverterTest, GrayFromColourIsRec709Luma) {
  ComPtr<IWICBitmapFrameDecode> frame =
      OpenFrame(Write("primaries.png", Rgba8({255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 77, 77, 77, 9}, 4)));
  ASSERT_TRUE(frame);

  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat8bppGray).Get(), 8),
            (std::vector<uint8_t>{54, 182, 18, 77}));
}

// A PNG of every layout the decoder produces, with the 64bppRGBA each must convert to.
struct SourceCase {
  const char* Name;
  PngContents Contents;
  std::vector<uint8_t> Rgba64;
};

void PrintTo(const SourceCase& source, std::ostream* out) { *out << source.Name; }

std::vector<SourceCase> Sources() {
  auto image = [](int colorType, int bitDepth, std::vector<uint16_t> samples) {
    PngContents contents;
    contents.ColorType = colorType;
    contents.BitDepth = bitDepth;
    contents.Width = 2;
    contents.Height = 1;
    contents.Samples = std::move(samples);
    return contents;
  };
  auto indexed = [&](int bitDepth) {
    PngContents contents = image(PNG_COLOR_TYPE_PALETTE, bitDepth, {1, 0});
    contents.Palette = {{1, 2, 3}, {4, 5, 6}};
    contents.PaletteAlpha = {7};
    return contents;
  };
  const std::vector<uint8_t> blackWhite = Le16({65535, 65535, 65535, 65535, 0, 0, 0, 65535});
  const std::vector<uint8_t> palette = Le16({1028, 1285, 1542, 65535, 257, 514, 771, 1799});
  return {
      {"BlackWhite", image(PNG_COLOR_TYPE_GRAY, 1, {1, 0}), blackWhite},
      {"Gray2", image(PNG_COLOR_TYPE_GRAY, 2, {3, 0}), blackWhite},
      {"Gray4", image(PNG_COLOR_TYPE_GRAY, 4, {15, 0}), blackWhite},
      {"Gray8", image(PNG_COLOR_TYPE_GRAY, 8, {255, 0}), blackWhite},
      {"Gray16", image(PNG_COLOR_TYPE_GRAY, 16, {65535, 0}), blackWhite},
      {"Indexed1", indexed(1), palette},
      {"Indexed2", indexed(2), palette},
      {"Indexed4", indexed(4), palette},
      {"Indexed8", indexed(8), palette},
      {"Bgr24", image(PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6}),
       Le16({257, 514, 771, 65535, 1028, 1285, 1542, 65535})},
      {"Rgb48", image(PNG_COLOR_TYPE_RGB, 16, {1, 2, 3, 4, 5, 6}), Le16({1, 2, 3, 65535, 4, 5, 6, 65535})},
      {"Bgra32", image(PNG_COLOR_TYPE_RGBA, 8, {1, 2, 3, 4, 5, 6, 7, 8}),
       Le16({257, 514, 771, 1028, 1285, 1542, 1799, 2056})},
      {"Rgba64", image(PNG_COLOR_TYPE_RGBA, 16, {1, 2, 3, 4, 5, 6, 7, 8}), Le16({1, 2, 3, 4, 5, 6, 7, 8})},
  };
}

struct NamedFormat {
  const char* Name;
  const GUID* Format;
};

const NamedFormat kWritableFormats[] = {
    {"8bppGray", &GUID_WICPixelFormat8bppGray},     {"16bppGray", &GUID_WICPixelFormat16bppGray},
    {"8bppAlpha", &GUID_WICPixelFormat8bppAlpha},   {"24bppBGR", &GUID_WICPixelFormat24bppBGR},
    {"24bppRGB", &GUID_WICPixelFormat24bppRGB},     {"32bppBGR", &GUID_WICPixelFormat32bppBGR},
    {"32bppRGB", &GUID_WICPixelFormat32bppRGB},     {"32bppBGRA", &GUID_WICPixelFormat32bppBGRA},
    {"32bppRGBA", &GUID_WICPixelFormat32bppRGBA},   {"32bppPBGRA", &GUID_WICPixelFormat32bppPBGRA},
    {"32bppPRGBA", &GUID_WICPixelFormat32bppPRGBA}, {"48bppRGB", &GUID_WICPixelFormat48bppRGB},
    {"48bppBGR", &GUID_WICPixelFormat48bppBGR},     {"64bppRGB", &GUID_WICPixelFormat64bppRGB},
    {"64bppRGBA", &GUID_WICPixelFormat64bppRGBA},   {"64bppBGRA", &GUID_WICPixelFormat64bppBGRA},
    {"64bppPRGBA", &GUID_WICPixelFormat64bppPRGBA}, {"64bppPBGRA", &GUID_WICPixelFormat64bppPBGRA},
};

class ConvertsFrom : public WicTest, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(ConvertsFrom, TheWrittenSamplesToWideRgba) {
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("source.png", GetParam().Contents));
  ASSERT_TRUE(frame);
  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat64bppRGBA).Get(), 64), GetParam().Rgba64);
}

// Every decoder format reaches every writable format; the values each target holds are checked above.
TEST_P(ConvertsFrom, ToEveryWritableFormat) {
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("source.png", GetParam().Contents));
  ASSERT_TRUE(frame);
  const WICPixelFormatGUID source = PixelFormatOf(frame.Get());
  for (const NamedFormat& target : kWritableFormats) {
    SCOPED_TRACE(target.Name);
    ComPtr<IWICFormatConverter> converter;
    ASSERT_EQ(factory_->CreateFormatConverter(&converter), S_OK);
    BOOL canConvert = FALSE;
    ASSERT_EQ(converter->CanConvert(source, *target.Format, &canConvert), S_OK);
    EXPECT_TRUE(canConvert);
    ASSERT_EQ(converter->Initialize(frame.Get(), *target.Format, WICBitmapDitherTypeNone, nullptr, 0.0,
                                    WICBitmapPaletteTypeCustom),
              S_OK);
    std::vector<uint8_t> pixels(16);
    EXPECT_EQ(converter->CopyPixels(nullptr, 16, 16, pixels.data()), S_OK);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryDecoderFormat, ConvertsFrom, ::testing::ValuesIn(Sources()),
                         [](const ::testing::TestParamInfo<SourceCase>& info) { return info.param.Name; });

TEST_F(ConverterTest, CanConvertAnswersExactlyWhatInitializeAccepts) {
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("bgra.png", Rgba8({1, 2, 3, 4}, 1)));
  ASSERT_TRUE(frame);
  const GUID* unsupported[] = {&GUID_WICPixelFormat8bppIndexed,   &GUID_WICPixelFormatBlackWhite,
                               &GUID_WICPixelFormat4bppGray,      &GUID_WICPixelFormat128bppRGBAFloat,
                               &GUID_WICPixelFormat64bppRGBAHalf, &GUID_WICPixelFormat16bppBGR565,
                               &GUID_WICPixelFormatDontCare};
  for (const GUID* target : unsupported) {
    ComPtr<IWICFormatConverter> converter;
    ASSERT_EQ(factory_->CreateFormatConverter(&converter), S_OK);
    BOOL canConvert = TRUE;
    ASSERT_EQ(converter->CanConvert(GUID_WICPixelFormat32bppBGRA, *target, &canConvert), S_OK);
    EXPECT_FALSE(canConvert);
    EXPECT_EQ(converter->Initialize(frame.Get(), *target, WICBitmapDitherTypeErrorDiffusion, nullptr, 0.0,
                                    WICBitmapPaletteTypeCustom),
              WINCODEC_ERR_UNSUPPORTEDOPERATION);
  }
  ComPtr<IWICFormatConverter> converter;
  ASSERT_EQ(factory_->CreateFormatConverter(&converter), S_OK);
  BOOL canConvert = FALSE;
  EXPECT_EQ(converter->CanConvert(GUID_WICPixelFormat8bppIndexed, GUID_WICPixelFormat8bppIndexed, &canConvert), S_OK);
  EXPECT_TRUE(canConvert) << "a format converts to itself";
  EXPECT_EQ(converter->CanConvert(GUID_WICPixelFormat32bppBGRA, GUID_WICPixelFormat32bppRGBA, nullptr), E_INVALIDARG);
}

TEST_F(ConverterTest, ConvertingToTheSameIndexedFormatKeepsIndicesAndPalette) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_PALETTE;
  contents.BitDepth = 4;
  contents.Width = 3;
  contents.Height = 1;
  contents.Samples = {1, 0, 1};
  contents.Palette = {{1, 2, 3}, {4, 5, 6}};
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("indexed4.png", contents));
  ASSERT_TRUE(frame);
  ComPtr<IWICFormatConverter> converter = Convert(frame.Get(), GUID_WICPixelFormat4bppIndexed);

  EXPECT_EQ(CopyAllPixels(converter.Get(), 4), (std::vector<uint8_t>{0x10, 0x10}));
  ComPtr<IWICPalette> palette;
  ASSERT_EQ(factory_->CreatePalette(&palette), S_OK);
  ASSERT_EQ(converter->CopyPalette(palette.Get()), S_OK);
  UINT count = 0;
  EXPECT_EQ(palette->GetColorCount(&count), S_OK);
  EXPECT_EQ(count, 2u);
}

TEST_F(ConverterTest, ConvertersChainOnEachOther) {
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("bgra.png", Rgba8({10, 20, 30, 40}, 1)));
  ASSERT_TRUE(frame);
  ComPtr<IWICFormatConverter> wide = Convert(frame.Get(), GUID_WICPixelFormat64bppRGBA);
  ComPtr<IWICFormatConverter> narrow = Convert(wide.Get(), GUID_WICPixelFormat32bppRGBA);
  EXPECT_EQ(CopyAllPixels(narrow.Get(), 32), (std::vector<uint8_t>{10, 20, 30, 40}));
}

TEST_F(ConverterTest, RefusesUseBeforeAndReuseAfterInitialize) {
  ComPtr<IWICFormatConverter> converter;
  ASSERT_EQ(factory_->CreateFormatConverter(&converter), S_OK);
  UINT width = 0;
  UINT height = 0;
  uint8_t pixel[4];
  WICPixelFormatGUID format;
  EXPECT_EQ(converter->GetSize(&width, &height), WINCODEC_ERR_NOTINITIALIZED);
  EXPECT_EQ(converter->GetPixelFormat(&format), WINCODEC_ERR_NOTINITIALIZED);
  EXPECT_EQ(converter->CopyPixels(nullptr, 4, 4, pixel), WINCODEC_ERR_NOTINITIALIZED);
  EXPECT_EQ(converter->Initialize(nullptr, GUID_WICPixelFormat32bppRGBA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeCustom),
            E_INVALIDARG);

  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("bgra.png", Rgba8({1, 2, 3, 4}, 1)));
  ASSERT_TRUE(frame);
  ASSERT_EQ(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppRGBA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeCustom),
            S_OK);
  EXPECT_EQ(converter->Initialize(frame.Get(), GUID_WICPixelFormat24bppRGB, WICBitmapDitherTypeNone, nullptr, 0.0,
                                  WICBitmapPaletteTypeCustom),
            WINCODEC_ERR_WRONGSTATE);
  EXPECT_EQ(converter->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, 1u);
  EXPECT_EQ(height, 1u);
}

}  // namespace
