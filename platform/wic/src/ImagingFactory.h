// IWICImagingFactory(2): opens PNG and JPEG files and streams and makes memory streams, format converters
// and palettes. The object made for CLSID_WICImagingFactory answers only IWICImagingFactory, as on Windows;
// CLSID_WICImagingFactory2's also answers IWICImagingFactory2.
#pragma once

#include "platform_common/ComObject.h"

#include <wincodec.h>

namespace wic {

class ImagingFactory final : public platform::ComObject<IWICImagingFactory2, IWICImagingFactory> {
 public:
  // The class factories CoCreateInstance calls, one per CLSID.
  static HRESULT CreateVersion1(REFIID riid, void** object);
  static HRESULT CreateVersion2(REFIID riid, void** object);

  HRESULT STDMETHODCALLTYPE CreateDecoderFromFilename(LPCWSTR fileName, const GUID* vendor, DWORD desiredAccess,
                                                      WICDecodeOptions metadataOptions,
                                                      IWICBitmapDecoder** decoder) override;
  HRESULT STDMETHODCALLTYPE CreateDecoderFromStream(IStream* stream, const GUID* vendor,
                                                    WICDecodeOptions metadataOptions,
                                                    IWICBitmapDecoder** decoder) override;
  HRESULT STDMETHODCALLTYPE CreateDecoderFromFileHandle(ULONG_PTR file, const GUID* vendor,
                                                        WICDecodeOptions metadataOptions,
                                                        IWICBitmapDecoder** decoder) override;
  HRESULT STDMETHODCALLTYPE CreateComponentInfo(REFCLSID component, IWICComponentInfo** info) override;
  HRESULT STDMETHODCALLTYPE CreateDecoder(REFGUID containerFormat, const GUID* vendor,
                                          IWICBitmapDecoder** decoder) override;
  HRESULT STDMETHODCALLTYPE CreateEncoder(REFGUID containerFormat, const GUID* vendor,
                                          IWICBitmapEncoder** encoder) override;
  HRESULT STDMETHODCALLTYPE CreatePalette(IWICPalette** palette) override;
  HRESULT STDMETHODCALLTYPE CreateFormatConverter(IWICFormatConverter** converter) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapScaler(IWICBitmapScaler** scaler) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapClipper(IWICBitmapClipper** clipper) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapFlipRotator(IWICBitmapFlipRotator** flipRotator) override;
  HRESULT STDMETHODCALLTYPE CreateStream(IWICStream** stream) override;
  HRESULT STDMETHODCALLTYPE CreateColorContext(IWICColorContext** context) override;
  HRESULT STDMETHODCALLTYPE CreateColorTransformer(IWICColorTransform** transform) override;
  HRESULT STDMETHODCALLTYPE CreateBitmap(UINT width, UINT height, REFWICPixelFormatGUID pixelFormat,
                                         WICBitmapCreateCacheOption option, IWICBitmap** bitmap) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapFromSource(IWICBitmapSource* source, WICBitmapCreateCacheOption option,
                                                   IWICBitmap** bitmap) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapFromSourceRect(IWICBitmapSource* source, UINT x, UINT y, UINT width,
                                                       UINT height, IWICBitmap** bitmap) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapFromMemory(UINT width, UINT height, REFWICPixelFormatGUID pixelFormat,
                                                   UINT stride, UINT bufferSize, BYTE* buffer,
                                                   IWICBitmap** bitmap) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapFromHBITMAP(HBITMAP bitmapHandle, HPALETTE paletteHandle,
                                                    WICBitmapAlphaChannelOption options, IWICBitmap** bitmap) override;
  HRESULT STDMETHODCALLTYPE CreateBitmapFromHICON(HICON icon, IWICBitmap** bitmap) override;
  HRESULT STDMETHODCALLTYPE CreateComponentEnumerator(DWORD componentTypes, DWORD options,
                                                      IEnumUnknown** enumerator) override;
  HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromDecoder(IWICBitmapDecoder* decoder,
                                                                 IWICFastMetadataEncoder** encoder) override;
  HRESULT STDMETHODCALLTYPE CreateFastMetadataEncoderFromFrameDecode(IWICBitmapFrameDecode* frame,
                                                                     IWICFastMetadataEncoder** encoder) override;
  HRESULT STDMETHODCALLTYPE CreateQueryWriter(REFGUID metadataFormat, const GUID* vendor,
                                              IWICMetadataQueryWriter** writer) override;
  HRESULT STDMETHODCALLTYPE CreateQueryWriterFromReader(IWICMetadataQueryReader* reader, const GUID* vendor,
                                                        IWICMetadataQueryWriter** writer) override;

  HRESULT STDMETHODCALLTYPE CreateImageEncoder(ID2D1Device* device, IWICImageEncoder** encoder) override;

 private:
  explicit ImagingFactory(bool answersVersion2) : answersVersion2_(answersVersion2) {}
  bool Answers(REFIID riid) const override;

  static HRESULT Create(bool answersVersion2, REFIID riid, void** object);

  const bool answersVersion2_;
};

}  // namespace wic
