// Conversions between 8-bit formats that only move bytes take a shortcut past the common 16-bit pixel;
// whichever way a conversion goes, its bytes must be the ones the 16-bit route gives. Going through
// 64bppRGBA first forces that route, so the two are compared on every source and target pair.
#include "WicTestSupport.h"

namespace {

struct NamedFormat {
  const char* Name;
  const GUID* Format;
  unsigned BitsPerPixel;
};

const NamedFormat kEightBitTargets[] = {
    {"8bppGray", &GUID_WICPixelFormat8bppGray, 8},      {"8bppAlpha", &GUID_WICPixelFormat8bppAlpha, 8},
    {"24bppBGR", &GUID_WICPixelFormat24bppBGR, 24},     {"24bppRGB", &GUID_WICPixelFormat24bppRGB, 24},
    {"32bppBGR", &GUID_WICPixelFormat32bppBGR, 32},     {"32bppRGB", &GUID_WICPixelFormat32bppRGB, 32},
    {"32bppBGRA", &GUID_WICPixelFormat32bppBGRA, 32},   {"32bppRGBA", &GUID_WICPixelFormat32bppRGBA, 32},
    {"32bppPBGRA", &GUID_WICPixelFormat32bppPBGRA, 32}, {"32bppPRGBA", &GUID_WICPixelFormat32bppPRGBA, 32},
};

class ConverterShortcut : public WicTest, public ::testing::WithParamInterface<int> {
 protected:
  // 13 x 5 pixels of noise in the colour type, alpha included, so no channel can stand in for another.
  PngContents Noise(int colorType) {
    PngContents contents;
    contents.ColorType = colorType;
    contents.Width = 13;
    contents.Height = 5;
    uint32_t state = 99991;
    const int channels = contents.Channels();
    for (int i = 0; i < 13 * 5 * channels; ++i) {
      state = state * 1664525u + 1013904223u;
      contents.Samples.push_back(static_cast<uint16_t>(state >> 24));
    }
    return contents;
  }
};

TEST_P(ConverterShortcut, GivesTheBytesOfTheSixteenBitRoute) {
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("noise.png", Noise(GetParam())));
  ASSERT_TRUE(frame);
  for (const NamedFormat& target : kEightBitTargets) {
    SCOPED_TRACE(target.Name);
    ComPtr<IWICFormatConverter> wide = Convert(frame.Get(), GUID_WICPixelFormat64bppRGBA);
    EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), *target.Format).Get(), target.BitsPerPixel),
              CopyAllPixels(Convert(wide.Get(), *target.Format).Get(), target.BitsPerPixel));
  }
}

// 8bppGray, 24bppBGR and 32bppBGRA sources, the 8-bit formats the PNG and JPEG decoders hand out.
INSTANTIATE_TEST_SUITE_P(EightBitSources, ConverterShortcut,
                         ::testing::Values(PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGBA),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return info.param == PNG_COLOR_TYPE_GRAY  ? std::string("Gray8")
                                  : info.param == PNG_COLOR_TYPE_RGB ? std::string("Bgr24")
                                                                     : std::string("Bgra32");
                         });

}  // namespace
