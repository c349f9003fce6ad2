// IWICFormatConverter: reads any IWICBitmapSource in a readable format and hands its pixels out in a
// writable one (see PixelFormats.h), a row at a time through the common 16-bit RGBA pixel.
#pragma once

#include "PixelConversion.h"
#include "PixelFormats.h"
#include "platform_common/ComObject.h"

#include <wincodec.h>

#include <optional>
#include <vector>

namespace wic {

class FormatConverter final : public platform::ComObject<IWICFormatConverter, IWICBitmapSource> {
 public:
  static HRESULT Create(IWICFormatConverter** converter);

  // True when Initialize accepts this pair: both formats known, and the target is the source format itself
  // or a writable one.
  static bool CanConvertFormats(REFWICPixelFormatGUID source, REFWICPixelFormatGUID target);

  // IWICBitmapSource
  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* pixelFormat) override;
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;

  // IWICFormatConverter
  HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* source, REFWICPixelFormatGUID targetFormat,
                                       WICBitmapDitherType dither, IWICPalette* palette, double alphaThresholdPercent,
                                       WICBitmapPaletteType paletteTranslate) override;
  HRESULT STDMETHODCALLTYPE CanConvert(REFWICPixelFormatGUID sourceFormat, REFWICPixelFormatGUID targetFormat,
                                       BOOL* canConvert) override;

 private:
  FormatConverter() = default;
  ~FormatConverter() override;

  HRESULT RequireInitialized(const char* call) const;
  HRESULT ReadSourcePalette(IWICBitmapSource* source);
  HRESULT ConvertRows(UINT x, UINT y, UINT width, UINT height, UINT stride, BYTE* buffer);

  IWICBitmapSource* source_ = nullptr;
  const PixelFormat* sourceFormat_ = nullptr;
  const PixelFormat* targetFormat_ = nullptr;
  UINT width_ = 0;
  UINT height_ = 0;
  std::vector<WICColor> sourcePalette_;
  std::optional<ByteShuffle> shuffle_;  // set when the conversion is a plain byte shuffle
};

}  // namespace wic
