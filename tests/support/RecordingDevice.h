// A device that passes every call on to a real one and keeps what the pipeline objects are made from: the
// serialized root signatures and the graphics pipeline descriptions (with copies of their input layouts),
// in the order they were asked for. Code that builds its pipelines on a device it is handed can then be
// checked description by description.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct RecordedPipeline {
  D3D12_GRAPHICS_PIPELINE_STATE_DESC Description;
  std::vector<D3D12_INPUT_ELEMENT_DESC> InputLayout;
  std::vector<std::string> SemanticNames;  // the layout's names, which Description's pointers do not keep
};

class RecordingDevice final : public ID3D12Device {
 public:
  explicit RecordingDevice(ID3D12Device* inner) : inner_(inner) {}

  const std::vector<std::vector<uint8_t>>& RootSignatures() const { return rootSignatures_; }
  const std::vector<RecordedPipeline>& Pipelines() const { return pipelines_; }

  // Lives on the stack of a test: reference counting is only passed on for the interface's sake.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return inner_->QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  HRESULT STDMETHODCALLTYPE CreateRootSignature(UINT nodeMask, const void* blob, SIZE_T size, REFIID riid,
                                                void** rootSignature) override {
    const auto* bytes = static_cast<const uint8_t*>(blob);
    rootSignatures_.emplace_back(bytes, bytes + size);
    return inner_->CreateRootSignature(nodeMask, blob, size, riid, rootSignature);
  }
  HRESULT STDMETHODCALLTYPE CreateGraphicsPipelineState(const D3D12_GRAPHICS_PIPELINE_STATE_DESC* description,
                                                        REFIID riid, void** pipelineState) override {
    RecordedPipeline recorded{*description, {}, {}};
    for (UINT i = 0; i < description->InputLayout.NumElements; ++i) {
      recorded.InputLayout.push_back(description->InputLayout.pInputElementDescs[i]);
      recorded.SemanticNames.emplace_back(description->InputLayout.pInputElementDescs[i].SemanticName);
    }
    pipelines_.push_back(std::move(recorded));
    return inner_->CreateGraphicsPipelineState(description, riid, pipelineState);
  }

  // Everything else passes straight through.
  // clang-format off
  HRESULT STDMETHODCALLTYPE GetPrivateData(const GUID & guid, UINT *pDataSize, void *pData) override { return inner_->GetPrivateData(guid, pDataSize, pData); }
  HRESULT STDMETHODCALLTYPE SetPrivateData(const GUID & guid, UINT DataSize, const void *pData) override { return inner_->SetPrivateData(guid, DataSize, pData); }
  HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(const GUID & guid, const IUnknown *pData) override { return inner_->SetPrivateDataInterface(guid, pData); }
  HRESULT STDMETHODCALLTYPE SetName(LPCWSTR Name) override { return inner_->SetName(Name); }
  UINT STDMETHODCALLTYPE GetNodeCount() override { return inner_->GetNodeCount(); }
  HRESULT STDMETHODCALLTYPE CreateCommandQueue(const D3D12_COMMAND_QUEUE_DESC *pDesc, const IID & riid, void **ppCommandQueue) override { return inner_->CreateCommandQueue(pDesc, riid, ppCommandQueue); }
  HRESULT STDMETHODCALLTYPE CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE type, const IID & riid, void **ppCommandAllocator) override { return inner_->CreateCommandAllocator(type, riid, ppCommandAllocator); }
  HRESULT STDMETHODCALLTYPE CreateComputePipelineState(const D3D12_COMPUTE_PIPELINE_STATE_DESC *pDesc, const IID & riid, void **ppPipelineState) override { return inner_->CreateComputePipelineState(pDesc, riid, ppPipelineState); }
  HRESULT STDMETHODCALLTYPE CreateCommandList(UINT nodeMask, D3D12_COMMAND_LIST_TYPE type, ID3D12CommandAllocator *pCommandAllocator, ID3D12PipelineState *pInitialState, const IID & riid, void **ppCommandList) override { return inner_->CreateCommandList(nodeMask, type, pCommandAllocator, pInitialState, riid, ppCommandList); }
  HRESULT STDMETHODCALLTYPE CheckFeatureSupport(D3D12_FEATURE Feature, void *pFeatureSupportData, UINT FeatureSupportDataSize) override { return inner_->CheckFeatureSupport(Feature, pFeatureSupportData, FeatureSupportDataSize); }
  HRESULT STDMETHODCALLTYPE CreateDescriptorHeap(const D3D12_DESCRIPTOR_HEAP_DESC *pDescriptorHeapDesc, const IID & riid, void **ppvHeap) override { return inner_->CreateDescriptorHeap(pDescriptorHeapDesc, riid, ppvHeap); }
  UINT STDMETHODCALLTYPE GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE DescriptorHeapType) override { return inner_->GetDescriptorHandleIncrementSize(DescriptorHeapType); }
  void STDMETHODCALLTYPE CreateConstantBufferView(const D3D12_CONSTANT_BUFFER_VIEW_DESC *pDesc, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor) override { inner_->CreateConstantBufferView(pDesc, DestDescriptor); }
  void STDMETHODCALLTYPE CreateShaderResourceView(ID3D12Resource *pResource, const D3D12_SHADER_RESOURCE_VIEW_DESC *pDesc, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor) override { inner_->CreateShaderResourceView(pResource, pDesc, DestDescriptor); }
  void STDMETHODCALLTYPE CreateUnorderedAccessView(ID3D12Resource *pResource, ID3D12Resource *pCounterResource, const D3D12_UNORDERED_ACCESS_VIEW_DESC *pDesc, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor) override { inner_->CreateUnorderedAccessView(pResource, pCounterResource, pDesc, DestDescriptor); }
  void STDMETHODCALLTYPE CreateRenderTargetView(ID3D12Resource *pResource, const D3D12_RENDER_TARGET_VIEW_DESC *pDesc, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor) override { inner_->CreateRenderTargetView(pResource, pDesc, DestDescriptor); }
  void STDMETHODCALLTYPE CreateDepthStencilView(ID3D12Resource *pResource, const D3D12_DEPTH_STENCIL_VIEW_DESC *pDesc, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor) override { inner_->CreateDepthStencilView(pResource, pDesc, DestDescriptor); }
  void STDMETHODCALLTYPE CreateSampler(const D3D12_SAMPLER_DESC *pDesc, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptor) override { inner_->CreateSampler(pDesc, DestDescriptor); }
  void STDMETHODCALLTYPE CopyDescriptors(UINT NumDestDescriptorRanges, const D3D12_CPU_DESCRIPTOR_HANDLE *pDestDescriptorRangeStarts, const UINT *pDestDescriptorRangeSizes, UINT NumSrcDescriptorRanges, const D3D12_CPU_DESCRIPTOR_HANDLE *pSrcDescriptorRangeStarts, const UINT *pSrcDescriptorRangeSizes, D3D12_DESCRIPTOR_HEAP_TYPE DescriptorHeapsType) override { inner_->CopyDescriptors(NumDestDescriptorRanges, pDestDescriptorRangeStarts, pDestDescriptorRangeSizes, NumSrcDescriptorRanges, pSrcDescriptorRangeStarts, pSrcDescriptorRangeSizes, DescriptorHeapsType); }
  void STDMETHODCALLTYPE CopyDescriptorsSimple(UINT NumDescriptors, D3D12_CPU_DESCRIPTOR_HANDLE DestDescriptorRangeStart, D3D12_CPU_DESCRIPTOR_HANDLE SrcDescriptorRangeStart, D3D12_DESCRIPTOR_HEAP_TYPE DescriptorHeapsType) override { inner_->CopyDescriptorsSimple(NumDescriptors, DestDescriptorRangeStart, SrcDescriptorRangeStart, DescriptorHeapsType); }
  D3D12_RESOURCE_ALLOCATION_INFO STDMETHODCALLTYPE GetResourceAllocationInfo(UINT visibleMask, UINT numResourceDescs, const D3D12_RESOURCE_DESC *pResourceDescs) override { return inner_->GetResourceAllocationInfo(visibleMask, numResourceDescs, pResourceDescs); }
  D3D12_HEAP_PROPERTIES STDMETHODCALLTYPE GetCustomHeapProperties(UINT nodeMask, D3D12_HEAP_TYPE heapType) override { return inner_->GetCustomHeapProperties(nodeMask, heapType); }
  HRESULT STDMETHODCALLTYPE CreateCommittedResource(const D3D12_HEAP_PROPERTIES *pHeapProperties, D3D12_HEAP_FLAGS HeapFlags, const D3D12_RESOURCE_DESC *pDesc, D3D12_RESOURCE_STATES InitialResourceState, const D3D12_CLEAR_VALUE *pOptimizedClearValue, const IID & riidResource, void **ppvResource) override { return inner_->CreateCommittedResource(pHeapProperties, HeapFlags, pDesc, InitialResourceState, pOptimizedClearValue, riidResource, ppvResource); }
  HRESULT STDMETHODCALLTYPE CreateHeap(const D3D12_HEAP_DESC *pDesc, const IID & riid, void **ppvHeap) override { return inner_->CreateHeap(pDesc, riid, ppvHeap); }
  HRESULT STDMETHODCALLTYPE CreatePlacedResource(ID3D12Heap *pHeap, UINT64 HeapOffset, const D3D12_RESOURCE_DESC *pDesc, D3D12_RESOURCE_STATES InitialState, const D3D12_CLEAR_VALUE *pOptimizedClearValue, const IID & riid, void **ppvResource) override { return inner_->CreatePlacedResource(pHeap, HeapOffset, pDesc, InitialState, pOptimizedClearValue, riid, ppvResource); }
  HRESULT STDMETHODCALLTYPE CreateReservedResource(const D3D12_RESOURCE_DESC *pDesc, D3D12_RESOURCE_STATES InitialState, const D3D12_CLEAR_VALUE *pOptimizedClearValue, const IID & riid, void **ppvResource) override { return inner_->CreateReservedResource(pDesc, InitialState, pOptimizedClearValue, riid, ppvResource); }
  HRESULT STDMETHODCALLTYPE CreateSharedHandle(ID3D12DeviceChild *pObject, const SECURITY_ATTRIBUTES *pAttributes, DWORD Access, LPCWSTR Name, HANDLE *pHandle) override { return inner_->CreateSharedHandle(pObject, pAttributes, Access, Name, pHandle); }
  HRESULT STDMETHODCALLTYPE OpenSharedHandle(HANDLE NTHandle, const IID & riid, void **ppvObj) override { return inner_->OpenSharedHandle(NTHandle, riid, ppvObj); }
  HRESULT STDMETHODCALLTYPE OpenSharedHandleByName(LPCWSTR Name, DWORD Access, HANDLE *pNTHandle) override { return inner_->OpenSharedHandleByName(Name, Access, pNTHandle); }
  HRESULT STDMETHODCALLTYPE MakeResident(UINT NumObjects, ID3D12Pageable *const *ppObjects) override { return inner_->MakeResident(NumObjects, ppObjects); }
  HRESULT STDMETHODCALLTYPE Evict(UINT NumObjects, ID3D12Pageable *const *ppObjects) override { return inner_->Evict(NumObjects, ppObjects); }
  HRESULT STDMETHODCALLTYPE CreateFence(UINT64 InitialValue, D3D12_FENCE_FLAGS Flags, const IID & riid, void **ppFence) override { return inner_->CreateFence(InitialValue, Flags, riid, ppFence); }
  HRESULT STDMETHODCALLTYPE GetDeviceRemovedReason() override { return inner_->GetDeviceRemovedReason(); }
  void STDMETHODCALLTYPE GetCopyableFootprints(const D3D12_RESOURCE_DESC *pResourceDesc, UINT FirstSubresource, UINT NumSubresources, UINT64 BaseOffset, D3D12_PLACED_SUBRESOURCE_FOOTPRINT *pLayouts, UINT *pNumRows, UINT64 *pRowSizeInBytes, UINT64 *pTotalBytes) override { inner_->GetCopyableFootprints(pResourceDesc, FirstSubresource, NumSubresources, BaseOffset, pLayouts, pNumRows, pRowSizeInBytes, pTotalBytes); }
  HRESULT STDMETHODCALLTYPE CreateQueryHeap(const D3D12_QUERY_HEAP_DESC *pDesc, const IID & riid, void **ppvHeap) override { return inner_->CreateQueryHeap(pDesc, riid, ppvHeap); }
  HRESULT STDMETHODCALLTYPE SetStablePowerState(BOOL Enable) override { return inner_->SetStablePowerState(Enable); }
  HRESULT STDMETHODCALLTYPE CreateCommandSignature(const D3D12_COMMAND_SIGNATURE_DESC *pDesc, ID3D12RootSignature *pRootSignature, const IID & riid, void **ppvCommandSignature) override { return inner_->CreateCommandSignature(pDesc, pRootSignature, riid, ppvCommandSignature); }
  void STDMETHODCALLTYPE GetResourceTiling(ID3D12Resource *pTiledResource, UINT *pNumTilesForEntireResource, D3D12_PACKED_MIP_INFO *pPackedMipDesc, D3D12_TILE_SHAPE *pStandardTileShapeForNonPackedMips, UINT *pNumSubresourceTilings, UINT FirstSubresourceTilingToGet, D3D12_SUBRESOURCE_TILING *pSubresourceTilingsForNonPackedMips) override { inner_->GetResourceTiling(pTiledResource, pNumTilesForEntireResource, pPackedMipDesc, pStandardTileShapeForNonPackedMips, pNumSubresourceTilings, FirstSubresourceTilingToGet, pSubresourceTilingsForNonPackedMips); }
  LUID STDMETHODCALLTYPE GetAdapterLuid() override { return inner_->GetAdapterLuid(); }
  // clang-format on

 private:
  ID3D12Device* inner_;
  std::vector<std::vector<uint8_t>> rootSignatures_;
  std::vector<RecordedPipeline> pipelines_;
};
