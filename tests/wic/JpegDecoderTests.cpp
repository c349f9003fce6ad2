// JPEG files of every kind the engine meets decode to the pixel format Windows reports for them, with the
// pixels djpeg decodes from the same file, through the frame and through the converter.
#include "JpegTools.h"
#include "WicTestSupport.h"

#include <algorithm>
#include <cstdlib>

namespace {

struct JpegCase {
  const char* Name;
  uint32_t Width;
  uint32_t Height;
  uint32_t Channels;
  const char* CjpegOptions;
};

void PrintTo(const JpegCase& kind, std::ostream* out) { *out << kind.Name; }

const JpegCase kCases[] = {
    {"Colour420", 40, 24, 3, "-quality 85"},
    {"Colour444", 40, 24, 3, "-quality 95 -sample 1x1"},
    {"Colour422", 33, 17, 3, "-quality 75 -sample 2x1"},
    {"Gray", 40, 24, 1, "-quality 85"},
    {"ProgressiveColour", 40, 24, 3, "-quality 85 -progressive"},
    {"ProgressiveGray", 23, 31, 1, "-progressive"},
    {"OnePixel", 1, 1, 3, ""},
    {"OnePixelGray", 1, 1, 1, ""},
    {"OddSize17x9", 17, 9, 3, ""},
    {"RestartEveryMcuRow", 48, 40, 3, "-restart 1"},
    {"RestartEveryTwoMcus", 37, 21, 3, "-restart 2b"},
    {"ProgressiveWithRestarts", 37, 21, 3, "-progressive -restart 1"},
    {"OptimizedHuffmanTables", 40, 24, 3, "-optimize"},
    {"RgbWithoutColourTransform", 19, 11, 3, "-rgb"},
};

class DecodesJpegKind : public WicTest, public ::testing::WithParamInterface<JpegCase> {
 protected:
  void SetUp() override {
    WicTest::SetUp();
    const JpegCase& kind = GetParam();
    path_ = PathOf("image.jpg");
    ASSERT_TRUE(EncodeWithCjpeg(TestPicture(kind.Width, kind.Height, kind.Channels), path_, kind.CjpegOptions));
    expected_ = DecodeWithDjpeg(path_);
    ASSERT_FALSE(expected_.Samples.empty());
  }

  std::string path_;
  RasterImage expected_;
};

TEST_P(DecodesJpegKind, ToTheWindowsPixelFormatWithDjpegsPixels) {
  const JpegCase& kind = GetParam();
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(path_);
  ASSERT_TRUE(frame);
  UINT width = 0;
  UINT height = 0;
  ASSERT_EQ(frame->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, kind.Width);
  EXPECT_EQ(height, kind.Height);

  if (kind.Channels == 1) {
    EXPECT_EQ(PixelFormatOf(frame.Get()), GUID_WICPixelFormat8bppGray);
    EXPECT_EQ(CopyAllPixels(frame.Get(), 8), expected_.Samples);
  } else {
    EXPECT_EQ(PixelFormatOf(frame.Get()), GUID_WICPixelFormat24bppBGR);
    EXPECT_EQ(CopyAllPixels(frame.Get(), 24), AsBgr(expected_));
  }
}

TEST_P(DecodesJpegKind, ConvertsToTheFormatsTheTextureLoaderAsksFor) {
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(path_);
  ASSERT_TRUE(frame);
  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppRGBA).Get(), 32), AsRgba(expected_));
  EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppBGRA).Get(), 32), AsBgra(expected_));
}

TEST_P(DecodesJpegKind, CopiesAnyRectangleAtAnyStride) {
  const JpegCase& kind = GetParam();
  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(path_);
  ASSERT_TRUE(frame);
  const std::vector<uint8_t> whole = kind.Channels == 1 ? expected_.Samples : AsBgr(expected_);
  const UINT bytesPerPixel = kind.Channels;
  const WICRect rect{static_cast<INT>(kind.Width / 3), static_cast<INT>(kind.Height / 2),
                     static_cast<INT>((kind.Width + 1) / 2), static_cast<INT>((kind.Height + 1) / 2)};
  const UINT stride = rect.Width * bytesPerPixel + 5;
  std::vector<uint8_t> part(stride * rect.Height, 0xCD);
  ASSERT_EQ(frame->CopyPixels(&rect, stride, static_cast<UINT>(part.size()), part.data()), S_OK);
  for (INT row = 0; row < rect.Height; ++row) {
    const auto wanted = whole.begin() + ((rect.Y + row) * kind.Width + rect.X) * bytesPerPixel;
    EXPECT_TRUE(std::equal(wanted, wanted + rect.Width * bytesPerPixel, part.begin() + row * stride)) << row;
    EXPECT_EQ(part[row * stride + rect.Width * bytesPerPixel], 0xCD) << "the stride's padding was written";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, DecodesJpegKind, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<JpegCase>& info) { return info.param.Name; });

