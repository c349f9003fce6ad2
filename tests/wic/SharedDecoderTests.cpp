// PNG and JPEG files are served by one decoder class and one frame class; what differs between the
// containers comes from the image each holds. These tests run the same checks over both, so that a
// container's facts reaching the other's objects, or one file's frames decoding apart, shows at once.
#include "JpegTools.h"
#include "WicTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

struct ContainerCase {
  const char* Name;
  const GUID* Container;
  // The words each refusal's stderr line carries for this container.
  const char* NoGlobalPalette;
  const char* NoPreview;
  const char* NoThumbnail;
};

const ContainerCase kContainers[] = {
    {"Png", &GUID_ContainerFormatPng, "PNG files have no global palette", "PNG files have no preview",
     "PNG files have no thumbnail"},
    {"Jpeg", &GUID_ContainerFormatJpeg, "JPEG files have no palette", "JPEG files have no preview",
     "the decoder reads no JPEG thumbnails"},
};

void PrintTo(const ContainerCase& container, std::ostream* out) { *out << container.Name; }

// A stale pointer in an out argument, which a refusing call must clear.
IWICBitmapSource* const kStale = reinterpret_cast<IWICBitmapSource*>(uintptr_t{0x10});

class BothContainers : public WicTest, public ::testing::WithParamInterface<ContainerCase> {
 protected:
  // A 24bppBGR picture of the case's container, opened through the factory.
  ComPtr<IWICBitmapDecoder> OpenPicture() {
    const RasterImage picture = TestPicture(13, 7, 3);
    std::string path;
    if (*GetParam().Container == GUID_ContainerFormatJpeg) {
      path = PathOf("picture.jpg");
      EXPECT_TRUE(EncodeWithCjpeg(picture, path, ""));
    } else {
      path = Write("picture.png", MakePng(PNG_COLOR_TYPE_RGB, 8, picture.Width, picture.Height,
                                          std::vector<uint16_t>(picture.Samples.begin(), picture.Samples.end())));
    }
    ComPtr<IWICBitmapDecoder> decoder;
    EXPECT_EQ(factory_->CreateDecoderFromFilename(Wide(path).c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder),
              S_OK);
    return decoder;
  }

  // The call's result, checking that it printed one line holding `words`.
  template <typename Call>
  static HRESULT ReportingOnce(Call call, const char* words) {
    CaptureStderr();
    const HRESULT hr = call();
    const std::string output = GetCapturedStderr();
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_NE(output.find(words), std::string::npos) << output;
    return hr;
  }
};

TEST_P(BothContainers, RefuseWithWindowsCodesInTheirContainersWords) {
  const ContainerCase& container = GetParam();
  ComPtr<IWICBitmapDecoder> decoder = OpenPicture();
  ASSERT_TRUE(decoder);
  ComPtr<IWICBitmapFrameDecode> frame;
  ASSERT_EQ(decoder->GetFrame(0, &frame), S_OK);

  GUID format{};
  EXPECT_EQ(decoder->GetContainerFormat(&format), S_OK);
  EXPECT_EQ(format, *container.Container);
  EXPECT_EQ(decoder->Initialize(nullptr, WICDecodeMetadataCacheOnDemand), WINCODEC_ERR_WRONGSTATE);
  ComPtr<IWICPalette> palette;
  ASSERT_EQ(factory_->CreatePalette(&palette), S_OK);
  EXPECT_EQ(ReportingOnce([&] { return decoder->CopyPalette(palette.Get()); }, container.NoGlobalPalette),
            WINCODEC_ERR_PALETTEUNAVAILABLE);
  EXPECT_EQ(ReportingOnce([&] { return frame->CopyPalette(palette.Get()); }, "has no palette (24bppBGR)"),
            WINCODEC_ERR_PALETTEUNAVAILABLE);

  IWICBitmapSource* preview = kStale;
  EXPECT_EQ(ReportingOnce([&] { return decoder->GetPreview(&preview); }, container.NoPreview),
            WINCODEC_ERR_UNSUPPORTEDOPERATION);
  EXPECT_EQ(preview, nullptr);
  IWICBitmapSource* thumbnail = kStale;
  EXPECT_EQ(ReportingOnce([&] { return decoder->GetThumbnail(&thumbnail); }, container.NoThumbnail),
            WINCODEC_ERR_CODECNOTHUMBNAIL);
  EXPECT_EQ(thumbnail, nullptr);
  thumbnail = kStale;
  EXPECT_EQ(ReportingOnce([&] { return frame->GetThumbnail(&thumbnail); }, container.NoThumbnail),
            WINCODEC_ERR_CODECNOTHUMBNAIL);
  EXPECT_EQ(thumbnail, nullptr);

  UINT contexts = 99;
  EXPECT_EQ(decoder->GetColorContexts(0, nullptr, &contexts), S_OK);
  EXPECT_EQ(contexts, 0u);
  contexts = 99;
  EXPECT_EQ(frame->GetColorContexts(0, nullptr, &contexts), S_OK);
  EXPECT_EQ(contexts, 0u);
}

// The first copy decodes the file for every frame of it; frames outlive their decoder and copy parts of the
// one decoded image.
TEST_P(BothContainers, FramesOfOneFileCopyTheSameDecodedPixels) {
  ComPtr<IWICBitmapDecoder> decoder = OpenPicture();
  ASSERT_TRUE(decoder);
  ComPtr<IWICBitmapFrameDecode> first;
  ComPtr<IWICBitmapFrameDecode> second;
  ASSERT_EQ(decoder->GetFrame(0, &first), S_OK);
  ASSERT_EQ(decoder->GetFrame(0, &second), S_OK);
  decoder.Reset();

  constexpr UINT kBytesPerPixel = 3;
  const WICRect rect = {5, 2, 6, 4};
  std::vector<uint8_t> part(rect.Width * rect.Height * kBytesPerPixel);
  ASSERT_EQ(second->CopyPixels(&rect, rect.Width * kBytesPerPixel, static_cast<UINT>(part.size()), part.data()), S_OK);
  const std::vector<uint8_t> whole = CopyAllPixels(first.Get(), 8 * kBytesPerPixel);
  ASSERT_EQ(whole.size(), size_t{13} * 7 * kBytesPerPixel);
  for (INT row = 0; row < rect.Height; ++row) {
    const auto wanted = whole.begin() + ((rect.Y + row) * 13 + rect.X) * kBytesPerPixel;
    EXPECT_TRUE(
        std::equal(wanted, wanted + rect.Width * kBytesPerPixel, part.begin() + row * rect.Width * kBytesPerPixel))
        << row;
  }
  EXPECT_EQ(CopyAllPixels(second.Get(), 8 * kBytesPerPixel), whole);
}

INSTANTIATE_TEST_SUITE_P(PngAndJpeg, BothContainers, ::testing::ValuesIn(kContainers),
                         [](const ::testing::TestParamInfo<ContainerCase>& info) { return info.param.Name; });

}  // namespace
