#include "PngFrame.h"

#include "CopyRegion.h"
#include "Diagnostics.h"
#include "PixelConversion.h"

#include <cstring>
#include <new>

namespace wic {

HRESULT PngFrame::Create(std::shared_ptr<PngImage> image, IWICBitmapFrameDecode** frame) {
  *frame = new (std::nothrow) PngFrame(std::move(image));
  return *frame != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool PngFrame::Implements(REFIID riid) const {
  return riid == __uuidof(IUnknown) || riid == __uuidof(IWICBitmapSource) ||
         riid == __uuidof(IWICBitmapFrameDecode);
}

HRESULT PngFrame::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetSize", "null width or height pointer", E_INVALIDARG);
  }
  *width = image_->Width();
  *height = image_->Height();
  return S_OK;
}

HRESULT PngFrame::GetPixelFormat(WICPixelFormatGUID* pixelFormat) {
  if (pixelFormat == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetPixelFormat", "null format pointer", E_INVALIDARG);
  }
  *pixelFormat = *image_->Format().Guid;
  return S_OK;
}

HRESULT PngFrame::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetResolution", "null resolution pointer", E_INVALIDARG);
  }
  *dpiX = image_->DpiX();
  *dpiY = image_->DpiY();
  return S_OK;
}

HRESULT PngFrame::CopyPalette(IWICPalette* palette) {
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

HRESULT PngFrame::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
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
  const UINT64 firstBit = UINT64{region.X} * format.BitsPerPixel;
  const UINT64 bitCount = UINT64{region.Width} * format.BitsPerPixel;
  for (UINT row = 0; row < region.Height; ++row) {
    const BYTE* source = pixels + sourceRowBytes * (region.Y + row);
    BYTE* destination = buffer + UINT64{stride} * row;
    if (format.BitsPerPixel % 8 == 0) {
      std::memcpy(destination, source + firstBit / 8, region.RowBytes);
    } else {
      CopyBits(source, sourceRowBytes, firstBit, bitCount, destination);
    }
  }
  return S_OK;
}

HRESULT PngFrame::GetMetadataQueryReader(IWICMetadataQueryReader**) {
  return NotImplemented("IWICBitmapFrameDecode::GetMetadataQueryReader");
}

// Colour profiles are not applied, so the frame reports none.
HRESULT PngFrame::GetColorContexts(UINT, IWICColorContext**, UINT* actualCount) {
  if (actualCount == nullptr) {
    return Fail("IWICBitmapFrameDecode::GetColorContexts", "null count pointer", E_INVALIDARG);
  }
  *actualCount = 0;
  return S_OK;
}

// PNG files carry no thumbnail.
HRESULT PngFrame::GetThumbnail(IWICBitmapSource** thumbnail) {
  if (thumbnail != nullptr) {
    *thumbnail = nullptr;
  }
  return Fail("IWICBitmapFrameDecode::GetThumbnail", "PNG files have no thumbnail", WINCODEC_ERR_CODECNOTHUMBNAIL);
}

}  // namespace wic
