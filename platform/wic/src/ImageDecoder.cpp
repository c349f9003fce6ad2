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

HRESULT ImageDecoder::QueryCapability(IStream*, DWORD*) { return NotImplemented("IWICBitmapDecoder::QueryCapability"); }

// Decoders made by the factory already hold their file.
HRESULT ImageDecoder::Initialize(IStream*, WICDecodeOptions) {
  return Fail("IWICBitmapDecoder::Initialize", WINCODEC_ERR_WRONGSTATE,
              "the decoder already holds " + Quoted(image_->FileName()));
}

HRESULT ImageDecoder::GetContainerFormat(GUID* containerFormat) {
  if (containerFormat == nullptr) {
    return Fail("IWICBitmapDecoder::GetContainerFormat", E_INVALIDARG, "null format pointer");
  }
  *containerFormat = image_->Container().Format;
  return S_OK;
}

HRESULT ImageDecoder::GetDecoderInfo(IWICBitmapDecoderInfo**) {
  return NotImplemented("IWICBitmapDecoder::GetDecoderInfo");
}

// Palettes, where a container has them (PNG), belong to the frame, not to the file as a whole.
HRESULT ImageDecoder::CopyPalette(IWICPalette*) {
  return Fail("IWICBitmapDecoder::CopyPalette", WINCODEC_ERR_PALETTEUNAVAILABLE, "%s",
              image_->Container().NoGlobalPalette);
}

HRESULT ImageDecoder::GetMetadataQueryReader(IWICMetadataQueryReader**) {
  return NotImplemented("IWICBitmapDecoder::GetMetadataQueryReader");
}

HRESULT ImageDecoder::GetPreview(IWICBitmapSource** preview) {
  if (preview != nullptr) {
    *preview = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetPreview", WINCODEC_ERR_UNSUPPORTEDOPERATION, "%s", image_->Container().NoPreview);
}

HRESULT ImageDecoder::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
  if (actualCount == nullptr) {
    return Fail("IWICBitmapDecoder::GetColorContexts", E_INVALIDARG, "null count pointer");
  }
  *actualCount = 0;
  return S_OK;
}

// PNG files carry no thumbnail, and Exif thumbnails in JPEG files are not read.
HRESULT ImageDecoder::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetThumbnail", WINCODEC_ERR_CODECNOTHUMBNAIL, "%s", image_->Container().NoThumbnail);
}

HRESULT ImageDecoder::GetFrameCount(UINT* count) {
  if (count == nullptr) {
    return Fail("IWICBitmapDecoder::GetFrameCount", E_INVALIDARG, "null count pointer");
  }
  *count = 1;
  return S_OK;
}

HRESULT ImageDecoder::GetFrame(UINT index, IWICBitmapFrameDecode** frame) {
  constexpr const char* kCall = "IWICBitmapDecoder::GetFrame";
  if (frame == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null frame pointer");
  }
  *frame = nullptr;
  if (index != 0) {
    return Fail(kCall, WINCODEC_ERR_FRAMEMISSING,
                Quoted(image_->FileName()) + " has one frame; frame " + std::to_string(index) + " was asked for");
  }
  return ImageFrame::Create(image_, frame);
}

}  // namespace wic
