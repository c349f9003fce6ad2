// TGA files, the imaging component's own extra container: plain and run-length encoded, true colour, grey
// and colour-mapped, from either origin, decoded to exact pixels; files ImageMagick writes; and damaged
// files failing with Windows' codes and one line.
#include "WicTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

// {8D8BAD31-D5BF-4FE0-9F95-92C680975300}, the component's TGA container.
constexpr GUID TgaContainer = {0x8d8bad31, 0xd5bf, 0x4fe0, {0x9f, 0x95, 0x92, 0xc6, 0x80, 0x97, 0x53, 0x00}};

constexpr uint8_t TopLeft = 0x20;
constexpr uint8_t TopRight = 0x30;

struct Tga {
  uint8_t Type = 2;
  uint8_t Depth = 24;
  uint8_t Descriptor = 0;
  uint16_t Width = 0;
  uint16_t Height = 0;
  std::string Id = {};
  uint16_t MapFirst = 0;
  uint8_t MapEntryBits = 0;
  std::vector<uint8_t> Map = {};  // entries of MapEntryBits each
  std::vector<uint8_t> Data = {};
};

std::vector<uint8_t> Encode(const Tga& tga) {
  const auto mapLength = static_cast<uint16_t>(tga.MapEntryBits != 0 ? tga.Map.size() * 8 / tga.MapEntryBits : 0);
  std::vector<uint8_t> bytes;
  const auto word = [&bytes](uint16_t value) {
    bytes.push_back(static_cast<uint8_t>(value));
    bytes.push_back(static_cast<uint8_t>(value >> 8));
  };
  bytes.push_back(static_cast<uint8_t>(tga.Id.size()));
  bytes.push_back(tga.MapEntryBits != 0 ? 1 : 0);
  bytes.push_back(tga.Type);
  word(tga.MapFirst);
  word(mapLength);
  bytes.push_back(tga.MapEntryBits);
  word(0);  // x and y origin
  word(0);
  word(tga.Width);
  word(tga.Height);
  bytes.push_back(tga.Depth);
  bytes.push_back(tga.Descriptor);
  bytes.insert(bytes.end(), tga.Id.begin(), tga.Id.end());
  bytes.insert(bytes.end(), tga.Map.begin(), tga.Map.end());
  bytes.insert(bytes.end(), tga.Data.begin(), tga.Data.end());
  return bytes;
}

class TgaDecoder : public WicTest {
 protected:
  // The frame's format and its pixels, top row first; checks the decoder names the TGA container.
  std::vector<uint8_t> Decode(const std::string& name, const Tga& tga, WICPixelFormatGUID& format) {
    WriteBytes(PathOf(name), Encode(tga));
    return DecodeFile(PathOf(name), format);
  }

  std::vector<uint8_t> DecodeFile(const std::string& path, WICPixelFormatGUID& format) {
    ComPtr<IWICBitmapDecoder> decoder;
    EXPECT_EQ(factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnLoad, &decoder),
              S_OK);
    if (!decoder) {
      return {};
    }
    GUID container = {};
    EXPECT_EQ(decoder->GetContainerFormat(&container), S_OK);
    EXPECT_EQ(container, TgaContainer);
    ComPtr<IWICBitmapFrameDecode> frame;
    EXPECT_EQ(decoder->GetFrame(0, &frame), S_OK);
    format = PixelFormatOf(frame.Get());
    const unsigned bits = format == GUID_WICPixelFormat32bppBGRA ? 32 : format == GUID_WICPixelFormat24bppBGR ? 24 : 8;
    return CopyAllPixels(frame.Get(), bits);
  }

  // The result of reading all pixels of a file that opens, with one line naming the file on failure.
  HRESULT CopyResult(const std::string& name, const Tga& tga) {
    WriteBytes(PathOf(name), Encode(tga));
    ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(PathOf(name));
    if (!frame) {
      return E_FAIL;
    }
    std::vector<uint8_t> pixels(size_t{tga.Width} * tga.Height * 4);
    CaptureStderr();
    const HRESULT hr = frame->CopyPixels(nullptr, tga.Width * 4u, static_cast<UINT>(pixels.size()), pixels.data());
    const std::string output = GetCapturedStderr();
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), FAILED(hr) ? 1 : 0) << output;
    return hr;
  }
};

// A 3 x 2 image, top row first: red, green, blue / white, black, grey, as BGR triples.
const std::vector<uint8_t> TopRowBgr = {0, 0, 255, 0, 255, 0, 255, 0, 0};
const std::vector<uint8_t> BottomRowBgr = {255, 255, 255, 0, 0, 0, 128, 128, 128};

std::vector<uint8_t> Rows(const std::vector<uint8_t>& first, const std::vector<uint8_t>& second) {
  std::vector<uint8_t> rows = first;
  rows.insert(rows.end(), second.begin(), second.end());
  return rows;
}

}  // namespace

