#include "WicTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::vector<uint8_t> Le16(std::initializer_list<uint16_t> values) {
  std::vector<uint8_t> bytes;
  for (uint16_t value : values) {
    bytes.push_back(static_cast<uint8_t>(value & 0xFF));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  }
  return bytes;
}

void WicTest::SetUp() {
  std::string pattern = (std::filesystem::temp_directory_path() / "wic-test-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  folder_ = pattern;
  CoInitialize(nullptr);
  ASSERT_EQ(CoCreateInstance(CLSID_WICImagingFactory2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory_)), S_OK);
}

void WicTest::TearDown() {
  factory_.Reset();
  CoUninitialize();
  std::filesystem::remove_all(folder_);
}

std::string WicTest::Write(const std::string& name, const PngContents& contents) {
  const std::string path = PathOf(name);
  EXPECT_TRUE(WritePng(path, contents));
  return path;
}

HRESULT WicTest::OpenResult(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = PathOf(name);
  WriteBytes(path, bytes);
  ComPtr<IWICBitmapDecoder> decoder;
  ::testing::internal::CaptureStderr();
  const HRESULT hr = factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                         WICDecodeMetadataCacheOnLoad, &decoder);
  const std::string output = ::testing::internal::GetCapturedStderr();
  if (FAILED(hr)) {
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find(name), std::string::npos) << output;
  }
  return hr;
}

ComPtr<IWICBitmapFrameDecode> WicTest::OpenFrame(const std::string& path) {
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  EXPECT_EQ(factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                &decoder),
            S_OK)
      << path;
  if (decoder) {
    EXPECT_EQ(decoder->GetFrame(0, &frame), S_OK);
  }
  return frame;
}

ComPtr<IWICFormatConverter> WicTest::Convert(IWICBitmapSource* source, REFWICPixelFormatGUID format) {
  ComPtr<IWICFormatConverter> converter;
  EXPECT_EQ(factory_->CreateFormatConverter(&converter), S_OK);
  EXPECT_EQ(converter->Initialize(source, format, WICBitmapDitherTypeErrorDiffusion, nullptr, 0.0,
                                  WICBitmapPaletteTypeCustom),
            S_OK);
  return converter;
}

std::vector<uint8_t> CopyAllPixels(IWICBitmapSource* source, unsigned bitsPerPixel) {
  UINT width = 0;
  UINT height = 0;
  EXPECT_EQ(source->GetSize(&width, &height), S_OK);
  const UINT stride = (width * bitsPerPixel + 7) / 8;
  std::vector<uint8_t> pixels(size_t{stride} * height);
  EXPECT_EQ(source->CopyPixels(nullptr, stride, static_cast<UINT>(pixels.size()), pixels.data()), S_OK);
  return pixels;
}

WICPixelFormatGUID PixelFormatOf(IWICBitmapSource* source) {
  WICPixelFormatGUID format{};
  EXPECT_EQ(source->GetPixelFormat(&format), S_OK);
  return format;
}
