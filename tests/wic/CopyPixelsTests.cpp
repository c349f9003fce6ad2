// The rules every CopyPixels follows, for decoded frames and converters alike: the rectangle, the stride
// and the buffer size, and never a byte written outside the rows asked for.
#include "WicTestSupport.h"

#include <algorithm>

namespace {

constexpr UINT kWidth = 4;
constexpr UINT kHeight = 3;
constexpr UINT kRowBytes = kWidth * 4;
constexpr uint8_t kUntouched = 0xEE;

// Pixel (x, y) of the test image: blue x, green y, red x + 10 * y, alpha 200 + x, as BGRA bytes.
std::vector<uint8_t> BgraPixel(UINT x, UINT y) {
  return {uint8_t(x), uint8_t(y), uint8_t(x + 10 * y), uint8_t(200 + x)};
}

std::vector<uint8_t> BgraRows(UINT x, UINT y, UINT width, UINT height) {
  std::vector<uint8_t> bytes;
  for (UINT row = y; row < y + height; ++row) {
    for (UINT column = x; column < x + width; ++column) {
      const std::vector<uint8_t> pixel = BgraPixel(column, row);
      bytes.insert(bytes.end(), pixel.begin(), pixel.end());
    }
  }
  return bytes;
}

enum class SourceKind { Frame, Converter };

void PrintTo(SourceKind kind, std::ostream* out) { *out << (kind == SourceKind::Frame ? "Frame" : "Converter"); }

// The same BGRA pixels, read straight from a 32bppBGRA frame or through two converters (to 64bppRGBA and
// back), so that both kinds of CopyPixels meet every rule.
class CopyPixelsRules : public WicTest, public ::testing::WithParamInterface<SourceKind> {
 protected:
  void SetUp() override {
    WicTest::SetUp();
    PngContents contents;
    contents.ColorType = PNG_COLOR_TYPE_RGBA;
    contents.Width = kWidth;
    contents.Height = kHeight;
    for (UINT y = 0; y < kHeight; ++y) {
      for (UINT x = 0; x < kWidth; ++x) {
        const std::vector<uint8_t> bgra = BgraPixel(x, y);
        contents.Samples.insert(contents.Samples.end(), {bgra[2], bgra[1], bgra[0], bgra[3]});
      }
    }
    frame_ = OpenFrame(Write("image.png", contents));
    ASSERT_TRUE(frame_);
    if (GetParam() == SourceKind::Frame) {
      source_ = frame_;
    } else {
      // Through the widest format and back, so the converter does real work on every row.
      wide_ = Convert(frame_.Get(), GUID_WICPixelFormat64bppRGBA);
      source_ = Convert(wide_.Get(), GUID_WICPixelFormat32bppBGRA);
    }
  }

  HRESULT Copy(const WICRect* rect, UINT stride, UINT bufferSize, std::vector<uint8_t>& buffer) {
    return source_->CopyPixels(rect, stride, bufferSize, buffer.data());
  }

  ComPtr<IWICBitmapFrameDecode> frame_;
  ComPtr<IWICFormatConverter> wide_;
  ComPtr<IWICBitmapSource> source_;
};

TEST_P(CopyPixelsRules, NullRectangleCopiesTheWholeImage) {
  std::vector<uint8_t> buffer(kRowBytes * kHeight);
  ASSERT_EQ(Copy(nullptr, kRowBytes, kRowBytes * kHeight, buffer), S_OK);
  EXPECT_EQ(buffer, BgraRows(0, 0, kWidth, kHeight));
}

TEST_P(CopyPixelsRules, RectangleSelectsItsPixelsOnly) {
  const WICRect rect{1, 1, 2, 2};
  std::vector<uint8_t> buffer(16);
  ASSERT_EQ(Copy(&rect, 8, 16, buffer), S_OK);
  EXPECT_EQ(buffer, BgraRows(1, 1, 2, 2));
}

TEST_P(CopyPixelsRules, WideStrideLeavesTheGapBetweenRowsUntouched) {
  constexpr UINT kStride = kRowBytes + 3;
  constexpr UINT kSize = kStride * (kHeight - 1) + kRowBytes;  // the last row needs no gap
  std::vector<uint8_t> buffer(kSize, kUntouched);
  ASSERT_EQ(Copy(nullptr, kStride, kSize, buffer), S_OK);
  for (UINT y = 0; y < kHeight; ++y) {
    const auto row = buffer.begin() + kStride * y;
    EXPECT_EQ(std::vector<uint8_t>(row, row + kRowBytes), BgraRows(0, y, kWidth, 1)) << "row " << y;
    if (y + 1 < kHeight) {
      EXPECT_EQ(std::vector<uint8_t>(row + kRowBytes, row + kStride), std::vector<uint8_t>(3, kUntouched));
    }
  }
}

TEST_P(CopyPixelsRules, BufferOneByteShortIsRefusedUntouched) {
  constexpr UINT kStride = kRowBytes + 3;
  constexpr UINT kShort = kStride * (kHeight - 1) + kRowBytes - 1;
  std::vector<uint8_t> buffer(kShort, kUntouched);
  EXPECT_EQ(Copy(nullptr, kStride, kShort, buffer), WINCODEC_ERR_INSUFFICIENTBUFFER);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == kUntouched; }));
}

