#include "ImagingFactory.h"

#include "DecoderSelection.h"
#include "Diagnostics.h"
#include "FileAccess.h"
#include "FormatConverter.h"
#include "MemoryStream.h"
#include "Palette.h"
#include "PngEncoder.h"
#include "platform_common/UnicodeText.h"

#include <new>
#include <utility>
#include <vector>

namespace wic {

HRESULT ImagingFactory::CreateVersion1(REFIID riid, void** object) { return Create(false, riid, object); }

HRESULT ImagingFactory::CreateVersion2(REFIID riid, void** object) { return Create(true, riid, object); }

HRESULT ImagingFactory::Create(bool answersVersion2, REFIID riid, void** object) {
  if (object == nullptr) {
    return E_POINTER;
  }
  *object = nullptr;
  auto* factory = new (std::nothrow) ImagingFactory(answersVersion2);
  if (factory == nullptr) {
    return E_OUTOFMEMORY;
  }
  return platform::HandOut(factory, riid, object);
}

bool ImagingFactory::Answers(REFIID riid) const {
  return riid == __uuidof(IWICImagingFactory2) ? answersVersion2_ : InChain(riid);
}

// The file is read whole and its header checked here; the pixels are decoded by the first CopyPixels.
// The vendor is only a preference on Windows too, and the metadata cache option changes nothing for a
// decoder that reads no metadata.
HRESULT ImagingFactory::CreateDecoderFromFilename(LPCWSTR fileName, const GUID*, DWORD desiredAccess,
                                                  WICDecodeOptions metadataOptions, IWICBitmapDecoder** decoder) {
  constexpr const char* kCall = "IWICImagingFactory::CreateDecoderFromFilename";
  if (decoder == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null decoder pointer");
  }
  *decoder = nullptr;
  if (fileName == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null file name");
  }
  if ((desiredAccess & static_cast<DWORD>(GENERIC_READ)) == 0) {
    return Fail(kCall, E_INVALIDARG, "the access mask must include GENERIC_READ");
  }
  if (metadataOptions != WICDecodeMetadataCacheOnDemand && metadataOptions != WICDecodeMetadataCacheOnLoad) {
    return Fail(kCall, E_INVALIDARG, "unknown metadata option " + std::to_string(metadataOptions));
  }
  try {
    std::string name = platform::Utf8FromWide(fileName);
    std::vector<BYTE> bytes;
    const HRESULT hr = ReadWholeFile(kCall, name, bytes);
    return SUCCEEDED(hr) ? CreateDecoderForBytes(kCall, std::move(name), std::move(bytes), decoder) : hr;
  } catch (const std::exception& error) {
    return Fail(kCall, E_OUTOFMEMORY, std::string("out of memory: ") + error.what());
  }
}

// The stream is read from its current position to its end here, the way the file is read whole by
// CreateDecoderFromFilename: the decoder keeps its own copy and never goes back to the stream.
HRESULT ImagingFactory::CreateDecoderFromStream(IStream* stream, const GUID*, WICDecodeOptions metadataOptions,
                                                IWICBitmapDecoder** decoder) {
  constexpr const char* kCall = "IWICImagingFactory::CreateDecoderFromStream";
  if (decoder == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null decoder pointer");
  }
  *decoder = nullptr;
  if (stream == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null stream");
  }
  if (metadataOptions != WICDecodeMetadataCacheOnDemand && metadataOptions != WICDecodeMetadataCacheOnLoad) {
    return Fail(kCall, E_INVALIDARG, "unknown metadata option " + std::to_string(metadataOptions));
  }
  try {
    std::vector<BYTE> bytes;
    const HRESULT hr = ReadRestOfStream(kCall, stream, bytes);
    return SUCCEEDED(hr) ? CreateDecoderForBytes(kCall, "stream", std::move(bytes), decoder) : hr;
  } catch (const std::exception& error) {
    return Fail(kCall, E_OUTOFMEMORY, std::string("out of memory: ") + error.what());
  }
}

HRESULT ImagingFactory::CreateStream(IWICStream** stream) {
  if (stream == nullptr) {
    return Fail("IWICImagingFactory::CreateStream", E_INVALIDARG, "null stream pointer");
  }
  return MemoryStream::Create(stream);
}

HRESULT ImagingFactory::CreatePalette(IWICPalette** palette) {
  if (palette == nullptr) {
    return Fail("IWICImagingFactory::CreatePalette", E_INVALIDARG, "null palette pointer");
  }
  return Palette::Create(palette);
}

HRESULT ImagingFactory::CreateFormatConverter(IWICFormatConverter** converter) {
  if (converter == nullptr) {
    return Fail("IWICImagingFactory::CreateFormatConverter", E_INVALIDARG, "null converter pointer");
  }
  return FormatConverter::Create(converter);
}

// Everything below is outside the subset this platform offers.

HRESULT ImagingFactory::CreateDecoderFromFileHandle(ULONG_PTR, const GUID*, WICDecodeOptions, IWICBitmapDecoder**) {
  return NotImplemented("IWICImagingFactory::CreateDecoderFromFileHandle");
}

HRESULT ImagingFactory::CreateComponentInfo(REFCLSID, IWICComponentInfo**) {
  return NotImplemented("IWICImagingFactory::CreateComponentInfo");
}

HRESULT ImagingFactory::CreateDecoder(REFGUID, const GUID*, IWICBitmapDecoder**) {
  return NotImplemented("IWICImagingFactory::CreateDecoder");
}

// The vendor is only a preference, as on Windows.
HRESULT ImagingFactory::CreateEncoder(REFGUID containerFormat, const GUID*, IWICBitmapEncoder** encoder) {
  constexpr const char* kCall = "IWICImagingFactory::CreateEncoder";
  if (encoder == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null encoder pointer");
  }
  *encoder = nullptr;
  if (containerFormat != GUID_ContainerFormatPng) {
    return Fail(kCall, WINCODEC_ERR_COMPONENTNOTFOUND,
                "no encoder for container " + GuidText(containerFormat) + " (this platform encodes PNG only)");
  }
  return PngEncoder::Create(encoder);
}

HRESULT ImagingFactory::CreateBitmapScaler(IWICBitmapScaler**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapScaler");
}

HRESULT ImagingFactory::CreateBitmapClipper(IWICBitmapClipper**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapClipper");
}

HRESULT ImagingFactory::CreateBitmapFlipRotator(IWICBitmapFlipRotator**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapFlipRotator");
}

HRESULT ImagingFactory::CreateColorContext(IWICColorContext**) {
  return NotImplemented("IWICImagingFactory::CreateColorContext");
}

HRESULT ImagingFactory::CreateColorTransformer(IWICColorTransform**) {
  return NotImplemented("IWICImagingFactory::CreateColorTransformer");
}

HRESULT ImagingFactory::CreateBitmap(UINT, UINT, REFWICPixelFormatGUID, WICBitmapCreateCacheOption, IWICBitmap**) {
  return NotImplemented("IWICImagingFactory::CreateBitmap");
}

HRESULT ImagingFactory::CreateBitmapFromSource(IWICBitmapSource*, WICBitmapCreateCacheOption, IWICBitmap**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapFromSource");
}

HRESULT ImagingFactory::CreateBitmapFromSourceRect(IWICBitmapSource*, UINT, UINT, UINT, UINT, IWICBitmap**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapFromSourceRect");
}

HRESULT ImagingFactory::CreateBitmapFromMemory(UINT, UINT, REFWICPixelFormatGUID, UINT, UINT, BYTE*, IWICBitmap**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapFromMemory");
}

HRESULT ImagingFactory::CreateBitmapFromHBITMAP(HBITMAP, HPALETTE, WICBitmapAlphaChannelOption, IWICBitmap**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapFromHBITMAP");
}

HRESULT ImagingFactory::CreateBitmapFromHICON(HICON, IWICBitmap**) {
  return NotImplemented("IWICImagingFactory::CreateBitmapFromHICON");
}

HRESULT ImagingFactory::CreateComponentEnumerator(DWORD, DWORD, IEnumUnknown**) {
  return NotImplemented("IWICImagingFactory::CreateComponentEnumerator");
}

HRESULT ImagingFactory::CreateFastMetadataEncoderFromDecoder(IWICBitmapDecoder*, IWICFastMetadataEncoder**) {
  return NotImplemented("IWICImagingFactory::CreateFastMetadataEncoderFromDecoder");
}

HRESULT ImagingFactory::CreateFastMetadataEncoderFromFrameDecode(IWICBitmapFrameDecode*, IWICFastMetadataEncoder**) {
  return NotImplemented("IWICImagingFactory::CreateFastMetadataEncoderFromFrameDecode");
}

HRESULT ImagingFactory::CreateQueryWriter(REFGUID, const GUID*, IWICMetadataQueryWriter**) {
  return NotImplemented("IWICImagingFactory::CreateQueryWriter");
}

HRESULT ImagingFactory::CreateQueryWriterFromReader(IWICMetadataQueryReader*, const GUID*, IWICMetadataQueryWriter**) {
  return NotImplemented("IWICImagingFactory::CreateQueryWriterFromReader");
}

HRESULT ImagingFactory::CreateImageEncoder(ID2D1Device*, IWICImageEncoder**) {
  return NotImplemented("IWICImagingFactory2::CreateImageEncoder");
}

}  // namespace wic
