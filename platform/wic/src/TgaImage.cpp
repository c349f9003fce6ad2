#include "TgaImage.h"

#include "Diagnostics.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace wic {

const GUID GUID_ContainerFormatTga = {0x8d8bad31, 0xd5bf, 0x4fe0, {0x9f, 0x95, 0x92, 0xc6, 0x80, 0x97, 0x53, 0x00}};

namespace {

constexpr size_t kHeaderBytes = 18;
constexpr char kFooterSignature[] = "TRUEVISION-XFILE.";  // with its terminating zero, the last 18 bytes

enum ImageType : BYTE {
  kMapped = 1,
  kTrueColour = 2,
  kGrey = 3,
  kRunLengthMapped = 9,
  kRunLengthTrueColour = 10,
  kRunLengthGrey = 11,
};

// Descriptor bits: the first pixel is at the top, or at the right, of the image.
constexpr BYTE kTopOrigin = 0x20;
constexpr BYTE kRightOrigin = 0x10;
// Descriptor bits: how many bits of each pixel are alpha.
constexpr BYTE kAttributeBits = 0x0F;
// A run-length packet header: the high bit marks a run of one repeated pixel, the rest counts pixels less one.
constexpr BYTE kRunPacket = 0x80;

const ContainerFacts kTgaContainer = {GUID_ContainerFormatTga, "TGA files have no global palette",
                                      "TGA files have no preview", "the decoder reads no TGA thumbnails"};

// A little-endian 16-bit pixel, A RRRRR GGGGG BBBBB, as BGRA bytes. The top bit is alpha only when the
// header says the pixel has one alpha bit; otherwise it is unused and the pixel is opaque.
void WidenFiveBitColour(const BYTE* sample, bool alphaBit, BYTE* pixel) {
  const UINT value = sample[0] | (UINT{sample[1]} << 8);
  const auto widen = [](UINT five) { return static_cast<BYTE>((five << 3) | (five >> 2)); };
  pixel[0] = widen(value & 0x1F);
  pixel[1] = widen((value >> 5) & 0x1F);
  pixel[2] = widen((value >> 10) & 0x1F);
  pixel[3] = !alphaBit || (value & 0x8000) != 0 ? 255 : 0;
}

bool IsImageType(BYTE type) {
  return type == kMapped || type == kTrueColour || type == kGrey || type == kRunLengthMapped ||
         type == kRunLengthTrueColour || type == kRunLengthGrey;
}

bool IsMapped(BYTE type) { return type == kMapped || type == kRunLengthMapped; }

// Every encoding spends at least one byte on 128 pixels (a run packet's header), so data shorter than
// that is no image of this size; refusing it at the open keeps a few damaged bytes from asking for
// gigabytes of pixels.
bool DataCanHold(size_t dataBytes, UINT width, UINT height) {
  return dataBytes >= (UINT64{width} * height + 127) / 128;
}

UINT Word(const std::vector<BYTE>& bytes, size_t offset) { return bytes[offset] | (UINT{bytes[offset + 1]} << 8); }

bool HasFooter(const std::vector<BYTE>& bytes) {
  constexpr size_t signatureBytes = sizeof(kFooterSignature);
  return bytes.size() >= kHeaderBytes + 8 + signatureBytes &&
         std::memcmp(bytes.data() + bytes.size() - signatureBytes, kFooterSignature, signatureBytes) == 0;
}

}  // namespace

bool TgaImage::LooksLikeTga(const std::vector<BYTE>& fileBytes) {
  return (fileBytes.size() >= 3 && fileBytes[1] <= 1 && IsImageType(fileBytes[2])) || HasFooter(fileBytes);
}

HRESULT TgaImage::Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                       std::shared_ptr<Image>& image) {
  return OpenAs<TgaImage>(call, std::move(fileName), std::move(fileBytes), image);
}

TgaImage::TgaImage(std::string fileName, std::vector<BYTE> fileBytes)
    : Image(std::move(fileName), std::move(fileBytes)) {}

const ContainerFacts& TgaImage::Container() const { return kTgaContainer; }

const char* TgaImage::HeaderProblem() const {
  const std::vector<BYTE>& bytes = fileBytes_;
  if (bytes.size() < kHeaderBytes) {
    return "the TGA header is cut short";
  }
  if (bytes[1] > 1 || !IsImageType(bytes[2])) {
    return "the TGA header names no image type TGA defines";
  }
  if (width_ == 0 || height_ == 0) {
    return "the TGA image has no pixels";
  }
  const BYTE depth = bytes[16];
  const bool mapped = IsMapped(imageType_);
  if (mapped && (bytes[1] != 1 || mapLength_ == 0)) {
    return "the colour-mapped TGA image has no colour map";
  }
  if (mapped && (depth != 8 || (mapEntryBytes_ != 3 && mapEntryBytes_ != 4))) {
    return "the TGA colour map is not 8-bit indices into 24- or 32-bit colours";
  }
  if ((imageType_ == kGrey || imageType_ == kRunLengthGrey) && depth != 8) {
    return "the grey TGA image is not 8 bits deep";
  }
  if ((imageType_ == kTrueColour || imageType_ == kRunLengthTrueColour) && depth != 15 && depth != 16 && depth != 24 &&
      depth != 32) {
    return "the true-colour TGA image is not 15, 16, 24 or 32 bits deep";
  }
  if (dataOffset_ > bytes.size()) {
    return "the TGA colour map is cut short";
  }
  if (!DataCanHold(bytes.size() - dataOffset_, width_, height_)) {
    return "the TGA file is far too short for its image size";
  }
  return nullptr;
}

