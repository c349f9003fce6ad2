// PNG encoding through IWICBitmapEncoder, judged by decoding what it wrote: every format PNG holds comes back
// as it went in, to a file or to memory; other formats are answered with the nearest one; wrong use fails
// with Windows' codes.
#include "WicTestSupport.h"

#include <functional>
#include <numeric>

namespace {

// The UTF-8 text as the wide API takes it (WicTestSupport's Wide widens bytes, for ASCII names).
std::wstring WideFromUtf8(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                  static_cast<int>(wide.size())));
  return wide;
}

struct Written {
  HRESULT Result = E_FAIL;
  std::vector<uint8_t> File;
};

class PngEncoderTest : public WicTest {
 protected:
  // Encodes width x height pixels of `format` (rows `stride` apart, given in two WritePixels calls) into a
  // stream over `path`, or over memory when the path is empty, and returns the file's bytes.
  Written Encode(const std::string& path, WICPixelFormatGUID format, UINT width, UINT height, UINT stride,
                 std::vector<uint8_t>& pixels) {
    Written written;
    std::vector<uint8_t> memory(1 << 16);
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    EXPECT_EQ(factory_->CreateStream(&stream), S_OK);
    written.Result = path.empty() ? stream->InitializeFromMemory(memory.data(), static_cast<DWORD>(memory.size()))
                                  : stream->InitializeFromFilename(WideFromUtf8(path).c_str(), GENERIC_WRITE);
    const UINT firstLines = height / 2;
    for (const auto& step : std::initializer_list<std::function<HRESULT()>>{
             [&] { return factory_->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder); },
             [&] { return encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache); },
             [&] { return encoder->CreateNewFrame(&frame, nullptr); }, [&] { return frame->Initialize(nullptr); },
             [&] { return frame->SetSize(width, height); }, [&] { return frame->SetResolution(72.0, 150.0); },
             [&] { return frame->SetPixelFormat(&format); },
             [&] { return frame->WritePixels(firstLines, stride, stride * firstLines, pixels.data()); },
             [&] {
               return frame->WritePixels(height - firstLines, stride, stride * (height - firstLines),
                                         pixels.data() + stride * firstLines);
             },
             [&] { return frame->Commit(); }, [&] { return encoder->Commit(); }}) {
      if (SUCCEEDED(written.Result)) written.Result = step();
    }
    ULARGE_INTEGER end{};
    if (SUCCEEDED(written.Result)) written.Result = stream->Seek({}, STREAM_SEEK_CUR, &end);
    written.File = path.empty() ? std::vector<uint8_t>(memory.begin(), memory.begin() + end.QuadPart) : ReadBytes(path);
    return written;
  }
};

TEST_F(PngEncoderTest, EveryPngFormatDecodesToThePixelsWritten) {
  struct Case {
    WICPixelFormatGUID Written, Decoded;
    UINT BitsPerPixel;
  };
  const Case cases[] = {{GUID_WICPixelFormat24bppBGR, GUID_WICPixelFormat24bppBGR, 24},
                        {GUID_WICPixelFormat32bppBGRA, GUID_WICPixelFormat32bppBGRA, 32},
                        {GUID_WICPixelFormat32bppBGR, GUID_WICPixelFormat24bppBGR, 32},
                        {GUID_WICPixelFormat8bppGray, GUID_WICPixelFormat8bppGray, 8},
                        {GUID_WICPixelFormat16bppGray, GUID_WICPixelFormat16bppGray, 16},
                        {GUID_WICPixelFormat48bppRGB, GUID_WICPixelFormat48bppRGB, 48},
                        {GUID_WICPixelFormat64bppRGBA, GUID_WICPixelFormat64bppRGBA, 64}};
  constexpr UINT kWidth = 5, kHeight = 3;
  for (size_t c = 0; c < std::size(cases); ++c) {
    const Case& test = cases[c];
    const UINT rowBytes = kWidth * test.BitsPerPixel / 8, stride = rowBytes + 3;  // rows apart, not packed
    std::vector<uint8_t> pixels(stride * kHeight);
    std::iota(pixels.begin(), pixels.end(), uint8_t{7});
    // Odd cases go to memory, even ones to a file named with a letter beyond ASCII.
    const std::string path = c % 2 ? "" : PathOf("fr\xC3\xA4me" + std::to_string(c) + ".png");
    const Written written = Encode(path, test.Written, kWidth, kHeight, stride, pixels);
    ASSERT_EQ(written.Result, S_OK) << c;
    const std::string decoded = PathOf("decoded.png");
    WriteBytes(decoded, written.File);
    const ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(decoded);
    ASSERT_TRUE(frame) << c;
    EXPECT_EQ(PixelFormatOf(frame.Get()), test.Decoded) << c;
    double dpiX = 0, dpiY = 0;
    frame->GetResolution(&dpiX, &dpiY);
    EXPECT_NEAR(dpiX, 72.0, 0.05) << c;
    EXPECT_NEAR(dpiY, 150.0, 0.05) << c;
    const UINT decodedBytes = test.Decoded == test.Written ? test.BitsPerPixel / 8 : 3;
    const std::vector<uint8_t> back = CopyAllPixels(frame.Get(), decodedBytes * 8);
    for (UINT y = 0; y < kHeight; ++y) {
      for (UINT x = 0; x < kWidth; ++x) {
        for (UINT b = 0; b < decodedBytes; ++b) {  // 32bppBGR's fourth byte is not kept
          ASSERT_EQ(back[(y * kWidth + x) * decodedBytes + b], pixels[y * stride + x * test.BitsPerPixel / 8 + b])
              << c << " at " << x << ", " << y;
        }
      }
    }
  }
}

