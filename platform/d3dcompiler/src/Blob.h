// ID3DBlob: a reference-counted, fixed-size byte buffer, the currency of the compiler and the
// Direct3D 12 layer (shader byte code, serialized root signatures, error text).
#pragma once

#include <d3dcompiler.h>

#include <atomic>
#include <cstddef>
#include <memory>
#include <string_view>

namespace d3dcompiler {

class Blob final : public ID3DBlob {
 public:
  explicit Blob(SIZE_T size);

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  LPVOID STDMETHODCALLTYPE GetBufferPointer() override;
  SIZE_T STDMETHODCALLTYPE GetBufferSize() override;

 private:
  ~Blob() = default;  // only Release deletes

  std::atomic<ULONG> references_{1};
  SIZE_T size_;
  std::unique_ptr<std::byte[]> bytes_;
};

// A new blob holding a copy of `size` bytes at `data`; E_OUTOFMEMORY if it cannot be allocated.
HRESULT CreateBlobWithBytes(const void* data, SIZE_T size, ID3DBlob** blob);

// A new blob holding `text` followed by a terminating zero, counted in the size as the Windows compiler
// does for its messages.
HRESULT CreateTextBlob(std::string_view text, ID3DBlob** blob);

}  // namespace d3dcompiler
