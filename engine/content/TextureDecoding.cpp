#include "content/TextureFileError.h"
#include "content/TextureFormats.h"
#include "content/TextureLoader.h"

#include <wrl/client.h>

#include <cstdio>
#include <limits>
#include <string>

IWICImagingFactory* ImagingFactory = nullptr;

using Microsoft::WRL::ComPtr;

namespace {

void Check(HRESULT result, const std::wstring& fileName, const char* whatFailed) {
  if (FAILED(result)) {
    throw TextureFileError(fileName, whatFailed, result);
  }
}

std::string GuidText(const GUID& guid) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2],
                guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

void CreateImagingFactoryOnce(const std::wstring& fileName) {
  if (ImagingFactory != nullptr) {
    return;
  }
  // The result does not matter: COM may already be set up on this thread, which is just as good.
  CoInitialize(nullptr);
  const HRESULT result = CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER,
                                          IID_IWICImagingFactory, reinterpret_cast<void**>(&ImagingFactory));
  if (FAILED(result)) {
    ImagingFactory = nullptr;
    throw TextureFileError(fileName, "cannot create the image decoder", result);
  }
}

// A converter from the frame's format to one the GPU takes as it is.
void ConvertForTexture(IWICBitmapFrameDecode* frame, const WICPixelFormatGUID& wicFormat, DecodedImage& image,
                       ComPtr<IWICFormatConverter>& converter) {
  const WICPixelFormatGUID target = WicConversionTarget(wicFormat);
  if (target == GUID_WICPixelFormatDontCare) {
    throw TextureFileError(image.FileName, "no texture format for its pixel format " + GuidText(wicFormat));
  }
  image.Format = DxgiFormatFromWicFormat(target);
  Check(ImagingFactory->CreateFormatConverter(converter.GetAddressOf()), image.FileName,
        "cannot create a format converter");
  BOOL canConvert = FALSE;
  Check(converter->CanConvert(wicFormat, target, &canConvert), image.FileName, "cannot convert its pixels");
  if (!canConvert) {
    throw TextureFileError(image.FileName,
                           "cannot convert its pixels from " + GuidText(wicFormat) + " to " + GuidText(target));
  }
  Check(
      converter->Initialize(frame, target, WICBitmapDitherTypeErrorDiffusion, nullptr, 0.0, WICBitmapPaletteTypeCustom),
      image.FileName, "cannot convert its pixels");
}

// Tightly packed rows. The GPU takes textures of at most 16384 pixels a side, and the decoder copies at
// most 4 GiB at once; anything larger is refused here rather than wrapping around in the sizes.
void SizeRows(DecodedImage& image) {
  constexpr uint32_t MaxSide = D3D12_REQ_TEXTURE2D_U_OR_V_DIMENSION;
  if (image.Width > MaxSide || image.Height > MaxSide) {
    throw TextureFileError(image.FileName, "the image is " + std::to_string(image.Width) + " x " +
                                               std::to_string(image.Height) + " pixels; a texture is at most " +
                                               std::to_string(MaxSide) + " a side");
  }
  image.RowPitch = image.Width * BitsPerPixel(image.Format) / 8;
  const uint64_t byteSize = uint64_t{image.RowPitch} * image.Height;
  if (byteSize > std::numeric_limits<uint32_t>::max()) {
    throw TextureFileError(image.FileName, "the image needs more than 4 GiB");
  }
  image.ByteSize = static_cast<uint32_t>(byteSize);
}

// The decoder's first frame in a GPU format.
DecodedImage DecodeFirstFrame(IWICBitmapDecoder* decoder, const std::wstring& fileName) {
  DecodedImage image;
  image.FileName = fileName;
  ComPtr<IWICBitmapFrameDecode> frame;
  Check(decoder->GetFrame(0, frame.GetAddressOf()), fileName, "cannot read the image");
  WICPixelFormatGUID wicFormat = {};
  Check(frame->GetPixelFormat(&wicFormat), fileName, "cannot read the pixel format");
  Check(frame->GetSize(&image.Width, &image.Height), fileName, "cannot read the image size");

  // Pixels the GPU takes as they are come straight from the frame, others through a converter.
  IWICBitmapSource* source = frame.Get();
  ComPtr<IWICFormatConverter> converter;
  image.Format = DxgiFormatFromWicFormat(wicFormat);
  if (image.Format == DXGI_FORMAT_UNKNOWN) {
    ConvertForTexture(frame.Get(), wicFormat, image, converter);
    source = converter.Get();
  }

  SizeRows(image);
  image.Pixels.resize(image.ByteSize);
  // The decoder reads the pixel data only now, so a damaged file body shows up here.
  Check(source->CopyPixels(nullptr, image.RowPitch, image.ByteSize, image.Pixels.data()), fileName,
        "cannot decode the pixels");
  return image;
}

}  // namespace

DecodedImage DecodeImage(const std::wstring& fileName) {
  CreateImagingFactoryOnce(fileName);
  ComPtr<IWICBitmapDecoder> decoder;
  Check(ImagingFactory->CreateDecoderFromFilename(fileName.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                  decoder.GetAddressOf()),
        fileName, "cannot open the image");
  return DecodeFirstFrame(decoder.Get(), fileName);
}

DecodedImage DecodeImageInMemory(const std::vector<uint8_t>& bytes, const std::wstring& name) {
  CreateImagingFactoryOnce(name);
  ComPtr<IWICStream> stream;
  Check(ImagingFactory->CreateStream(stream.GetAddressOf()), name, "cannot create a memory stream");
  // The stream reads the bytes in place and never writes them.
  Check(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size())), name,
        "cannot read the image bytes");
  ComPtr<IWICBitmapDecoder> decoder;
  Check(ImagingFactory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad,
                                                decoder.GetAddressOf()),
        name, "cannot open the image");
  return DecodeFirstFrame(decoder.Get(), name);
}

bool LoadTextureFromFile(UploadContext& context, std::wstring fileName, TextureSlot& out) {
  const DecodedImage image = DecodeImage(fileName);
  UploadTexture(context, image, out);
  return image.ByteSize > 0;
}
