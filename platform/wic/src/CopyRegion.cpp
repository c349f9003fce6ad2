#include "CopyRegion.h"

#include "Diagnostics.h"
#include "PixelFormats.h"

#include <string>

namespace wic {
namespace {

std::string RectText(const WICRect& rect) {
  return "rectangle (" + std::to_string(rect.X) + ", " + std::to_string(rect.Y) + ", " + std::to_string(rect.Width) +
         " x " + std::to_string(rect.Height) + ")";
}

bool RectFits(const WICRect& rect, UINT imageWidth, UINT imageHeight) {
  if (rect.X < 0 || rect.Y < 0 || rect.Width < 0 || rect.Height < 0) {
    return false;
  }
  return INT64{rect.X} + rect.Width <= INT64{imageWidth} && INT64{rect.Y} + rect.Height <= INT64{imageHeight};
}

}  // namespace

HRESULT ResolveCopyRegion(const char* call, UINT imageWidth, UINT imageHeight, UINT bitsPerPixel, const WICRect* rect,
                          UINT stride, UINT bufferSize, const BYTE* buffer, CopyRegion& region) {
  if (buffer == nullptr) {
    return Fail(call, E_INVALIDARG, "null buffer");
  }
  if (rect == nullptr) {
    region = {0, 0, imageWidth, imageHeight, 0};
  } else if (RectFits(*rect, imageWidth, imageHeight)) {
    region = {static_cast<UINT>(rect->X), static_cast<UINT>(rect->Y), static_cast<UINT>(rect->Width),
              static_cast<UINT>(rect->Height), 0};
  } else {
    return Fail(call, E_INVALIDARG,
                RectText(*rect) + " is not inside the " + std::to_string(imageWidth) + " x " +
                    std::to_string(imageHeight) + " image");
  }
  region.RowBytes = RowBytes(bitsPerPixel, region.Width);
  if (stride < region.RowBytes) {
    return Fail(
        call, E_INVALIDARG,
        "stride " + std::to_string(stride) + " is shorter than a row of " + std::to_string(region.RowBytes) + " bytes");
  }
  if (region.IsEmpty()) {
    return S_OK;
  }
  const UINT64 needed = UINT64{stride} * (region.Height - 1) + region.RowBytes;
  if (needed > bufferSize) {
    return Fail(call, WINCODEC_ERR_INSUFFICIENTBUFFER,
                "buffer of " + std::to_string(bufferSize) + " bytes cannot hold " + std::to_string(region.Height) +
                    " rows at stride " + std::to_string(stride) + " (" + std::to_string(needed) + " bytes needed)");
  }
  return S_OK;
}

}  // namespace wic
