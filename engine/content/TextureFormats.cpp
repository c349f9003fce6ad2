#include "content/TextureFormats.h"

#include <array>
#include <utility>

namespace {

// The decoded formats a texture can take unchanged, in the order they are tried.
constexpr std::array DirectFormats = {
    std::pair{&GUID_WICPixelFormat128bppRGBAFloat, DXGI_FORMAT_R32G32B32A32_FLOAT},
    std::pair{&GUID_WICPixelFormat64bppRGBAHalf, DXGI_FORMAT_R16G16B16A16_FLOAT},
    std::pair{&GUID_WICPixelFormat64bppRGBA, DXGI_FORMAT_R16G16B16A16_UNORM},
    std::pair{&GUID_WICPixelFormat32bppRGBA, DXGI_FORMAT_R8G8B8A8_UNORM},
    std::pair{&GUID_WICPixelFormat32bppBGRA, DXGI_FORMAT_B8G8R8A8_UNORM},
    std::pair{&GUID_WICPixelFormat32bppBGR, DXGI_FORMAT_B8G8R8X8_UNORM},
    std::pair{&GUID_WICPixelFormat32bppRGBA1010102XR, DXGI_FORMAT_R10G10B10_XR_BIAS_A2_UNORM},
    std::pair{&GUID_WICPixelFormat32bppRGBA1010102, DXGI_FORMAT_R10G10B10A2_UNORM},
    std::pair{&GUID_WICPixelFormat16bppBGRA5551, DXGI_FORMAT_B5G5R5A1_UNORM},
    std::pair{&GUID_WICPixelFormat16bppBGR565, DXGI_FORMAT_B5G6R5_UNORM},
    std::pair{&GUID_WICPixelFormat32bppGrayFloat, DXGI_FORMAT_R32_FLOAT},
    std::pair{&GUID_WICPixelFormat16bppGrayHalf, DXGI_FORMAT_R16_FLOAT},
    std::pair{&GUID_WICPixelFormat16bppGray, DXGI_FORMAT_R16_UNORM},
    std::pair{&GUID_WICPixelFormat8bppGray, DXGI_FORMAT_R8_UNORM},
    std::pair{&GUID_WICPixelFormat8bppAlpha, DXGI_FORMAT_A8_UNORM},
};

// Each source format with the directly usable format closest to it: the same channels at no less
// precision, so conversion loses nothing the GPU could have shown.
constexpr std::array Conversions = {
    std::pair{&GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormat8bppGray},
    std::pair{&GUID_WICPixelFormat2bppGray, &GUID_WICPixelFormat8bppGray},
    std::pair{&GUID_WICPixelFormat4bppGray, &GUID_WICPixelFormat8bppGray},

    std::pair{&GUID_WICPixelFormat1bppIndexed, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat2bppIndexed, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat4bppIndexed, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat8bppIndexed, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat24bppBGR, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat24bppRGB, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat32bppPBGRA, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat32bppPRGBA, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat32bppCMYK, &GUID_WICPixelFormat32bppRGBA},
    std::pair{&GUID_WICPixelFormat32bppRGB, &GUID_WICPixelFormat32bppRGBA},

    std::pair{&GUID_WICPixelFormat16bppGrayFixedPoint, &GUID_WICPixelFormat16bppGrayHalf},
    std::pair{&GUID_WICPixelFormat32bppGrayFixedPoint, &GUID_WICPixelFormat32bppGrayFloat},
    std::pair{&GUID_WICPixelFormat16bppBGR555, &GUID_WICPixelFormat16bppBGRA5551},
    std::pair{&GUID_WICPixelFormat32bppBGR101010, &GUID_WICPixelFormat32bppRGBA1010102},

    std::pair{&GUID_WICPixelFormat48bppRGB, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat48bppBGR, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat64bppBGRA, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat64bppPRGBA, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat64bppPBGRA, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat64bppCMYK, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat40bppCMYKAlpha, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat80bppCMYKAlpha, &GUID_WICPixelFormat64bppRGBA},
    std::pair{&GUID_WICPixelFormat64bppRGB, &GUID_WICPixelFormat64bppRGBA},

    std::pair{&GUID_WICPixelFormat48bppRGBFixedPoint, &GUID_WICPixelFormat64bppRGBAHalf},
    std::pair{&GUID_WICPixelFormat48bppBGRFixedPoint, &GUID_WICPixelFormat64bppRGBAHalf},
    std::pair{&GUID_WICPixelFormat64bppRGBAFixedPoint, &GUID_WICPixelFormat64bppRGBAHalf},
    std::pair{&GUID_WICPixelFormat64bppBGRAFixedPoint, &GUID_WICPixelFormat64bppRGBAHalf},
    std::pair{&GUID_WICPixelFormat64bppRGBFixedPoint, &GUID_WICPixelFormat64bppRGBAHalf},
    std::pair{&GUID_WICPixelFormat64bppRGBHalf, &GUID_WICPixelFormat64bppRGBAHalf},
    std::pair{&GUID_WICPixelFormat48bppRGBHalf, &GUID_WICPixelFormat64bppRGBAHalf},
    std::pair{&GUID_WICPixelFormat64bppPRGBAHalf, &GUID_WICPixelFormat64bppRGBAHalf},

    std::pair{&GUID_WICPixelFormat128bppPRGBAFloat, &GUID_WICPixelFormat128bppRGBAFloat},
    std::pair{&GUID_WICPixelFormat128bppRGBFloat, &GUID_WICPixelFormat128bppRGBAFloat},
    std::pair{&GUID_WICPixelFormat128bppRGBAFixedPoint, &GUID_WICPixelFormat128bppRGBAFloat},
    std::pair{&GUID_WICPixelFormat128bppRGBFixedPoint, &GUID_WICPixelFormat128bppRGBAFloat},
    std::pair{&GUID_WICPixelFormat32bppRGBE, &GUID_WICPixelFormat128bppRGBAFloat},
};

}  // namespace

