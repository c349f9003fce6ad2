#include "DecoderSelection.h"

#include "DdsImage.h"
#include "Diagnostics.h"
#include "ImageDecoder.h"
#include "JpegImage.h"
#include "PngImage.h"
#include "TgaImage.h"

#include <png.h>

#include <algorithm>
#include <utility>

namespace wic {
namespace {

constexpr size_t kPngSignatureBytes = 8;
constexpr ULONG kStreamChunkBytes = 65536;

bool HasPngSignature(const std::vector<BYTE>& bytes) {
  return bytes.size() >= kPngSignatureBytes && png_sig_cmp(bytes.data(), 0, kPngSignatureBytes) == 0;
}

}  // namespace

HRESULT CreateDecoderForBytes(const char* call, std::string name, std::vector<BYTE> bytes,
                              IWICBitmapDecoder** decoder) {
  std::shared_ptr<Image> image;
  HRESULT hr = S_OK;
  if (JpegImage::HasSignature(bytes)) {
    hr = JpegImage::Open(call, std::move(name), std::move(bytes), image);
  } else if (HasPngSignature(bytes)) {
    hr = PngImage::Open(call, std::move(name), std::move(bytes), image);
  } else if (DdsImage::HasSignature(bytes)) {
    hr = DdsImage::Open(call, std::move(name), std::move(bytes), image);
  } else if (TgaImage::LooksLikeTga(bytes)) {
    hr = TgaImage::Open(call, std::move(name), std::move(bytes), image);
  } else {
    return Fail(call, WINCODEC_ERR_COMPONENTNOTFOUND, Quoted(name) + " is not a PNG, JPEG, DDS or TGA file");
  }
  return SUCCEEDED(hr) ? ImageDecoder::Create(std::move(image), decoder) : hr;
}

HRESULT ReadRestOfStream(const char* call, IStream* stream, std::vector<BYTE>& bytes) {
  bytes.clear();
  for (;;) {
    const size_t filled = bytes.size();
    bytes.resize(filled + kStreamChunkBytes);
    ULONG count = 0;
    const HRESULT hr = stream->Read(bytes.data() + filled, kStreamChunkBytes, &count);
    if (FAILED(hr)) {
      return Fail(call, hr, "the stream could not be read");
    }
    bytes.resize(filled + std::min(count, kStreamChunkBytes));
    if (count == 0) {
      return S_OK;
    }
  }
}

}  // namespace wic
