// IWICBitmapFrameDecode: the one frame of a JPEG file, handing out its pixels in the decoder's format.
#pragma once

#include "ComObject.h"
#include "JpegImage.h"

#include <wincodec.h>

#include <memory>

namespace wic {

class JpegFrame final : public ComObject<IWICBitmapFrameDecode> {
 public:
  static HRESULT Create(std::shared_ptr<JpegImage> image, IWICBitmapFrameDecode** frame);

  // IWICBitmapSource
  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* pixelFormat) override;
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;

  // IWICBitmapFrameDecode
  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override;
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT count, IWICColorContext** contexts, UINT* actualCount) override;
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override;

 private:
  explicit JpegFrame(std::shared_ptr<JpegImage> image) : image_(std::move(image)) {}
  bool Implements(REFIID riid) const override;

  std::shared_ptr<JpegImage> image_;
};

}  // namespace wic
