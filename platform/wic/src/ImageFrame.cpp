#include "ImageFrame.h"

#include "CopyRegion.h"
#include "Diagnostics.h"

#include <new>

namespace wic {

HRESULT ImageFrame::Create(std::shared_ptr<Image> image, IWICBitmapFrameDecode** frame) {
  *frame = new (std::nothrow) ImageFrame(std::move(image));
  return *frame != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT ImageFrame::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetSize", E_INVALIDARG, "null width or height pointer");
  }
  *width = image_->Width();
  *height = image_->Height();
  return S_OK;
}

HRESULT ImageFrame::GetPixelFormat(WICPixelFormatGUID* pixelFormat) {
  if (pixelFormat == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetPixelFormat", E_INVALIDARG, "null format pointer");
  }
  *pixelFormat = *image_->Format().Guid;
  return S_OK;
}

HRESULT ImageFrame::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetResolution", E_INVALIDARG, "null resolution pointer");
  }
  *dpiX = image_->DpiX();
  *dpiY = image_->DpiY();
  return S_OK;
}

// Only indexed formats (PNG's) have a palette; every JPEG format fails here.
HRESULT ImageFrame::CopyPalette(IWICPalette* palette) {
  constexpr const char* kCall = "IWICBitmapFrameDecode::CopyPalette";
  if (palette == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null palette");
  }
  if (!image_->Format().IsIndexed()) {
    return Fail(kCall, WINCODEC_ERR_PALETTEUNAVAILABLE,
                Quoted(image_->FileName()) + " has no palette (" + image_->Format().Name + ")");
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
    return Fail("IWICBitmapFrameDecode::GetColorContexts", E_INVALIDARG, "null count pointer");
  }
  *actualCount = 0;
  return S_OK;
}

HRESULT ImageFrame::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapFrameDecode::GetThumbnail", WINCODEC_ERR_CODECNOTHUMBNAIL, "%s",
              image_->Container().NoThumbnail);
}

}  // namespace wic
