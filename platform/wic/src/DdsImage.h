// A DirectDraw Surface file, the container game and model textures often come in. The first image of the
// file is decoded (the top mip level; the first face of a cube map, slice of a volume or element of an
// array), whatever else the file holds:
//   block-compressed BC1 (DXT1), BC2 (DXT2, DXT3), BC3 (DXT4, DXT5)  -> 32bppBGRA, or 32bppPBGRA for the
//                                                                     premultiplied DXT2 and DXT4
//   uncompressed RGB, RGBA, luminance or alpha pixels of 8 to 32 bits, described by channel masks or by
//   the DXGI formats R8G8B8A8, B8G8R8A8 and B8G8R8X8                  -> 32bppBGRA
// Formats beyond these (BC4 to BC7, floating point, YUV) fail the open with WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT.
#pragma once

#include "Image.h"

#include <memory>
#include <string>
#include <vector>

namespace wic {

class DdsImage final : public Image {
 public:
  // The file starts with "DDS ".
  static bool HasSignature(const std::vector<BYTE>& fileBytes);

  // Fails with WINCODEC_ERR_BADHEADER when the header is cut short or inconsistent, or the file is too
  // short for the first image.
  static HRESULT Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                      std::shared_ptr<Image>& image);

  const ContainerFacts& Container() const override;

  // How the pixels are stored, as the header describes them.
  enum class Encoding { BC1, BC2, BC3, Masked };

 private:
  friend class Image;  // Image::OpenAs constructs it

  DdsImage(std::string fileName, std::vector<BYTE> fileBytes);

  HRESULT ReadHeader(const char* call) override;
  HRESULT DecodePixels(BYTE* pixels, std::string& problem) override;
  // Reads the pixel format (and the DXGI extension header); a problem text or null, with `code` set.
  const char* ReadPixelFormat(HRESULT& code);
  // Bytes of the first image as stored.
  UINT64 FirstImageBytes() const;
  void DecodeBlocks(BYTE* pixels) const;
  void DecodeMasked(BYTE* pixels) const;

  Encoding encoding_ = Encoding::Masked;
  size_t dataOffset_ = 0;
  UINT pixelBytes_ = 0;     // uncompressed: bytes per stored pixel
  UINT masks_[4] = {};      // uncompressed: red, green, blue, alpha
  bool luminance_ = false;  // uncompressed: the red mask holds a grey level
};

}  // namespace wic
