// Arbitrary bytes as a JPEG texture embedded in a model file: handed to the imaging factory through a
// memory stream (CreateStream, InitializeFromMemory, CreateDecoderFromStream), then used the way the
// texture loader uses a decoded file: frame 0, its format, size and resolution, the conversion the loader
// would ask for and CopyPixels of all of it and of a part. Refusals come back as error codes; a crash, a
// memory error, undefined behaviour or libjpeg ending the process is a finding.
// Inputs that do not start like a JPEG file are given its start-of-image marker, so that mutations are
// spent on the decoder rather than on the factory's format check.
#include "content/TextureFormats.h"

#include <windows.h>

#include <wincodec.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Larger images are legal and the loader takes them; decoding them only costs the fuzzer memory and
// time without reaching code that smaller ones do not.
constexpr uint64_t PixelBudget = 1 << 20;

// Room for the widest format the decoder or the converter produces here (64 bits a pixel).
constexpr UINT MaxBytesPerPixel = 8;

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

std::vector<uint8_t> AsJpegStart(const uint8_t* data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (bytes.size() < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
    bytes.insert(bytes.begin(), {0xFF, 0xD8});
  }
  return bytes;
}

void CopyAllAndAPart(IWICBitmapSource* source, UINT width, UINT height) {
  const UINT stride = width * MaxBytesPerPixel;
  std::vector<BYTE> pixels(size_t{stride} * height);
  source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data());
  const WICRect part = {static_cast<INT>(width / 3), static_cast<INT>(height / 3), static_cast<INT>((width + 1) / 2),
                        static_cast<INT>((height + 1) / 2)};
  source->CopyPixels(&part, stride, static_cast<UINT>(pixels.size()), pixels.data());
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
  std::vector<uint8_t> bytes = AsJpegStart(data, size);
  Held<IWICStream> stream;
  if (FAILED(Factory()->CreateStream(&stream.Pointer)) ||
      FAILED(stream.Pointer->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())))) {
    __builtin_trap();  // the stream takes any buffer; failing here would hide every input
  }
  Held<IWICBitmapDecoder> decoder;
  if (FAILED(Factory()->CreateDecoderFromStream(stream.Pointer, nullptr, WICDecodeMetadataCacheOnLoad,
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
  if (uint64_t{width} * height > PixelBudget) {
    return 0;
  }
  ConvertAndCopy(frame.Pointer, format, width, height);
  return 0;
}
