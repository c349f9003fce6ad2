// Image files held in memory, such as textures embedded in a model file, decode through
// IWICImagingFactory::CreateStream, IWICStream::InitializeFromMemory and CreateDecoderFromStream exactly as
// the same bytes do from a file; the stream itself behaves as Windows' memory stream does.
#include "JpegTools.h"
#include "WicTestSupport.h"

#include <algorithm>

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class MemoryStreamTest : public WicTest {
 protected:
  ComPtr<IWICStream> StreamOver(std::vector<uint8_t>& bytes) {
    ComPtr<IWICStream> stream;
    EXPECT_EQ(factory_->CreateStream(&stream), S_OK);
    EXPECT_EQ(stream->InitializeFromMemory(bytes.data(), static_cast<DWORD>(bytes.size())), S_OK);
    return stream;
  }

  ComPtr<IWICBitmapFrameDecode> FrameFrom(IStream* stream) {
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    EXPECT_EQ(factory_->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnLoad, &decoder), S_OK);
    if (decoder) {
      EXPECT_EQ(decoder->GetFrame(0, &frame), S_OK);
    }
    return frame;
  }

  static GUID ContainerOf(IWICImagingFactory* factory, IStream* stream) {
    ComPtr<IWICBitmapDecoder> decoder;
    GUID container{};
    if (SUCCEEDED(factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand, &decoder))) {
      decoder->GetContainerFormat(&container);
    }
    return container;
  }
};

TEST_F(MemoryStreamTest, JpegAndPngBytesDecodeAsTheirFilesDo) {
  const std::string jpegPath = PathOf("image.jpg");
  ASSERT_TRUE(EncodeWithCjpeg(TestPicture(17, 9, 3), jpegPath, "-progressive"));
  const std::string pngPath = Write("image.png", MakePng(PNG_COLOR_TYPE_RGB, 8, 2, 1, {1, 2, 3, 200, 100, 50}));

  for (const auto& [path, container] :
       {std::pair{jpegPath, GUID_ContainerFormatJpeg}, std::pair{pngPath, GUID_ContainerFormatPng}}) {
    std::vector<uint8_t> bytes = ReadBytes(path);
    ComPtr<IWICStream> stream = StreamOver(bytes);
    EXPECT_EQ(ContainerOf(factory_.Get(), stream.Get()), container) << path;
    ASSERT_EQ(stream->Seek({}, STREAM_SEEK_SET, nullptr), S_OK);
    ComPtr<IWICBitmapFrameDecode> fromMemory = FrameFrom(stream.Get());
    ComPtr<IWICBitmapFrameDecode> fromFile = OpenFrame(path);
    ASSERT_TRUE(fromMemory && fromFile) << path;
    EXPECT_EQ(PixelFormatOf(fromMemory.Get()), PixelFormatOf(fromFile.Get()));
    EXPECT_EQ(CopyAllPixels(Convert(fromMemory.Get(), GUID_WICPixelFormat32bppRGBA).Get(), 32),
              CopyAllPixels(Convert(fromFile.Get(), GUID_WICPixelFormat32bppRGBA).Get(), 32))
        << path;
  }
}

// A texture embedded in a model file starts somewhere inside it: the decoder reads from the stream's
// position on, not from the start of the memory.
TEST_F(MemoryStreamTest, DecodingStartsAtTheStreamPosition) {
  const std::string jpegPath = PathOf("image.jpg");
  ASSERT_TRUE(EncodeWithCjpeg(TestPicture(1, 1, 1), jpegPath, ""));
  const std::vector<uint8_t> jpeg = ReadBytes(jpegPath);
  std::vector<uint8_t> model = {'M', 'O', 'D', 'E', 'L', 0, 0};
  LARGE_INTEGER textureOffset;
  textureOffset.QuadPart = static_cast<LONGLONG>(model.size());
  model.insert(model.end(), jpeg.begin(), jpeg.end());

  ComPtr<IWICStream> stream = StreamOver(model);
  ASSERT_EQ(stream->Seek(textureOffset, STREAM_SEEK_SET, nullptr), S_OK);
  ComPtr<IWICBitmapFrameDecode> frame = FrameFrom(stream.Get());
  ASSERT_TRUE(frame);
  EXPECT_EQ(PixelFormatOf(frame.Get()), GUID_WICPixelFormat8bppGray);
  EXPECT_EQ(CopyAllPixels(frame.Get(), 8), DecodeWithDjpeg(jpegPath).Samples);
}

