// A PNG file decoded with libpng into the pixel format Windows' PNG decoder reports for it:
//   gray 1/2/4/8/16 bit          -> BlackWhite, 2bppGray, 4bppGray, 8bppGray, 16bppGray
//   palette 1/2/4/8 bit          -> 1/2/4/8bppIndexed, tRNS alpha folded into the palette entries
//   RGB 8 bit / 16 bit           -> 24bppBGR / 48bppRGB
//   RGBA, gray + alpha 8 / 16    -> 32bppBGRA / 64bppRGBA
//   gray or RGB with tRNS 8 / 16 -> 32bppBGRA / 64bppRGBA (the tRNS colour becomes alpha 0)
// 16-bit samples are little-endian. Gamma and colour-profile chunks are not applied, as on Windows.
#pragma once

#include "Image.h"

#include <png.h>

#include <memory>
#include <string>
#include <vector>

namespace wic {

class PngImage final : public Image {
 public:
  // Fails with WINCODEC_ERR_COMPONENTNOTFOUND when the bytes are not a PNG file at all and with
  // WINCODEC_ERR_BADHEADER when the chunks before the image data are damaged or cut short.
  static HRESULT Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                      std::shared_ptr<Image>& image);

  ~PngImage() override;

  const ContainerFacts& Container() const override;

 private:
  friend class Image;  // Image::OpenAs constructs it

  PngImage(std::string fileName, std::vector<BYTE> fileBytes);

  HRESULT ReadHeader(const char* call) override;
  HRESULT DecodePixels(BYTE* pixels, std::string& problem) override;
  void ReadPalette();
  void ReadResolution();

  static void ReadFromMemory(png_structp png, png_bytep data, size_t length);
  static void OnError(png_structp png, png_const_charp message);
  static void OnWarning(png_structp png, png_const_charp message);

  size_t readOffset_ = 0;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::string libpngError_;
};

}  // namespace wic
