// IWICBitmapDecoder for PNG files: one frame, no global palette, no metadata readers.
#pragma once

#include "ComObject.h"
#include "PngImage.h"

#include <wincodec.h>

#include <memory>

namespace wic {

class PngDecoder final : public ComObject<IWICBitmapDecoder> {
 public:
  static HRESULT Create(std::shared_ptr<PngImage> image, IWICBitmapDecoder** decoder);

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
  explicit PngDecoder(std::shared_ptr<PngImage> image) : image_(std::move(image)) {}
  bool Implements(REFIID riid) const override;

  std::shared_ptr<PngImage> image_;
};

}  // namespace wic
