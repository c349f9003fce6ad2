#include "Blob.h"

#include "platform_common/Diagnostics.h"

#include <cstring>
#include <new>

namespace d3dcompiler {

// The buffer is zeroed so a blob never exposes stale heap contents, and is never null so callers may
// form pointers into an empty blob as they can on Windows. A size that cannot be allocated leaves it null
// (std::nothrow: address-sanitized builds abort on a throwing allocation that fails instead of throwing).
Blob::Blob(SIZE_T size) : size_(size), bytes_(new (std::nothrow) std::byte[size == 0 ? 1 : size]()) {}

LPVOID STDMETHODCALLTYPE Blob::GetBufferPointer() { return bytes_.get(); }

SIZE_T STDMETHODCALLTYPE Blob::GetBufferSize() { return size_; }

HRESULT CreateBlobWithBytes(const void* data, SIZE_T size, ID3DBlob** blob) {
  Blob* created = new (std::nothrow) Blob(size);
  if (created != nullptr && created->GetBufferPointer() == nullptr) {
    created->Release();
    created = nullptr;
  }
  if (created == nullptr) {
    return E_OUTOFMEMORY;
  }
  if (data != nullptr && size != 0) {
    std::memcpy(created->GetBufferPointer(), data, size);
  }
  *blob = created;
  return S_OK;
}

HRESULT CreateTextBlob(std::string_view text, ID3DBlob** blob) {
  const HRESULT result = CreateBlobWithBytes(nullptr, text.size() + 1, blob);
  if (SUCCEEDED(result)) {
    std::memcpy((*blob)->GetBufferPointer(), text.data(), text.size());  // the terminator is already zero
  }
  return result;
}

}  // namespace d3dcompiler

EXTERN_C HRESULT WINAPI D3DCreateBlob(SIZE_T Size, ID3DBlob** ppBlob) {
  if (ppBlob == nullptr) {
    return platform::Fail("D3DCreateBlob", E_INVALIDARG, "ppBlob is null");
  }
  *ppBlob = nullptr;
  const HRESULT result = d3dcompiler::CreateBlobWithBytes(nullptr, Size, ppBlob);
  if (FAILED(result)) {
    platform::Report("D3DCreateBlob", "cannot allocate %zu bytes", static_cast<size_t>(Size));
  }
  return result;
}