TEST_P(CopyPixelsRules, NothingIsWrittenPastTheStatedBufferSize) {
  const WICRect rect{0, 1, kWidth, 2};
  constexpr UINT kSize = 2 * kRowBytes;
  std::vector<uint8_t> buffer(kSize + 64, kUntouched);
  ASSERT_EQ(Copy(&rect, kRowBytes, kSize, buffer), S_OK);
  EXPECT_TRUE(std::all_of(buffer.begin() + kSize, buffer.end(), [](uint8_t b) { return b == kUntouched; }));
}

TEST_P(CopyPixelsRules, StrideShorterThanARowIsAnInvalidArgument) {
  std::vector<uint8_t> buffer(kRowBytes * kHeight);
  EXPECT_EQ(Copy(nullptr, kRowBytes - 1, static_cast<UINT>(buffer.size()), buffer), E_INVALIDARG);
}

TEST_P(CopyPixelsRules, RectanglesReachingOutsideTheImageAreInvalidArguments) {
  const WICRect outside[] = {
      {-1, 0, 1, 1},         {0, -1, 1, 1}, {0, 0, -1, 1}, {0, 0, 1, -1},
      {0, 0, kWidth + 1, 1}, {3, 0, 2, 1},  {0, 2, 1, 2},  {kWidth, 0, 1, 1},
  };
  std::vector<uint8_t> buffer(1024, kUntouched);
  for (const WICRect& rect : outside) {
    EXPECT_EQ(Copy(&rect, 64, 1024, buffer), E_INVALIDARG)
        << rect.X << ", " << rect.Y << ", " << rect.Width << " x " << rect.Height;
  }
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == kUntouched; }));
}

TEST_P(CopyPixelsRules, NullBufferIsAnInvalidArgument) {
  EXPECT_EQ(source_->CopyPixels(nullptr, kRowBytes, kRowBytes * kHeight, nullptr), E_INVALIDARG);
}

TEST_P(CopyPixelsRules, EmptyRectangleCopiesNothing) {
  const WICRect rect{2, 1, 0, 2};
  std::vector<uint8_t> buffer(4, kUntouched);
  EXPECT_EQ(Copy(&rect, 4, 4, buffer), S_OK);
  EXPECT_EQ(buffer, std::vector<uint8_t>(4, kUntouched));
}

INSTANTIATE_TEST_SUITE_P(FramesAndConverters, CopyPixelsRules,
                         ::testing::Values(SourceKind::Frame, SourceKind::Converter),
                         [](const ::testing::TestParamInfo<SourceKind>& info) {
                           return info.param == SourceKind::Frame ? "Frame" : "Converter";
                         });

class SubBytePixels : public WicTest {};

// A rectangle starting inside a byte hands its first pixel out at the top of the first byte.
TEST_F(SubBytePixels, RectangleStartingMidByteIsShiftedToTheRowStart) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_GRAY;
  contents.BitDepth = 1;
  contents.Width = 10;
  contents.Height = 2;
  contents.Samples = {1, 0, 1, 1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  ComPtr<IWICBitmapFrameDecode> blackWhite = OpenFrame(Write("bw.png", contents));
  contents.BitDepth = 4;
  contents.Samples = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4};
  ComPtr<IWICBitmapFrameDecode> gray4 = OpenFrame(Write("gray4.png", contents));
  ASSERT_TRUE(blackWhite && gray4);

  const WICRect bits{3, 0, 7, 2};  // 1001011 and 0000001
  std::vector<uint8_t> buffer(2 * 3, kUntouched);
  ASSERT_EQ(blackWhite->CopyPixels(&bits, 3, 4, buffer.data()), S_OK);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0x96, kUntouched, kUntouched, 0x02, kUntouched, kUntouched}));

  const WICRect nibbles{1, 1, 3, 1};  // 12, 13, 14
  ASSERT_EQ(gray4->CopyPixels(&nibbles, 2, 2, buffer.data()), S_OK);
  EXPECT_EQ(buffer[0], 0xCD);
  EXPECT_EQ(buffer[1], 0xE0);
}

TEST_F(SubBytePixels, RowBytesRoundUpForStrideAndSize) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_GRAY;
  contents.BitDepth = 2;
  contents.Width = 5;  // 10 bits: two bytes a row
  contents.Height = 2;
  contents.Samples = std::vector<uint16_t>(10, 3);
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(Write("gray2.png", contents));
  ASSERT_TRUE(frame);

  std::vector<uint8_t> buffer(4, kUntouched);
  EXPECT_EQ(frame->CopyPixels(nullptr, 1, 4, buffer.data()), E_INVALIDARG);
  EXPECT_EQ(frame->CopyPixels(nullptr, 2, 3, buffer.data()), WINCODEC_ERR_INSUFFICIENTBUFFER);
  ASSERT_EQ(frame->CopyPixels(nullptr, 2, 4, buffer.data()), S_OK);
  EXPECT_EQ(buffer, (std::vector<uint8_t>{0xFF, 0xC0, 0xFF, 0xC0}));
}

}  // namespace