TEST_F(TgaDecoder, TrueColourFromEitherOriginPlainOrRunLengthEncoded) {
  const std::vector<uint8_t> expected = Rows(TopRowBgr, BottomRowBgr);
  WICPixelFormatGUID format = {};
  // Bottom-left origin, the TGA default: the file starts with the bottom row. An identification field
  // sits between the header and the pixels.
  Tga bottomUp{.Width = 3, .Height = 2, .Id = "made by hand", .Data = Rows(BottomRowBgr, TopRowBgr)};
  EXPECT_EQ(Decode("bottom.tga", bottomUp, format), expected);
  EXPECT_EQ(format, GUID_WICPixelFormat24bppBGR);

  Tga topDown{.Descriptor = TopLeft, .Width = 3, .Height = 2, .Data = expected};
  EXPECT_EQ(Decode("top.tga", topDown, format), expected);

  // Rows stored right to left.
  Tga mirrored{.Descriptor = TopRight,
               .Width = 3,
               .Height = 2,
               .Data = {255, 0, 0, 0, 255, 0, 0, 0, 255, 128, 128, 128, 0, 0, 0, 255, 255, 255}};
  EXPECT_EQ(Decode("mirrored.tga", mirrored, format), expected);

  // 32-bit BGRA in run-length packets, top row first: a raw packet of two pixels, then a run of four
  // that finishes the top row and runs on through the bottom one.
  Tga encoded{.Type = 10,
              .Depth = 32,
              .Descriptor = TopLeft | 8,
              .Width = 3,
              .Height = 2,
              .Data = {0x01, 0, 0, 255, 255, 0, 255, 0, 128, 0x83, 9, 9, 9, 7}};
  const std::vector<uint8_t> pixels = Decode("encoded.tga", encoded, format);
  EXPECT_EQ(format, GUID_WICPixelFormat32bppBGRA);
  EXPECT_EQ(pixels, (std::vector<uint8_t>{0, 0, 255, 255, 0, 255, 0, 128, 9, 9, 9, 7,  //
                                          9, 9, 9,   7,   9, 9,   9, 7,   9, 9, 9, 7}));

  // 16-bit pixels with one alpha bit: a red one without it, a green one with it, widened to 8 bits.
  Tga fiveBits{.Depth = 16, .Descriptor = TopLeft | 1, .Width = 2, .Height = 1, .Data = {0x00, 0x7C, 0xE0, 0x83}};
  EXPECT_EQ(Decode("five-bits.tga", fiveBits, format), (std::vector<uint8_t>{0, 0, 255, 0, 0, 255, 0, 255}));
  EXPECT_EQ(format, GUID_WICPixelFormat32bppBGRA);
}

