// ID3D12Device's heaps and placed resources, the sizes and alignments placed resources take, and command
// signatures for ExecuteIndirect.
#include "Device.h"
#include "CommandSignature.h"
#include "Diagnostics.h"
#include "Heap.h"
#include "Resource.h"

#include <algorithm>

namespace d3d12vk {

HRESULT Device::CreateHeap(const D3D12_HEAP_DESC* desc, REFIID riid, void** heap) {
  constexpr const char* kCall = "ID3D12Device::CreateHeap";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  Heap* created = nullptr;
  const HRESULT result = Heap::Create(*this, kCall, *desc, &created);
  if (FAILED(result)) return result;
  if (heap == nullptr) {
    created->Release();
    return S_FALSE;
  }
  return HandOut(created, riid, heap);
}

HRESULT Device::CreatePlacedResource(ID3D12Heap* heap, UINT64 heapOffset, const D3D12_RESOURCE_DESC* desc,
                                     D3D12_RESOURCE_STATES initialState, const D3D12_CLEAR_VALUE*, REFIID riid,
                                     void** resource) {
  constexpr const char* kCall = "ID3D12Device::CreatePlacedResource";
  if (heap == nullptr) return Fail(kCall, E_INVALIDARG, "pHeap is null");
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  Resource* created = nullptr;
  const HRESULT result = Resource::CreatePlaced(*this, kCall, *AsHeap(heap), heapOffset, *desc, initialState, &created);
  if (FAILED(result)) return result;
  if (resource == nullptr) {
    created->Release();
    return S_FALSE;
  }
  return HandOut(created, riid, resource);
}

D3D12_RESOURCE_ALLOCATION_INFO Device::GetResourceAllocationInfo(UINT, UINT descCount,
                                                                 const D3D12_RESOURCE_DESC* descs) {
  constexpr const char* kCall = "ID3D12Device::GetResourceAllocationInfo";
  D3D12_RESOURCE_ALLOCATION_INFO total{0, kDefaultPlacementAlignment};
  if (descs == nullptr) return {UINT64_MAX, kDefaultPlacementAlignment};
  // Several resources are laid out one after the other, each at its own alignment.
  UINT64 largestAlignment = 0;
  for (UINT i = 0; i < descCount; ++i) {
    const D3D12_RESOURCE_ALLOCATION_INFO one = Resource::AllocationInfo(*this, kCall, descs[i]);
    if (one.SizeInBytes == UINT64_MAX) return one;
    total.SizeInBytes = (total.SizeInBytes + one.Alignment - 1) / one.Alignment * one.Alignment + one.SizeInBytes;
    largestAlignment = std::max(largestAlignment, one.Alignment);
  }
  if (largestAlignment != 0) total.Alignment = largestAlignment;
  return total;
}

HRESULT Device::CreateCommandSignature(const D3D12_COMMAND_SIGNATURE_DESC* desc, ID3D12RootSignature* rootSignature,
                                       REFIID riid, void** commandSignature) {
  constexpr const char* kCall = "ID3D12Device::CreateCommandSignature";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  CommandSignature* created = nullptr;
  const HRESULT result = CommandSignature::Create(*this, kCall, *desc, rootSignature, &created);
  if (FAILED(result)) return result;
  if (commandSignature == nullptr) {
    created->Release();
    return S_FALSE;
  }
  return HandOut(created, riid, commandSignature);
}

}  // namespace d3d12vk
