#include "Image.h"

#include "Diagnostics.h"
#include "PixelConversion.h"

#include <cstring>
#include <utility>

namespace wic {

Image::Image(std::string fileName, std::vector<BYTE> fileBytes)
    : fileName_(std::move(fileName)), fileBytes_(std::move(fileBytes)) {}

Image::~Image() = default;

std::string Image::NotEnoughMemoryProblem() const {
  return "not enough memory for " + std::to_string(width_) + " x " + std::to_string(height_) + " pixels";
}

// Whole-byte formats copy plain bytes; sub-byte formats need bit shifts when the region starts inside a byte.
HRESULT Image::CopyRows(const char* call, const CopyRegion& region, UINT stride, BYTE* buffer) {
  const BYTE* pixels = nullptr;
  const HRESULT hr = Pixels(call, pixels);
  if (FAILED(hr)) {
    return hr;
  }
  const UINT bitsPerPixel = format_->BitsPerPixel;
  const UINT64 sourceRowBytes = RowBytes();
  const UINT64 firstBit = UINT64{region.X} * bitsPerPixel;
  const UINT64 bitCount = UINT64{region.Width} * bitsPerPixel;
  for (UINT row = 0; row < region.Height; ++row) {
    const BYTE* source = pixels + sourceRowBytes * (region.Y + row);
    BYTE* destination = buffer + UINT64{stride} * row;
    if (bitsPerPixel % 8 == 0) {
      std::memcpy(destination, source + firstBit / 8, region.RowBytes);
    } else {
      CopyBits(source, sourceRowBytes, firstBit, bitCount, destination);
    }
  }
  return S_OK;
}

HRESULT Image::Pixels(const char* call, const BYTE*& pixels) {
  std::lock_guard lock(decodeMutex_);
  if (!decodeResult_) {
    decodeResult_ = Decode();
  }
  if (FAILED(*decodeResult_)) {
    return Fail(call, *decodeResult_, Quoted(fileName_) + ": " + decodeProblem_);
  }
  pixels = pixels_.data();
  return S_OK;
}

HRESULT Image::Decode() {
  try {
    pixels_.resize(RowBytes() * height_);
  } catch (const std::exception&) {
    decodeProblem_ = NotEnoughMemoryProblem();
    return E_OUTOFMEMORY;
  }
  const HRESULT hr = DecodePixels(pixels_.data(), decodeProblem_);
  if (FAILED(hr)) {
    std::vector<BYTE>().swap(pixels_);
    return hr;
  }
  // Everything the image needs is decoded; the file is no longer needed.
  std::vector<BYTE>().swap(fileBytes_);
  return S_OK;
}

}  // namespace wic
