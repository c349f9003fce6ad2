// The imaging factory through CoCreateInstance, and the COM rules its objects keep: reference counts,
// the interfaces each answers, and lifetimes that do not depend on release order.
#include "WicTestSupport.h"

namespace {

constexpr GUID kUnknownClass = {0x0badc0de, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

class ComActivation : public WicTest {};

TEST_F(ComActivation, BothFactoryClassesAreRegistered) {
  ComPtr<IWICImagingFactory> version1;
  ComPtr<IWICImagingFactory> version2;
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             reinterpret_cast<void**>(version1.GetAddressOf())),
            S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                             reinterpret_cast<void**>(version2.GetAddressOf())),
            S_OK);
  EXPECT_TRUE(version1 && version2);
}

TEST_F(ComActivation, OnlyTheVersion2ClassAnswersIWICImagingFactory2) {
  ComPtr<IWICImagingFactory2> factory;
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
            E_NOINTERFACE);
  EXPECT_FALSE(factory);
}

TEST_F(ComActivation, UnknownClassIsNotRegistered) {
  ComPtr<IWICImagingFactory> factory;
  EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory)),
            REGDB_E_CLASSNOTREG);
  EXPECT_FALSE(factory);
}

TEST_F(ComActivation, ObjectsCountReferencesAndAnswerTheirInterfaceChain) {
  ComPtr<IWICFormatConverter> converter;
  ASSERT_EQ(factory_->CreateFormatConverter(&converter), S_OK);
  EXPECT_EQ(converter->AddRef(), 2u);
  EXPECT_EQ(converter->Release(), 1u);

  ComPtr<IWICBitmapSource> source;
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(converter.As(&source), S_OK);
  EXPECT_EQ(converter.As(&unknown), S_OK);
  EXPECT_EQ(static_cast<IWICBitmapSource*>(converter.Get()), source.Get());

  ComPtr<IWICBitmapDecoder> notADecoder;
  EXPECT_EQ(converter.As(&notADecoder), E_NOINTERFACE);
  EXPECT_FALSE(notADecoder);
  EXPECT_EQ(converter->QueryInterface(IID_IWICBitmapSource, nullptr), E_POINTER);
}

TEST_F(ComActivation, FrameOutlivesItsDecoderAndFactory) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_GRAY;
  contents.Width = 2;
  contents.Height = 1;
  contents.Samples = {7, 9};
  const std::string path = Write("gray.png", contents);

  ComPtr<IWICBitmapFrameDecode> frame;
  {
    ComPtr<IWICBitmapDecoder> decoder;
    ASSERT_EQ(factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder),
              S_OK);
    ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);
    ComPtr<IWICBitmapFrameDecode> frameAnswers;
    EXPECT_EQ(frame.As(&frameAnswers), S_OK);
  }
  factory_.Reset();
  EXPECT_EQ(CopyAllPixels(frame.Get(), 8), (std::vector<uint8_t>{7, 9}));
}

TEST_F(ComActivation, MethodsOutsideTheSubsetSayNotImplemented) {
  ComPtr<IWICBitmapEncoder> encoder;
  ASSERT_EQ(factory_->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), S_OK);
  EXPECT_EQ(encoder->SetThumbnail(nullptr), E_NOTIMPL);
  IWICBitmapScaler* scaler = nullptr;
  EXPECT_EQ(factory_->CreateBitmapScaler(&scaler), E_NOTIMPL);
}

}  // namespace
