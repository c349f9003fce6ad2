// Arbitrary bytes as a PNG file, through the imaging interfaces the way the texture loader uses them:
// open the file, take frame 0, read its format, size, resolution and palette, convert it to the format
// the loader would upload and copy the pixels, all of them and a part. Refusals come back as error
// codes; a crash, a memory error or undefined behaviour is a finding.
// Every chunk's checksum is made right before the file is written: a mutated byte would otherwise fail
// its chunk's check at once, and the fuzzer would hardly ever get past the header.
#include "FuzzScratchFile.h"

#include "content/TextureFormats.h"

#include <windows.h>

#include <wincodec.h>

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Larger images are legal and the loader takes them; decoding them only costs the fuzzer memory and
// time without reaching code that smaller ones do not.
constexpr uint64_t PixelBudget = 1 << 20;

// Room for the widest format the decoder or the converter produces (128 bits a pixel).
constexpr UINT MaxBytesPerPixel = 16;

IWICImagingFactory* Factory() {
  static IWICImagingFactory* factory = [] {
    CoInitialize(nullptr);
    IWICImagingFactory* created = nullptr;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&created)))) {
      __builtin_trap();
    }
    return created;
  }();
  return factory;
}

// Releases the interface when the scope ends, however the input's path through it ends.
template <typename Interface>
struct Held {
  Interface* Pointer = nullptr;
  ~Held() {
    if (Pointer != nullptr) {
      Pointer->Release();
    }
  }
};

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

void CopyAllAndAPart(IWICBitmapSource* source, UINT width, UINT height) {
  const UINT stride = width * MaxBytesPerPixel;
  std::vector<BYTE> pixels(size_t{stride} * height);
  source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data());
  const WICRect part = {static_cast<INT>(width / 3), static_cast<INT>(height / 3), static_cast<INT>((width + 1) / 2),
                        static_cast<INT>((height + 1) / 2)};
  source->CopyPixels(&part, stride, static_cast<UINT>(pixels.size()), pixels.data());
}

void ReadPalette(IWICBitmapFrameDecode* frame) {
  Held<IWICPalette> palette;
  if (FAILED(Factory()->CreatePalette(&palette.Pointer))) {
    return;
  }
  if (SUCCEEDED(frame->CopyPalette(palette.Pointer))) {
    UINT count = 0;
    palette.Pointer->GetColorCount(&count);
    std::vector<WICColor> colors(count);
    UINT copied = 0;
    palette.Pointer->GetColors(count, colors.data(), &copied);
  }
}

// The loader's choice: the frame's own pixels when the GPU takes them, otherwise the conversion it names.
void ConvertAndCopy(IWICBitmapFrameDecode* frame, const WICPixelFormatGUID& format, UINT width, UINT height) {
  if (DxgiFormatFromWicFormat(format) != DXGI_FORMAT_UNKNOWN) {
    CopyAllAndAPart(frame, width, height);
    return;
  }
  const WICPixelFormatGUID target = WicConversionTarget(format);
  Held<IWICFormatConverter> converter;
  if (target == GUID_WICPixelFormatDontCare || FAILED(Factory()->CreateFormatConverter(&converter.Pointer))) {
    return;
  }
  if (SUCCEEDED(converter.Pointer->Initialize(frame, target, WICBitmapDitherTypeErrorDiffusion, nullptr, 0.0,
                                              WICBitmapPaletteTypeCustom))) {
    CopyAllAndAPart(converter.Pointer, width, height);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const FuzzScratchFile file("image", ".png");
  const std::vector<uint8_t> bytes = WithChunkChecksumsFixed(data, size);
  file.Write(bytes.data(), bytes.size());
  const std::wstring path = file.WidePath();

  Held<IWICBitmapDecoder> decoder;
  if (FAILED(Factory()->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                  &decoder.Pointer))) {
    return 0;
  }
  Held<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder.Pointer->GetFrame(0, &frame.Pointer))) {
    return 0;
  }
  WICPixelFormatGUID format = {};
  UINT width = 0;
  UINT height = 0;
  double dpiX = 0.0;
  double dpiY = 0.0;
  if (FAILED(frame.Pointer->GetPixelFormat(&format)) || FAILED(frame.Pointer->GetSize(&width, &height))) {
    return 0;
  }
  frame.Pointer->GetResolution(&dpiX, &dpiY);
  ReadPalette(frame.Pointer);
  if (uint64_t{width} * height > PixelBudget) {
    return 0;
  }
  ConvertAndCopy(frame.Pointer, format, width, height);
  return 0;
}
