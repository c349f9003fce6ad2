#include "JpegDecoder.h"

#include "Diagnostics.h"
#include "JpegFrame.h"

#include <new>
#include <string>

namespace wic {

HRESULT JpegDecoder::Create(std::shared_ptr<JpegImage> image, IWICBitmapDecoder** decoder) {
  *decoder = new (std::nothrow) JpegDecoder(std::move(image));
  return *decoder != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool JpegDecoder::Implements(REFIID riid) const {
  return riid == __uuidof(IUnknown) || riid == __uuidof(IWICBitmapDecoder);
}

HRESULT JpegDecoder::QueryCapability(IStream*, DWORD*) {
  return NotImplemented("IWICBitmapDecoder::QueryCapability");
}

// Decoders made by the factory already hold their file.
HRESULT JpegDecoder::Initialize(IStream*, WICDecodeOptions) {
  return Fail("IWICBitmapDecoder::Initialize", "the decoder already holds " + Quoted(image_->FileName()),
              WINCODEC_ERR_WRONGSTATE);
}

HRESULT JpegDecoder::GetContainerFormat(GUID* containerFormat) {
  if (containerFormat == nullptr) {
    return Fail("IWICBitmapDecoder::GetContainerFormat", "null format pointer", E_INVALIDARG);
  }
  *containerFormat = GUID_ContainerFormatJpeg;
  return S_OK;
}

HRESULT JpegDecoder::GetDecoderInfo(IWICBitmapDecoderInfo**) {
  return NotImplemented("IWICBitmapDecoder::GetDecoderInfo");
}

HRESULT JpegDecoder::CopyPalette(IWICPalette*) {
  return Fail("IWICBitmapDecoder::CopyPalette", "JPEG files have no palette", WINCODEC_ERR_PALETTEUNAVAILABLE);
}

HRESULT JpegDecoder::GetMetadataQueryReader(IWICMetadataQueryReader**) {
  return NotImplemented("IWICBitmapDecoder::GetMetadataQueryReader");
}

HRESULT JpegDecoder::GetPreview(IWICBitmapSource** preview) {
  if (preview != nullptr) {
    *preview = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetPreview", "JPEG files have no preview", WINCODEC_ERR_UNSUPPORTEDOPERATION);
}

HRESULT JpegDecoder::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
  if (actualCount == nullptr) {
    return Fail("IWICBitmapDecoder::GetColorContexts", "null count pointer", E_INVALIDARG);
  }
  *actualCount = 0;
  return S_OK;
}

// Exif thumbnails are not read, so the file as a whole offers none.
HRESULT JpegDecoder::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetThumbnail", "the decoder reads no JPEG thumbnails",
              WINCODEC_ERR_CODECNOTHUMBNAIL);
}

HRESULT JpegDecoder::GetFrameCount(UINT* count) {
  if (count == nullptr) {
    return Fail("IWICBitmapDecoder::GetFrameCount", "null count pointer", E_INVALIDARG);
  }
  *count = 1;
  return S_OK;
}

HRESULT JpegDecoder::GetFrame(UINT index, IWICBitmapFrameDecode** frame) {
  constexpr const char* kCall = "IWICBitmapDecoder::GetFrame";
  if (frame == nullptr) {
    return Fail(kCall, "null frame pointer", E_INVALIDARG);
  }
  *frame = nullptr;
  if (index != 0) {
    return Fail(kCall, Quoted(image_->FileName()) + " has one frame; frame " + std::to_string(index) + " was asked for",
                WINCODEC_ERR_FRAMEMISSING);
  }
  return JpegFrame::Create(image_, frame);
}

}  // namespace wic
