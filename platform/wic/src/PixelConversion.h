// Row conversion between pixel formats through one common pixel: 16-bit straight (not premultiplied) RGBA.
// Every supported format converts to it without loss, so a conversion between two 8-bit formats returns
// the same bytes a direct shuffle would.
#pragma once

#include "PixelFormats.h"

#include <cstdint>
#include <optional>
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

// A conversion between two formats of 8-bit straight samples in which every target byte is a copy of one
// source byte or opaque 255 (channel reorders, gray to colour, adding or dropping alpha and padding). The
// common pixel gives exactly these bytes (x * 257 narrows back to x); copying them directly is several
// times faster, which matters for the 24bppBGR of every JPEG texture.
struct ByteShuffle {
  static constexpr int kOpaque = -1;
  UINT SourceBytes = 0;
  UINT TargetBytes = 0;
  int From[4] = {};  // for each target byte, the source byte it copies, or kOpaque
};

// The shuffle between the formats, or nothing when the conversion needs the common pixel.
std::optional<ByteShuffle> FindByteShuffle(const PixelFormat& source, const PixelFormat& target);

void ShufflePixels(const ByteShuffle& shuffle, const BYTE* source, UINT count, BYTE* target);

// Copies `bitCount` bits of a row of `sourceBytes` bytes, starting at bit `firstBit` (counted from the
// high bit of the first byte), to the start of `destination`; the unused low bits of its last byte are 0.
// Sub-byte formats need this when a copy starts in the middle of a byte.
void CopyBits(const BYTE* source, UINT64 sourceBytes, UINT64 firstBit, UINT64 bitCount, BYTE* destination);

}  // namespace wic
