// DDS files: BC1-BC3 blocks decoded to their end points and blends (three-colour BC1 blocks with their
// transparent texels, both kinds of BC3 alpha, blocks cut by the image's edges), uncompressed pixels
// described by masks or DXGI formats, files ImageMagick writes against its own decode, and damaged headers
// failing with Windows' codes and one line.
#include "WicTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr uint32_t FourCcFlag = 0x4, RgbFlag = 0x40, AlphaPixelsFlag = 0x1, AlphaOnlyFlag = 0x2,
                   LuminanceFlag = 0x20000;

uint32_t FourCc(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 | uint32_t(uint8_t(code[2])) << 16 |
         uint32_t(uint8_t(code[3])) << 24;
}

struct Dds {
  uint32_t Width = 4;
  uint32_t Height = 4;
  uint32_t Flags = FourCcFlag;
  uint32_t FourCc = 0;
  uint32_t BitCount = 0;
  uint32_t Masks[4] = {};   // red, green, blue, alpha
  uint32_t DxgiFormat = 0;  // with FourCc "DX10"
  std::vector<uint8_t> Data = {};
};

std::vector<uint8_t> Encode(const Dds& dds) {
  std::vector<uint8_t> bytes = {'D', 'D', 'S', ' '};
  const auto dword = [&bytes](uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
  };
  dword(124);
  dword(0x1007);  // caps, height, width, pixel format
  dword(dds.Height);
  dword(dds.Width);
  for (int i = 0; i < 3 + 11; ++i) dword(0);  // pitch, depth, mip levels, reserved
  dword(32);
  dword(dds.Flags);
  dword(dds.FourCc);
  dword(dds.BitCount);
  for (uint32_t mask : dds.Masks) dword(mask);
  dword(0x1000);  // a texture
  for (int i = 0; i < 4; ++i) dword(0);
  if (dds.FourCc == FourCc("DX10")) {
    dword(dds.DxgiFormat);
    dword(3);  // a 2D texture
    dword(0);
    dword(1);
    dword(0);
  }
  bytes.insert(bytes.end(), dds.Data.begin(), dds.Data.end());
  return bytes;
}

// A BC1 colour block: two 5:6:5 end points and sixteen 2-bit indices, texel 0 in the lowest bits.
std::vector<uint8_t> ColourBlock(uint16_t first, uint16_t second, const std::vector<uint32_t>& indices) {
  uint32_t packed = 0;
  for (size_t i = 0; i < 16; ++i) packed |= indices[i % indices.size()] << (2 * i);
  return {uint8_t(first),  uint8_t(first >> 8),  uint8_t(second),       uint8_t(second >> 8),
          uint8_t(packed), uint8_t(packed >> 8), uint8_t(packed >> 16), uint8_t(packed >> 24)};
}

std::vector<uint8_t> Joined(std::vector<uint8_t> first, const std::vector<uint8_t>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

constexpr uint16_t Red565 = 0xF800, Blue565 = 0x001F;

class DdsDecoder : public WicTest {
 protected:
  // The frame's pixels as 32bppBGRA (the format the frame reports is checked too), top row first.
  std::vector<uint8_t> Decode(const std::string& name, const Dds& dds,
                              const GUID& expectedFormat = GUID_WICPixelFormat32bppBGRA) {
    WriteBytes(PathOf(name), Encode(dds));
    ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(PathOf(name));
    if (!frame) return {};
    EXPECT_EQ(PixelFormatOf(frame.Get()), expectedFormat) << name;
    UINT width = 0, height = 0;
    EXPECT_EQ(frame->GetSize(&width, &height), S_OK);
    EXPECT_EQ(width, dds.Width);
    EXPECT_EQ(height, dds.Height);
    return CopyAllPixels(frame.Get(), 32);
  }

  // The BGRA of texel (x, y) of a decoded image `width` wide.
  static std::vector<uint8_t> Texel(const std::vector<uint8_t>& pixels, uint32_t width, uint32_t x, uint32_t y) {
    const size_t at = (size_t{y} * width + x) * 4;
    return {pixels.begin() + at, pixels.begin() + at + 4};
  }
};

}  // namespace