TEST_F(MemoryStreamTest, BytesOfNoKnownFormatOrCutShortFailAsFromAFile) {
  std::vector<uint8_t> text = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
  ComPtr<IWICStream> stream = StreamOver(text);
  ComPtr<IWICBitmapDecoder> decoder;
  CaptureStderr();
  EXPECT_EQ(factory_->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad, &decoder),
            WINCODEC_ERR_COMPONENTNOTFOUND);
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  EXPECT_NE(output.find("CreateDecoderFromStream"), std::string::npos) << output;
  EXPECT_FALSE(decoder);

  const std::string jpegPath = PathOf("image.jpg");
  ASSERT_TRUE(EncodeWithCjpeg(TestPicture(8, 8, 3), jpegPath, ""));
  std::vector<uint8_t> cut = ReadBytes(jpegPath);
  cut.resize(30);
  stream = StreamOver(cut);
  EXPECT_EQ(factory_->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnLoad, &decoder),
            WINCODEC_ERR_BADHEADER);
}

TEST_F(MemoryStreamTest, ReadsWritesAndSeeksInsideItsMemoryOnly) {
  std::vector<uint8_t> memory = {1, 2, 3, 4, 5};
  ComPtr<IWICStream> stream = StreamOver(memory);
  uint8_t buffer[8] = {};
  ULONG count = 0;
  EXPECT_EQ(stream->Read(buffer, 3, &count), S_OK);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(stream->Read(buffer, 8, &count), S_OK);  // only two are left
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(buffer[0], 4);
  EXPECT_EQ(stream->Read(buffer, 8, &count), S_OK);
  EXPECT_EQ(count, 0u);

  LARGE_INTEGER move;
  ULARGE_INTEGER position;
  move.QuadPart = -2;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_END, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 3u);
  const uint8_t written[] = {9, 8};
  EXPECT_EQ(stream->Write(written, 2, &count), S_OK);
  EXPECT_EQ(memory, (std::vector<uint8_t>{1, 2, 3, 9, 8}));
  EXPECT_EQ(stream->Write(written, 1, &count), STG_E_MEDIUMFULL);  // the stream never grows

  move.QuadPart = 6;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_SET, &position), E_INVALIDARG);
  move.QuadPart = -1;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_SET, &position), E_INVALIDARG);
  EXPECT_EQ(stream->Seek(move, 7, &position), STG_E_INVALIDFUNCTION);
  move.QuadPart = -1;
  EXPECT_EQ(stream->Seek(move, STREAM_SEEK_CUR, &position), S_OK);
  EXPECT_EQ(position.QuadPart, 4u);

  STATSTG status{};
  EXPECT_EQ(stream->Stat(&status, STATFLAG_NONAME), S_OK);
  EXPECT_EQ(status.type, static_cast<DWORD>(STGTY_STREAM));
  EXPECT_EQ(status.cbSize.QuadPart, 5u);
}

TEST_F(MemoryStreamTest, RefusesWrongUseWithWindowsCodes) {
  ComPtr<IWICStream> stream;
  ASSERT_EQ(factory_->CreateStream(&stream), S_OK);
  uint8_t buffer[4] = {};
  ULONG count = 0;
  EXPECT_EQ(stream->Read(buffer, 4, &count), WINCODEC_ERR_NOTINITIALIZED);
  EXPECT_EQ(stream->InitializeFromMemory(nullptr, 4), E_INVALIDARG);
  ASSERT_EQ(stream->InitializeFromMemory(buffer, 4), S_OK);
  EXPECT_EQ(stream->InitializeFromMemory(buffer, 4), WINCODEC_ERR_WRONGSTATE);
  EXPECT_EQ(stream->Read(nullptr, 4, &count), STG_E_INVALIDPOINTER);
  EXPECT_EQ(factory_->CreateStream(nullptr), E_INVALIDARG);

  ComPtr<IStream> plain;
  EXPECT_EQ(stream.As(&plain), S_OK);
  ComPtr<IWICBitmapDecoder> decoder;
  EXPECT_EQ(factory_->CreateDecoderFromStream(nullptr, nullptr, WICDecodeMetadataCacheOnLoad, &decoder), E_INVALIDARG);
  EXPECT_EQ(factory_->CreateDecoderFromStream(plain.Get(), nullptr, WICDecodeMetadataCacheOnLoad, nullptr),
            E_INVALIDARG);
  EXPECT_EQ(factory_->CreateDecoderFromStream(plain.Get(), nullptr, static_cast<WICDecodeOptions>(5), &decoder),
            E_INVALIDARG);
}

}  // namespace
