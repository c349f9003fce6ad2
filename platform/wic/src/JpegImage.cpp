#include "JpegImage.h"

#include "Diagnostics.h"

#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE and size_t declared first
#include <utility>

// The Windows headers already define INT32 (as int); XMD_H keeps jmorecfg.h from redefining it as long.
// libjpeg-turbo uses INT32 in no structure or function of its interface.
#define XMD_H
#include <jpeglib.h>

#include <jerror.h>

namespace wic {
namespace {

constexpr BYTE kMarkerPrefix = 0xFF;
constexpr BYTE kStartOfImage = 0xD8;
constexpr double kCentimetresPerInch = 2.54;

// JFIF density units: 1 dots per inch, 2 dots per centimetre; 0 gives only the aspect ratio.
constexpr UINT8 kDotsPerInch = 1;
constexpr UINT8 kDotsPerCentimetre = 2;

// libjpeg's error manager, extended with the place its errors jump back to.
struct ErrorManager {
  jpeg_error_mgr Base;
  std::jmp_buf Jump;
  std::string Message;
  // Stray bytes inside the image data mean the scan did not decode as written; before it, some cameras
  // pad between markers and the file is fine.
  bool InImageData = false;
};

[[noreturn]] void OnError(j_common_ptr jpeg) {
  auto* errors = reinterpret_cast<ErrorManager*>(jpeg->err);
  char text[JMSG_LENGTH_MAX];
  jpeg->err->format_message(jpeg, text);
  errors->Message = text;
  std::longjmp(errors->Jump, 1);
}

bool IsDamageWarning(int messageCode, bool inImageData) {
  switch (messageCode) {
    case JWRN_EXTRANEOUS_DATA:
      return inImageData;
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
      return true;
    default:
      return false;
  }
}

// libjpeg only warns about data cut short or damaged inside a scan and goes on with made-up samples; such a
// file fails instead. Other warnings (unknown JFIF versions, padding between header markers) change no
// pixel and pass silently, like trace messages.
void OnMessage(j_common_ptr jpeg, int level) {
  if (level < 0 && IsDamageWarning(jpeg->err->msg_code, reinterpret_cast<ErrorManager*>(jpeg->err)->InImageData)) {
    OnError(jpeg);
  }
}

const ContainerFacts kJpegContainer = {GUID_ContainerFormatJpeg, "JPEG files have no palette",
                                       "JPEG files have no preview", "the decoder reads no JPEG thumbnails"};

}  // namespace

struct JpegImage::Decompressor {
  jpeg_decompress_struct Info{};
  ErrorManager Errors{};
  bool Created = false;

  Decompressor() {
    Info.err = jpeg_std_error(&Errors.Base);
    Errors.Base.error_exit = OnError;
    Errors.Base.emit_message = OnMessage;
  }
  ~Decompressor() {
    if (Created) {
      jpeg_destroy_decompress(&Info);
    }
  }
  Decompressor(const Decompressor&) = delete;
  Decompressor& operator=(const Decompressor&) = delete;

  // libjpeg reports errors by jumping back into these two, so they hold nothing that needs destroying.
  bool ReadHeader(const BYTE* bytes, size_t size) {
    if (setjmp(Errors.Jump) != 0) {
      return false;
    }
    jpeg_create_decompress(&Info);
    Created = true;
    jpeg_mem_src(&Info, bytes, static_cast<unsigned long>(size));
    jpeg_read_header(&Info, TRUE);
    return true;
  }

