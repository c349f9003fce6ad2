// IWICPalette: a list of 0xAARRGGBB colours, filled by CopyPalette of an indexed image.
#pragma once

#include "platform_common/ComObject.h"

#include <wincodec.h>

#include <vector>

namespace wic {

class Palette final : public platform::ComObject<IWICPalette> {
 public:
  static HRESULT Create(IWICPalette** palette);

  const std::vector<WICColor>& Colors() const { return colors_; }

  HRESULT STDMETHODCALLTYPE InitializePredefined(WICBitmapPaletteType paletteType, BOOL addTransparentColor) override;
  HRESULT STDMETHODCALLTYPE InitializeCustom(WICColor* colors, UINT count) override;
  HRESULT STDMETHODCALLTYPE InitializeFromBitmap(IWICBitmapSource* surface, UINT count,
                                                 BOOL addTransparentColor) override;
  HRESULT STDMETHODCALLTYPE InitializeFromPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE GetType(WICBitmapPaletteType* paletteType) override;
  HRESULT STDMETHODCALLTYPE GetColorCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetColors(UINT count, WICColor* colors, UINT* actualCount) override;
  HRESULT STDMETHODCALLTYPE IsBlackWhite(BOOL* isBlackWhite) override;
  HRESULT STDMETHODCALLTYPE IsGrayscale(BOOL* isGrayscale) override;
  HRESULT STDMETHODCALLTYPE HasAlpha(BOOL* hasAlpha) override;

 private:
  Palette() = default;

  std::vector<WICColor> colors_;
};

}  // namespace wic
