#include "PngDecoder.h"

#include "Diagnostics.h"
#include "PngFrame.h"

#include <new>
#include <string>

namespace wic {

HRESULT PngDecoder::Create(std::shared_ptr<PngImage> image, IWICBitmapDecoder** decoder) {
  *decoder = new (std::nothrow) PngDecoder(std::move(image));
  return *decoder != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool PngDecoder::Implements(REFIID riid) const {
  return riid == __uuidof(IUnknown) || riid == __uuidof(IWICBitmapDecoder);
}

HRESULT PngDecoder::QueryCapability(IStream*, DWORD*) {
  return NotImplemented("IWICBitmapDecoder::QueryCapability");
}

// Decoders made by CreateDecoderFromFilename already hold their file.
HRESULT PngDecoder::Initialize(IStream*, WICDecodeOptions) {
  return Fail("IWICBitmapDecoder::Initialize", "the decoder already holds " + Quoted(image_->FileName()),
              WINCODEC_ERR_WRONGSTATE);
}

HRESULT PngDecoder::GetContainerFormat(GUID* containerFormat) {
  if (containerFormat == nullptr) {
    return Fail("IWICBitmapDecoder::GetContainerFormat", "null format pointer", E_INVALIDARG);
  }
  *containerFormat = GUID_ContainerFormatPng;
  return S_OK;
}

HRESULT PngDecoder::GetDecoderInfo(IWICBitmapDecoderInfo**) {
  return NotImplemented("IWICBitmapDecoder::GetDecoderInfo");
}

// A PNG palette belongs to the frame, not to the file as a whole.
HRESULT PngDecoder::CopyPalette(IWICPalette*) {
  return Fail("IWICBitmapDecoder::CopyPalette", "PNG files have no global palette; ask the frame",
              WINCODEC_ERR_PALETTEUNAVAILABLE);
}

HRESULT PngDecoder::GetMetadataQueryReader(IWICMetadataQueryReader**) {
  return NotImplemented("IWICBitmapDecoder::GetMetadataQueryReader");
}

HRESULT PngDecoder::GetPreview(IWICBitmapSource** preview) {
  if (preview != nullptr) {
    *preview = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetPreview", "PNG files have no preview", WINCODEC_ERR_UNSUPPORTEDOPERATION);
}

HRESULT PngDecoder::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
  if (actualCount == nullptr) {
    return Fail("IWICBitmapDecoder::GetColorContexts", "null count pointer", E_INVALIDARG);
  }
  *actualCount = 0;
  return S_OK;
}

HRESULT PngDecoder::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapDecoder::GetThumbnail", "PNG files have no thumbnail", WINCODEC_ERR_CODECNOTHUMBNAIL);
}

HRESULT PngDecoder::GetFrameCount(UINT* count) {
  if (count == nullptr) {
    return Fail("IWICBitmapDecoder::GetFrameCount", "null count pointer", E_INVALIDARG);
  }
  *count = 1;
  return S_OK;
}

HRESULT PngDecoder::GetFrame(UINT index, IWICBitmapFrameDecode** frame) {
  constexpr const char* kCall = "IWICBitmapDecoder::GetFrame";
  if (frame == nullptr) {
    return Fail(kCall, "null frame pointer", E_INVALIDARG);
  }
  *frame = nullptr;
  if (index != 0) {
    return Fail(kCall, Quoted(image_->FileName()) + " has one frame; frame " + std::to_string(index) + " was asked for",
                WINCODEC_ERR_FRAMEMISSING);
  }
  return PngFrame::Create(image_, frame);
}

}  // namespace wic
