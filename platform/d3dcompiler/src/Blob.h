// ID3DBlob: a reference-counted, fixed-size byte buffer, the currency of the compiler and the
// Direct3D 12 layer (shader byte code, serialized root signatures, error text).
#pragma once

#include <d3dcompiler.h>

#include "platform_common/ComObject.h"

#include <cstddef>
#include <memory>
#include <string_view>

// DirectX-Headers give ID3D10Blob an IID_ constant but no __uuidof, which the COM object base asks for.
__CRT_UUID_DECL(ID3D10Blob, 0x8ba5fb08, 0x5195, 0x40e2, 0xac, 0x58, 0x0d, 0x98, 0x9c, 0x3a, 0x01, 0x02)

namespace d3dcompiler {

class Blob final : public platform::ComObject<ID3DBlob> {
 public:
  explicit Blob(SIZE_T size);

  LPVOID STDMETHODCALLTYPE GetBufferPointer() override;
  SIZE_T STDMETHODCALLTYPE GetBufferSize() override;

 private:
  ~Blob() override = default;  // only Release deletes

  SIZE_T size_;
  std::unique_ptr<std::byte[]> bytes_;
};

// A new blob holding a copy of `size` bytes at `data`; E_OUTOFMEMORY if it cannot be allocated.
HRESULT CreateBlobWithBytes(const void* data, SIZE_T size, ID3DBlob** blob);

// A new blob holding `text` followed by a terminating zero, counted in the size as the Windows compiler
// does for its messages.
HRESULT CreateTextBlob(std::string_view text, ID3DBlob** blob);

}  // namespace d3dcompiler
