#include "MemoryStream.h"

#include "Diagnostics.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

namespace wic {

HRESULT MemoryStream::Create(IWICStream** stream) {
  *stream = new (std::nothrow) MemoryStream();
  return *stream != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT MemoryStream::RequireInitialized(const char* call) const {
  return memory_ != nullptr ? S_OK : Fail(call, WINCODEC_ERR_NOTINITIALIZED, "the stream has not been initialized");
}

HRESULT MemoryStream::InitializeFromMemory(BYTE* buffer, DWORD size) {
  constexpr const char* kCall = "IWICStream::InitializeFromMemory";
  if (buffer == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null buffer");
  }
  std::lock_guard lock(mutex_);
  if (memory_ != nullptr) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE, "the stream is already initialized");
  }
  memory_ = buffer;
  size_ = size;
  position_ = 0;
  return S_OK;
}

// Reading past the end is not an error: the count read says how much there was.
HRESULT MemoryStream::Read(void* buffer, ULONG count, ULONG* readCount) {
  constexpr const char* kCall = "IStream::Read";
  if (buffer == nullptr) {
    return Fail(kCall, STG_E_INVALIDPOINTER, "null buffer");
  }
  std::lock_guard lock(mutex_);
  const HRESULT hr = RequireInitialized(kCall);
  if (FAILED(hr)) {
    return hr;
  }
  const DWORD copied = std::min<DWORD>(count, size_ - position_);
  std::memcpy(buffer, memory_ + position_, copied);
  position_ += copied;
  if (readCount != nullptr) {
    *readCount = copied;
  }
  return S_OK;
}

HRESULT MemoryStream::Write(const void* buffer, ULONG count, ULONG* writtenCount) {
  constexpr const char* kCall = "IStream::Write";
  if (buffer == nullptr) {
    return Fail(kCall, STG_E_INVALIDPOINTER, "null buffer");
  }
  std::lock_guard lock(mutex_);
  HRESULT hr = RequireInitialized(kCall);
  if (FAILED(hr)) {
    return hr;
  }
  if (count > size_ - position_) {
    return Fail(kCall, STG_E_MEDIUMFULL,
                std::to_string(count) + " bytes do not fit in the " + std::to_string(size_ - position_) +
                    " left in the stream's memory");
  }
  std::memcpy(memory_ + position_, buffer, count);
  position_ += count;
  if (writtenCount != nullptr) {
    *writtenCount = count;
  }
  return S_OK;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
  constexpr const char* kCall = "IStream::Seek";
  std::lock_guard lock(mutex_);
  const HRESULT hr = RequireInitialized(kCall);
  if (FAILED(hr)) {
    return hr;
  }
  INT64 base = 0;
  switch (origin) {
    case STREAM_SEEK_SET:
      break;
    case STREAM_SEEK_CUR:
      base = position_;
      break;
    case STREAM_SEEK_END:
      base = size_;
      break;
    default:
      return Fail(kCall, STG_E_INVALIDFUNCTION, "unknown origin " + std::to_string(origin));
  }
  // The offset is at most 2^63 in size, so comparing before adding cannot overflow.
  const INT64 offset = move.QuadPart;
  if (offset < -base || offset > INT64{size_} - base) {
    return Fail(kCall, E_INVALIDARG,
                "position " + std::to_string(base) + " + " + std::to_string(offset) + " is outside the " +
                    std::to_string(size_) + "-byte stream");
  }
  position_ = static_cast<DWORD>(base + offset);
  if (newPosition != nullptr) {
    newPosition->QuadPart = position_;
  }
  return S_OK;
}

HRESULT MemoryStream::Stat(STATSTG* status, DWORD) {
  constexpr const char* kCall = "IStream::Stat";
  if (status == nullptr) {
    return Fail(kCall, STG_E_INVALIDPOINTER, "null status pointer");
  }
  std::lock_guard lock(mutex_);
  const HRESULT hr = RequireInitialized(kCall);
  if (FAILED(hr)) {
    return hr;
  }
  *status = STATSTG{};
  status->type = STGTY_STREAM;
  status->cbSize.QuadPart = size_;
  return S_OK;
}

// Everything below is outside the subset this platform offers: the stream is a fixed window on memory.

HRESULT MemoryStream::SetSize(ULARGE_INTEGER) { return NotImplemented("IStream::SetSize"); }

HRESULT MemoryStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return NotImplemented("IStream::CopyTo");
}

HRESULT MemoryStream::Commit(DWORD) { return NotImplemented("IStream::Commit"); }

HRESULT MemoryStream::Revert() { return NotImplemented("IStream::Revert"); }

HRESULT MemoryStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return NotImplemented("IStream::LockRegion");
}

HRESULT MemoryStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return NotImplemented("IStream::UnlockRegion");
}

HRESULT MemoryStream::Clone(IStream**) { return NotImplemented("IStream::Clone"); }

HRESULT MemoryStream::InitializeFromIStream(IStream*) { return NotImplemented("IWICStream::InitializeFromIStream"); }

HRESULT MemoryStream::InitializeFromFilename(LPCWSTR, DWORD) {
  return NotImplemented("IWICStream::InitializeFromFilename");
}

HRESULT MemoryStream::InitializeFromIStreamRegion(IStream*, ULARGE_INTEGER, ULARGE_INTEGER) {
  return NotImplemented("IWICStream::InitializeFromIStreamRegion");
}

}  // namespace wic
