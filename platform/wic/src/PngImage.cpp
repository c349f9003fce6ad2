#include "PngImage.h"

#include "Diagnostics.h"

#include <csetjmp>
#include <cstring>
#include <utility>

namespace wic {
namespace {

constexpr size_t kSignatureBytes = 8;
constexpr double kMetresPerInch = 0.0254;

const GUID& IndexedFormat(int bitDepth) {
  switch (bitDepth) {
    case 1:
      return GUID_WICPixelFormat1bppIndexed;
    case 2:
      return GUID_WICPixelFormat2bppIndexed;
    case 4:
      return GUID_WICPixelFormat4bppIndexed;
    default:
      return GUID_WICPixelFormat8bppIndexed;
  }
}

const GUID& GrayFormat(int bitDepth) {
  switch (bitDepth) {
    case 1:
      return GUID_WICPixelFormatBlackWhite;
    case 2:
      return GUID_WICPixelFormat2bppGray;
    case 4:
      return GUID_WICPixelFormat4bppGray;
    case 8:
      return GUID_WICPixelFormat8bppGray;
    default:
      return GUID_WICPixelFormat16bppGray;
  }
}

// Palette and plain gray images keep their own layout; everything else becomes BGR(A) at 8 bits or
// RGB(A) at 16 bits, with alpha whenever the image has any transparency.
const GUID& NativeFormat(int colorType, int bitDepth, bool hasTransparencyChunk) {
  switch (colorType) {
    case PNG_COLOR_TYPE_PALETTE:
      return IndexedFormat(bitDepth);
    case PNG_COLOR_TYPE_GRAY:
      if (!hasTransparencyChunk) {
        return GrayFormat(bitDepth);
      }
      break;
    case PNG_COLOR_TYPE_RGB:
      if (!hasTransparencyChunk) {
        return bitDepth == 16 ? GUID_WICPixelFormat48bppRGB : GUID_WICPixelFormat24bppBGR;
      }
      break;
    default:
      break;
  }
  return bitDepth == 16 ? GUID_WICPixelFormat64bppRGBA : GUID_WICPixelFormat32bppBGRA;
}

// The libpng transforms that turn the file's samples into the layout of NativeFormat.
void RequestTransforms(png_structp png, int colorType, int bitDepth, bool hasTransparencyChunk) {
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    return;
  }
  if (colorType == PNG_COLOR_TYPE_GRAY && !hasTransparencyChunk) {
    if (bitDepth == 16) {
      png_set_swap(png);
    }
    return;
  }
  if (hasTransparencyChunk) {
    png_set_tRNS_to_alpha(png);
  }
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
    if (bitDepth < 8) {
      png_set_expand_gray_1_2_4_to_8(png);
    }
    png_set_gray_to_rgb(png);
  }
  if (bitDepth == 16) {
    png_set_swap(png);
  } else {
    png_set_bgr(png);
  }
}

const ContainerFacts kPngContainer = {GUID_ContainerFormatPng, "PNG files have no global palette; ask the frame",
                                      "PNG files have no preview", "PNG files have no thumbnail"};

}  // namespace

HRESULT PngImage::Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                       std::shared_ptr<Image>& image) {
  return OpenAs<PngImage>(call, std::move(fileName), std::move(fileBytes), image);
}

PngImage::PngImage(std::string fileName, std::vector<BYTE> fileBytes)
    : Image(std::move(fileName), std::move(fileBytes)) {}

PngImage::~PngImage() { png_destroy_read_struct(&png_, &info_, nullptr); }

const ContainerFacts& PngImage::Container() const { return kPngContainer; }