HRESULT TgaImage::ReadHeader(const char* call) {
  const std::vector<BYTE>& bytes = fileBytes_;
  if (bytes.size() >= kHeaderBytes) {
    imageType_ = bytes[2];
    mapFirst_ = Word(bytes, 3);
    mapLength_ = Word(bytes, 5);
    const UINT mapEntryBits = bytes[1] == 1 ? bytes[7] : 0;
    mapEntryBytes_ = (mapEntryBits + 7) / 8;
    width_ = Word(bytes, 12);
    height_ = Word(bytes, 14);
    sampleBytes_ = (bytes[16] + 7u) / 8u;
    topOrigin_ = (bytes[17] & kTopOrigin) != 0;
    rightOrigin_ = (bytes[17] & kRightOrigin) != 0;
    // The image identification field, then the colour map, then the image data.
    mapOffset_ = kHeaderBytes + bytes[0];
    dataOffset_ = mapOffset_ + size_t{mapLength_} * mapEntryBytes_;
  }
  if (const char* problem = HeaderProblem()) {
    return Fail(call, WINCODEC_ERR_BADHEADER, Quoted(fileName_) + ": " + problem);
  }
  // Five bits a channel are widened to eight: the format converter reads no 5-bit channels.
  const UINT colourBytes = IsMapped(imageType_) ? mapEntryBytes_ : sampleBytes_ == 2 ? 4 : sampleBytes_;
  alphaBit_ = sampleBytes_ == 2 && (bytes[17] & kAttributeBits) == 1;
  format_ = FindPixelFormat(colourBytes == 4   ? GUID_WICPixelFormat32bppBGRA
                            : colourBytes == 3 ? GUID_WICPixelFormat24bppBGR
                                               : GUID_WICPixelFormat8bppGray);
  return S_OK;
}

bool TgaImage::ReadSamples(std::vector<BYTE>& samples, std::string& problem) const {
  const std::vector<BYTE>& bytes = fileBytes_;
  const size_t total = samples.size();
  size_t at = dataOffset_;
  if (imageType_ < kRunLengthMapped) {
    if (bytes.size() - at < total) {
      problem = "the TGA image data is cut short";
      return false;
    }
    std::memcpy(samples.data(), bytes.data() + at, total);
    return true;
  }
  // Packets may run on from one row into the next, so the whole image is one stream of pixels.
  size_t filled = 0;
  while (filled < total) {
    if (at >= bytes.size()) {
      problem = "the run-length encoded TGA image data is cut short";
      return false;
    }
    const BYTE packet = bytes[at++];
    const size_t packetBytes = std::min<size_t>(((packet & 0x7F) + 1u) * sampleBytes_, total - filled);
    const size_t stored = (packet & kRunPacket) != 0 ? sampleBytes_ : packetBytes;
    if (bytes.size() - at < stored) {
      problem = "the run-length encoded TGA image data is cut short";
      return false;
    }
    if ((packet & kRunPacket) != 0) {
      for (size_t i = 0; i < packetBytes; i += sampleBytes_) {
        std::memcpy(samples.data() + filled + i, bytes.data() + at, sampleBytes_);
      }
    } else {
      std::memcpy(samples.data() + filled, bytes.data() + at, packetBytes);
    }
    at += stored;
    filled += packetBytes;
  }
  return true;
}

void TgaImage::PlaceRows(const std::vector<BYTE>& samples, BYTE* pixels) const {
  const UINT pixelBytes = format_->BitsPerPixel / 8;
  const BYTE* map = fileBytes_.data() + mapOffset_;
  for (UINT row = 0; row < height_; ++row) {
    const BYTE* source = samples.data() + size_t{row} * width_ * sampleBytes_;
    BYTE* destination = pixels + RowBytes() * (topOrigin_ ? row : height_ - 1 - row);
    for (UINT column = 0; column < width_; ++column) {
      const BYTE* sample = source + size_t{column} * sampleBytes_;
      BYTE* pixel = destination + size_t{rightOrigin_ ? width_ - 1 - column : column} * pixelBytes;
      if (pixelBytes == sampleBytes_) {
        std::memcpy(pixel, sample, pixelBytes);
      } else if (sampleBytes_ == 2) {
        WidenFiveBitColour(sample, alphaBit_, pixel);
      } else {
        std::memcpy(pixel, map + size_t{*sample - mapFirst_} * mapEntryBytes_, pixelBytes);
      }
    }
  }
}

HRESULT TgaImage::DecodePixels(BYTE* pixels, std::string& problem) {
  std::vector<BYTE> samples;
  try {
    samples.resize(size_t{width_} * height_ * sampleBytes_);
  } catch (const std::exception&) {
    problem = NotEnoughMemoryProblem();
    return E_OUTOFMEMORY;
  }
  if (!ReadSamples(samples, problem)) {
    return WINCODEC_ERR_BADIMAGE;
  }
  // Mapped images are checked whole before any lookup, so that a stray index cannot read past the map.
  if (IsMapped(imageType_)) {
    const auto outside = std::find_if(samples.begin(), samples.end(), [this](BYTE index) {
      return index < mapFirst_ || index - mapFirst_ >= mapLength_;
    });
    if (outside != samples.end()) {
      problem = "colour index " + std::to_string(*outside) + " is outside the TGA colour map";
      return WINCODEC_ERR_BADIMAGE;
    }
  }
  PlaceRows(samples, pixels);
  return S_OK;
}

}  // namespace wic
