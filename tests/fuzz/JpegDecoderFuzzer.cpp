// Arbitrary bytes as a JPEG texture embedded in a model file: handed to the imaging factory through a
// memory stream (CreateStream, InitializeFromMemory, CreateDecoderFromStream), then used the way the
// texture loader uses a decoded file: frame 0, its format, size and resolution, the conversion the loader
// would ask for and CopyPixels of all of it and of a part. Refusals come back as error codes; a crash, a
// memory error, undefined behaviour or libjpeg ending the process is a finding.
// Inputs that do not start like a JPEG file are given its start-of-image marker, so that mutations are
// spent on the decoder rather than on the factory's format check.
#include "DecoderFuzzBody.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Room for the widest format the decoder or the converter produces here (64 bits a pixel).
constexpr UINT MaxBytesPerPixel = 8;

std::vector<uint8_t> AsJpegStart(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
    bytes.insert(bytes.begin(), {0xFF, 0xD8});
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes = AsJpegStart(data, size);
  Held<IWICStream> stream;
  if (FAILED(FuzzFactory()->CreateStream(&stream.Pointer)) ||
      FAILED(stream.Pointer->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())))) {
    __builtin_trap();  // the stream takes any buffer; failing here would hide every input
  }
  Held<IWICBitmapDecoder> decoder;
  if (FAILED(FuzzFactory()->CreateDecoderFromStream(stream.Pointer, nullptr, WICDecodeMetadataCacheOnLoad,
                                                    &decoder.Pointer))) {
    return 0;
  }
  UseLikeTheTextureLoader(decoder.Pointer, {MaxBytesPerPixel, false});
  return 0;
}
