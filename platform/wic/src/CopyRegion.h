// The argument rules every CopyPixels shares: which pixels a WICRect selects, and whether the caller's
// stride and buffer can take them.
#pragma once

#include <wincodec.h>

namespace wic {

struct CopyRegion {
  UINT X, Y, Width, Height;
  UINT64 RowBytes;  // bytes of one copied row

  bool IsEmpty() const { return Width == 0 || Height == 0; }
};

// Resolves `rect` (null selects the whole image) against an image of the given size and depth and checks
// the buffer: E_INVALIDARG for a null buffer, a rectangle outside the image or a stride shorter than a row;
// WINCODEC_ERR_INSUFFICIENTBUFFER when the rows do not fit in `bufferSize` bytes. The last row needs only
// its own bytes, not a whole stride. Failures are reported on stderr under `call`.
HRESULT ResolveCopyRegion(const char* call, UINT imageWidth, UINT imageHeight, UINT bitsPerPixel, const WICRect* rect,
                          UINT stride, UINT bufferSize, const BYTE* buffer, CopyRegion& region);

}  // namespace wic
