#include "PngFrameEncode.h"

#include "Diagnostics.h"
#include "FormatConverter.h"

#include <png.h>

#include <cmath>
#include <csetjmp>
#include <cstring>
#include <new>
#include <string>

namespace wic {
namespace {

constexpr double kInchesPerMetre = 1.0 / 0.0254;

// The formats PNG holds as they are, and how libpng is told their layout.
struct PngLayout {
  const GUID* Format;
  int ColorType;
  int BitDepth;
  bool Bgr;     // blue first in memory
  bool Filler;  // a fourth byte libpng leaves out
};

constexpr PngLayout kLayouts[] = {
    {&GUID_WICPixelFormat8bppGray, PNG_COLOR_TYPE_GRAY, 8, false, false},
    {&GUID_WICPixelFormat16bppGray, PNG_COLOR_TYPE_GRAY, 16, false, false},
    {&GUID_WICPixelFormat24bppBGR, PNG_COLOR_TYPE_RGB, 8, true, false},
    {&GUID_WICPixelFormat32bppBGR, PNG_COLOR_TYPE_RGB, 8, true, true},
    {&GUID_WICPixelFormat32bppBGRA, PNG_COLOR_TYPE_RGBA, 8, true, false},
    {&GUID_WICPixelFormat48bppRGB, PNG_COLOR_TYPE_RGB, 16, false, false},
    {&GUID_WICPixelFormat64bppRGBA, PNG_COLOR_TYPE_RGBA, 16, false, false},
};

const PngLayout* FindLayout(REFGUID format) {
  for (const PngLayout& layout : kLayouts) {
    if (*layout.Format == format) return &layout;
  }
  return nullptr;
}

bool Has(const PixelFormat& format, Channel channel) {
  for (UINT c = 0; c < format.ChannelCount; ++c) {
    if (format.Channels[c] == channel) return true;
  }
  return false;
}

struct WriteState {
  std::vector<BYTE>* File;
  std::string Error;
};

void AppendToFile(png_structp png, png_bytep data, size_t length) {
  auto* state = static_cast<WriteState*>(png_get_io_ptr(png));
  try {
    state->File->insert(state->File->end(), data, data + length);
  } catch (const std::bad_alloc&) {
    png_error(png, "out of memory");
  }
}

void FlushNothing(png_structp) {}

void OnError(png_structp png, png_const_charp message) {
  static_cast<WriteState*>(png_get_error_ptr(png))->Error = message;
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

}  // namespace

HRESULT PngFrameEncode::Create(std::shared_ptr<EncodedFrame> result, IWICBitmapFrameEncode** frame) {
  *frame = new (std::nothrow) PngFrameEncode(std::move(result));
  return *frame != nullptr ? S_OK : E_OUTOFMEMORY;
}

// Windows' PNG encoder answers the nearest format it writes rather than refusing one: grey stays grey,
// anything with alpha (or unknown) becomes BGRA, the rest BGR, at 16 bits per channel when asked for more than 8.
const GUID& PngFrameEncode::NearestPngFormat(REFWICPixelFormatGUID requested) {
  if (FindLayout(requested) != nullptr) return requested;
  const PixelFormat* format = FindPixelFormat(requested);
  if (format == nullptr) return GUID_WICPixelFormat32bppBGRA;
  const bool deep = format->BitsPerChannel > 8;
  if (format->ChannelCount == 1 && format->Channels[0] == Channel::Gray) {
    return deep ? GUID_WICPixelFormat16bppGray : GUID_WICPixelFormat8bppGray;
  }
  if (Has(*format, Channel::Alpha) || format->IsIndexed()) {
    return deep ? GUID_WICPixelFormat64bppRGBA : GUID_WICPixelFormat32bppBGRA;
  }
  return deep ? GUID_WICPixelFormat48bppRGB : GUID_WICPixelFormat24bppBGR;
}

HRESULT PngFrameEncode::Initialize(IPropertyBag2*) {
  std::lock_guard lock(mutex_);
  if (initialized_) {
    return Fail("IWICBitmapFrameEncode::Initialize", WINCODEC_ERR_WRONGSTATE, "the frame is already initialized");
  }
  initialized_ = true;
  return S_OK;
}

HRESULT PngFrameEncode::SetSize(UINT width, UINT height) {
  constexpr const char* kCall = "IWICBitmapFrameEncode::SetSize";
  std::lock_guard lock(mutex_);
  if (!initialized_) {
    return Fail(kCall, WINCODEC_ERR_NOTINITIALIZED, "the frame has not been initialized");
  }
  if (linesWritten_ > 0 || committed_) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE, "pixels have been written already");
  }
  // PNG's limit on either side is 2^31 - 1; libpng's own default stops at a million.
  if (width == 0 || height == 0 || width > 1000000 || height > 1000000) {
    return Fail(kCall, E_INVALIDARG, std::to_string(width) + " x " + std::to_string(height) + " is not a PNG size");
  }
  width_ = width;
  height_ = height;
  return S_OK;
}

