// Arbitrary bytes as a PNG file, through the imaging interfaces the way the texture loader uses them:
// open the file, take frame 0, read its format, size, resolution and palette, convert it to the format
// the loader would upload and copy the pixels, all of them and a part. Refusals come back as error
// codes; a crash, a memory error or undefined behaviour is a finding.
// Every chunk's checksum is made right before the file is written: a mutated byte would otherwise fail
// its chunk's check at once, and the fuzzer would hardly ever get past the header.
#include "DecoderFuzzBody.h"
#include "FuzzScratchFile.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Room for the widest format the decoder or the converter produces (128 bits a pixel).
constexpr UINT MaxBytesPerPixel = 16;

uint32_t ReadBigEndian32(const uint8_t* bytes) {
  return uint32_t{bytes[0]} << 24 | uint32_t{bytes[1]} << 16 | uint32_t{bytes[2]} << 8 | bytes[3];
}

// Chunks follow the 8-byte signature: a 4-byte length, a 4-byte type, the data, then the CRC of type and
// data. A chunk whose length runs past the end is left as it is.
std::vector<uint8_t> WithChunkChecksumsFixed(const uint8_t* data, size_t size) {
  std::vector<uint8_t> file(data, data + size);
  size_t chunk = 8;
  while (chunk + 12 <= file.size()) {
    const uint32_t length = ReadBigEndian32(&file[chunk]);
    if (length > file.size() - chunk - 12) {
      break;
    }
    const size_t checksumAt = chunk + 8 + length;
    const uint32_t checksum = static_cast<uint32_t>(crc32(0, &file[chunk + 4], length + 4));
    for (int i = 0; i < 4; ++i) {
      file[checksumAt + i] = static_cast<uint8_t>(checksum >> (24 - 8 * i));
    }
    chunk = checksumAt + 4;
  }
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzScratchFile file("image", ".png");
  const std::vector<uint8_t> bytes = WithChunkChecksumsFixed(data, size);
  file.Write(bytes.data(), bytes.size());
  const std::wstring path = file.WidePath();

  Held<IWICBitmapDecoder> decoder;
  if (FAILED(FuzzFactory()->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                      &decoder.Pointer))) {
    return 0;
  }
  UseLikeTheTextureLoader(decoder.Pointer, {MaxBytesPerPixel, true});
  return 0;
}
