#include "PngEncoder.h"

#include "Diagnostics.h"

#include <new>

namespace wic {

HRESULT PngEncoder::Create(IWICBitmapEncoder** encoder) {
  *encoder = new (std::nothrow) PngEncoder();
  return *encoder != nullptr ? S_OK : E_OUTOFMEMORY;
}

PngEncoder::~PngEncoder() {
  if (stream_ != nullptr) {
    stream_->Release();
  }
}

// Every cache option gives the same result here: the file is made in memory and written at Commit.
HRESULT PngEncoder::Initialize(IStream* stream, WICBitmapEncoderCacheOption cacheOption) {
  constexpr const char* kCall = "IWICBitmapEncoder::Initialize";
  if (stream == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null stream");
  }
  if (cacheOption != WICBitmapEncoderCacheInMemory && cacheOption != WICBitmapEncoderCacheTempFile &&
      cacheOption != WICBitmapEncoderNoCache) {
    return Fail(kCall, E_INVALIDARG, "unknown cache option " + std::to_string(cacheOption));
  }
  std::lock_guard lock(mutex_);
  if (stream_ != nullptr) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE, "the encoder is already initialized");
  }
  stream->AddRef();
  stream_ = stream;
  return S_OK;
}

HRESULT PngEncoder::GetContainerFormat(GUID* containerFormat) {
  if (containerFormat == nullptr) {
    return Fail("IWICBitmapEncoder::GetContainerFormat", E_INVALIDARG, "null GUID pointer");
  }
  *containerFormat = GUID_ContainerFormatPng;
  return S_OK;
}

HRESULT PngEncoder::CreateNewFrame(IWICBitmapFrameEncode** frame, IPropertyBag2** options) {
  constexpr const char* kCall = "IWICBitmapEncoder::CreateNewFrame";
  if (frame == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null frame pointer");
  }
  *frame = nullptr;
  // No encoder options here: the frame's Initialize takes the null bag.
  if (options != nullptr) {
    *options = nullptr;
  }
  std::lock_guard lock(mutex_);
  if (stream_ == nullptr) {
    return Fail(kCall, WINCODEC_ERR_NOTINITIALIZED, "the encoder has not been initialized");
  }
  if (frame_ != nullptr) {
    return Fail(kCall, WINCODEC_ERR_UNSUPPORTEDOPERATION, "a PNG file holds one frame");
  }
  try {
    frame_ = std::make_shared<EncodedFrame>();
  } catch (const std::bad_alloc&) {
    return Fail(kCall, E_OUTOFMEMORY, "out of memory");
  }
  return PngFrameEncode::Create(frame_, frame);
}

HRESULT PngEncoder::Commit() {
  constexpr const char* kCall = "IWICBitmapEncoder::Commit";
  std::lock_guard lock(mutex_);
  if (stream_ == nullptr) {
    return Fail(kCall, WINCODEC_ERR_NOTINITIALIZED, "the encoder has not been initialized");
  }
  if (committed_) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE, "the encoder has been committed already");
  }
  if (frame_ == nullptr || !frame_->Committed) {
    return Fail(kCall, WINCODEC_ERR_FRAMEMISSING, "the frame has not been committed");
  }
  const std::vector<BYTE>& file = frame_->File;
  for (size_t done = 0; done < file.size();) {
    const ULONG count = static_cast<ULONG>(std::min<size_t>(file.size() - done, 1u << 30));
    ULONG written = 0;
    const HRESULT hr = stream_->Write(file.data() + done, count, &written);
    if (FAILED(hr)) {
      return hr;  // the stream has said why
    }
    if (written == 0) {
      return Fail(kCall, WINCODEC_ERR_STREAMWRITE, "the stream took no bytes");
    }
    done += written;
  }
  committed_ = true;
  return S_OK;
}

// Outside the subset: PNG thumbnails, previews, palettes, colour contexts and metadata.

HRESULT PngEncoder::GetEncoderInfo(IWICBitmapEncoderInfo**) {
  return NotImplemented("IWICBitmapEncoder::GetEncoderInfo");
}

HRESULT PngEncoder::SetColorContexts(UINT, IWICColorContext**) {
  return NotImplemented("IWICBitmapEncoder::SetColorContexts");
}

HRESULT PngEncoder::SetPalette(IWICPalette*) { return NotImplemented("IWICBitmapEncoder::SetPalette"); }

HRESULT PngEncoder::SetThumbnail(IWICBitmapSource*) { return NotImplemented("IWICBitmapEncoder::SetThumbnail"); }

HRESULT PngEncoder::SetPreview(IWICBitmapSource*) { return NotImplemented("IWICBitmapEncoder::SetPreview"); }

HRESULT PngEncoder::GetMetadataQueryWriter(IWICMetadataQueryWriter**) {
  return NotImplemented("IWICBitmapEncoder::GetMetadataQueryWriter");
}

}  // namespace wic
