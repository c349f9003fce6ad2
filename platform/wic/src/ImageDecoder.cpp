#include "ImageDecoder.h"

#include "Diagnostics.h"
#include "ImageFrame.h"

#include <new>
#include <string>

namespace wic {

HRESULT ImageDecoder::Create(std::shared_ptr<Image> image, IWICBitmapDecoder** decoder) {
  *decoder = new (std::nothrow) ImageDecoder(std::move(image));
  return *decoder != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool ImageDecoder::Implements(REFIID riid) const {
  return riid == __uuidof(IUnknown) || riid == __uuidof(IWICBitmapDecoder);
}

HRESULT ImageDecoder::QueryCapability(IStream*, DWORD*) { return NotImplemented("IWICBitmapDecoder::QueryCapability"); }

// Decoders made by the factory already hold their file.
HRESULT ImageDecoder::Initialize(IStream*, WICDecodeOptions) {
  return Fail("IWICBitmapDecoder::Initialize", "the decoder already holds " + Quoted(image_->FileName()),
              WINCODEC_ERR_WRONGSTATE);
}

HRESULT ImageDecoder::GetContainerFormat(GUID* containerFormat) {
  if (containerFormat == nullptr) {
    return Fail("IWICBitmapDecoder::GetContainerFormat", "null format pointer", E_INVALIDARG);
  }
  *containerFormat = image_->Container().Format;
  return S_OK;
}

HRESULT ImageDecoder::GetDecoderInfo(IWICBitmapDecoderInfo**) {
  return NotImplemented("IWICBitmapDecoder::GetDecoderInfo");
}

// Palettes, where a container has them (PNG), belong to the frame, not to the file as a whole.
HRESULT ImageDecoder::CopyPalette(IWICPalette*) {
  return Fail("IWICBitmapDecoder::CopyPalette", image_->Container().NoGlobalPalette, WINCODEC_ERR_PALETTEUNAVAILABLE);
}

HRESULT ImageDecoder::GetMetadataQueryReader(IWICMetadataQueryReader**) {
  return NotImplemented("IWICBitmapDecoder::GetMetadataQueryReader");
}

HRESULT ImageDecoder::GetPreview(IWICBitmapSource** preview) {
  if (preview != nullptr) {
    *preview = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetPreview", image_->Container().NoPreview, WINCODEC_ERR_UNSUPPORTEDOPERATION);
}

HRESULT ImageDecoder::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
  if (actualCount == nullptr) {
    return Fail("IWICBitmapDecoder::GetColorContexts", "null count pointer", E_INVALIDARG);
  }
  *actualCount = 0;
  return S_OK;
}

// PNG files carry no thumbnail, and Exif thumbnails in JPEG files are not read.
HRESULT ImageDecoder::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetThumbnail", image_->Container().NoThumbnail, WINCODEC_ERR_CODECNOTHUMBNAIL);
}

HRESULT ImageDecoder::GetFrameCount(UINT* count) {
  if (count == nullptr) {
    return Fail("IWICBitmapDecoder::GetFrameCount", "null count pointer", E_INVALIDARG);
  }
  *count = 1;
  return S_OK;
}

HRESULT ImageDecoder::GetFrame(UINT index, IWICBitmapFrameDecode** frame) {
  constexpr const char* kCall = "IWICBitmapDecoder::GetFrame";
  if (frame == nullptr) {
    return Fail(kCall, "null frame pointer", E_INVALIDARG);
  }
  *frame = nullptr;
  if (index != 0) {
    return Fail(kCall, Quoted(image_->FileName()) + " has one frame; frame " + std::to_string(index) + " was asked for",
                WINCODEC_ERR_FRAMEMISSING);
  }
  return ImageFrame::Create(image_, frame);
}

}  // namespace wic
