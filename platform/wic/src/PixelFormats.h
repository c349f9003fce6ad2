// The pixel formats the imaging component reads and writes, described by their memory layout so that one
// reader and one writer serve every format.
#pragma once

#include <wincodec.h>

#include <cstdint>
#include <string>

namespace wic {

// Cyan, Magenta, Yellow and Black are ink amounts (0 = none), read but never written.
enum class Channel : uint8_t { Red, Green, Blue, Alpha, Gray, Index, Padding, Cyan, Magenta, Yellow, Black };

struct PixelFormat {
  const GUID* Guid;
  const char* Name;  // the GUID's name without the GUID_WICPixelFormat prefix
  UINT BitsPerPixel;
  UINT BitsPerChannel;  // 1, 2, 4, 8 or 16; 16-bit samples are little-endian
  UINT ChannelCount;
  Channel Channels[4];  // in memory order; sub-byte samples fill each byte from its high bit down
  bool Premultiplied;

  // Formats with whole-byte samples and no palette can be produced by the converter; indexed and
  // sub-byte formats would need quantisation or thresholding, which nothing here asks for, and ink
  // formats a colour separation.
  bool IsWritable() const;
  bool IsIndexed() const;
  bool IsInk() const;
};

// The description of a format, or null for a format this component neither reads nor writes.
const PixelFormat* FindPixelFormat(REFGUID guid);

// The format's name for messages ("32bppBGRA"), or its GUID for formats outside the table.
std::string PixelFormatName(REFGUID guid);

// Bytes in a row of `width` pixels, the last byte partly used for sub-byte formats.
UINT64 RowBytes(UINT bitsPerPixel, UINT width);

}  // namespace wic
