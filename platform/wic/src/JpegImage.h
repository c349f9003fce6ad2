// A JPEG file decoded with libjpeg-turbo into the pixel format Windows' JPEG decoder reports for it:
//   one component (grayscale)        -> 8bppGray
//   three components (YCbCr or RGB)  -> 24bppBGR
//   four components (CMYK or YCCK)   -> 32bppCMYK, 0 meaning no ink (Adobe's inverted samples are flipped)
// Baseline, extended and progressive files decode alike. The orientation stored in Exif metadata is not
// applied and colour profiles are ignored, as on Windows.
#pragma once

#include "Image.h"

#include <memory>
#include <string>
#include <vector>

namespace wic {

class JpegImage final : public Image {
 public:
  // True when the bytes start with a JPEG start-of-image marker followed by another marker.
  static bool HasSignature(const std::vector<BYTE>& fileBytes);

  // Fails with WINCODEC_ERR_COMPONENTNOTFOUND when the bytes are not a JPEG file at all, with
  // WINCODEC_ERR_BADHEADER when the markers before the first scan are damaged or cut short and with
  // WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT for component layouts Windows does not decode either.
  static HRESULT Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                      std::shared_ptr<Image>& image);

  ~JpegImage() override;

  const ContainerFacts& Container() const override;

 private:
  friend class Image;  // Image::OpenAs constructs it

  // libjpeg's state; its headers clash with the Windows types, so only JpegImage.cpp sees them.
  struct Decompressor;

  JpegImage(std::string fileName, std::vector<BYTE> fileBytes);

  HRESULT ReadHeader(const char* call) override;
  HRESULT ChooseFormat(const char* call);
  void ReadResolution();
  HRESULT DecodePixels(BYTE* pixels, std::string& problem) override;
  void FlipAdobeInk(BYTE* pixels);

  std::unique_ptr<Decompressor> jpeg_;
};

}  // namespace wic