TEST_F(TgaDecoder, GreyAndColourMappedImagesPlainOrRunLengthEncoded) {
  WICPixelFormatGUID format = {};
  Tga grey{.Type = 3, .Depth = 8, .Width = 2, .Height = 2, .Data = {30, 40, 10, 20}};
  EXPECT_EQ(Decode("grey.tga", grey, format), (std::vector<uint8_t>{10, 20, 30, 40}));
  EXPECT_EQ(format, GUID_WICPixelFormat8bppGray);

  // Indices into a 24-bit map whose first entry is numbered 5.
  Tga mapped{.Type = 1,
             .Depth = 8,
             .Descriptor = TopLeft,
             .Width = 3,
             .Height = 1,
             .MapFirst = 5,
             .MapEntryBits = 24,
             .Map = {1, 2, 3, 4, 5, 6},
             .Data = {6, 5, 6}};
  EXPECT_EQ(Decode("mapped.tga", mapped, format), (std::vector<uint8_t>{4, 5, 6, 1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(format, GUID_WICPixelFormat24bppBGR);

  // A 32-bit map, run-length encoded indices, bottom-up.
  Tga mappedRuns{.Type = 9,
                 .Depth = 8,
                 .Width = 2,
                 .Height = 2,
                 .MapEntryBits = 32,
                 .Map = {10, 20, 30, 40, 50, 60, 70, 80},
                 .Data = {0x81, 1, 0x01, 0, 1}};
  EXPECT_EQ(Decode("mapped-runs.tga", mappedRuns, format),
            (std::vector<uint8_t>{10, 20, 30, 40, 50, 60, 70, 80, 50, 60, 70, 80, 50, 60, 70, 80}));
  EXPECT_EQ(format, GUID_WICPixelFormat32bppBGRA);
}

TEST_F(TgaDecoder, FilesImageMagickWritesDecodeToThePixelsOfTheirPng) {
  PngContents contents;
  contents.ColorType = PNG_COLOR_TYPE_RGB_ALPHA;
  contents.Width = 17;
  contents.Height = 5;
  for (uint32_t i = 0; i < 17 * 5; ++i) {
    // Runs of equal pixels and single ones alike, so both kinds of packet appear.
    const auto shade = static_cast<uint16_t>(i < 40 ? 200 : (i * 37) % 256);
    contents.Samples.insert(contents.Samples.end(), {shade, static_cast<uint16_t>(255 - shade), 60, 255});
  }
  const std::string png = Write("source.png", contents);
  ComPtr<IWICBitmapFrameDecode> source = OpenFrame(png);
  ASSERT_TRUE(source);
  const std::vector<uint8_t> expected = CopyAllPixels(Convert(source.Get(), GUID_WICPixelFormat32bppBGRA).Get(), 32);

  // ImageMagick 6 writes the rows in the order it holds them and tags them with the image's orientation,
  // so the orientation is given. With at most 256 colours it writes a colour-mapped file unless told not to.
  for (const std::string options :
       {"-orient TopLeft", "-compress RLE -orient TopLeft",
        "-flip -orient BottomLeft -compress RLE -type TrueColorAlpha", "-orient TopLeft -type TrueColor"}) {
    const std::string tga = PathOf("magick.tga");
    const std::string command = std::string(IMAGEMAGICK_CONVERT) + " '" + png + "' " + options + " 'TGA:" + tga + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(tga);
    ASSERT_TRUE(frame);
    EXPECT_EQ(CopyAllPixels(Convert(frame.Get(), GUID_WICPixelFormat32bppBGRA).Get(), 32), expected) << options;
  }
}

TEST_F(TgaDecoder, DamagedHeadersFailTheOpen) {
  Tga good{.Type = 2, .Depth = 24, .Width = 1, .Height = 1, .Data = {1, 2, 3}};
  std::vector<uint8_t> cut = Encode(good);
  cut.resize(12);
  EXPECT_EQ(OpenResult("cut.tga", cut), WINCODEC_ERR_BADHEADER);
  Tga empty = good;
  empty.Width = 0;
  EXPECT_EQ(OpenResult("empty.tga", Encode(empty)), WINCODEC_ERR_BADHEADER);
  Tga noMap{.Type = 1, .Depth = 8, .Width = 1, .Height = 1, .Data = {0}};
  EXPECT_EQ(OpenResult("no-map.tga", Encode(noMap)), WINCODEC_ERR_BADHEADER);
  Tga greyOf24 = good;
  greyOf24.Type = 3;
  EXPECT_EQ(OpenResult("grey24.tga", Encode(greyOf24)), WINCODEC_ERR_BADHEADER);
  Tga mapCut{.Type = 1, .Depth = 8, .Width = 1, .Height = 1, .MapEntryBits = 24, .Map = {1, 2, 3}};
  std::vector<uint8_t> mapCutBytes = Encode(mapCut);
  mapCutBytes.resize(mapCutBytes.size() - 1);
  EXPECT_EQ(OpenResult("map-cut.tga", mapCutBytes), WINCODEC_ERR_BADHEADER);
  // A few bytes claiming 60000 x 60000 pixels are refused before anything is allocated.
  Tga huge = good;
  huge.Width = 60000;
  huge.Height = 60000;
  EXPECT_EQ(OpenResult("huge.tga", Encode(huge)), WINCODEC_ERR_BADHEADER);
  // Bytes that describe no TGA image type are no TGA file at all.
  EXPECT_EQ(OpenResult("other.tga", {0, 7, 2, 0, 0}), WINCODEC_ERR_COMPONENTNOTFOUND);
}

TEST_F(TgaDecoder, DamagedImageDataFailsCopyPixels) {
  Tga plainCut{.Type = 2, .Depth = 24, .Width = 2, .Height = 2, .Data = {1, 2, 3, 4, 5, 6, 7, 8, 9}};
  EXPECT_EQ(CopyResult("plain-cut.tga", plainCut), WINCODEC_ERR_BADIMAGE);
  // The second packet is a run whose pixel is missing.
  Tga runCut{.Type = 10, .Depth = 24, .Width = 2, .Height = 2, .Data = {0x81, 1, 2, 3, 0x81, 4}};
  EXPECT_EQ(CopyResult("run-cut.tga", runCut), WINCODEC_ERR_BADIMAGE);
  Tga rawCut{.Type = 11, .Depth = 8, .Width = 4, .Height = 1, .Data = {0x03, 1, 2}};
  EXPECT_EQ(CopyResult("raw-cut.tga", rawCut), WINCODEC_ERR_BADIMAGE);
  Tga strayIndex{.Type = 1, .Depth = 8, .Width = 2, .Height = 1, .MapEntryBits = 24, .Map = {1, 2, 3}, .Data = {0, 1}};
  EXPECT_EQ(CopyResult("stray-index.tga", strayIndex), WINCODEC_ERR_BADIMAGE);
  Tga whole{.Type = 10, .Depth = 24, .Width = 2, .Height = 2, .Data = {0x83, 1, 2, 3}};
  EXPECT_EQ(CopyResult("whole.tga", whole), S_OK);
}