TEST_F(PngEncoderTest, OtherFormatsAreAnsweredWithTheNearestPngFormatAndWriteSourceConverts) {
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IWICStream> stream;
  ASSERT_EQ(factory_->CreateStream(&stream), S_OK);
  ASSERT_EQ(stream->InitializeFromFilename(Wide(PathOf("converted.png")).c_str(), GENERIC_WRITE), S_OK);
  ASSERT_EQ(factory_->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), S_OK);
  ASSERT_EQ(encoder->Initialize(stream.Get(), WICBitmapEncoderCacheInMemory), S_OK);
  ASSERT_EQ(encoder->CreateNewFrame(&frame, nullptr), S_OK);
  ASSERT_EQ(frame->Initialize(nullptr), S_OK);
  for (const auto& [asked, answered] : {std::pair{GUID_WICPixelFormat32bppRGBA, GUID_WICPixelFormat32bppBGRA},
                                        std::pair{GUID_WICPixelFormat8bppIndexed, GUID_WICPixelFormat32bppBGRA},
                                        std::pair{GUID_WICPixelFormat24bppRGB, GUID_WICPixelFormat24bppBGR}}) {
    WICPixelFormatGUID format = asked;
    EXPECT_EQ(frame->SetPixelFormat(&format), S_OK);
    EXPECT_EQ(format, answered);
  }
  // A grey source of 2 x 1 written into the 24bppBGR frame the last request left.
  const ComPtr<IWICBitmapFrameDecode> grey =
      OpenFrame(Write("grey.png", MakePng(PNG_COLOR_TYPE_GRAY, 8, 2, 1, {10, 200})));
  ASSERT_EQ(frame->WriteSource(grey.Get(), nullptr), S_OK);
  ASSERT_EQ(frame->Commit(), S_OK);
  ASSERT_EQ(encoder->Commit(), S_OK);
  stream.Reset();  // closes the file
  const ComPtr<IWICBitmapFrameDecode> back = OpenFrame(PathOf("converted.png"));
  ASSERT_TRUE(back);
  EXPECT_EQ(CopyAllPixels(back.Get(), 24), (std::vector<uint8_t>{10, 10, 10, 200, 200, 200}));
}

TEST_F(PngEncoderTest, WrongUseFailsWithWindowsCodes) {
  ComPtr<IWICBitmapEncoder> encoder;
  EXPECT_EQ(factory_->CreateEncoder(GUID_ContainerFormatJpeg, nullptr, &encoder), WINCODEC_ERR_COMPONENTNOTFOUND);
  ASSERT_EQ(factory_->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder), S_OK);
  ComPtr<IWICBitmapFrameEncode> frame;
  EXPECT_EQ(encoder->CreateNewFrame(&frame, nullptr), WINCODEC_ERR_NOTINITIALIZED);
  ComPtr<IWICStream> stream;
  ASSERT_EQ(factory_->CreateStream(&stream), S_OK);
  EXPECT_EQ(stream->InitializeFromFilename(Wide(PathOf("missing/x.png")).c_str(), GENERIC_WRITE),
            HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
  std::vector<uint8_t> memory(64);  // too small for any PNG file
  ASSERT_EQ(stream->InitializeFromMemory(memory.data(), static_cast<DWORD>(memory.size())), S_OK);
  ASSERT_EQ(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), S_OK);
  EXPECT_EQ(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache), WINCODEC_ERR_WRONGSTATE);
  EXPECT_EQ(encoder->Commit(), WINCODEC_ERR_FRAMEMISSING);
  ASSERT_EQ(encoder->CreateNewFrame(&frame, nullptr), S_OK);
  ComPtr<IWICBitmapFrameEncode> second;
  EXPECT_EQ(encoder->CreateNewFrame(&second, nullptr), WINCODEC_ERR_UNSUPPORTEDOPERATION);
  EXPECT_EQ(frame->SetSize(2, 2), WINCODEC_ERR_NOTINITIALIZED);
  ASSERT_EQ(frame->Initialize(nullptr), S_OK);
  uint8_t pixels[4 * 3] = {};
  EXPECT_EQ(frame->WritePixels(1, 6, 6, pixels), WINCODEC_ERR_WRONGSTATE);  // no size or format yet
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  ASSERT_EQ(frame->SetSize(2, 2), S_OK);
  ASSERT_EQ(frame->SetPixelFormat(&format), S_OK);
  EXPECT_EQ(frame->WritePixels(1, 5, 6, pixels), E_INVALIDARG);   // stride shorter than a row
  EXPECT_EQ(frame->WritePixels(2, 6, 11, pixels), E_INVALIDARG);  // buffer short of two rows
  EXPECT_EQ(frame->WritePixels(3, 6, 18, pixels), WINCODEC_ERR_CODECTOOMANYSCANLINES);
  ASSERT_EQ(frame->WritePixels(1, 6, 6, pixels), S_OK);
  EXPECT_EQ(frame->Commit(), WINCODEC_ERR_WRONGSTATE);  // a row is missing
  ASSERT_EQ(frame->WritePixels(1, 6, 6, pixels), S_OK);
  ASSERT_EQ(frame->Commit(), S_OK);
  EXPECT_EQ(encoder->Commit(), STG_E_MEDIUMFULL);  // the stream's own failure
}

}  // namespace
