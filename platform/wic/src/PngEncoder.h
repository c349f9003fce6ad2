// IWICBitmapEncoder for PNG (GUID_ContainerFormatPng): one frame, written to the stream given to Initialize
// when the encoder is committed after its frame.
#pragma once

#include "PngFrameEncode.h"
#include "platform_common/ComObject.h"

#include <wincodec.h>

#include <memory>
#include <mutex>

namespace wic {

class PngEncoder final : public platform::ComObject<IWICBitmapEncoder> {
 public:
  static HRESULT Create(IWICBitmapEncoder** encoder);

  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICBitmapEncoderCacheOption cacheOption) override;
  HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* containerFormat) override;
  HRESULT STDMETHODCALLTYPE GetEncoderInfo(IWICBitmapEncoderInfo** info) override;
  HRESULT STDMETHODCALLTYPE SetColorContexts(UINT count, IWICColorContext** contexts) override;
  HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE SetThumbnail(IWICBitmapSource* thumbnail) override;
  HRESULT STDMETHODCALLTYPE SetPreview(IWICBitmapSource* preview) override;
  HRESULT STDMETHODCALLTYPE CreateNewFrame(IWICBitmapFrameEncode** frame, IPropertyBag2** options) override;
  HRESULT STDMETHODCALLTYPE Commit() override;
  HRESULT STDMETHODCALLTYPE GetMetadataQueryWriter(IWICMetadataQueryWriter** writer) override;

 private:
  PngEncoder() = default;
  ~PngEncoder() override;

  std::mutex mutex_;
  IStream* stream_ = nullptr;  // a reference of its own, from Initialize
  std::shared_ptr<EncodedFrame> frame_;
  bool committed_ = false;
};

}  // namespace wic