HRESULT PngFrameEncode::SetResolution(double dpiX, double dpiY) {
  constexpr const char* kCall = "IWICBitmapFrameEncode::SetResolution";
  std::lock_guard lock(mutex_);
  if (!initialized_) {
    return Fail(kCall, WINCODEC_ERR_NOTINITIALIZED, "the frame has not been initialized");
  }
  if (!(dpiX > 0) || !(dpiY > 0) || !std::isfinite(dpiX) || !std::isfinite(dpiY)) {
    return Fail(kCall, E_INVALIDARG, "a resolution must be positive");
  }
  dpiX_ = dpiX;
  dpiY_ = dpiY;
  return S_OK;
}

HRESULT PngFrameEncode::SetPixelFormat(WICPixelFormatGUID* pixelFormat) {
  constexpr const char* kCall = "IWICBitmapFrameEncode::SetPixelFormat";
  if (pixelFormat == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null pixel format pointer");
  }
  std::lock_guard lock(mutex_);
  if (!initialized_) {
    return Fail(kCall, WINCODEC_ERR_NOTINITIALIZED, "the frame has not been initialized");
  }
  if (linesWritten_ > 0 || committed_) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE, "pixels have been written already");
  }
  *pixelFormat = NearestPngFormat(*pixelFormat);
  format_ = FindPixelFormat(*pixelFormat);
  return S_OK;
}

HRESULT PngFrameEncode::RequireReadyForPixels(const char* call) const {
  if (!initialized_) {
    return Fail(call, WINCODEC_ERR_NOTINITIALIZED, "the frame has not been initialized");
  }
  if (committed_) {
    return Fail(call, WINCODEC_ERR_WRONGSTATE, "the frame has been committed already");
  }
  if (width_ == 0 || format_ == nullptr) {
    return Fail(call, WINCODEC_ERR_WRONGSTATE, "SetSize and SetPixelFormat come before the pixels");
  }
  return S_OK;
}

HRESULT PngFrameEncode::WritePixels(UINT lineCount, UINT stride, UINT bufferSize, BYTE* pixels) {
  constexpr const char* kCall = "IWICBitmapFrameEncode::WritePixels";
  std::lock_guard lock(mutex_);
  HRESULT hr = RequireReadyForPixels(kCall);
  if (FAILED(hr) || lineCount == 0) {
    return hr;
  }
  const UINT64 rowBytes = RowBytes();
  if (pixels == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null pixels");
  }
  if (stride < rowBytes) {
    return Fail(
        kCall, E_INVALIDARG,
        "stride " + std::to_string(stride) + " is shorter than a row of " + std::to_string(rowBytes) + " bytes");
  }
  if (UINT64{stride} * (lineCount - 1) + rowBytes > bufferSize) {
    return Fail(kCall, E_INVALIDARG,
                std::to_string(bufferSize) + " bytes do not hold " + std::to_string(lineCount) + " rows");
  }
  if (lineCount > height_ - linesWritten_) {
    return Fail(kCall, WINCODEC_ERR_CODECTOOMANYSCANLINES,
                std::to_string(linesWritten_) + " of " + std::to_string(height_) + " rows written, " +
                    std::to_string(lineCount) + " more given");
  }
  try {
    pixels_.resize(rowBytes * height_);
  } catch (const std::bad_alloc&) {
    return Fail(kCall, E_OUTOFMEMORY, "out of memory for the frame's pixels");
  }
  for (UINT line = 0; line < lineCount; ++line) {
    std::memcpy(pixels_.data() + rowBytes * (linesWritten_ + line), pixels + UINT64{stride} * line, rowBytes);
  }
  linesWritten_ += lineCount;
  return S_OK;
}

