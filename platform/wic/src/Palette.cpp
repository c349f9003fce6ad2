#include "Palette.h"

#include "Diagnostics.h"

#include <algorithm>
#include <new>
#include <string>

namespace wic {
namespace {

constexpr UINT kMaxColors = 256;

BYTE Red(WICColor color) { return static_cast<BYTE>(color >> 16); }
BYTE Green(WICColor color) { return static_cast<BYTE>(color >> 8); }
BYTE Blue(WICColor color) { return static_cast<BYTE>(color); }
BYTE Alpha(WICColor color) { return static_cast<BYTE>(color >> 24); }

bool IsGray(WICColor color) { return Red(color) == Green(color) && Green(color) == Blue(color); }

}  // namespace

HRESULT Palette::Create(IWICPalette** palette) {
  *palette = new (std::nothrow) Palette();
  return *palette != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT Palette::InitializePredefined(WICBitmapPaletteType, BOOL) {
  return NotImplemented("IWICPalette::InitializePredefined");
}

HRESULT Palette::InitializeCustom(WICColor* colors, UINT count) {
  if (colors == nullptr && count != 0) {
    return Fail("IWICPalette::InitializeCustom", E_INVALIDARG, "null colour array");
  }
  if (count > kMaxColors) {
    return Fail("IWICPalette::InitializeCustom", E_INVALIDARG,
                std::to_string(count) + " colours; a palette holds at most " + std::to_string(kMaxColors));
  }
  colors_.assign(colors, colors + count);
  return S_OK;
}

HRESULT Palette::InitializeFromBitmap(IWICBitmapSource*, UINT, BOOL) {
  return NotImplemented("IWICPalette::InitializeFromBitmap");
}

HRESULT Palette::InitializeFromPalette(IWICPalette* palette) {
  if (palette == nullptr) {
    return Fail("IWICPalette::InitializeFromPalette", E_INVALIDARG, "null palette");
  }
  std::vector<WICColor> colors(kMaxColors);
  UINT count = 0;
  const HRESULT hr = palette->GetColors(kMaxColors, colors.data(), &count);
  if (SUCCEEDED(hr)) {
    colors.resize(count);
    colors_ = std::move(colors);
  }
  return hr;
}

HRESULT Palette::GetType(WICBitmapPaletteType* paletteType) {
  if (paletteType == nullptr) {
    return Fail("IWICPalette::GetType", E_INVALIDARG, "null result pointer");
  }
  *paletteType = WICBitmapPaletteTypeCustom;
  return S_OK;
}

HRESULT Palette::GetColorCount(UINT* count) {
  if (count == nullptr) {
    return Fail("IWICPalette::GetColorCount", E_INVALIDARG, "null result pointer");
  }
  *count = static_cast<UINT>(colors_.size());
  return S_OK;
}

HRESULT Palette::GetColors(UINT count, WICColor* colors, UINT* actualCount) {
  if (colors == nullptr || actualCount == nullptr) {
    return Fail("IWICPalette::GetColors", E_INVALIDARG, "null colour array or count pointer");
  }
  const UINT copied = std::min(count, static_cast<UINT>(colors_.size()));
  std::copy_n(colors_.begin(), copied, colors);
  *actualCount = copied;
  return S_OK;
}

HRESULT Palette::IsBlackWhite(BOOL* isBlackWhite) {
  if (isBlackWhite == nullptr) {
    return Fail("IWICPalette::IsBlackWhite", E_INVALIDARG, "null result pointer");
  }
  const bool blackWhite = colors_.size() == 2 && std::all_of(colors_.begin(), colors_.end(), [](WICColor c) {
                            return (c & 0xFFFFFF) == 0 || (c & 0xFFFFFF) == 0xFFFFFF;
                          });
  *isBlackWhite = blackWhite ? TRUE : FALSE;
  return S_OK;
}

HRESULT Palette::IsGrayscale(BOOL* isGrayscale) {
  if (isGrayscale == nullptr) {
    return Fail("IWICPalette::IsGrayscale", E_INVALIDARG, "null result pointer");
  }
  *isGrayscale = std::all_of(colors_.begin(), colors_.end(), IsGray) ? TRUE : FALSE;
  return S_OK;
}

HRESULT Palette::HasAlpha(BOOL* hasAlpha) {
  if (hasAlpha == nullptr) {
    return Fail("IWICPalette::HasAlpha", E_INVALIDARG, "null result pointer");
  }
  *hasAlpha = std::any_of(colors_.begin(), colors_.end(), [](WICColor c) { return Alpha(c) != 0xFF; }) ? TRUE : FALSE;
  return S_OK;
}

}  // namespace wic
