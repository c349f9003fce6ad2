// Files that cannot be decoded fail with Windows' error codes and one line on stderr naming the file,
// whether the damage shows when the file is opened or when its pixels are read.
#include "WicTestSupport.h"

#include <algorithm>
#include <filesystem>
#include <string>

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class DecoderFailure : public WicTest {
 protected:
  HRESULT Open(const std::string& path, ComPtr<IWICBitmapDecoder>& decoder) {
    return factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad,
                                               &decoder);
  }

  // The open's result, checking that the failure printed exactly one line that names `mention`.
  HRESULT OpenReportingOnce(const std::string& path, const std::string& mention) {
    ComPtr<IWICBitmapDecoder> decoder;
    CaptureStderr();
    const HRESULT hr = Open(path, decoder);
    const std::string output = GetCapturedStderr();
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find(mention), std::string::npos) << output;
    EXPECT_FALSE(decoder);
    return hr;
  }

  // A 64 x 64 RGB image of noise, so its compressed data spans many bytes.
  std::string WriteNoise(const std::string& name) {
    PngContents contents;
    contents.ColorType = PNG_COLOR_TYPE_RGB;
    contents.Width = 64;
    contents.Height = 64;
    uint32_t state = 12345;
    for (int i = 0; i < 64 * 64 * 3; ++i) {
      state = state * 1664525u + 1013904223u;
      contents.Samples.push_back(static_cast<uint16_t>(state >> 24));
    }
    return Write(name, contents);
  }

  // Offset of the first byte of the IDAT chunk's data, and the data's length.
  static std::pair<size_t, size_t> ImageData(const std::vector<uint8_t>& bytes) {
    const std::string tag = "IDAT";
    const auto found = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    const size_t type = static_cast<size_t>(found - bytes.begin());
    const size_t length =
        size_t{bytes[type - 4]} << 24 | size_t{bytes[type - 3]} << 16 | size_t{bytes[type - 2]} << 8 | bytes[type - 1];
    return {type + 4, length};
  }
};

TEST_F(DecoderFailure, MissingFileIsFileNotFound) {
  EXPECT_EQ(OpenReportingOnce(PathOf("missing.png"), "missing.png"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), static_cast<HRESULT>(0x80070002));
}

TEST_F(DecoderFailure, MissingFolderIsPathNotFound) {
  EXPECT_EQ(OpenReportingOnce(PathOf("nowhere/missing.png"), "nowhere/missing.png"), static_cast<HRESULT>(0x80070003));
  EXPECT_EQ(OpenReportingOnce("", "empty file name"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND));
}

TEST_F(DecoderFailure, FolderIsAccessDenied) {
  std::filesystem::create_directory(PathOf("folder.png"));
  EXPECT_EQ(OpenReportingOnce(PathOf("folder.png"), "folder.png"), E_ACCESSDENIED);
}