  bool Decode(BYTE* pixels, UINT64 rowBytes) {
    if (setjmp(Errors.Jump) != 0) {
      return false;
    }
    Errors.InImageData = true;
    jpeg_start_decompress(&Info);
    while (Info.output_scanline < Info.output_height) {
      JSAMPROW row = pixels + rowBytes * Info.output_scanline;
      jpeg_read_scanlines(&Info, &row, 1);
    }
    jpeg_finish_decompress(&Info);
    return true;
  }
};

bool JpegImage::HasSignature(const std::vector<BYTE>& fileBytes) {
  return fileBytes.size() >= 3 && fileBytes[0] == kMarkerPrefix && fileBytes[1] == kStartOfImage &&
         fileBytes[2] == kMarkerPrefix;
}

HRESULT JpegImage::Open(const char* call, std::string fileName, std::vector<BYTE> fileBytes,
                        std::shared_ptr<Image>& image) {
  return OpenAs<JpegImage>(call, std::move(fileName), std::move(fileBytes), image);
}

JpegImage::JpegImage(std::string fileName, std::vector<BYTE> fileBytes)
    : Image(std::move(fileName), std::move(fileBytes)), jpeg_(std::make_unique<Decompressor>()) {}

JpegImage::~JpegImage() = default;

const ContainerFacts& JpegImage::Container() const { return kJpegContainer; }

HRESULT JpegImage::ReadHeader(const char* call) {
  if (!HasSignature(fileBytes_)) {
    return Fail(call, WINCODEC_ERR_COMPONENTNOTFOUND, Quoted(fileName_) + " is not a JPEG file");
  }
  if (!jpeg_->ReadHeader(fileBytes_.data(), fileBytes_.size())) {
    return Fail(call, WINCODEC_ERR_BADHEADER, Quoted(fileName_) + ": damaged JPEG header: " + jpeg_->Errors.Message);
  }
  const HRESULT hr = ChooseFormat(call);
  if (SUCCEEDED(hr)) {
    ReadResolution();
  }
  return hr;
}

HRESULT JpegImage::ChooseFormat(const char* call) {
  jpeg_decompress_struct& info = jpeg_->Info;
  switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
      info.out_color_space = JCS_GRAYSCALE;
      format_ = FindPixelFormat(GUID_WICPixelFormat8bppGray);
      break;
    case JCS_YCbCr:
    case JCS_RGB:
      info.out_color_space = JCS_EXT_BGR;
      format_ = FindPixelFormat(GUID_WICPixelFormat24bppBGR);
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      info.out_color_space = JCS_CMYK;
      format_ = FindPixelFormat(GUID_WICPixelFormat32bppCMYK);
      break;
    default:
      return Fail(call, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT,
                  Quoted(fileName_) + ": " + std::to_string(info.num_components) +
                      " colour components in no layout a decoder knows");
  }
  width_ = info.image_width;
  height_ = info.image_height;
  if (format_ == nullptr) {
    return Fail(call, WINCODEC_ERR_INTERNALERROR, Quoted(fileName_) + ": no pixel format for the decoded samples");
  }
  return S_OK;
}

// Windows reports 96 DPI unless the JFIF header states a density in inches or centimetres.
void JpegImage::ReadResolution() {
  const jpeg_decompress_struct& info = jpeg_->Info;
  if (!info.saw_JFIF_marker || info.X_density == 0 || info.Y_density == 0) {
    return;
  }
  if (info.density_unit == kDotsPerInch) {
    dpiX_ = info.X_density;
    dpiY_ = info.Y_density;
  } else if (info.density_unit == kDotsPerCentimetre) {
    dpiX_ = info.X_density * kCentimetresPerInch;
    dpiY_ = info.Y_density * kCentimetresPerInch;
  }
}

HRESULT JpegImage::DecodePixels(BYTE* pixels, std::string& problem) {
  if (!jpeg_->Decode(pixels, RowBytes())) {
    problem = "damaged image data: " + jpeg_->Errors.Message;
    return WINCODEC_ERR_BADIMAGE;
  }
  if (format_->IsInk() && jpeg_->Info.saw_Adobe_marker) {
    FlipAdobeInk(pixels);
  }
  // Everything the image needs is decoded; libjpeg's state is no longer needed.
  jpeg_.reset();
  return S_OK;
}

// Photoshop, and libjpeg when it writes CMYK, store 255 - ink, marking such files with an Adobe marker.
void JpegImage::FlipAdobeInk(BYTE* pixels) {
  const UINT64 sampleCount = RowBytes() * height_;
  for (UINT64 i = 0; i < sampleCount; ++i) {
    pixels[i] = static_cast<BYTE>(255 - pixels[i]);
  }
}

}  // namespace wic
