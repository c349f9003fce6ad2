// IWICStream over memory the caller owns (InitializeFromMemory), so that image files held in memory, such
// as textures embedded in a model file, reach CreateDecoderFromStream. The bytes are not copied: they must
// outlive the stream, as on Windows. Writes stay inside the buffer; the stream never grows.
// Or over a file (InitializeFromFilename): one opened for reading is read whole into memory the stream owns;
// one opened for writing, which an encoder fills, takes writes anywhere up to its end and grows.
#pragma once

#include "platform_common/ComObject.h"

#include <wincodec.h>

#include <mutex>
#include <vector>

namespace wic {

class MemoryStream final : public platform::ComObject<IWICStream, IStream, ISequentialStream> {
 public:
  static HRESULT Create(IWICStream** stream);

  // ISequentialStream
  HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* readCount) override;
  HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* writtenCount) override;

  // IStream
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override;
  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER count, ULARGE_INTEGER* readCount,
                                   ULARGE_INTEGER* writtenCount) override;
  HRESULT STDMETHODCALLTYPE Commit(DWORD commitFlags) override;
  HRESULT STDMETHODCALLTYPE Revert() override;
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
  HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD statFlag) override;
  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override;

  // IWICStream
  HRESULT STDMETHODCALLTYPE InitializeFromIStream(IStream* stream) override;
  HRESULT STDMETHODCALLTYPE InitializeFromFilename(LPCWSTR fileName, DWORD desiredAccess) override;
  HRESULT STDMETHODCALLTYPE InitializeFromMemory(BYTE* buffer, DWORD size) override;
  HRESULT STDMETHODCALLTYPE InitializeFromIStreamRegion(IStream* stream, ULARGE_INTEGER offset,
                                                        ULARGE_INTEGER maxSize) override;

 private:
  MemoryStream() = default;
  ~MemoryStream() override;

  bool Initialized() const { return memory_ != nullptr || file_ >= 0; }
  // The stream's length: the memory's, or what has been written to the file.
  UINT64 Size() const { return file_ >= 0 ? fileSize_ : size_; }

  HRESULT RequireInitialized(const char* call) const;
  HRESULT WriteToFile(const void* buffer, ULONG count, ULONG* writtenCount);

  std::mutex mutex_;  // position_ moves under Read, Write and Seek from any thread
  BYTE* memory_ = nullptr;
  DWORD size_ = 0;
  DWORD position_ = 0;
  std::vector<BYTE> owned_;  // a file opened for reading
  int file_ = -1;            // a file opened for writing
  DWORD fileSize_ = 0;
};

}  // namespace wic
