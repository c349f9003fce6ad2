#include "DdsImage.h"

#include "Diagnostics.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <utility>

namespace wic {
namespace {

constexpr size_t kSignatureBytes = 4;
constexpr size_t kHeaderEnd = 128;      // the signature and the 124-byte header
constexpr size_t kExtensionBytes = 20;  // the DXGI header that follows when the FourCC is "DX10"
constexpr UINT kHeaderSize = 124;
constexpr UINT kPixelFormatSize = 32;
// Larger sides than Direct3D allows any texture are taken for damage.
constexpr UINT kLargestSide = 16384;

// Header fields, as byte offsets from the start of the file.
constexpr size_t kSizeField = 4, kHeightField = 12, kWidthField = 16, kPixelFormatSizeField = 76,
                 kPixelFormatFlagsField = 80, kFourCcField = 84, kBitCountField = 88, kMasksField = 92,
                 kDxgiFormatField = 128;

// Pixel format flags.
constexpr UINT kAlphaPixels = 0x1, kAlphaOnly = 0x2, kFourCc = 0x4, kRgb = 0x40, kLuminance = 0x20000;

constexpr UINT FourCc(const char (&code)[5]) {
  return UINT(BYTE(code[0])) | UINT(BYTE(code[1])) << 8 | UINT(BYTE(code[2])) << 16 | UINT(BYTE(code[3])) << 24;
}

// The DXGI formats of the extension header that this decoder reads.
enum DxgiFormat : UINT {
  kR8G8B8A8Unorm = 28,
  kR8G8B8A8Srgb = 29,
  kBc1Unorm = 71,
  kBc1Srgb = 72,
  kBc2Unorm = 74,
  kBc2Srgb = 75,
  kBc3Unorm = 77,
  kBc3Srgb = 78,
  kB8G8R8A8Unorm = 87,
  kB8G8R8X8Unorm = 88,
  kB8G8R8A8Srgb = 91,
  kB8G8R8X8Srgb = 93,
};

const ContainerFacts kDdsContainer = {GUID_ContainerFormatDds, "DDS files have no global palette",
                                      "DDS files have no preview", "the decoder reads no DDS thumbnails"};

UINT Dword(const std::vector<BYTE>& bytes, size_t at) {
  return bytes[at] | UINT{bytes[at + 1]} << 8 | UINT{bytes[at + 2]} << 16 | UINT{bytes[at + 3]} << 24;
}

UINT BlockBytes(DdsImage::Encoding encoding) { return encoding == DdsImage::Encoding::BC1 ? 8 : 16; }

// One 4 x 4 block of texels as BGRA, row by row.
using Texels = std::array<std::array<BYTE, 4>, 16>;

std::array<BYTE, 4> Expand565(UINT colour) {
  const UINT red = colour >> 11, green = (colour >> 5) & 0x3F, blue = colour & 0x1F;
  return {BYTE(blue << 3 | blue >> 2), BYTE(green << 2 | green >> 4), BYTE(red << 3 | red >> 2), 255};
}

// `weight` parts of `a` and `total - weight` parts of `b`, rounded to nearest.
BYTE Blend(UINT a, UINT b, UINT weight, UINT total) {
  return BYTE((a * weight + b * (total - weight) + total / 2) / total);
}

// The colour half of every block: two 5:6:5 end points and 2-bit indices. BC1 blocks whose first end point
// is not the larger one have three colours and transparent black; in BC2 and BC3 there are always four.
void DecodeColours(const BYTE* block, bool threeColourMode, Texels& texels) {
  const UINT first = block[0] | UINT{block[1]} << 8, second = block[2] | UINT{block[3]} << 8;
  std::array<std::array<BYTE, 4>, 4> palette{Expand565(first), Expand565(second)};
  const bool fourColours = !threeColourMode || first > second;
  for (int channel = 0; channel < 3; ++channel) {
    const UINT a = palette[0][channel], b = palette[1][channel];
    palette[2][channel] = fourColours ? Blend(a, b, 2, 3) : Blend(a, b, 1, 2);
    palette[3][channel] = fourColours ? Blend(a, b, 1, 3) : 0;
  }
  palette[2][3] = 255;
  palette[3][3] = fourColours ? 255 : 0;
  const UINT indices = block[4] | UINT{block[5]} << 8 | UINT{block[6]} << 16 | UINT{block[7]} << 24;
  for (int texel = 0; texel < 16; ++texel) texels[texel] = palette[(indices >> (2 * texel)) & 3];
}

// BC2's alpha: four bits a texel, stored outright.
void DecodeExplicitAlpha(const BYTE* block, Texels& texels) {
  for (int texel = 0; texel < 16; ++texel) {
    const UINT nibble = (block[texel / 2] >> (4 * (texel % 2))) & 0xF;
    texels[texel][3] = BYTE(nibble * 17);
  }
}

// BC3's alpha: two end points and 3-bit indices into eight levels between them, or into six levels and
// the extremes 0 and 255 when the first end point is not the larger one.
void DecodeInterpolatedAlpha(const BYTE* block, Texels& texels) {
  const UINT first = block[0], second = block[1];
  std::array<BYTE, 8> levels{BYTE(first), BYTE(second)};
  if (first > second) {
    for (UINT i = 1; i < 7; ++i) levels[i + 1] = Blend(first, second, 7 - i, 7);
  } else {
    for (UINT i = 1; i < 5; ++i) levels[i + 1] = Blend(first, second, 5 - i, 5);
    levels[6] = 0;
    levels[7] = 255;
  }
  uint64_t indices = 0;
  for (int i = 0; i < 6; ++i) indices |= uint64_t{block[2 + i]} << (8 * i);
  for (int texel = 0; texel < 16; ++texel) texels[texel][3] = levels[(indices >> (3 * texel)) & 7];
}

// A channel described by a mask, scaled to 8 bits; `absent` when the mask is empty.
BYTE MaskedChannel(UINT pixel, UINT mask, BYTE absent) {
  if (mask == 0) return absent;
  const UINT value = (pixel & mask) >> std::countr_zero(mask);
  const int bits = std::popcount(mask);
  if (bits >= 8) return BYTE(value >> (bits - 8));
  const UINT largest = (1u << bits) - 1;
  return BYTE((value * 255 + largest / 2) / largest);
}

// The masks of the DXGI formats that store 8-bit channels, as the legacy header would give them.
bool MasksOfDxgiFormat(UINT format, UINT masks[4]) {
  switch (format) {
    case kR8G8B8A8Unorm:
    case kR8G8B8A8Srgb:
      masks[0] = 0xFF, masks[1] = 0xFF00, masks[2] = 0xFF0000, masks[3] = 0xFF000000;
      return true;
    case kB8G8R8A8Unorm:
    case kB8G8R8A8Srgb:
    case kB8G8R8X8Unorm:
    case kB8G8R8X8Srgb:
      masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
      masks[3] = format == kB8G8R8X8Unorm || format == kB8G8R8X8Srgb ? 0 : 0xFF000000;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool DdsImage::HasSignature(const std::vector<BYTE>& fileBytes) {
  return fileBytes.size() >= kSignatureBytes && std::memcmp(fileBytes.data(), "DDS ", kSignatureBytes) == 0;
}

HRESULT DdsImage::Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                       std::shared_ptr<Image>& image) {
  return OpenAs<DdsImage>(call, std::move(fileName), std::move(fileBytes), image);
}

DdsImage::DdsImage(std::string fileName, std::vector<BYTE> fileBytes)
    : Image(std::move(fileName), std::move(fileBytes)) {}

const ContainerFacts& DdsImage::Container() const { return kDdsContainer; }

const char* DdsImage::ReadPixelFormat(HRESULT& code) {
  const std::vector<BYTE>& bytes = fileBytes_;
  code = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
  const UINT flags = Dword(bytes, kPixelFormatFlagsField);
  if ((flags & kFourCc) != 0) {
    const UINT fourCc = Dword(bytes, kFourCcField);
    if (fourCc == FourCc("DXT1")) {
      encoding_ = Encoding::BC1;
    } else if (fourCc == FourCc("DXT2") || fourCc == FourCc("DXT3")) {
      encoding_ = Encoding::BC2;
    } else if (fourCc == FourCc("DXT4") || fourCc == FourCc("DXT5")) {
      encoding_ = Encoding::BC3;
    } else if (fourCc == FourCc("DX10")) {
      code = WINCODEC_ERR_BADHEADER;
      if (bytes.size() < kHeaderEnd + kExtensionBytes) return "the DXGI header is cut short";
      dataOffset_ = kHeaderEnd + kExtensionBytes;
      code = WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT;
      const UINT format = Dword(bytes, kDxgiFormatField);
      if (format == kBc1Unorm || format == kBc1Srgb) {
        encoding_ = Encoding::BC1;
      } else if (format == kBc2Unorm || format == kBc2Srgb) {
        encoding_ = Encoding::BC2;
      } else if (format == kBc3Unorm || format == kBc3Srgb) {
        encoding_ = Encoding::BC3;
      } else if (MasksOfDxgiFormat(format, masks_)) {
        encoding_ = Encoding::Masked;
        pixelBytes_ = 4;
      } else {
        return "the DXGI format of the DDS file is not one this decoder reads (BC1-BC3, 8-bit RGBA or BGRA)";
      }
    } else {
      return "the FourCC of the DDS file is not one this decoder reads (DXT1-DXT5, DX10)";
    }
    // DXT2 and DXT4 hold colours premultiplied by their alpha.
    const bool premultiplied = fourCc == FourCc("DXT2") || fourCc == FourCc("DXT4");
    format_ = FindPixelFormat(premultiplied ? GUID_WICPixelFormat32bppPBGRA : GUID_WICPixelFormat32bppBGRA);
    return nullptr;
  }
  if ((flags & (kRgb | kLuminance | kAlphaOnly)) == 0)
    return "the DDS pixel format is neither RGB, luminance nor alpha";
  const UINT bitCount = Dword(bytes, kBitCountField);
  if (bitCount == 0 || bitCount > 32 || bitCount % 8 != 0) return "the DDS pixels are not 8, 16, 24 or 32 bits";
  encoding_ = Encoding::Masked;
  pixelBytes_ = bitCount / 8;
  for (int channel = 0; channel < 4; ++channel) masks_[channel] = Dword(bytes, kMasksField + 4 * channel);
  luminance_ = (flags & kLuminance) != 0;
  if ((flags & kAlphaOnly) != 0 && (flags & (kRgb | kLuminance)) == 0) masks_[0] = masks_[1] = masks_[2] = 0;
  if ((flags & (kAlphaPixels | kAlphaOnly)) == 0) masks_[3] = 0;
  format_ = FindPixelFormat(GUID_WICPixelFormat32bppBGRA);
  return nullptr;
}

UINT64 DdsImage::FirstImageBytes() const {
  if (encoding_ == Encoding::Masked) return UINT64{width_} * height_ * pixelBytes_;
  return UINT64{(width_ + 3) / 4} * ((height_ + 3) / 4) * BlockBytes(encoding_);
}

HRESULT DdsImage::ReadHeader(const char* call) {
  const std::vector<BYTE>& bytes = fileBytes_;
  const auto fail = [&](HRESULT code, const std::string& problem) {
    return Fail(call, code, Quoted(fileName_) + ": " + problem);
  };
  if (bytes.size() < kHeaderEnd) return fail(WINCODEC_ERR_BADHEADER, "the DDS header is cut short");
  if (Dword(bytes, kSizeField) != kHeaderSize || Dword(bytes, kPixelFormatSizeField) != kPixelFormatSize) {
    return fail(WINCODEC_ERR_BADHEADER, "the DDS header gives the wrong sizes for itself");
  }
  width_ = Dword(bytes, kWidthField);
  height_ = Dword(bytes, kHeightField);
  if (width_ == 0 || height_ == 0 || width_ > kLargestSide || height_ > kLargestSide) {
    return fail(WINCODEC_ERR_BADHEADER, "a DDS image of " + std::to_string(width_) + " x " + std::to_string(height_) +
                                            " pixels is no image this decoder reads");
  }
  dataOffset_ = kHeaderEnd;
  HRESULT code = S_OK;
  if (const char* problem = ReadPixelFormat(code)) return fail(code, problem);
  if (bytes.size() - dataOffset_ < FirstImageBytes()) {
    return fail(WINCODEC_ERR_BADHEADER, "the file is too short for its first " + std::to_string(width_) + " x " +
                                            std::to_string(height_) + " image");
  }
  return S_OK;
}

void DdsImage::DecodeBlocks(BYTE* pixels) const {
  const BYTE* block = fileBytes_.data() + dataOffset_;
  for (UINT top = 0; top < height_; top += 4) {
    for (UINT left = 0; left < width_; left += 4, block += BlockBytes(encoding_)) {
      Texels texels;
      switch (encoding_) {
        case Encoding::BC1:
          DecodeColours(block, true, texels);
          break;
        case Encoding::BC2:
          DecodeColours(block + 8, false, texels);
          DecodeExplicitAlpha(block, texels);
          break;
        default:
          DecodeColours(block + 8, false, texels);
          DecodeInterpolatedAlpha(block, texels);
          break;
      }
      // Blocks on the right and bottom edges reach past images whose sides are not multiples of four.
      for (UINT y = 0; y < 4 && top + y < height_; ++y) {
        for (UINT x = 0; x < 4 && left + x < width_; ++x) {
          std::memcpy(pixels + (size_t{top + y} * width_ + left + x) * 4, texels[y * 4 + x].data(), 4);
        }
      }
    }
  }
}

void DdsImage::DecodeMasked(BYTE* pixels) const {
  const BYTE* stored = fileBytes_.data() + dataOffset_;
  const size_t count = size_t{width_} * height_;
  for (size_t i = 0; i < count; ++i, stored += pixelBytes_, pixels += 4) {
    UINT pixel = 0;
    for (UINT byte = 0; byte < pixelBytes_; ++byte) pixel |= UINT{stored[byte]} << (8 * byte);
    const BYTE red = MaskedChannel(pixel, masks_[0], 0);
    pixels[0] = luminance_ ? red : MaskedChannel(pixel, masks_[2], 0);
    pixels[1] = luminance_ ? red : MaskedChannel(pixel, masks_[1], 0);
    pixels[2] = red;
    pixels[3] = MaskedChannel(pixel, masks_[3], 255);
  }
}

HRESULT DdsImage::DecodePixels(BYTE* pixels, std::string&) {
  // The open checked that the file holds the whole first image.
  if (encoding_ == Encoding::Masked) {
    DecodeMasked(pixels);
  } else {
    DecodeBlocks(pixels);
  }
  return S_OK;
}

}  // namespace wic