HRESULT PngImage::ReadHeader(const char* call) {
  if (fileBytes_.size() < kSignatureBytes || png_sig_cmp(fileBytes_.data(), 0, kSignatureBytes) != 0) {
    return Fail(call, WINCODEC_ERR_COMPONENTNOTFOUND, Quoted(fileName_) + " is not a PNG file");
  }
  png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, this, OnError, OnWarning);
  if (png_ != nullptr) {
    info_ = png_create_info_struct(png_);
  }
  if (info_ == nullptr) {
    return Fail(call, E_OUTOFMEMORY, Quoted(fileName_) + ": out of memory");
  }
  png_set_read_fn(png_, this, ReadFromMemory);

  // libpng reports damage by jumping back here; nothing between here and the jump owns resources.
  if (setjmp(png_jmpbuf(png_)) != 0) {
    return Fail(call, WINCODEC_ERR_BADHEADER, Quoted(fileName_) + ": damaged PNG header: " + libpngError_);
  }
  png_read_info(png_, info_);
  const int colorType = png_get_color_type(png_, info_);
  const int bitDepth = png_get_bit_depth(png_, info_);
  const bool hasTransparencyChunk =
      colorType != PNG_COLOR_TYPE_PALETTE && png_get_valid(png_, info_, PNG_INFO_tRNS) != 0;
  RequestTransforms(png_, colorType, bitDepth, hasTransparencyChunk);
  png_set_interlace_handling(png_);
  png_read_update_info(png_, info_);

  width_ = png_get_image_width(png_, info_);
  height_ = png_get_image_height(png_, info_);
  format_ = FindPixelFormat(NativeFormat(colorType, bitDepth, hasTransparencyChunk));
  if (format_ == nullptr || png_get_rowbytes(png_, info_) != RowBytes()) {
    return Fail(call, WINCODEC_ERR_INTERNALERROR, Quoted(fileName_) + ": unexpected decoded row layout");
  }
  if (colorType == PNG_COLOR_TYPE_PALETTE) {
    ReadPalette();
  }
  ReadResolution();
  return S_OK;
}

void PngImage::ReadPalette() {
  png_colorp entries = nullptr;
  int entryCount = 0;
  png_get_PLTE(png_, info_, &entries, &entryCount);
  png_bytep alphas = nullptr;
  int alphaCount = 0;
  png_get_tRNS(png_, info_, &alphas, &alphaCount, nullptr);

  palette_.resize(static_cast<size_t>(entryCount));
  for (int i = 0; i < entryCount; ++i) {
    const WICColor alpha = i < alphaCount ? alphas[i] : 0xFF;
    palette_[i] = alpha << 24 | WICColor{entries[i].red} << 16 | WICColor{entries[i].green} << 8 | entries[i].blue;
  }
}

// Windows reports 96 DPI unless the file states its resolution in pixels per metre.
void PngImage::ReadResolution() {
  png_uint_32 perMetreX = 0;
  png_uint_32 perMetreY = 0;
  int unit = PNG_RESOLUTION_UNKNOWN;
  if (png_get_pHYs(png_, info_, &perMetreX, &perMetreY, &unit) != 0 && unit == PNG_RESOLUTION_METER && perMetreX > 0 &&
      perMetreY > 0) {
    dpiX_ = perMetreX * kMetresPerInch;
    dpiY_ = perMetreY * kMetresPerInch;
  }
}

HRESULT PngImage::DecodePixels(BYTE* pixels, std::string& problem) {
  std::vector<png_bytep> rows;
  try {
    rows.resize(height_);
  } catch (const std::exception&) {
    problem = NotEnoughMemoryProblem();
    return E_OUTOFMEMORY;
  }
  for (UINT y = 0; y < height_; ++y) {
    rows[y] = pixels + RowBytes() * y;
  }

  if (setjmp(png_jmpbuf(png_)) != 0) {
    problem = "damaged image data: " + libpngError_;
    return WINCODEC_ERR_BADIMAGE;
  }
  png_read_image(png_, rows.data());

  // Everything the image needs is decoded; libpng's state is no longer needed.
  png_destroy_read_struct(&png_, &info_, nullptr);
  return S_OK;
}

void PngImage::ReadFromMemory(png_structp png, png_bytep data, size_t length) {
  auto* image = static_cast<PngImage*>(png_get_io_ptr(png));
  if (length > image->fileBytes_.size() - image->readOffset_) {
    png_error(png, "the file ends early");
  }
  std::memcpy(data, image->fileBytes_.data() + image->readOffset_, length);
  image->readOffset_ += length;
}

void PngImage::OnError(png_structp png, png_const_charp message) {
  static_cast<PngImage*>(png_get_error_ptr(png))->libpngError_ = message;
  png_longjmp(png, 1);
}

// Windows' decoder ignores what libpng only warns about (bad ancillary chunks, extra data).
void PngImage::OnWarning(png_structp, png_const_charp) {}

}  // namespace wic
