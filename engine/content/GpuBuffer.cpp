#include "content/ModelLoader.h"
#include "core/Direct3D12.h"

#include "core/Log.h"

namespace {

ID3D12Resource* CreateBuffer(ID3D12Device* device, D3D12_HEAP_TYPE heapType, uint64_t byteSize,
                             D3D12_RESOURCE_STATES initialState) {
  const CD3DX12_HEAP_PROPERTIES heapProperties(heapType);
  const CD3DX12_RESOURCE_DESC description = CD3DX12_RESOURCE_DESC::Buffer(byteSize);
  ID3D12Resource* buffer = nullptr;
  const HRESULT result = device->CreateCommittedResource(&heapProperties, D3D12_HEAP_FLAG_NONE, &description,
                                                         initialState, nullptr, IID_PPV_ARGS(&buffer));
  if (FAILED(result)) {
    LogResult(L"test", result);
  }
  return buffer;
}

void RecordTransition(ID3D12GraphicsCommandList* list, ID3D12Resource* buffer, D3D12_RESOURCE_STATES before,
                      D3D12_RESOURCE_STATES after) {
  const CD3DX12_RESOURCE_BARRIER barrier = CD3DX12_RESOURCE_BARRIER::Transition(buffer, before, after);
  list->ResourceBarrier(1, &barrier);
}

}  // namespace

ID3D12Resource* ModelLoader::CreateGpuBuffer(const void* source, uint64_t byteSize, ID3D12Resource** upload) {
  ID3D12Resource* buffer = CreateBuffer(Device, D3D12_HEAP_TYPE_DEFAULT, byteSize, D3D12_RESOURCE_STATE_COMMON);
  *upload = CreateBuffer(Device, D3D12_HEAP_TYPE_UPLOAD, byteSize, D3D12_RESOURCE_STATE_GENERIC_READ);
  // With either buffer missing there is nothing to copy, and recording commands on it would only fail.
  if (buffer == nullptr || *upload == nullptr) {
    return buffer;
  }
  RecordTransition(CommandList, buffer, D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATE_COPY_DEST);
  D3D12_SUBRESOURCE_DATA data = {};
  data.pData = source;
  data.RowPitch = static_cast<LONG_PTR>(byteSize);
  data.SlicePitch = static_cast<LONG_PTR>(byteSize);
  // Maps the upload buffer, copies the bytes into it and records the buffer-to-buffer copy.
  UpdateSubresources<1>(CommandList, buffer, *upload, 0, 0, 1, &data);
  RecordTransition(CommandList, buffer, D3D12_RESOURCE_STATE_COPY_DEST, D3D12_RESOURCE_STATE_GENERIC_READ);
  return buffer;
}
