#include "ImageFrame.h"

#include "CopyRegion.h"
#include "Diagnostics.h"

#include <new>

namespace wic {

HRESULT ImageFrame::Create(std::shared_ptr<Image> image, IWICBitmapFrameDecode** frame) {
  *frame = new (std::nothrow) ImageFrame(std::move(image));
  return *frame != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool ImageFrame::Implements(REFIID riid) const {
  return riid == __uuidof(IUnknown) || riid == __uuidof(IWICBitmapSource) || riid == __uuidof(IWICBitmapFrameDecode);
}

HRESULT ImageFrame::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetSize", "null width or height pointer", E_INVALIDARG);
  }
  *width = image_->Width();
  *height = image_->Height();
  return S_OK;
}

HRESULT ImageFrame::GetPixelFormat(WICPixelFormatGUID* pixelFormat) {
  if (pixelFormat == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetPixelFormat", "null format pointer", E_INVALIDARG);
  }
  *pixelFormat = *image_->Format().Guid;
  return S_OK;
}

HRESULT ImageFrame::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetResolution", "null resolution pointer", E_INVALIDARG);
  }
  *dpiX = image_->DpiX();
  *dpiY = image_->DpiY();
  return S_OK;
}

// Only indexed formats (PNG's) have a palette; every JPEG format fails here.
HRESULT ImageFrame::CopyPalette(IWICPalette* palette) {
  constexpr const char* kCall = "IWICBitmapFrameDecode::CopyPalette";
  if (palette == nullptr) {
    return Fail(kCall, "null palette", E_INVALIDARG);
  }
  if (!image_->Format().IsIndexed()) {
    return Fail(kCall, Quoted(image_->FileName()) + " has no palette (" + image_->Format().Name + ")",
                WINCODEC_ERR_PALETTEUNAVAILABLE);
  }
  std::vector<WICColor> colors = image_->Palette();
  return palette->InitializeCustom(colors.data(), static_cast<UINT>(colors.size()));
}

HRESULT ImageFrame::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
  constexpr const char* kCall = "IWICBitmapFrameDecode::CopyPixels";
  CopyRegion region;
  const HRESULT hr = ResolveCopyRegion(kCall, image_->Width(), image_->Height(), image_->Format().BitsPerPixel, rect,
                                       stride, bufferSize, buffer, region);
  if (FAILED(hr) || region.IsEmpty()) {
    return hr;
  }
  return image_->CopyRows(kCall, region, stride, buffer);
}

HRESULT ImageFrame::GetMetadataQueryReader(IWICMetadataQueryReader**) {
  return NotImplemented("IWICBitmapFrameDecode::GetMetadataQueryReader");
}

// Colour profiles are not applied, so the frame reports none.
HRESULT ImageFrame::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
  if (actualCount == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetColorContexts", "null count pointer", E_INVALIDARG);
  }
  *actualCount = 0;
  return S_OK;
}

HRESULT ImageFrame::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapFrameDecode::GetThumbnail", image_->Container().NoThumbnail, WINCODEC_ERR_CODECNOTHUMBNAIL);
}

}  // namespace wic
