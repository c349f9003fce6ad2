// The format rules of texture loading: which GPU format each decoded pixel format uploads as, what the
// others are converted to first, and the pixel sizes that size the rows.
#include "content/TextureFormats.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

struct DirectFormat {
  const GUID* Wic;
  DXGI_FORMAT Dxgi;
  uint32_t Bits;  // the bits per pixel the image format itself has
};

const std::vector<DirectFormat> DirectFormats = {
    {&GUID_WICPixelFormat128bppRGBAFloat, DXGI_FORMAT_R32G32B32A32_FLOAT, 128},
    {&GUID_WICPixelFormat64bppRGBAHalf, DXGI_FORMAT_R16G16B16A16_FLOAT, 64},
    {&GUID_WICPixelFormat64bppRGBA, DXGI_FORMAT_R16G16B16A16_UNORM, 64},
    {&GUID_WICPixelFormat32bppRGBA, DXGI_FORMAT_R8G8B8A8_UNORM, 32},
    {&GUID_WICPixelFormat32bppBGRA, DXGI_FORMAT_B8G8R8A8_UNORM, 32},
    {&GUID_WICPixelFormat32bppBGR, DXGI_FORMAT_B8G8R8X8_UNORM, 32},
    {&GUID_WICPixelFormat32bppRGBA1010102XR, DXGI_FORMAT_R10G10B10_XR_BIAS_A2_UNORM, 32},
    {&GUID_WICPixelFormat32bppRGBA1010102, DXGI_FORMAT_R10G10B10A2_UNORM, 32},
    {&GUID_WICPixelFormat16bppBGRA5551, DXGI_FORMAT_B5G5R5A1_UNORM, 16},
    {&GUID_WICPixelFormat16bppBGR565, DXGI_FORMAT_B5G6R5_UNORM, 16},
    {&GUID_WICPixelFormat32bppGrayFloat, DXGI_FORMAT_R32_FLOAT, 32},
    {&GUID_WICPixelFormat16bppGrayHalf, DXGI_FORMAT_R16_FLOAT, 16},
    {&GUID_WICPixelFormat16bppGray, DXGI_FORMAT_R16_UNORM, 16},
    {&GUID_WICPixelFormat8bppGray, DXGI_FORMAT_R8_UNORM, 8},
    {&GUID_WICPixelFormat8bppAlpha, DXGI_FORMAT_A8_UNORM, 8},
};

// The row pitch is computed from the GPU format, the pixels are copied in the image format: the two
// sizes must agree or rows would be cut short or run into each other.
TEST(DxgiFormatFromWicFormat, GivesEachDirectFormatAGpuFormatOfTheSamePixelSize) {
  for (const DirectFormat& format : DirectFormats) {
    EXPECT_EQ(DxgiFormatFromWicFormat(*format.Wic), format.Dxgi) << "DXGI format " << format.Dxgi;
    EXPECT_EQ(BitsPerPixel(format.Dxgi), format.Bits) << "DXGI format " << format.Dxgi;
  }
}

TEST(DxgiFormatFromWicFormat, FormatsNeedingConversionHaveNoGpuFormat) {
  for (const GUID* format :
       {&GUID_WICPixelFormat24bppRGB, &GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat8bppIndexed,
        &GUID_WICPixelFormat48bppRGB, &GUID_WICPixelFormat96bppRGBFloat, &GUID_WICPixelFormatDontCare}) {
    EXPECT_EQ(DxgiFormatFromWicFormat(*format), DXGI_FORMAT_UNKNOWN);
  }
}

TEST(BitsPerPixel, IsZeroForFormatsTheLoaderNeverProduces) {
  EXPECT_EQ(BitsPerPixel(DXGI_FORMAT_UNKNOWN), 0u);
  EXPECT_EQ(BitsPerPixel(DXGI_FORMAT_R8G8B8A8_UNORM_SRGB), 0u);
  EXPECT_EQ(BitsPerPixel(DXGI_FORMAT_BC1_UNORM), 0u);
}

// One source of each group: each goes to the direct format with the same channels at no less precision.
TEST(WicConversionTarget, ConvertsToTheClosestDirectFormat) {
  const std::vector<std::pair<const GUID*, const GUID*>> conversions = {
      {&GUID_WICPixelFormat4bppGray, &GUID_WICPixelFormat8bppGray},
      {&GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat32bppRGBA},
      {&GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat32bppRGBA},
      {&GUID_WICPixelFormat32bppPBGRA, &GUID_WICPixelFormat32bppRGBA},
      {&GUID_WICPixelFormat16bppGrayFixedPoint, &GUID_WICPixelFormat16bppGrayHalf},
      {&GUID_WICPixelFormat32bppGrayFixedPoint, &GUID_WICPixelFormat32bppGrayFloat},
      {&GUID_WICPixelFormat16bppBGR555, &GUID_WICPixelFormat16bppBGRA5551},
      {&GUID_WICPixelFormat32bppBGR101010, &GUID_WICPixelFormat32bppRGBA1010102},
      {&GUID_WICPixelFormat48bppRGB, &GUID_WICPixelFormat64bppRGBA},
      {&GUID_WICPixelFormat80bppCMYKAlpha, &GUID_WICPixelFormat64bppRGBA},
      {&GUID_WICPixelFormat48bppRGBHalf, &GUID_WICPixelFormat64bppRGBAHalf},
      {&GUID_WICPixelFormat32bppRGBE, &GUID_WICPixelFormat128bppRGBAFloat},
  };
  for (const auto& [source, target] : conversions) {
    EXPECT_EQ(WicConversionTarget(*source), *target) << "source with Data1 " << std::hex << source->Data1;
  }
}

TEST(WicConversionTarget, DirectAndUnknownFormatsHaveNoTarget) {
  for (const GUID* format : {&GUID_WICPixelFormat32bppRGBA, &GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat8bppGray,
                             &GUID_WICPixelFormat96bppRGBFloat, &GUID_WICPixelFormatDontCare}) {
    EXPECT_EQ(WicConversionTarget(*format), GUID_WICPixelFormatDontCare);
  }
}

// Every format the PNG decoder reports reaches the GPU, directly or through one conversion.
TEST(TextureFormats, EveryPngPixelFormatBecomesATexture) {
  for (const GUID* png : {&GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormat2bppGray, &GUID_WICPixelFormat4bppGray,
                          &GUID_WICPixelFormat8bppGray, &GUID_WICPixelFormat16bppGray, &GUID_WICPixelFormat1bppIndexed,
                          &GUID_WICPixelFormat2bppIndexed, &GUID_WICPixelFormat4bppIndexed,
                          &GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat48bppRGB,
                          &GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat64bppRGBA}) {
    DXGI_FORMAT format = DxgiFormatFromWicFormat(*png);
    if (format == DXGI_FORMAT_UNKNOWN) {
      format = DxgiFormatFromWicFormat(WicConversionTarget(*png));
    }
    EXPECT_NE(format, DXGI_FORMAT_UNKNOWN) << "PNG format with Data1 " << std::hex << png->Data1;
  }
}

}  // namespace
