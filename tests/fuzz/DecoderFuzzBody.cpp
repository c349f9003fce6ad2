#include "DecoderFuzzBody.h"

#include "content/TextureFormats.h"

#include <cstdint>
#include <vector>

namespace {

// Larger images are legal and the loader takes them; decoding them only costs the fuzzer memory and
// time without reaching code that smaller ones do not.
constexpr uint64_t PixelBudget = 1 << 20;

void CopyAllAndAPart(IWICBitmapSource* source, UINT width, UINT height, UINT maxBytesPerPixel) {
  const UINT stride = width * maxBytesPerPixel;
  std::vector<BYTE> pixels(size_t{stride} * height);
  source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data());
  const WICRect part = {static_cast<INT>(width / 3), static_cast<INT>(height / 3), static_cast<INT>((width + 1) / 2),
                        static_cast<INT>((height + 1) / 2)};
  source->CopyPixels(&part, stride, static_cast<UINT>(pixels.size()), pixels.data());
}

void ReadPalette(IWICBitmapFrameDecode* frame) {
  Held<IWICPalette> palette;
  if (FAILED(FuzzFactory()->CreatePalette(&palette.Pointer))) {
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
void ConvertAndCopy(IWICBitmapFrameDecode* frame, const WICPixelFormatGUID& format, UINT width, UINT height,
                    UINT maxBytesPerPixel) {
  if (DxgiFormatFromWicFormat(format) != DXGI_FORMAT_UNKNOWN) {
    CopyAllAndAPart(frame, width, height, maxBytesPerPixel);
    return;
  }
  const WICPixelFormatGUID target = WicConversionTarget(format);
  Held<IWICFormatConverter> converter;
  if (target == GUID_WICPixelFormatDontCare || FAILED(FuzzFactory()->CreateFormatConverter(&converter.Pointer))) {
    return;
  }
  if (SUCCEEDED(converter.Pointer->Initialize(frame, target, WICBitmapDitherTypeErrorDiffusion, nullptr, 0.0,
                                              WICBitmapPaletteTypeCustom))) {
    CopyAllAndAPart(converter.Pointer, width, height, maxBytesPerPixel);
  }
}

}  // namespace

IWICImagingFactory* FuzzFactory() {
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

void UseLikeTheTextureLoader(IWICBitmapDecoder* decoder, const DecoderUse& use) {
  Held<IWICBitmapFrameDecode> frame;
  if (FAILED(decoder->GetFrame(0, &frame.Pointer))) {
    return;
  }
  WICPixelFormatGUID format = {};
  UINT width = 0;
  UINT height = 0;
  double dpiX = 0.0;
  double dpiY = 0.0;
  if (FAILED(frame.Pointer->GetPixelFormat(&format)) || FAILED(frame.Pointer->GetSize(&width, &height))) {
    return;
  }
  frame.Pointer->GetResolution(&dpiX, &dpiY);
  if (use.ReadPalette) {
    ReadPalette(frame.Pointer);
  }
  if (uint64_t{width} * height > PixelBudget) {
    return;
  }
  ConvertAndCopy(frame.Pointer, format, width, height, use.MaxBytesPerPixel);
}
