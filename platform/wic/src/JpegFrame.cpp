#include "JpegFrame.h"

#include "CopyRegion.h"
#include "Diagnostics.h"

#include <cstring>
#include <new>

namespace wic {

HRESULT JpegFrame::Create(std::shared_ptr<JpegImage> image, IWICBitmapFrameDecode** frame) {
  *frame = new (std::nothrow) JpegFrame(std::move(image));
  return *frame != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool JpegFrame::Implements(REFIID riid) const {
  return riid == __uuidof(IUnknown) || riid == __uuidof(IWICBitmapSource) ||
         riid == __uuidof(IWICBitmapFrameDecode);
}

HRESULT JpegFrame::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetSize", "null width or height pointer", E_INVALIDARG);
  }
  *width = image_->Width();
  *height = image_->Height();
  return S_OK;
}

HRESULT JpegFrame::GetPixelFormat(WICPixelFormatGUID* pixelFormat) {
  if (pixelFormat == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetPixelFormat", "null format pointer", E_INVALIDARG);
  }
  *pixelFormat = *image_->Format().Guid;
  return S_OK;
}

HRESULT JpegFrame::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetResolution", "null resolution pointer", E_INVALIDARG);
  }
  *dpiX = image_->DpiX();
  *dpiY = image_->DpiY();
  return S_OK;
}

HRESULT JpegFrame::CopyPalette(IWICPalette* palette) {
  constexpr const char* kCall = "IWICBitmapFrameDecode::CopyPalette";
  if (palette == nullptr) {
    return Fail(kCall, "null palette", E_INVALIDARG);
  }
  return Fail(kCall, Quoted(image_->FileName()) + " has no palette (" + image_->Format().Name + ")",
              WINCODEC_ERR_PALETTEUNAVAILABLE);
}

// Every JPEG format has whole-byte pixels, so rows are plain copies.
HRESULT JpegFrame::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
  constexpr const char* kCall = "IWICBitmapFrameDecode::CopyPixels";
  const PixelFormat& format = image_->Format();
  CopyRegion region;
  HRESULT hr = ResolveCopyRegion(kCall, image_->Width(), image_->Height(), format.BitsPerPixel, rect, stride,
                                 bufferSize, buffer, region);
  if (FAILED(hr) || region.IsEmpty()) {
    return hr;
  }
  const BYTE* pixels = nullptr;
  hr = image_->Pixels(kCall, pixels);
  if (FAILED(hr)) {
    return hr;
  }
  const UINT64 sourceRowBytes = image_->RowBytes();
  const UINT64 firstByte = UINT64{region.X} * (format.BitsPerPixel / 8);
  for (UINT row = 0; row < region.Height; ++row) {
    const BYTE* source = pixels + sourceRowBytes * (region.Y + row) + firstByte;
    std::memcpy(buffer + UINT64{stride} * row, source, region.RowBytes);
  }
  return S_OK;
}

HRESULT JpegFrame::GetMetadataQueryReader(IWICMetadataQueryReader**) {
  return NotImplemented("IWICBitmapFrameDecode::GetMetadataQueryReader");
}

// Embedded ICC profiles are not applied, so the frame reports none.
HRESULT JpegFrame::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
  if (actualCount == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetColorContexts", "null count pointer", E_INVALIDARG);
  }
  *actualCount = 0;
  return S_OK;
}

HRESULT JpegFrame::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapFrameDecode::GetThumbnail", "the decoder reads no JPEG thumbnails",
              WINCODEC_ERR_CODECNOTHUMBNAIL);
}

}  // namespace wic
