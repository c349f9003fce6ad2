#include "FormatConverter.h"

#include "CopyRegion.h"
#include "Diagnostics.h"
#include "Palette.h"
#include "PixelConversion.h"

#include <new>

namespace wic {

HRESULT FormatConverter::Create(IWICFormatConverter** converter) {
  *converter = new (std::nothrow) FormatConverter();
  return *converter != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool FormatConverter::CanConvertFormats(REFWICPixelFormatGUID source, REFWICPixelFormatGUID target) {
  const PixelFormat* from = FindPixelFormat(source);
  const PixelFormat* to = FindPixelFormat(target);
  return from != nullptr && to != nullptr && (from == to || to->IsWritable());
}

FormatConverter::~FormatConverter() {
  if (source_ != nullptr) {
    source_->Release();
  }
}

HRESULT FormatConverter::RequireInitialized(const char* call) const {
  return source_ != nullptr ? S_OK : Fail(call, WINCODEC_ERR_NOTINITIALIZED, "the converter has not been initialized");
}

// Dithering, the palette arguments and the alpha threshold only shape conversions to indexed formats,
// which this converter does not produce; they are accepted and change nothing.
HRESULT FormatConverter::Initialize(IWICBitmapSource* source, REFWICPixelFormatGUID targetFormat, WICBitmapDitherType,
                                    IWICPalette*, double, WICBitmapPaletteType) {
  constexpr const char* kCall = "IWICFormatConverter::Initialize";
  if (source_ != nullptr) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE, "the converter is already initialized");
  }
  if (source == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null source");
  }
  WICPixelFormatGUID sourceFormat;
  HRESULT hr = source->GetPixelFormat(&sourceFormat);
  if (SUCCEEDED(hr)) {
    hr = source->GetSize(&width_, &height_);
  }
  if (FAILED(hr)) {
    return hr;
  }
  if (!CanConvertFormats(sourceFormat, targetFormat)) {
    return Fail(kCall, WINCODEC_ERR_UNSUPPORTEDOPERATION,
                "cannot convert " + PixelFormatName(sourceFormat) + " to " + PixelFormatName(targetFormat));
  }
  sourceFormat_ = FindPixelFormat(sourceFormat);
  targetFormat_ = FindPixelFormat(targetFormat);
  if (sourceFormat_->IsIndexed() && sourceFormat_ != targetFormat_) {
    hr = ReadSourcePalette(source);
    if (FAILED(hr)) {
      return hr;
    }
  }
  shuffle_ = FindByteShuffle(*sourceFormat_, *targetFormat_);
  source_ = source;
  source_->AddRef();
  return S_OK;
}

HRESULT FormatConverter::ReadSourcePalette(IWICBitmapSource* source) {
  IWICPalette* palette = nullptr;
  HRESULT hr = Palette::Create(&palette);
  if (FAILED(hr)) {
    return hr;
  }
  hr = source->CopyPalette(palette);
  if (SUCCEEDED(hr)) {
    // Indices reach at most 255, so the first 256 colours are all a conversion can use.
    sourcePalette_.resize(256);
    UINT count = 0;
    hr = palette->GetColors(256, sourcePalette_.data(), &count);
    sourcePalette_.resize(count);
  }
  palette->Release();
  return hr;
}

HRESULT FormatConverter::CanConvert(REFWICPixelFormatGUID sourceFormat, REFWICPixelFormatGUID targetFormat,
                                    BOOL* canConvert) {
  if (canConvert == nullptr) {
    return Fail("IWICFormatConverter::CanConvert", E_INVALIDARG, "null result pointer");
  }
  *canConvert = CanConvertFormats(sourceFormat, targetFormat) ? TRUE : FALSE;
  return S_OK;
}

HRESULT FormatConverter::GetSize(UINT* width, UINT* height) {
  constexpr const char* kCall = "IWICFormatConverter::GetSize";
  if (width == nullptr || height == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null width or height pointer");
  }
  const HRESULT hr = RequireInitialized(kCall);
  if (SUCCEEDED(hr)) {
    *width = width_;
    *height = height_;
  }
  return hr;
}