TEST_F(DecoderFailure, FileThatIsNotAPngHasNoDecoder) {
  WriteBytes(PathOf("text.png"), {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
  WriteBytes(PathOf("empty.png"), {});
  EXPECT_EQ(OpenReportingOnce(PathOf("text.png"), "text.png"), WINCODEC_ERR_COMPONENTNOTFOUND);
  EXPECT_EQ(OpenReportingOnce(PathOf("empty.png"), "empty.png"), WINCODEC_ERR_COMPONENTNOTFOUND);
  EXPECT_EQ(WINCODEC_ERR_COMPONENTNOTFOUND, static_cast<HRESULT>(0x88982F50));
}

TEST_F(DecoderFailure, FileCutInsideTheHeaderIsABadHeader) {
  std::vector<uint8_t> bytes = ReadBytes(WriteNoise("noise.png"));
  bytes.resize(20);  // the signature and part of IHDR
  WriteBytes(PathOf("cut.png"), bytes);
  EXPECT_EQ(OpenReportingOnce(PathOf("cut.png"), "cut.png"), WINCODEC_ERR_BADHEADER);
}

TEST_F(DecoderFailure, DamagedHeaderChecksumIsABadHeader) {
  std::vector<uint8_t> bytes = ReadBytes(WriteNoise("noise.png"));
  bytes[29] ^= 0xFF;  // the IHDR chunk's CRC
  WriteBytes(PathOf("crc.png"), bytes);
  EXPECT_EQ(OpenReportingOnce(PathOf("crc.png"), "crc.png"), WINCODEC_ERR_BADHEADER);
}

TEST_F(DecoderFailure, FileCutInsideTheImageDataFailsWhenPixelsAreRead) {
  std::vector<uint8_t> bytes = ReadBytes(WriteNoise("noise.png"));
  const auto [data, length] = ImageData(bytes);
  bytes.resize(data + length / 2);
  WriteBytes(PathOf("cut.png"), bytes);

  ComPtr<IWICBitmapDecoder> decoder;
  ASSERT_EQ(Open(PathOf("cut.png"), decoder), S_OK);
  ComPtr<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);
  std::vector<uint8_t> pixels(64 * 64 * 3);
  CaptureStderr();
  EXPECT_EQ(frame->CopyPixels(nullptr, 64 * 3, static_cast<UINT>(pixels.size()), pixels.data()), WINCODEC_ERR_BADIMAGE);
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("cut.png"), std::string::npos) << output;

  // Asking again, or through a converter, fails the same way.
  EXPECT_EQ(frame->CopyPixels(nullptr, 64 * 3, static_cast<UINT>(pixels.size()), pixels.data()), WINCODEC_ERR_BADIMAGE);
  ComPtr<IWICFormatConverter> converter = Convert(frame.Get(), GUID_WICPixelFormat32bppRGBA);
  std::vector<uint8_t> converted(64 * 64 * 4);
  EXPECT_EQ(converter->CopyPixels(nullptr, 64 * 4, static_cast<UINT>(converted.size()), converted.data()),
            WINCODEC_ERR_BADIMAGE);
}

TEST_F(DecoderFailure, DamagedImageDataFailsWhenPixelsAreRead) {
  std::vector<uint8_t> bytes = ReadBytes(WriteNoise("noise.png"));
  const auto [data, length] = ImageData(bytes);
  bytes[data + length / 2] ^= 0x5A;
  WriteBytes(PathOf("damaged.png"), bytes);

  ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(PathOf("damaged.png"));
  ASSERT_TRUE(frame);
  std::vector<uint8_t> pixels(64 * 64 * 3);
  EXPECT_EQ(frame->CopyPixels(nullptr, 64 * 3, static_cast<UINT>(pixels.size()), pixels.data()), WINCODEC_ERR_BADIMAGE);
}

TEST_F(DecoderFailure, OnlyFrameZeroExists) {
  ComPtr<IWICBitmapDecoder> decoder;
  ASSERT_EQ(Open(WriteNoise("noise.png"), decoder), S_OK);
  ComPtr<IWICBitmapFrameDecode> frame;
  EXPECT_EQ(decoder->GetFrame(1, &frame), WINCODEC_ERR_FRAMEMISSING);
  EXPECT_FALSE(frame);
  EXPECT_EQ(decoder->GetFrame(0, nullptr), E_INVALIDARG);
}

TEST_F(DecoderFailure, WrongArgumentsAreInvalid) {
  const std::wstring path = Wide(WriteNoise("noise.png"));
  ComPtr<IWICBitmapDecoder> decoder;
  EXPECT_EQ(factory_->CreateDecoderFromFilename(nullptr, nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad, &decoder),
            E_INVALIDARG);
  EXPECT_EQ(
      factory_->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnLoad, nullptr),
      E_INVALIDARG);
  EXPECT_EQ(
      factory_->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_WRITE, WICDecodeMetadataCacheOnLoad, &decoder),
      E_INVALIDARG);
  EXPECT_EQ(factory_->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, static_cast<WICDecodeOptions>(7),
                                                &decoder),
            E_INVALIDARG);
  EXPECT_FALSE(decoder);
}

TEST_F(DecoderFailure, BackslashesSeparateFoldersAsOnWindows) {
  std::filesystem::create_directory(PathOf("textures"));
  WriteNoise("textures/noise.png");
  ComPtr<IWICBitmapDecoder> decoder;
  EXPECT_EQ(Open(PathOf("textures\\noise.png"), decoder), S_OK);
}

}  // namespace
