#include "render/DescriptorHeaps.h"

namespace {

HRESULT CreateHeap(ID3D12Device* device, D3D12_DESCRIPTOR_HEAP_TYPE type, uint32_t descriptorCount,
                   D3D12_DESCRIPTOR_HEAP_FLAGS flags, ID3D12DescriptorHeap** heap) {
  D3D12_DESCRIPTOR_HEAP_DESC description = {};
  description.Type = type;
  description.NumDescriptors = descriptorCount;
  description.Flags = flags;
  description.NodeMask = 0;
  return device->CreateDescriptorHeap(&description, IID_PPV_ARGS(heap));
}

}  // namespace

DescriptorHeaps::DescriptorHeaps() {
  // Every GPU-side object asks for the device itself and receives the one device of the default adapter.
  D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&Device));
}

HRESULT DescriptorHeaps::CreateHeaps(int32_t backBufferCount) {
  CreateHeap(Device, D3D12_DESCRIPTOR_HEAP_TYPE_RTV, static_cast<uint32_t>(backBufferCount),
             D3D12_DESCRIPTOR_HEAP_FLAG_NONE, &RtvHeap);
  CreateHeap(Device, D3D12_DESCRIPTOR_HEAP_TYPE_DSV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, &DsvHeap);
  return CreateHeap(Device, D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, ShaderVisibleDescriptorCount,
                    D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, &CbvSrvUavHeap);
}

HRESULT DescriptorHeaps::GrowShaderVisibleHeap(uint32_t descriptorCount) {
  ID3D12DescriptorHeap* grown = nullptr;
  const HRESULT result = CreateHeap(Device, D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, descriptorCount,
                                    D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, &grown);
  if (FAILED(result)) {
    return result;
  }
  if (CbvSrvUavHeap != nullptr) {
    CbvSrvUavHeap->Release();
  }
  CbvSrvUavHeap = grown;
  return result;
}
