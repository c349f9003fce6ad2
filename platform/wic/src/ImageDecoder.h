// IWICBitmapDecoder for every container the component reads: one frame, no global palette, no metadata
// readers. What differs between PNG and JPEG comes from the Image it holds.
#pragma once

#include "Image.h"
#include "platform_common/ComObject.h"

#include <wincodec.h>

#include <memory>

namespace wic {

class ImageDecoder final : public platform::ComObject<IWICBitmapDecoder> {
 public:
  static HRESULT Create(std::shared_ptr<Image> image, IWICBitmapDecoder** decoder);

  HRESULT STDMETHODCALLTYPE QueryCapability(IStream* stream, DWORD* capability) override;
  HRESULT STDMETHODCALLTYPE Initialize(IStream* stream, WICDecodeOptions cacheOptions) override;
  HRESULT STDMETHODCALLTYPE GetContainerFormat(GUID* containerFormat) override;
  HRESULT STDMETHODCALLTYPE GetDecoderInfo(IWICBitmapDecoderInfo** decoderInfo) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE GetMetadataQueryReader(IWICMetadataQueryReader** reader) override;
  HRESULT STDMETHODCALLTYPE GetPreview(IWICBitmapSource** preview) override;
  HRESULT STDMETHODCALLTYPE GetColorContexts(UINT count, IWICColorContext** contexts, UINT* actualCount) override;
  HRESULT STDMETHODCALLTYPE GetThumbnail(IWICBitmapSource** thumbnail) override;
  HRESULT STDMETHODCALLTYPE GetFrameCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetFrame(UINT index, IWICBitmapFrameDecode** frame) override;

 private:
  explicit ImageDecoder(std::shared_ptr<Image> image) : image_(std::move(image)) {}

  std::shared_ptr<Image> image_;
};

}  // namespace wic