class JpegDecoderTest : public WicTest {
 protected:
  std::string Encode(const std::string& name, uint32_t width, uint32_t height, const std::string& options = "") {
    const std::string path = PathOf(name);
    EXPECT_TRUE(EncodeWithCjpeg(TestPicture(width, height, 3), path, options));
    return path;
  }
};

TEST_F(JpegDecoderTest, ReportsOneFrameOfAJpegContainerWithNoPaletteOrThumbnail) {
  ComPtr<IWICBitmapDecoder> decoder;
  ASSERT_EQ(factory_->CreateDecoderFromFilename(Wide(Encode("one.jpg", 8, 8)).c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder),
            S_OK);
  GUID container{};
  EXPECT_EQ(decoder->GetContainerFormat(&container), S_OK);
  EXPECT_EQ(container, GUID_ContainerFormatJpeg);
  UINT frames = 0;
  EXPECT_EQ(decoder->GetFrameCount(&frames), S_OK);
  EXPECT_EQ(frames, 1u);
  ComPtr<IWICBitmapFrameDecode> frame;
  EXPECT_EQ(decoder->GetFrame(1, &frame), WINCODEC_ERR_FRAMEMISSING);
  ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);

  ComPtr<IWICPalette> palette;
  ASSERT_EQ(factory_->CreatePalette(&palette), S_OK);
  EXPECT_EQ(frame->CopyPalette(palette.Get()), WINCODEC_ERR_PALETTEUNAVAILABLE);
  EXPECT_EQ(decoder->CopyPalette(palette.Get()), WINCODEC_ERR_PALETTEUNAVAILABLE);
  ComPtr<IWICBitmapSource> thumbnail;
  EXPECT_EQ(frame->GetThumbnail(&thumbnail), WINCODEC_ERR_CODECNOTHUMBNAIL);
}

// A name ending in .png changes nothing: the bytes choose the decoder, as on Windows.
TEST_F(JpegDecoderTest, TheContentsNotTheNameChooseTheDecoder) {
  const std::string path = Encode("disguised.png", 9, 7);
  ComPtr<IWICBitmapDecoder> decoder;
  ASSERT_EQ(factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                                &decoder),
            S_OK);
  GUID container{};
  ASSERT_EQ(decoder->GetContainerFormat(&container), S_OK);
  EXPECT_EQ(container, GUID_ContainerFormatJpeg);

  const std::string pngPath = Write("disguised.jpg", MakePng(PNG_COLOR_TYPE_GRAY, 8, 1, 1, {7}));
  ComPtr<IWICBitmapFrameDecode> png = OpenFrame(pngPath);
  ASSERT_TRUE(png);
  EXPECT_EQ(CopyAllPixels(png.Get(), 8), std::vector<uint8_t>{7});
}

// JFIF byte offsets: the APP0 marker follows the start-of-image marker at 0; its unit byte is at 13 and
// the two big-endian densities at 14 and 16.
TEST_F(JpegDecoderTest, ResolutionComesFromTheJfifDensityInInchesOrCentimetres) {
  std::vector<uint8_t> bytes = ReadBytes(Encode("plain.jpg", 8, 8));
  ASSERT_EQ(std::string(bytes.begin() + 6, bytes.begin() + 10), "JFIF");
  auto withDensity = [&](const std::string& name, uint8_t unit, uint16_t x, uint16_t y) {
    std::vector<uint8_t> changed = bytes;
    changed[13] = unit;
    changed[14] = static_cast<uint8_t>(x >> 8);
    changed[15] = static_cast<uint8_t>(x);
    changed[16] = static_cast<uint8_t>(y >> 8);
    changed[17] = static_cast<uint8_t>(y);
    WriteBytes(PathOf(name), changed);
    return OpenFrame(PathOf(name));
  };
  struct {
    const char* Name;
    uint8_t Unit;
    uint16_t X, Y;
    double DpiX, DpiY;
  } const cases[] = {
      {"aspect-only.jpg", 0, 1, 2, 96.0, 96.0},
      {"inches.jpg", 1, 300, 150, 300.0, 150.0},
      {"centimetres.jpg", 2, 118, 118, 299.72, 299.72},
  };
  for (const auto& c : cases) {
    ComPtr<IWICBitmapFrameDecode> frame = withDensity(c.Name, c.Unit, c.X, c.Y);
    ASSERT_TRUE(frame) << c.Name;
    double x = 0;
    double y = 0;
    ASSERT_EQ(frame->GetResolution(&x, &y), S_OK);
    EXPECT_NEAR(x, c.DpiX, 1e-9) << c.Name;
    EXPECT_NEAR(y, c.DpiY, 1e-9) << c.Name;
  }
}