TEST_F(DdsDecoder, BlockCompressedImagesDecodeToTheirEndPointsAndBlends) {
  // Four colours: red, blue, two thirds red, one third red, one per column.
  const std::vector<uint8_t> fourColours =
      Decode("bc1.dds", {.FourCc = FourCc("DXT1"), .Data = ColourBlock(Red565, Blue565, {0, 1, 2, 3})});
  ASSERT_EQ(fourColours.size(), 64u);
  EXPECT_EQ(Texel(fourColours, 4, 0, 0), (std::vector<uint8_t>{0, 0, 255, 255}));
  EXPECT_EQ(Texel(fourColours, 4, 1, 2), (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(Texel(fourColours, 4, 2, 3), (std::vector<uint8_t>{85, 0, 170, 255}));
  EXPECT_EQ(Texel(fourColours, 4, 3, 1), (std::vector<uint8_t>{170, 0, 85, 255}));

  // The smaller end point first: three colours and transparent black.
  const std::vector<uint8_t> threeColours =
      Decode("bc1-three.dds", {.FourCc = FourCc("DXT1"), .Data = ColourBlock(Blue565, Red565, {0, 1, 2, 3})});
  EXPECT_EQ(Texel(threeColours, 4, 2, 0), (std::vector<uint8_t>{128, 0, 128, 255}));
  EXPECT_EQ(Texel(threeColours, 4, 3, 0), (std::vector<uint8_t>{0, 0, 0, 0}));

  // BC2: four bits of alpha a texel, stored outright; its colours always have four entries.
  std::vector<uint8_t> explicitAlpha;
  for (int pair = 0; pair < 8; ++pair) explicitAlpha.push_back(uint8_t(2 * pair | (2 * pair + 1) << 4));
  const std::vector<uint8_t> bc2 =
      Decode("bc2.dds", {.FourCc = FourCc("DXT3"), .Data = Joined(explicitAlpha, ColourBlock(Blue565, Red565, {3}))});
  for (uint32_t texel = 0; texel < 16; ++texel) {
    EXPECT_EQ(Texel(bc2, 4, texel % 4, texel / 4), (std::vector<uint8_t>{85, 0, 170, uint8_t(texel * 17)}));
  }

  // BC3: eight levels between 200 and 100, or six between 100 and 200 and the extremes, through DX10 too.
  const auto bc3 = [](uint8_t first, uint8_t second) {
    std::vector<uint8_t> block = {first, second};
    uint64_t indices = 0;
    for (uint64_t texel = 0; texel < 16; ++texel) indices |= (texel % 8) << (3 * texel);
    for (int i = 0; i < 6; ++i) block.push_back(uint8_t(indices >> (8 * i)));
    return Joined(block, ColourBlock(Red565, Red565, {0}));
  };
  const std::vector<uint8_t> eightLevels = Decode("bc3.dds", {.FourCc = FourCc("DXT5"), .Data = bc3(200, 100)});
  const std::vector<uint8_t> sixLevels =
      Decode("bc3-dx10.dds", {.FourCc = FourCc("DX10"), .DxgiFormat = 77 /* BC3_UNORM */, .Data = bc3(100, 200)});
  const uint8_t expectedEight[8] = {200, 100, 186, 171, 157, 143, 129, 114};
  const uint8_t expectedSix[8] = {100, 200, 120, 140, 160, 180, 0, 255};
  for (uint32_t texel = 0; texel < 8; ++texel) {
    EXPECT_EQ(Texel(eightLevels, 4, texel % 4, texel / 4)[3], expectedEight[texel]) << "texel " << texel;
    EXPECT_EQ(Texel(sixLevels, 4, texel % 4, texel / 4)[3], expectedSix[texel]) << "texel " << texel;
  }

  // DXT4 holds premultiplied colours and says so.
  Decode("dxt4.dds", {.FourCc = FourCc("DXT4"), .Data = bc3(255, 255)}, GUID_WICPixelFormat32bppPBGRA);
}

TEST_F(DdsDecoder, BlocksCutByTheImageEdgesKeepOnlyTheirTexelsInside) {
  // 5 x 6 pixels are 2 x 2 blocks of one colour each: red, blue / blue, red.
  const std::vector<uint8_t> red = ColourBlock(Red565, Red565, {0}), blue = ColourBlock(Blue565, Blue565, {0});
  const std::vector<uint8_t> pixels =
      Decode("edges.dds",
             {.Width = 5, .Height = 6, .FourCc = FourCc("DXT1"), .Data = Joined(Joined(red, blue), Joined(blue, red))});
  ASSERT_EQ(pixels.size(), 5u * 6u * 4u);
  EXPECT_EQ(Texel(pixels, 5, 3, 3), (std::vector<uint8_t>{0, 0, 255, 255}));
  EXPECT_EQ(Texel(pixels, 5, 4, 3), (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(Texel(pixels, 5, 3, 5), (std::vector<uint8_t>{255, 0, 0, 255}));
  EXPECT_EQ(Texel(pixels, 5, 4, 5), (std::vector<uint8_t>{0, 0, 255, 255}));
}

TEST_F(DdsDecoder, UncompressedPixelsFollowTheirMasksOrDxgiFormat) {
  // 5:6:5 without alpha: opaque, each channel widened to 8 bits.
  EXPECT_EQ(Decode("565.dds", {.Width = 2,
                               .Height = 1,
                               .Flags = RgbFlag,
                               .BitCount = 16,
                               .Masks = {0xF800, 0x07E0, 0x001F, 0},
                               .Data = Le16({0xF800, 0x07FF})}),
            (std::vector<uint8_t>{0, 0, 255, 255, 255, 255, 0, 255}));
  // 4:4:4:4 with alpha.
  EXPECT_EQ(Decode("4444.dds", {.Width = 1,
                                .Height = 1,
                                .Flags = RgbFlag | AlphaPixelsFlag,
                                .BitCount = 16,
                                .Masks = {0x0F00, 0x00F0, 0x000F, 0xF000},
                                .Data = Le16({0x8F30})}),
            (std::vector<uint8_t>{0, 51, 255, 136}));
  // 24-bit BGR and 32-bit RGBA stored byte for byte.
  EXPECT_EQ(Decode("bgr.dds", {.Width = 1,
                               .Height = 1,
                               .Flags = RgbFlag,
                               .BitCount = 24,
                               .Masks = {0xFF0000, 0xFF00, 0xFF, 0},
                               .Data = {10, 20, 30}}),
            (std::vector<uint8_t>{10, 20, 30, 255}));
  EXPECT_EQ(Decode("rgba-dx10.dds", {.Width = 1,
                                     .Height = 1,
                                     .FourCc = FourCc("DX10"),
                                     .DxgiFormat = 28 /* R8G8B8A8_UNORM */,
                                     .Data = {10, 20, 30, 40}}),
            (std::vector<uint8_t>{30, 20, 10, 40}));
  // Grey levels and alpha alone.
  EXPECT_EQ(
      Decode("grey.dds",
             {.Width = 1, .Height = 1, .Flags = LuminanceFlag, .BitCount = 8, .Masks = {0xFF, 0, 0, 0}, .Data = {77}}),
      (std::vector<uint8_t>{77, 77, 77, 255}));
  EXPECT_EQ(
      Decode("alpha.dds",
             {.Width = 1, .Height = 1, .Flags = AlphaOnlyFlag, .BitCount = 8, .Masks = {0, 0, 0, 0xFF}, .Data = {99}}),
      (std::vector<uint8_t>{0, 0, 0, 99}));
}

TEST_F(DdsDecoder, FilesImageMagickWritesDecodeAsImageMagickDecodesThem) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_RGB_ALPHA;
  contents.Width = 13;
  contents.Height = 7;
  for (uint32_t i = 0; i < 13 * 7; ++i) {
    const auto shade = static_cast<uint16_t>((i * 37) % 256);
    contents.Samples.insert(contents.Samples.end(),
                            {shade, static_cast<uint16_t>(255 - shade), 60, static_cast<uint16_t>(i % 2 ? 255 : 128)});
  }
  const std::string png = Write("source.png", contents);
  for (const std::string compression : {"dxt1", "dxt3", "dxt5", "none"}) {
    const std::string dds = PathOf("magick-" + compression + ".dds"), decoded = PathOf("magick.bgra");
    const std::string write = std::string(IMAGEMAGICK_CONVERT) + " '" + png +
                              "' -define dds:compression=" + compression + " -define dds:mipmaps=0 'DDS:" + dds + "'";
    ASSERT_EQ(std::system(write.c_str()), 0) << write;
    const std::string read = std::string(IMAGEMAGICK_CONVERT) + " 'DDS:" + dds + "' -depth 8 'BGRA:" + decoded + "'";
    ASSERT_EQ(std::system(read.c_str()), 0) << read;
    ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(dds);
    ASSERT_TRUE(frame);
    const std::vector<uint8_t> ours = CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppBGRA).Get(), 32);
    const std::vector<uint8_t> theirs = ReadBytes(decoded);
    ASSERT_EQ(ours.size(), theirs.size()) << compression;
    // Decoders may round the blended colours differently by one step.
    int worst = 0;
    for (size_t i = 0; i < ours.size(); ++i) worst = std::max(worst, std::abs(int(ours[i]) - int(theirs[i])));
    EXPECT_LE(worst, 1) << compression;
  }
}

TEST_F(DdsDecoder, DamagedOrUnsupportedFilesFailTheOpen) {
  const Dds good{.FourCc = FourCc("DXT1"), .Data = ColourBlock(Red565, Blue565, {0})};
  std::vector<uint8_t> cut = Encode(good);
  cut.resize(100);
  EXPECT_EQ(OpenResult("cut.dds", cut), WINCODEC_ERR_BADHEADER);
  std::vector<uint8_t> wrongSize = Encode(good);
  wrongSize[4] = 100;
  EXPECT_EQ(OpenResult("wrong-size.dds", wrongSize), WINCODEC_ERR_BADHEADER);
  Dds empty = good;
  empty.Width = 0;
  EXPECT_EQ(OpenResult("empty.dds", Encode(empty)), WINCODEC_ERR_BADHEADER);
  // A few bytes claiming 16384 x 16384 pixels, or one more block than they hold, are refused at once.
  Dds huge = good;
  huge.Width = huge.Height = 16384;
  EXPECT_EQ(OpenResult("huge.dds", Encode(huge)), WINCODEC_ERR_BADHEADER);
  Dds short_ = good;
  short_.Width = 8;
  EXPECT_EQ(OpenResult("short.dds", Encode(short_)), WINCODEC_ERR_BADHEADER);
  std::vector<uint8_t> noExtension = Encode({.FourCc = FourCc("DX10"), .DxgiFormat = 71});
  noExtension.resize(130);
  EXPECT_EQ(OpenResult("no-extension.dds", noExtension), WINCODEC_ERR_BADHEADER);
  // Valid files in formats this decoder does not read.
  EXPECT_EQ(OpenResult("bc5.dds", Encode({.FourCc = FourCc("ATI2"), .Data = std::vector<uint8_t>(16)})),
            WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
  EXPECT_EQ(OpenResult("float.dds", Encode({.FourCc = FourCc("DX10"), .DxgiFormat = 2, .Data = {}})),
            WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
  EXPECT_EQ(OpenResult("odd-bits.dds", Encode({.Flags = RgbFlag, .BitCount = 12, .Masks = {0xF00, 0xF0, 0xF, 0}})),
            WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
}
