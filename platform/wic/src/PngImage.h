// A PNG file decoded with libpng into the pixel format Windows' PNG decoder reports for it:
//   gray 1/2/4/8/16 bit          -> BlackWhite, 2bppGray, 4bppGray, 8bppGray, 16bppGray
//   palette 1/2/4/8 bit          -> 1/2/4/8bppIndexed, tRNS alpha folded into the palette entries
//   RGB 8 bit / 16 bit           -> 24bppBGR / 48bppRGB
//   RGBA, gray + alpha 8 / 16    -> 32bppBGRA / 64bppRGBA
//   gray or RGB with tRNS 8 / 16 -> 32bppBGRA / 64bppRGBA (the tRNS colour becomes alpha 0)
// 16-bit samples are little-endian. Gamma and colour-profile chunks are not applied, as on Windows.
// The header is read when the image is opened; the pixels are decoded on first use, so damaged image data
// fails the first CopyPixels rather than the open.
#pragma once

#include "PixelFormats.h"

#include <png.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace wic {

class PngImage {
 public:
  // Fails with WINCODEC_ERR_COMPONENTNOTFOUND when the bytes are not a PNG file at all and with
  // WINCODEC_ERR_BADHEADER when the chunks before the image data are damaged or cut short.
  static HRESULT Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                      std::shared_ptr<PngImage>& image);

  ~PngImage();
  PngImage(const PngImage&) = delete;
  PngImage& operator=(const PngImage&) = delete;

  const std::string& FileName() const { return fileName_; }
  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  const PixelFormat& Format() const { return *format_; }
  double DpiX() const { return dpiX_; }
  double DpiY() const { return dpiY_; }
  // Palette entries as 0xAARRGGBB; empty unless the format is indexed.
  const std::vector<WICColor>& Palette() const { return palette_; }
  UINT64 RowBytes() const { return wic::RowBytes(format_->BitsPerPixel, width_); }

  // The decoded rows, tightly packed, top row first. Fails with WINCODEC_ERR_BADIMAGE when the image data
  // is damaged or cut short (reported on stderr under `call` each time it is asked for). Frames of one
  // file share the image, so the first decode is serialised.
  HRESULT Pixels(const char* call, const BYTE*& pixels);

 private:
  PngImage(std::string fileName, std::vector<BYTE> fileBytes);

  HRESULT ReadHeader(const char* call);
  HRESULT Decode();
  void ReadPalette();
  void ReadResolution();

  static void ReadFromMemory(png_structp png, png_bytep data, size_t length);
  static void OnError(png_structp png, png_const_charp message);
  static void OnWarning(png_structp png, png_const_charp message);

  std::string fileName_;
  std::vector<BYTE> fileBytes_;
  size_t readOffset_ = 0;
  png_structp png_ = nullptr;
  png_infop info_ = nullptr;
  std::string libpngError_;

  UINT width_ = 0;
  UINT height_ = 0;
  const PixelFormat* format_ = nullptr;
  double dpiX_ = 96.0;
  double dpiY_ = 96.0;
  std::vector<WICColor> palette_;

  std::mutex decodeMutex_;
  std::optional<HRESULT> decodeResult_;  // empty until the first decode
  std::string decodeProblem_;
  std::vector<BYTE> pixels_;
};

}  // namespace wic
