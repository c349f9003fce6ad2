// One image file, whatever its container: what the decoder and frame classes hand out (the header's
// facts and the decoded pixels) and what a container must supply to be decoded (its header reader and its
// pixel decoder). PngImage and JpegImage derive from it, so ImageDecoder and ImageFrame are written once.
// The header is read when the image is opened; the pixels are decoded on first use, so damaged image data
// fails the first CopyPixels rather than the open.
#pragma once

#include "CopyRegion.h"
#include "PixelFormats.h"

#include <wincodec.h>

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace wic {

// The container's GUID and what the container lacks, in the words the failing calls report it with.
struct ContainerFacts {
  const GUID& Format;
  const char* NoGlobalPalette;  // why IWICBitmapDecoder::CopyPalette fails
  const char* NoPreview;
  const char* NoThumbnail;  // for the decoder and its frame alike
};

class Image {
 public:
  virtual ~Image();
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;

  virtual const ContainerFacts& Container() const = 0;

  const std::string& FileName() const { return fileName_; }
  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  const PixelFormat& Format() const { return *format_; }
  double DpiX() const { return dpiX_; }
  double DpiY() const { return dpiY_; }
  // Palette entries as 0xAARRGGBB; empty unless the format is indexed.
  const std::vector<WICColor>& Palette() const { return palette_; }
  UINT64 RowBytes() const { return wic::RowBytes(format_->BitsPerPixel, width_); }

  // Copies `region` (already checked against the image and the buffer) into `buffer`, rows `stride` bytes
  // apart, decoding the image first if no copy has yet. Fails with WINCODEC_ERR_BADIMAGE when the image data
  // is damaged or cut short, reported on stderr under `call` each time it is asked for. Frames of one file
  // share the image, so the first decode is serialised.
  HRESULT CopyRows(const char* call, const CopyRegion& region, UINT stride, BYTE* buffer);

 protected:
  Image(std::string fileName, std::vector<BYTE> fileBytes);

  // Reads everything before the image data and sets the facts below; failures are reported under `call`.
  virtual HRESULT ReadHeader(const char* call) = 0;

  // The words for an image too large for memory, as Decode reports them.
  std::string NotEnoughMemoryProblem() const;

  // Opens the file as a `Derived` image: constructs it and reads its header, handing it out only if that
  // succeeds.
  template <typename Derived>
  static HRESULT OpenAs(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                        std::shared_ptr<Image>& image) {
    std::shared_ptr<Derived> opened(new Derived(std::move(fileName), std::move(fileBytes)));
    const HRESULT hr = static_cast<Image&>(*opened).ReadHeader(call);
    image = SUCCEEDED(hr) ? std::move(opened) : nullptr;
    return hr;
  }

  std::string fileName_;
  // The file, kept until the pixels are decoded.
  std::vector<BYTE> fileBytes_;

  // The header's facts, set by ReadHeader.
  UINT width_ = 0;
  UINT height_ = 0;
  const PixelFormat* format_ = nullptr;
  double dpiX_ = 96.0;
  double dpiY_ = 96.0;
  std::vector<WICColor> palette_;

 private:
  // Decodes the image data into `pixels`: RowBytes() * Height() bytes, top row first. On failure `problem`
  // says what went wrong. Called once, under the decode lock; the file is released after it succeeds.
  virtual HRESULT DecodePixels(BYTE* pixels, std::string& problem) = 0;

  HRESULT Pixels(const char* call, const BYTE*& pixels);
  HRESULT Decode();

  std::mutex decodeMutex_;
  std::optional<HRESULT> decodeResult_;  // empty until the first decode
  std::string decodeProblem_;
  std::vector<BYTE> pixels_;
};

}  // namespace wic
