// IWICBitmapFrameDecode: the one frame of a PNG or JPEG file, handing out its pixels in the decoder's format.
#pragma once

#include "Image.h"
#include "platform_common/ComObject.h"

#include <wincodec.h>

#include <memory>

namespace wic {

class ImageFrame final : public platform::ComObject<IWICBitmapFrameDecode, IWICBitmapSource> {
 public:
  static HRESULT Create(std::shared_ptr<Image> image, IWICBitmapFrameDecode** frame);

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
  explicit ImageFrame(std::shared_ptr<Image> image) : image_(std::move(image)) {}

  std::shared_ptr<Image> image_;
};

}  // namespace wic
