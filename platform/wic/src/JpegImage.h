// A JPEG file decoded with libjpeg-turbo into the pixel format Windows' JPEG decoder reports for it:
//   one component (grayscale)        -> 8bppGray
//   three components (YCbCr or RGB)  -> 24bppBGR
//   four components (CMYK or YCCK)   -> 32bppCMYK, 0 meaning no ink (Adobe's inverted samples are flipped)
// Baseline, extended and progressive files decode alike. The orientation stored in Exif metadata is not
// applied and colour profiles are ignored, as on Windows. The header is read when the image is opened; the
// pixels are decoded on first use, so damaged image data fails the first CopyPixels rather than the open.
#pragma once

#include "PixelFormats.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace wic {

class JpegImage {
 public:
  // True when the bytes start with a JPEG start-of-image marker followed by another marker.
  static bool HasSignature(const std::vector<BYTE>& fileBytes);

  // Fails with WINCODEC_ERR_COMPONENTNOTFOUND when the bytes are not a JPEG file at all, with
  // WINCODEC_ERR_BADHEADER when the markers before the first scan are damaged or cut short and with
  // WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT for component layouts Windows does not decode either.
  static HRESULT Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                      std::shared_ptr<JpegImage>& image);

  ~JpegImage();
  JpegImage(const JpegImage&) = delete;
  JpegImage& operator=(const JpegImage&) = delete;

  const std::string& FileName() const { return fileName_; }
  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  const PixelFormat& Format() const { return *format_; }
  double DpiX() const { return dpiX_; }
  double DpiY() const { return dpiY_; }
  UINT64 RowBytes() const { return wic::RowBytes(format_->BitsPerPixel, width_); }

  // The decoded rows, tightly packed, top row first. Fails with WINCODEC_ERR_BADIMAGE when the image data
  // is damaged or cut short (reported on stderr under `call` each time it is asked for). Frames of one
  // file share the image, so the first decode is serialised.
  HRESULT Pixels(const char* call, const BYTE*& pixels);

 private:
  // libjpeg's state; its headers clash with the Windows types, so only JpegImage.cpp sees them.
  struct Decompressor;

  JpegImage(std::string fileName, std::vector<BYTE> fileBytes);

  HRESULT ReadHeader(const char* call);
  HRESULT ChooseFormat(const char* call);
  void ReadResolution();
  HRESULT Decode();
  void FlipAdobeInk();

  std::string fileName_;
  std::vector<BYTE> fileBytes_;
  std::unique_ptr<Decompressor> jpeg_;

  UINT width_ = 0;
  UINT height_ = 0;
  const PixelFormat* format_ = nullptr;
  double dpiX_ = 96.0;
  double dpiY_ = 96.0;

  std::mutex decodeMutex_;
  std::optional<HRESULT> decodeResult_;  // empty until the first decode
  std::string decodeProblem_;
  std::vector<BYTE> pixels_;
};

}  // namespace wic