// An Exif orientation of 6 (rotate 90 degrees to display) is stored after the JFIF header; Windows'
// decoder leaves the pixels and size as stored, and so does djpeg.
TEST_F(JpegDecoderTest, ExifOrientationIsNotApplied) {
  std::vector<uint8_t> bytes = ReadBytes(Encode("upright.jpg", 17, 9));
  const std::vector<uint8_t> exif = {
      0xFF, 0xE1, 0x00, 0x22, 'E',  'x',  'i',  'f',  0, 0,  // APP1, length 34
      'I',  'I',  0x2A, 0x00, 0x08, 0x00, 0x00, 0x00,        // little-endian TIFF, first IFD at 8
      0x01, 0x00,                                            // one entry
      0x12, 0x01, 0x03, 0x00, 0x01, 0x00, 0x00, 0x00,        // Orientation, SHORT, count 1
      0x06, 0x00, 0x00, 0x00,                                // value 6
      0x00, 0x00, 0x00, 0x00};                               // no next IFD
  const size_t afterJfif = 4 + (size_t{bytes[4]} << 8 | bytes[5]);
  bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(afterJfif), exif.begin(), exif.end());
  WriteBytes(PathOf("rotated.jpg"), bytes);
  const RasterImage expected = DecodeWithDjpeg(PathOf("rotated.jpg"));

  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(PathOf("rotated.jpg"));
  ASSERT_TRUE(frame);
  UINT width = 0;
  UINT height = 0;
  ASSERT_EQ(frame->GetSize(&width, &height), S_OK);
  EXPECT_EQ(width, 17u);
  EXPECT_EQ(height, 9u);
  EXPECT_EQ(CopyAllPixels(frame.Get(), 24), AsBgr(expected));
}

// ImageMagick writes CMYK as Adobe does, storing 255 - ink; it reads the inks back as its raw "cmyk:"
// samples, and djpeg separates them to RGB. The decoder hands out the inks and the converter the colours.
TEST_F(JpegDecoderTest, CmykFilesDecodeToInksAndConvertToColour) {
  const std::string ppm = PathOf("picture.ppm");
  const std::string jpeg = PathOf("cmyk.jpg");
  const std::string inks = PathOf("cmyk.raw");
  WritePnm(TestPicture(21, 13, 3), ppm);
  const std::string convert = IMAGEMAGICK_CONVERT;
  ASSERT_TRUE(RunCommand(convert + " '" + ppm + "' -colorspace CMYK -quality 90 '" + jpeg + "'"));
  ASSERT_TRUE(RunCommand(convert + " '" + jpeg + "' -depth 8 'cmyk:" + inks + "'"));
  const RasterImage separated = DecodeWithDjpeg(jpeg);

  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(jpeg);
  ASSERT_TRUE(frame);
  EXPECT_EQ(PixelFormatOf(frame.Get()), GUID_WICPixelFormat32bppCMYK);
  EXPECT_EQ(CopyAllPixels(frame.Get(), 32), ReadBytes(inks));

  // djpeg rounds the product of the inverted samples once; the converter goes through 16 bits.
  const std::vector<uint8_t> rgba = CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppRGBA).Get(), 32);
  const std::vector<uint8_t> expected = AsRgba(separated);
  ASSERT_EQ(rgba.size(), expected.size());
  for (size_t i = 0; i < rgba.size(); ++i) {
    EXPECT_LE(std::abs(rgba[i] - expected[i]), 1) << "sample " << i;
  }
}

}  // namespace