DXGI_FORMAT DxgiFormatFromWicFormat(const WICPixelFormatGUID& wicFormat) {
  for (const auto& [source, dxgiFormat] : DirectFormats) {
    if (*source == wicFormat) {
      return dxgiFormat;
    }
  }
  return DXGI_FORMAT_UNKNOWN;
}

WICPixelFormatGUID WicConversionTarget(const WICPixelFormatGUID& wicFormat) {
  for (const auto& [source, target] : Conversions) {
    if (*source == wicFormat) {
      return *target;
    }
  }
  return GUID_WICPixelFormatDontCare;
}

uint32_t BitsPerPixel(DXGI_FORMAT format) {
  switch (format) {
    case DXGI_FORMAT_R32G32B32A32_FLOAT:
      return 128;
    case DXGI_FORMAT_R16G16B16A16_FLOAT:
    case DXGI_FORMAT_R16G16B16A16_UNORM:
      return 64;
    case DXGI_FORMAT_R8G8B8A8_UNORM:
    case DXGI_FORMAT_B8G8R8A8_UNORM:
    case DXGI_FORMAT_B8G8R8X8_UNORM:
    case DXGI_FORMAT_R10G10B10_XR_BIAS_A2_UNORM:
    case DXGI_FORMAT_R10G10B10A2_UNORM:
    case DXGI_FORMAT_R32_FLOAT:
      return 32;
    case DXGI_FORMAT_B5G5R5A1_UNORM:
    case DXGI_FORMAT_B5G6R5_UNORM:
    case DXGI_FORMAT_R16_FLOAT:
    case DXGI_FORMAT_R16_UNORM:
      return 16;
    case DXGI_FORMAT_R8_UNORM:
    case DXGI_FORMAT_A8_UNORM:
      return 8;
    default:
      return 0;
  }
}
