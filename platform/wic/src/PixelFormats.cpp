#include "PixelFormats.h"

#include "Diagnostics.h"

namespace wic {
namespace {

constexpr Channel R = Channel::Red;
constexpr Channel G = Channel::Green;
constexpr Channel B = Channel::Blue;
constexpr Channel A = Channel::Alpha;
constexpr Channel Y = Channel::Gray;
constexpr Channel I = Channel::Index;
constexpr Channel X = Channel::Padding;
constexpr Channel Cyan = Channel::Cyan;
constexpr Channel Magenta = Channel::Magenta;
constexpr Channel Yellow = Channel::Yellow;
constexpr Channel Black = Channel::Black;

const PixelFormat kFormats[] = {
    {&GUID_WICPixelFormatBlackWhite, "BlackWhite", 1, 1, 1, {Y}, false},
    {&GUID_WICPixelFormat2bppGray, "2bppGray", 2, 2, 1, {Y}, false},
    {&GUID_WICPixelFormat4bppGray, "4bppGray", 4, 4, 1, {Y}, false},
    {&GUID_WICPixelFormat8bppGray, "8bppGray", 8, 8, 1, {Y}, false},
    {&GUID_WICPixelFormat16bppGray, "16bppGray", 16, 16, 1, {Y}, false},
    {&GUID_WICPixelFormat1bppIndexed, "1bppIndexed", 1, 1, 1, {I}, false},
    {&GUID_WICPixelFormat2bppIndexed, "2bppIndexed", 2, 2, 1, {I}, false},
    {&GUID_WICPixelFormat4bppIndexed, "4bppIndexed", 4, 4, 1, {I}, false},
    {&GUID_WICPixelFormat8bppIndexed, "8bppIndexed", 8, 8, 1, {I}, false},
    {&GUID_WICPixelFormat8bppAlpha, "8bppAlpha", 8, 8, 1, {A}, false},
    {&GUID_WICPixelFormat24bppBGR, "24bppBGR", 24, 8, 3, {B, G, R}, false},
    {&GUID_WICPixelFormat24bppRGB, "24bppRGB", 24, 8, 3, {R, G, B}, false},
    {&GUID_WICPixelFormat32bppBGR, "32bppBGR", 32, 8, 4, {B, G, R, X}, false},
    {&GUID_WICPixelFormat32bppRGB, "32bppRGB", 32, 8, 4, {R, G, B, X}, false},
    {&GUID_WICPixelFormat32bppBGRA, "32bppBGRA", 32, 8, 4, {B, G, R, A}, false},
    {&GUID_WICPixelFormat32bppRGBA, "32bppRGBA", 32, 8, 4, {R, G, B, A}, false},
    {&GUID_WICPixelFormat32bppPBGRA, "32bppPBGRA", 32, 8, 4, {B, G, R, A}, true},
    {&GUID_WICPixelFormat32bppPRGBA, "32bppPRGBA", 32, 8, 4, {R, G, B, A}, true},
    {&GUID_WICPixelFormat48bppRGB, "48bppRGB", 48, 16, 3, {R, G, B}, false},
    {&GUID_WICPixelFormat48bppBGR, "48bppBGR", 48, 16, 3, {B, G, R}, false},
    {&GUID_WICPixelFormat64bppRGB, "64bppRGB", 64, 16, 4, {R, G, B, X}, false},
    {&GUID_WICPixelFormat64bppRGBA, "64bppRGBA", 64, 16, 4, {R, G, B, A}, false},
    {&GUID_WICPixelFormat64bppBGRA, "64bppBGRA", 64, 16, 4, {B, G, R, A}, false},
    {&GUID_WICPixelFormat64bppPRGBA, "64bppPRGBA", 64, 16, 4, {R, G, B, A}, true},
    {&GUID_WICPixelFormat64bppPBGRA, "64bppPBGRA", 64, 16, 4, {B, G, R, A}, true},
    {&GUID_WICPixelFormat32bppCMYK, "32bppCMYK", 32, 8, 4, {Cyan, Magenta, Yellow, Black}, false},
};

// Formats outside the table still get their names in messages.
struct NamedGuid {
  const GUID* Guid;
  const char* Name;
};

const NamedGuid kOtherFormatNames[] = {
    {&GUID_WICPixelFormatDontCare, "DontCare"},
    {&GUID_WICPixelFormat16bppBGR555, "16bppBGR555"},
    {&GUID_WICPixelFormat16bppBGR565, "16bppBGR565"},
    {&GUID_WICPixelFormat16bppBGRA5551, "16bppBGRA5551"},
    {&GUID_WICPixelFormat16bppGrayFixedPoint, "16bppGrayFixedPoint"},
    {&GUID_WICPixelFormat16bppGrayHalf, "16bppGrayHalf"},
    {&GUID_WICPixelFormat32bppGrayFloat, "32bppGrayFloat"},
    {&GUID_WICPixelFormat32bppGrayFixedPoint, "32bppGrayFixedPoint"},
    {&GUID_WICPixelFormat32bppBGR101010, "32bppBGR101010"},
    {&GUID_WICPixelFormat32bppRGBA1010102, "32bppRGBA1010102"},
    {&GUID_WICPixelFormat32bppRGBA1010102XR, "32bppRGBA1010102XR"},
    {&GUID_WICPixelFormat32bppRGBE, "32bppRGBE"},
    {&GUID_WICPixelFormat64bppCMYK, "64bppCMYK"},
    {&GUID_WICPixelFormat40bppCMYKAlpha, "40bppCMYKAlpha"},
    {&GUID_WICPixelFormat80bppCMYKAlpha, "80bppCMYKAlpha"},
    {&GUID_WICPixelFormat48bppRGBFixedPoint, "48bppRGBFixedPoint"},
    {&GUID_WICPixelFormat48bppBGRFixedPoint, "48bppBGRFixedPoint"},
    {&GUID_WICPixelFormat48bppRGBHalf, "48bppRGBHalf"},
    {&GUID_WICPixelFormat64bppRGBAFixedPoint, "64bppRGBAFixedPoint"},
    {&GUID_WICPixelFormat64bppBGRAFixedPoint, "64bppBGRAFixedPoint"},
    {&GUID_WICPixelFormat64bppRGBFixedPoint, "64bppRGBFixedPoint"},
    {&GUID_WICPixelFormat64bppRGBHalf, "64bppRGBHalf"},
    {&GUID_WICPixelFormat64bppRGBAHalf, "64bppRGBAHalf"},
    {&GUID_WICPixelFormat64bppPRGBAHalf, "64bppPRGBAHalf"},
    {&GUID_WICPixelFormat96bppRGBFixedPoint, "96bppRGBFixedPoint"},
    {&GUID_WICPixelFormat96bppRGBFloat, "96bppRGBFloat"},
    {&GUID_WICPixelFormat128bppRGBAFloat, "128bppRGBAFloat"},
    {&GUID_WICPixelFormat128bppPRGBAFloat, "128bppPRGBAFloat"},
    {&GUID_WICPixelFormat128bppRGBFloat, "128bppRGBFloat"},
    {&GUID_WICPixelFormat128bppRGBAFixedPoint, "128bppRGBAFixedPoint"},
    {&GUID_WICPixelFormat128bppRGBFixedPoint, "128bppRGBFixedPoint"},
};

}  // namespace

bool PixelFormat::IsWritable() const { return BitsPerChannel >= 8 && !IsIndexed() && !IsInk(); }

bool PixelFormat::IsIndexed() const { return Channels[0] == Channel::Index; }

bool PixelFormat::IsInk() const { return Channels[0] == Channel::Cyan; }

const PixelFormat* FindPixelFormat(REFGUID guid) {
  for (const PixelFormat& format : kFormats) {
    if (*format.Guid == guid) {
      return &format;
    }
  }
  return nullptr;
}

std::string PixelFormatName(REFGUID guid) {
  if (const PixelFormat* format = FindPixelFormat(guid)) {
    return format->Name;
  }
  for (const NamedGuid& named : kOtherFormatNames) {
    if (*named.Guid == guid) {
      return named.Name;
    }
  }
  return GuidText(guid);
}

UINT64 RowBytes(UINT bitsPerPixel, UINT width) { return (UINT64{width} * bitsPerPixel + 7) / 8; }

}  // namespace wic
