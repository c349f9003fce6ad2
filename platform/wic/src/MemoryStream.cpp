#include "MemoryStream.h"

#include "Diagnostics.h"
#include "FileAccess.h"
#include "platform_common/UnicodeText.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace wic {

HRESULT MemoryStream::Create(IWICStream** stream) {
  *stream = new (std::nothrow) MemoryStream();
  return *stream != nullptr ? S_OK : E_OUTOFMEMORY;
}

MemoryStream::~MemoryStream() {
  if (file_ >= 0) {
    close(file_);
  }
}

HRESULT MemoryStream::RequireInitialized(const char* call) const {
  return Initialized() ? S_OK : Fail(call, WINCODEC_ERR_NOTINITIALIZED, "the stream has not been initialized");
}

HRESULT MemoryStream::InitializeFromFilename(LPCWSTR fileName, DWORD desiredAccess) {
  constexpr const char* kCall = "IWICStream::InitializeFromFilename";
  if (fileName == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null file name");
  }
  const bool reading = (desiredAccess & static_cast<DWORD>(GENERIC_READ)) != 0;
  const bool writing = (desiredAccess & static_cast<DWORD>(GENERIC_WRITE)) != 0;
  if (reading == writing) {
    return Fail(kCall, E_INVALIDARG, "the access must be GENERIC_READ or GENERIC_WRITE, not both or neither");
  }
  std::lock_guard lock(mutex_);
  if (Initialized()) {
    return Fail(kCall, WINCODEC_ERR_WRONGSTATE, "the stream is already initialized");
  }
  const std::string name = platform::Utf8FromWide(fileName);
  if (writing) {
    return CreateFileForWriting(kCall, name, file_);
  }
  try {
    const HRESULT hr = ReadWholeFile(kCall, name, owned_);
    if (FAILED(hr)) {
      return hr;
    }
  } catch (const std::bad_alloc&) {
    return Fail(kCall, E_OUTOFMEMORY, Quoted(name) + ": out of memory");
  }
  // An empty file still makes an initialized stream, of no bytes.
  owned_.reserve(1);
  memory_ = owned_.data();
  size_ = static_cast<DWORD>(owned_.size());
  position_ = 0;
  return S_OK;
}

HRESULT MemoryStream::InitializeFromMemory(BYTE* buffer, DWORD size) {
  constexpr const char* kCall = "IWICStream::InitializeFromMemory";
  if (buffer == nullptr) {
    return Fail(kCall, E_INVALIDARG, "null buffer");
  }
  std::lock_guard lock(mutex_);
  if (Initialized()) {
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
  if (file_ >= 0) {
    return Fail(kCall, STG_E_ACCESSDENIED, "the stream's file was opened for writing");
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
  if (file_ >= 0) {
    return WriteToFile(buffer, count, writtenCount);
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
      base = Size();
      break;
    default:
      return Fail(kCall, STG_E_INVALIDFUNCTION, "unknown origin " + std::to_string(origin));
  }
  // The offset is at most 2^63 in size, so comparing before adding cannot overflow.
  const INT64 offset = move.QuadPart;
  const INT64 size = static_cast<INT64>(Size());
  if (offset < -base || offset > size - base) {
    return Fail(kCall, E_INVALIDARG,
                "position " + std::to_string(base) + " + " + std::to_string(offset) + " is outside the " +
                    std::to_string(size) + "-byte stream");
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
  status->cbSize.QuadPart = Size();
  return S_OK;
}

HRESULT MemoryStream::WriteToFile(const void* buffer, ULONG count, ULONG* writtenCount) {
  if (count > std::numeric_limits<DWORD>::max() - position_) {
    return Fail("IStream::Write", STG_E_MEDIUMFULL, "the file would outgrow 4 GiB");
  }
  const auto* bytes = static_cast<const BYTE*>(buffer);
  for (ULONG done = 0; done < count;) {
    const ssize_t written = pwrite(file_, bytes + done, count - done, static_cast<off_t>(position_) + done);
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      return Fail("IStream::Write", errno == ENOSPC ? STG_E_MEDIUMFULL : STG_E_WRITEFAULT,
                  std::string("writing the file failed: ") + std::strerror(errno));
    }
    done += static_cast<ULONG>(written);
  }
  position_ += count;
  fileSize_ = std::max(fileSize_, position_);
  if (writtenCount != nullptr) {
    *writtenCount = count;
  }
  return S_OK;
}

// Everything below is outside the subset this platform offers: the stream is a fixed window on memory.

HRESULT MemoryStream::SetSize(ULARGE_INTEGER) { return NotImplemented("IStream::SetSize"); }

HRESULT MemoryStream::CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) {
  return NotImplemented("IStream::CopyTo");
}

// Writes reach the file at once, so there is nothing to commit; memory has nothing to commit either.
HRESULT MemoryStream::Commit(DWORD) {
  std::lock_guard lock(mutex_);
  return RequireInitialized("IStream::Commit");
}

HRESULT MemoryStream::Revert() { return NotImplemented("IStream::Revert"); }

HRESULT MemoryStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return NotImplemented("IStream::LockRegion");
}

HRESULT MemoryStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) {
  return NotImplemented("IStream::UnlockRegion");
}

HRESULT MemoryStream::Clone(IStream**) { return NotImplemented("IStream::Clone"); }

HRESULT MemoryStream::InitializeFromIStream(IStream*) { return NotImplemented("IWICStream::InitializeFromIStream"); }

HRESULT MemoryStream::InitializeFromIStreamRegion(IStream*, ULARGE_INTEGER, ULARGE_INTEGER) {
  return NotImplemented("IWICStream::InitializeFromIStreamRegion");
}

}  // namespace wic
