// Row conversion between pixel formats through one common pixel: 16-bit straight (not premultiplied) RGBA.
// Every supported format converts to it without loss, so a conversion between two 8-bit formats returns
// the same bytes a direct shuffle would.
#pragma once

#include "PixelFormats.h"

#include <cstdint>
#include <span>

namespace wic {

struct Rgba16 {
  uint16_t R, G, B, A;
};

// Reads the first `count` pixels of a row. Missing channels become gray copies or opaque alpha; indexed
// pixels are looked up in `palette` (an index past its end reads as opaque black); ink (CMYK) becomes
// colour by the naive separation R = (1 - C)(1 - K), without a colour profile.
void ReadPixels(const PixelFormat& format, const BYTE* row, UINT count, std::span<const WICColor> palette,
                Rgba16* pixels);

// Writes `count` pixels as the first pixels of a row in a writable format. 16-bit values reach 8-bit
// samples rounded to nearest; colour reaches gray as Rec. 709 luma of the stored values.
void WritePixels(const PixelFormat& format, const Rgba16* pixels, UINT count, BYTE* row);

// Copies `bitCount` bits of a row of `sourceBytes` bytes, starting at bit `firstBit` (counted from the
// high bit of the first byte), to the start of `destination`; the unused low bits of its last byte are 0.
// Sub-byte formats need this when a copy starts in the middle of a byte.
void CopyBits(const BYTE* source, UINT64 sourceBytes, UINT64 firstBit, UINT64 bitCount, BYTE* destination);

}  // namespace wic