// The source's rows through the format converter, so that any readable source lands in the frame's format.
// Without SetSize or SetPixelFormat the frame takes the rectangle's size and the source's format.
HRESULT PngFrameEncode::WriteSource(IWICBitmapSource* source, WICRect* rect) {
  constexpr const char* kCall = "IWICBitmapFrameEncode::WriteSource";
  if (source == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null source");
  }
  UINT sourceWidth = 0, sourceHeight = 0;
  WICPixelFormatGUID sourceFormat{};
  HRESULT hr = source->GetSize(&sourceWidth, &sourceHeight);
  if (SUCCEEDED(hr)) hr = source->GetPixelFormat(&sourceFormat);
  if (FAILED(hr)) return hr;
  const WICRect whole{0, 0, static_cast<INT>(sourceWidth), static_cast<INT>(sourceHeight)};
  const WICRect area = rect != nullptr ? *rect : whole;
  {
    std::lock_guard lock(mutex_);
    if (width_ == 0 && initialized_ && area.Width > 0 && area.Height > 0) {
      width_ = static_cast<UINT>(area.Width);
      height_ = static_cast<UINT>(area.Height);
    }
    if (format_ == nullptr && initialized_) {
      format_ = FindPixelFormat(NearestPngFormat(sourceFormat));
    }
    hr = RequireReadyForPixels(kCall);
    if (FAILED(hr)) return hr;
    if (area.Width != static_cast<INT>(width_)) {
      return Fail(
          kCall, WINCODEC_ERR_SOURCERECTDOESNOTMATCHDIMENSIONS,
          "a rectangle " + std::to_string(area.Width) + " wide for a frame " + std::to_string(width_) + " wide");
    }
  }
  IWICFormatConverter* converter = nullptr;
  hr = FormatConverter::Create(&converter);
  if (FAILED(hr)) return hr;
  hr = converter->Initialize(source, *format_->Guid, WICBitmapDitherTypeNone, nullptr, 0.0, WICBitmapPaletteTypeCustom);
  std::vector<BYTE> rows;
  const UINT64 rowBytes = RowBytes();
  if (SUCCEEDED(hr) && area.Height > 0) {
    try {
      rows.resize(rowBytes * static_cast<UINT64>(area.Height));
    } catch (const std::bad_alloc&) {
      converter->Release();
      return Fail(kCall, E_OUTOFMEMORY, "out of memory for the source's pixels");
    }
    hr = converter->CopyPixels(&area, static_cast<UINT>(rowBytes), static_cast<UINT>(rows.size()), rows.data());
  }
  converter->Release();
  if (FAILED(hr) || area.Height <= 0) return hr;
  return WritePixels(static_cast<UINT>(area.Height), static_cast<UINT>(rowBytes), static_cast<UINT>(rows.size()),
                     rows.data());
}

HRESULT PngFrameEncode::Commit() {
  constexpr const char* kCall = "IWICBitmapFrameEncode::Commit";
  std::lock_guard lock(mutex_);
  HRESULT hr = RequireReadyForPixels(kCall);
  if (FAILED(hr)) return hr;
  if (linesWritten_ != height_) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE,
                std::to_string(linesWritten_) + " of the frame's " + std::to_string(height_) + " rows written");
  }
  std::vector<BYTE> file;
  hr = Encode(file);
  if (FAILED(hr)) return hr;
  result_->File = std::move(file);
  result_->Committed = true;
  committed_ = true;
  pixels_ = {};
  return S_OK;
}

namespace {

// Everything libpng does between its setjmp and the end, apart, so that no local of the caller lives across
// the jump. False (with libpng's message in the state) when libpng gave up.
bool WritePng(png_structp png, png_infop info, const PngLayout* layout, UINT width, UINT height, double dpiX,
              double dpiY, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png)) != 0) {
    return false;
  }
  png_set_IHDR(png, info, width, height, layout->BitDepth, layout->ColorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (dpiX > 0) {
    png_set_pHYs(png, info, static_cast<png_uint_32>(std::lround(dpiX * kInchesPerMetre)),
                 static_cast<png_uint_32>(std::lround(dpiY * kInchesPerMetre)), PNG_RESOLUTION_METER);
  }
  png_write_info(png, info);
  if (layout->Bgr) png_set_bgr(png);
  if (layout->Filler) png_set_filler(png, 0, PNG_FILLER_AFTER);
  if (layout->BitDepth == 16) png_set_swap(png);
  png_write_image(png, rows);
  png_write_end(png, info);
  return true;
}

}  // namespace

HRESULT PngFrameEncode::Encode(std::vector<BYTE>& file) const {
  WriteState state{&file, {}};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, OnError, OnWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr) {
    png_destroy_write_struct(&png, nullptr);
    return Fail("IWICBitmapFrameEncode::Commit", E_OUTOFMEMORY, "out of memory");
  }
  std::vector<png_bytep> rows(height_);
  for (UINT y = 0; y < height_; ++y) {
    rows[y] = const_cast<BYTE*>(pixels_.data()) + RowBytes() * y;
  }
  png_set_write_fn(png, &state, AppendToFile, FlushNothing);
  const bool written = WritePng(png, info, FindLayout(*format_->Guid), width_, height_, dpiX_, dpiY_, rows.data());
  png_destroy_write_struct(&png, &info);
  if (!written) {
    return Fail("IWICBitmapFrameEncode::Commit", E_FAIL, "libpng cannot write the frame: " + state.Error);
  }
  return S_OK;
}

// Outside the subset: colour contexts, palettes (no indexed output), thumbnails and metadata.

HRESULT PngFrameEncode::SetColorContexts(UINT, IWICColorContext**) {
  return NotImplemented("IWICBitmapFrameEncode::SetColorContexts");
}

HRESULT PngFrameEncode::SetPalette(IWICPalette*) { return NotImplemented("IWICBitmapFrameEncode::SetPalette"); }

HRESULT PngFrameEncode::SetThumbnail(IWICBitmapSource*) {
  return NotImplemented("IWICBitmapFrameEncode::SetThumbnail");
}

HRESULT PngFrameEncode::GetMetadataQueryWriter(IWICMetadataQueryWriter**) {
  return NotImplemented("IWICBitmapFrameEncode::GetMetadataQueryWriter");
}

}  // namespace wic