HRESULT FormatConverter::GetPixelFormat(WICPixelFormatGUID* pixelFormat) {
  constexpr const char* kCall = "IWICFormatConverter::GetPixelFormat";
  if (pixelFormat == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null format pointer");
  }
  const HRESULT hr = RequireInitialized(kCall);
  if (SUCCEEDED(hr)) {
    *pixelFormat = *targetFormat_->Guid;
  }
  return hr;
}

HRESULT FormatConverter::GetResolution(double* dpiX, double* dpiY) {
  const HRESULT hr = RequireInitialized("IWICFormatConverter::GetResolution");
  return SUCCEEDED(hr) ? source_->GetResolution(dpiX, dpiY) : hr;
}

HRESULT FormatConverter::CopyPalette(IWICPalette* palette) {
  constexpr const char* kCall = "IWICFormatConverter::CopyPalette";
  const HRESULT hr = RequireInitialized(kCall);
  if (FAILED(hr)) {
    return hr;
  }
  if (!targetFormat_->IsIndexed()) {
    return Fail(kCall, WINCODEC_ERR_PALETTEUNAVAILABLE,
                std::string("the converted pixels (") + targetFormat_->Name + ") have no palette");
  }
  return source_->CopyPalette(palette);
}

HRESULT FormatConverter::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
  constexpr const char* kCall = "IWICFormatConverter::CopyPixels";
  HRESULT hr = RequireInitialized(kCall);
  if (FAILED(hr)) {
    return hr;
  }
  if (sourceFormat_ == targetFormat_) {
    return source_->CopyPixels(rect, stride, bufferSize, buffer);
  }
  CopyRegion region;
  hr = ResolveCopyRegion(kCall, width_, height_, targetFormat_->BitsPerPixel, rect, stride, bufferSize, buffer, region);
  if (FAILED(hr) || region.IsEmpty()) {
    return hr;
  }
  try {
    return ConvertRows(region.X, region.Y, region.Width, region.Height, stride, buffer);
  } catch (const std::bad_alloc&) {
    return Fail(kCall, E_OUTOFMEMORY, "out of memory for a row of " + std::to_string(region.Width) + " pixels");
  }
}

// Each source row is read on its own, so memory stays at one row whatever the image size; a source that
// fails (damaged image data) fails the conversion with its own code and message.
HRESULT FormatConverter::ConvertRows(UINT x, UINT y, UINT width, UINT height, UINT stride, BYTE* buffer) {
  const UINT64 rowBytes = RowBytes(sourceFormat_->BitsPerPixel, width);
  if (rowBytes > UINT32_MAX) {
    return Fail("IWICFormatConverter::CopyPixels", E_INVALIDARG,
                "a source row of " + std::to_string(rowBytes) + " bytes is too long");
  }
  const UINT sourceRowBytes = static_cast<UINT>(rowBytes);
  std::vector<BYTE> sourceRow(sourceRowBytes);
  std::vector<Rgba16> pixels(shuffle_ ? 0 : width);
  for (UINT row = 0; row < height; ++row) {
    const WICRect rowRect{static_cast<INT>(x), static_cast<INT>(y + row), static_cast<INT>(width), 1};
    const HRESULT hr = source_->CopyPixels(&rowRect, sourceRowBytes, sourceRowBytes, sourceRow.data());
    if (FAILED(hr)) {
      return hr;
    }
    BYTE* targetRow = buffer + UINT64{stride} * row;
    if (shuffle_) {
      ShufflePixels(*shuffle_, sourceRow.data(), width, targetRow);
      continue;
    }
    ReadPixels(*sourceFormat_, sourceRow.data(), width, sourcePalette_, pixels.data());
    WritePixels(*targetFormat_, pixels.data(), width, targetRow);
  }
  return S_OK;
}

}  // namespace wic
