// JPEG files that cannot be decoded fail with Windows' error codes and one stderr line naming the file,
// whether the damage shows in the header (at the open) or in the image data (at the first CopyPixels).
// libjpeg's fatal errors come back as codes: the process going on to the next test is part of the check.
#include "JpegTools.h"
#include "WicTestSupport.h"

#include <algorithm>

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class JpegFailure : public WicTest {
 protected:
  // A 64 x 64 picture full of noise, so that its scan data spans kilobytes.
  std::vector<uint8_t> NoiseJpeg(const std::string& options = "") {
    const std::string path = PathOf("noise.jpg");
    EXPECT_TRUE(EncodeWithCjpeg(TestPicture(64, 64, 3), path, options));
    return ReadBytes(path);
  }

  // Offset of the first byte after the (first) start-of-scan header.
  static size_t ScanData(const std::vector<uint8_t>& bytes) {
    const uint8_t marker[] = {0xFF, 0xDA};
    const size_t sos = static_cast<size_t>(std::search(bytes.begin(), bytes.end(), marker, marker + 2) - bytes.begin());
    return sos + 2 + (size_t{bytes[sos + 2]} << 8 | bytes[sos + 3]);
  }

  std::string WriteAs(const std::string& name, const std::vector<uint8_t>& bytes) {
    WriteBytes(PathOf(name), bytes);
    return PathOf(name);
  }

  // The open's result, checking that a failure printed exactly one line naming the file.
  HRESULT OpenReportingOnce(const std::string& path, ComPtr<IWICBitmapDecoder>& decoder) {
    CaptureStderr();
    const HRESULT hr = factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                           WICDecodeMetadataCacheOnLoad, &decoder);
    ExpectOneLineNaming(GetCapturedStderr(), path);
    return hr;
  }

  // The pixels' result, checking the same of the failure: the open succeeds, the copy fails.
  HRESULT CopyReportingOnce(const std::string& path) {
    ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(path);
    if (!frame) {
      return E_UNEXPECTED;
    }
    CaptureStderr();
    std::vector<uint8_t> buffer(64 * 64 * 3);
    const HRESULT hr = frame->CopyPixels(nullptr, 64 * 3, static_cast<UINT>(buffer.size()), buffer.data());
    ExpectOneLineNaming(GetCapturedStderr(), path);
    return hr;
  }

  static void ExpectOneLineNaming(const std::string& output, const std::string& path) {
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find(path), std::string::npos) << output;
  }
};

TEST_F(JpegFailure, BytesWithoutTheJpegSignatureHaveNoDecoder) {
  std::vector<uint8_t> bytes = NoiseJpeg();
  bytes[0] = 0x00;
  const std::vector<uint8_t> startOfImageOnly = {0xFF, 0xD8};
  const std::vector<uint8_t> startOfImageThenData = {0xFF, 0xD8, 0x00, 0x10, 'J', 'F', 'I', 'F'};
  for (const auto& [name, contents] : {std::pair{"first-byte.jpg", bytes}, std::pair{"soi-only.jpg", startOfImageOnly},
                                       std::pair{"soi-then-data.jpg", startOfImageThenData}}) {
    ComPtr<IWICBitmapDecoder> decoder;
    EXPECT_EQ(OpenReportingOnce(WriteAs(name, contents), decoder), WINCODEC_ERR_COMPONENTNOTFOUND) << name;
    EXPECT_FALSE(decoder);
  }
}

TEST_F(JpegFailure, FileCutInsideTheHeaderIsABadHeader) {
  const std::vector<uint8_t> bytes = NoiseJpeg();
  for (size_t length : {size_t{3}, size_t{20}, size_t{100}, ScanData(bytes) - 4}) {
    const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length));
    ComPtr<IWICBitmapDecoder> decoder;
    EXPECT_EQ(OpenReportingOnce(WriteAs("cut.jpg", cut), decoder), WINCODEC_ERR_BADHEADER) << length;
    EXPECT_FALSE(decoder);
  }
}

TEST_F(JpegFailure, ImpossibleFrameHeaderIsABadHeader) {
  std::vector<uint8_t> bytes = NoiseJpeg();
  const uint8_t startOfFrame[] = {0xFF, 0xC0};
  const auto sof = std::search(bytes.begin(), bytes.end(), startOfFrame, startOfFrame + 2);
  ASSERT_NE(sof, bytes.end());
  sof[7] = 0;  // width 0
  sof[8] = 0;
  ComPtr<IWICBitmapDecoder> decoder;
  EXPECT_EQ(OpenReportingOnce(WriteAs("no-width.jpg", bytes), decoder), WINCODEC_ERR_BADHEADER);
}

TEST_F(JpegFailure, FileCutInsideTheImageDataFailsWhenPixelsAreRead) {
  for (const char* options : {"", "-progressive"}) {
    std::vector<uint8_t> bytes = NoiseJpeg(options);
    bytes.resize((ScanData(bytes) + bytes.size()) / 2);
    const std::string path = WriteAs("cut.jpg", bytes);
    EXPECT_EQ(CopyReportingOnce(path), WINCODEC_ERR_BADIMAGE) << options;

    // Asking again, or through a converter, fails the same way.
    ComPtr<IWICBitmapFrameDecode> frame = OpenFrame(path);
    ASSERT_TRUE(frame);
    std::vector<uint8_t> converted(64 * 64 * 4);
    ComPtr<IWICFormatConverter> converter = Convert(frame.Get(), GUID_WICPixelFormat32bppRGBA);
    EXPECT_EQ(converter->CopyPixels(nullptr, 64 * 4, static_cast<UINT>(converted.size()), converted.data()),
              WINCODEC_ERR_BADIMAGE);
    EXPECT_EQ(converter->CopyPixels(nullptr, 64 * 4, static_cast<UINT>(converted.size()), converted.data()),
              WINCODEC_ERR_BADIMAGE);
  }
}

TEST_F(JpegFailure, MarkersInsideTheImageDataFailWhenPixelsAreRead) {
  const std::vector<uint8_t> bytes = NoiseJpeg();
  const size_t middle = (ScanData(bytes) + bytes.size()) / 2;
  std::vector<uint8_t> endInside = bytes;
  endInside[middle] = 0xFF;  // an end-of-image marker halfway through the scan
  endInside[middle + 1] = 0xD9;
  EXPECT_EQ(CopyReportingOnce(WriteAs("end-inside.jpg", endInside)), WINCODEC_ERR_BADIMAGE);

  std::vector<uint8_t> restartWithoutInterval = bytes;
  restartWithoutInterval[middle] = 0xFF;  // a restart marker in a file that declares no restart interval
  restartWithoutInterval[middle + 1] = 0xD3;
  EXPECT_EQ(CopyReportingOnce(WriteAs("stray-restart.jpg", restartWithoutInterval)), WINCODEC_ERR_BADIMAGE);
}

TEST_F(JpegFailure, WrongRestartMarkerFailsWhenPixelsAreRead) {
  std::vector<uint8_t> bytes = NoiseJpeg("-restart 1");
  const uint8_t firstRestart[] = {0xFF, 0xD0};
  const auto restart = std::search(bytes.begin() + static_cast<std::ptrdiff_t>(ScanData(bytes)), bytes.end(),
                                   firstRestart, firstRestart + 2);
  ASSERT_NE(restart, bytes.end());
  restart[1] = 0xD5;  // RST5 where RST0 belongs
  EXPECT_EQ(CopyReportingOnce(WriteAs("wrong-restart.jpg", bytes)), WINCODEC_ERR_BADIMAGE);
}

}  // namespace
