// The one frame of a PNG encoder: its size, resolution and pixel format, the rows written to it, and at its
// Commit the PNG file made of them with libpng, which the encoder then writes to its stream.
#pragma once

#include "PixelFormats.h"
#include "platform_common/ComObject.h"

#include <wincodec.h>

#include <memory>
#include <mutex>
#include <vector>

namespace wic {

// What a committed frame leaves for its encoder.
struct EncodedFrame {
  bool Committed = false;
  std::vector<BYTE> File;
};

class PngFrameEncode final : public platform::ComObject<IWICBitmapFrameEncode> {
 public:
  static HRESULT Create(std::shared_ptr<EncodedFrame> result, IWICBitmapFrameEncode** frame);

  // The format the encoder writes for `requested`: itself when PNG holds it, else the nearest that does.
  static const GUID& NearestPngFormat(REFWICPixelFormatGUID requested);

  HRESULT STDMETHODCALLTYPE Initialize(IPropertyBag2* options) override;
  HRESULT STDMETHODCALLTYPE SetSize(UINT width, UINT height) override;
  HRESULT STDMETHODCALLTYPE SetResolution(double dpiX, double dpiY) override;
  HRESULT STDMETHODCALLTYPE SetPixelFormat(WICPixelFormatGUID* pixelFormat) override;
  HRESULT STDMETHODCALLTYPE SetColorContexts(UINT count, IWICColorContext** contexts) override;
  HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* thumbnail) override;
  HRESULT STDMETHODCALLTYPE WritePixels(UINT lineCount, UINT stride, UINT bufferSize, BYTE* pixels) override;
  HRESULT STDMETHODCALLTYPE WriteSource(IWICBitmapSource* source, WICRect* rect) override;
  HRESULT STDMETHODCALLTYPE Commit() override;
  HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) override;

 private:
  explicit PngFrameEncode(std::shared_ptr<EncodedFrame> result) : result_(std::move(result)) {}

  // S_OK once Initialize, SetSize and SetPixelFormat have been called and Commit has not.
  HRESULT RequireReadyForPixels(const char* call) const;
  HRESULT Encode(std::vector<BYTE>& file) const;
  UINT64 RowBytes() const { return wic::RowBytes(format_->BitsPerPixel, width_); }

  std::mutex mutex_;
  std::shared_ptr<EncodedFrame> result_;
  bool initialized_ = false;
  bool committed_ = false;
  UINT width_ = 0;
  UINT height_ = 0;
  double dpiX_ = 0;  // 0: not stated, and no pHYs chunk written
  double dpiY_ = 0;
  const PixelFormat* format_ = nullptr;
  UINT linesWritten_ = 0;
  std::vector<BYTE> pixels_;  // height_ rows of RowBytes(), filled from the top
};

}  // namespace wic
