// A command list that passes every call on to a real one and notes the calls that decide what a draw uses:
// the root signature, the descriptor heaps and tables, the pipeline state, the topology and the draws. Code
// that records on a list it is handed can be checked call by call; the real list is recorded as usual.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// One noted call: its method name and its arguments as numbers (pointers and handles as their values).
struct RecordedCall {
  std::string Name;
  std::vector<uint64_t> Arguments;

  bool operator==(const RecordedCall&) const = default;
};

// Printed by GoogleTest when a comparison fails.
void PrintTo(const RecordedCall& call, std::ostream* out);

class RecordingCommandList final : public ID3D12GraphicsCommandList {
 public:
  explicit RecordingCommandList(ID3D12GraphicsCommandList* inner) : inner_(inner) {}

  // The noted calls in order, and those of one method only.
  const std::vector<RecordedCall>& Calls() const { return calls_; }
  std::vector<RecordedCall> CallsTo(const std::string& name) const;

  // Lives on the stack of a test: reference counting is only passed on for the interface's sake.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    return inner_->QueryInterface(riid, object);
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }

  void STDMETHODCALLTYPE SetPipelineState(ID3D12PipelineState* state) override {
    Note("SetPipelineState", {Address(state)});
    inner_->SetPipelineState(state);
  }
  void STDMETHODCALLTYPE SetGraphicsRootSignature(ID3D12RootSignature* rootSignature) override {
    Note("SetGraphicsRootSignature", {Address(rootSignature)});
    inner_->SetGraphicsRootSignature(rootSignature);
  }
  void STDMETHODCALLTYPE SetDescriptorHeaps(UINT count, ID3D12DescriptorHeap* const* heaps) override {
    std::vector<uint64_t> arguments;
    for (UINT i = 0; i < count; ++i) arguments.push_back(Address(heaps[i]));
    Note("SetDescriptorHeaps", arguments);
    inner_->SetDescriptorHeaps(count, heaps);
  }
  void STDMETHODCALLTYPE SetGraphicsRootDescriptorTable(UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE table) override {
    Note("SetGraphicsRootDescriptorTable", {parameter, table.ptr});
    inner_->SetGraphicsRootDescriptorTable(parameter, table);
  }
  void STDMETHODCALLTYPE IASetPrimitiveTopology(D3D12_PRIMITIVE_TOPOLOGY topology) override {
    Note("IASetPrimitiveTopology", {uint64_t(topology)});
    inner_->IASetPrimitiveTopology(topology);
  }
  void STDMETHODCALLTYPE DrawInstanced(UINT vertices, UINT instances, UINT firstVertex, UINT firstInstance) override {
    Note("DrawInstanced", {vertices, instances, firstVertex, firstInstance});
    inner_->DrawInstanced(vertices, instances, firstVertex, firstInstance);
  }
  void STDMETHODCALLTYPE DrawIndexedInstanced(UINT indices, UINT instances, UINT firstIndex, INT baseVertex,
                                              UINT firstInstance) override {
    Note("DrawIndexedInstanced", {indices, instances, firstIndex, uint64_t(int64_t(baseVertex)), firstInstance});
    inner_->DrawIndexedInstanced(indices, instances, firstIndex, baseVertex, firstInstance);
  }

  // Everything else passes straight through.
  // clang-format off
  HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, UINT *pDataSize, void *pData) override { return inner_->GetPrivateData(guid, pDataSize, pData); }
  HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, UINT DataSize, const void *pData) override { return inner_->SetPrivateData(guid, DataSize, pData); }
  HRESULT STDMETHODCALLTYPE SetPrivateDataInterface(REFGUID guid, const IUnknown *pData) override { return inner_->SetPrivateDataInterface(guid, pData); }
  HRESULT STDMETHODCALLTYPE SetName(LPCWSTR Name) override { return inner_->SetName(Name); }
  HRESULT STDMETHODCALLTYPE GetDevice(REFIID riid, void **ppvDevice) override { return inner_->GetDevice(riid, ppvDevice); }
  D3D12_COMMAND_LIST_TYPE STDMETHODCALLTYPE GetType() override { return inner_->GetType(); }
  HRESULT STDMETHODCALLTYPE Close() override { return inner_->Close(); }
  HRESULT STDMETHODCALLTYPE Reset(ID3D12CommandAllocator *pAllocator, ID3D12PipelineState *pInitialState) override { return inner_->Reset(pAllocator, pInitialState); }
  void STDMETHODCALLTYPE ClearState(ID3D12PipelineState *pPipelineState) override { inner_->ClearState(pPipelineState); }
  void STDMETHODCALLTYPE Dispatch(UINT ThreadGroupCountX, UINT ThreadGroupCountY, UINT ThreadGroupCountZ) override { inner_->Dispatch(ThreadGroupCountX, ThreadGroupCountY, ThreadGroupCountZ); }
  void STDMETHODCALLTYPE CopyBufferRegion(ID3D12Resource *pDstBuffer, UINT64 DstOffset, ID3D12Resource *pSrcBuffer, UINT64 SrcOffset, UINT64 NumBytes) override { inner_->CopyBufferRegion(pDstBuffer, DstOffset, pSrcBuffer, SrcOffset, NumBytes); }
  void STDMETHODCALLTYPE CopyTextureRegion(const D3D12_TEXTURE_COPY_LOCATION *pDst, UINT DstX, UINT DstY, UINT DstZ, const D3D12_TEXTURE_COPY_LOCATION *pSrc, const D3D12_BOX *pSrcBox) override { inner_->CopyTextureRegion(pDst, DstX, DstY, DstZ, pSrc, pSrcBox); }
  void STDMETHODCALLTYPE CopyResource(ID3D12Resource *pDstResource, ID3D12Resource *pSrcResource) override { inner_->CopyResource(pDstResource, pSrcResource); }
  void STDMETHODCALLTYPE CopyTiles(ID3D12Resource *pTiledResource, const D3D12_TILED_RESOURCE_COORDINATE *pTileRegionStartCoordinate, const D3D12_TILE_REGION_SIZE *pTileRegionSize, ID3D12Resource *pBuffer, UINT64 BufferStartOffsetInBytes, D3D12_TILE_COPY_FLAGS Flags) override { inner_->CopyTiles(pTiledResource, pTileRegionStartCoordinate, pTileRegionSize, pBuffer, BufferStartOffsetInBytes, Flags); }
  void STDMETHODCALLTYPE ResolveSubresource(ID3D12Resource *pDstResource, UINT DstSubresource, ID3D12Resource *pSrcResource, UINT SrcSubresource, DXGI_FORMAT Format) override { inner_->ResolveSubresource(pDstResource, DstSubresource, pSrcResource, SrcSubresource, Format); }
  void STDMETHODCALLTYPE RSSetViewports(UINT NumViewports, const D3D12_VIEWPORT *pViewports) override { inner_->RSSetViewports(NumViewports, pViewports); }
  void STDMETHODCALLTYPE RSSetScissorRects(UINT NumRects, const D3D12_RECT *pRects) override { inner_->RSSetScissorRects(NumRects, pRects); }
  void STDMETHODCALLTYPE OMSetBlendFactor(const FLOAT BlendFactor[ 4 ]) override { inner_->OMSetBlendFactor(BlendFactor); }
  void STDMETHODCALLTYPE OMSetStencilRef(UINT StencilRef) override { inner_->OMSetStencilRef(StencilRef); }
  void STDMETHODCALLTYPE ResourceBarrier(UINT NumBarriers, const D3D12_RESOURCE_BARRIER *pBarriers) override { inner_->ResourceBarrier(NumBarriers, pBarriers); }
  void STDMETHODCALLTYPE ExecuteBundle(ID3D12GraphicsCommandList *pCommandList) override { inner_->ExecuteBundle(pCommandList); }
  void STDMETHODCALLTYPE SetComputeRootSignature(ID3D12RootSignature *pRootSignature) override { inner_->SetComputeRootSignature(pRootSignature); }
  void STDMETHODCALLTYPE SetComputeRootDescriptorTable(UINT RootParameterIndex, D3D12_GPU_DESCRIPTOR_HANDLE BaseDescriptor) override { inner_->SetComputeRootDescriptorTable(RootParameterIndex, BaseDescriptor); }
  void STDMETHODCALLTYPE SetComputeRoot32BitConstant(UINT RootParameterIndex, UINT SrcData, UINT DestOffsetIn32BitValues) override { inner_->SetComputeRoot32BitConstant(RootParameterIndex, SrcData, DestOffsetIn32BitValues); }
  void STDMETHODCALLTYPE SetGraphicsRoot32BitConstant(UINT RootParameterIndex, UINT SrcData, UINT DestOffsetIn32BitValues) override { inner_->SetGraphicsRoot32BitConstant(RootParameterIndex, SrcData, DestOffsetIn32BitValues); }
  void STDMETHODCALLTYPE SetComputeRoot32BitConstants(UINT RootParameterIndex, UINT Num32BitValuesToSet, const void *pSrcData, UINT DestOffsetIn32BitValues) override { inner_->SetComputeRoot32BitConstants(RootParameterIndex, Num32BitValuesToSet, pSrcData, DestOffsetIn32BitValues); }
  void STDMETHODCALLTYPE SetGraphicsRoot32BitConstants(UINT RootParameterIndex, UINT Num32BitValuesToSet, const void *pSrcData, UINT DestOffsetIn32BitValues) override { inner_->SetGraphicsRoot32BitConstants(RootParameterIndex, Num32BitValuesToSet, pSrcData, DestOffsetIn32BitValues); }
  void STDMETHODCALLTYPE SetComputeRootConstantBufferView(UINT RootParameterIndex, D3D12_GPU_VIRTUAL_ADDRESS BufferLocation) override { inner_->SetComputeRootConstantBufferView(RootParameterIndex, BufferLocation); }
  void STDMETHODCALLTYPE SetGraphicsRootConstantBufferView(UINT RootParameterIndex, D3D12_GPU_VIRTUAL_ADDRESS BufferLocation) override { inner_->SetGraphicsRootConstantBufferView(RootParameterIndex, BufferLocation); }
  void STDMETHODCALLTYPE SetComputeRootShaderResourceView(UINT RootParameterIndex, D3D12_GPU_VIRTUAL_ADDRESS BufferLocation) override { inner_->SetComputeRootShaderResourceView(RootParameterIndex, BufferLocation); }
  void STDMETHODCALLTYPE SetGraphicsRootShaderResourceView(UINT RootParameterIndex, D3D12_GPU_VIRTUAL_ADDRESS BufferLocation) override { inner_->SetGraphicsRootShaderResourceView(RootParameterIndex, BufferLocation); }
  void STDMETHODCALLTYPE SetComputeRootUnorderedAccessView(UINT RootParameterIndex, D3D12_GPU_VIRTUAL_ADDRESS BufferLocation) override { inner_->SetComputeRootUnorderedAccessView(RootParameterIndex, BufferLocation); }
  void STDMETHODCALLTYPE SetGraphicsRootUnorderedAccessView(UINT RootParameterIndex, D3D12_GPU_VIRTUAL_ADDRESS BufferLocation) override { inner_->SetGraphicsRootUnorderedAccessView(RootParameterIndex, BufferLocation); }
  void STDMETHODCALLTYPE IASetIndexBuffer(const D3D12_INDEX_BUFFER_VIEW *pView) override { inner_->IASetIndexBuffer(pView); }
  void STDMETHODCALLTYPE IASetVertexBuffers(UINT StartSlot, UINT NumViews, const D3D12_VERTEX_BUFFER_VIEW *pViews) override { inner_->IASetVertexBuffers(StartSlot, NumViews, pViews); }
  void STDMETHODCALLTYPE SOSetTargets(UINT StartSlot, UINT NumViews, const D3D12_STREAM_OUTPUT_BUFFER_VIEW *pViews) override { inner_->SOSetTargets(StartSlot, NumViews, pViews); }
  void STDMETHODCALLTYPE OMSetRenderTargets(UINT NumRenderTargetDescriptors, const D3D12_CPU_DESCRIPTOR_HANDLE *pRenderTargetDescriptors, BOOL RTsSingleHandleToDescriptorRange, const D3D12_CPU_DESCRIPTOR_HANDLE *pDepthStencilDescriptor) override { inner_->OMSetRenderTargets(NumRenderTargetDescriptors, pRenderTargetDescriptors, RTsSingleHandleToDescriptorRange, pDepthStencilDescriptor); }
  void STDMETHODCALLTYPE ClearDepthStencilView(D3D12_CPU_DESCRIPTOR_HANDLE DepthStencilView, D3D12_CLEAR_FLAGS ClearFlags, FLOAT Depth, UINT8 Stencil, UINT NumRects, const D3D12_RECT *pRects) override { inner_->ClearDepthStencilView(DepthStencilView, ClearFlags, Depth, Stencil, NumRects, pRects); }
  void STDMETHODCALLTYPE ClearRenderTargetView(D3D12_CPU_DESCRIPTOR_HANDLE RenderTargetView, const FLOAT ColorRGBA[ 4 ], UINT NumRects, const D3D12_RECT *pRects) override { inner_->ClearRenderTargetView(RenderTargetView, ColorRGBA, NumRects, pRects); }
  void STDMETHODCALLTYPE ClearUnorderedAccessViewUint(D3D12_GPU_DESCRIPTOR_HANDLE ViewGPUHandleInCurrentHeap, D3D12_CPU_DESCRIPTOR_HANDLE ViewCPUHandle, ID3D12Resource *pResource, const UINT Values[ 4 ], UINT NumRects, const D3D12_RECT *pRects) override { inner_->ClearUnorderedAccessViewUint(ViewGPUHandleInCurrentHeap, ViewCPUHandle, pResource, Values, NumRects, pRects); }
  void STDMETHODCALLTYPE ClearUnorderedAccessViewFloat(D3D12_GPU_DESCRIPTOR_HANDLE ViewGPUHandleInCurrentHeap, D3D12_CPU_DESCRIPTOR_HANDLE ViewCPUHandle, ID3D12Resource *pResource, const FLOAT Values[ 4 ], UINT NumRects, const D3D12_RECT *pRects) override { inner_->ClearUnorderedAccessViewFloat(ViewGPUHandleInCurrentHeap, ViewCPUHandle, pResource, Values, NumRects, pRects); }
  void STDMETHODCALLTYPE DiscardResource(ID3D12Resource *pResource, const D3D12_DISCARD_REGION *pRegion) override { inner_->DiscardResource(pResource, pRegion); }
  void STDMETHODCALLTYPE BeginQuery(ID3D12QueryHeap *pQueryHeap, D3D12_QUERY_TYPE Type, UINT Index) override { inner_->BeginQuery(pQueryHeap, Type, Index); }
  void STDMETHODCALLTYPE EndQuery(ID3D12QueryHeap *pQueryHeap, D3D12_QUERY_TYPE Type, UINT Index) override { inner_->EndQuery(pQueryHeap, Type, Index); }
  void STDMETHODCALLTYPE ResolveQueryData(ID3D12QueryHeap *pQueryHeap, D3D12_QUERY_TYPE Type, UINT StartIndex, UINT NumQueries, ID3D12Resource *pDestinationBuffer, UINT64 AlignedDestinationBufferOffset) override { inner_->ResolveQueryData(pQueryHeap, Type, StartIndex, NumQueries, pDestinationBuffer, AlignedDestinationBufferOffset); }
  void STDMETHODCALLTYPE SetPredication(ID3D12Resource *pBuffer, UINT64 AlignedBufferOffset, D3D12_PREDICATION_OP Operation) override { inner_->SetPredication(pBuffer, AlignedBufferOffset, Operation); }
  void STDMETHODCALLTYPE SetMarker(UINT Metadata, const void *pData, UINT Size) override { inner_->SetMarker(Metadata, pData, Size); }
  void STDMETHODCALLTYPE BeginEvent(UINT Metadata, const void *pData, UINT Size) override { inner_->BeginEvent(Metadata, pData, Size); }
  void STDMETHODCALLTYPE EndEvent() override { inner_->EndEvent(); }
  void STDMETHODCALLTYPE ExecuteIndirect(ID3D12CommandSignature *pCommandSignature, UINT MaxCommandCount, ID3D12Resource *pArgumentBuffer, UINT64 ArgumentBufferOffset, ID3D12Resource *pCountBuffer, UINT64 CountBufferOffset) override { inner_->ExecuteIndirect(pCommandSignature, MaxCommandCount, pArgumentBuffer, ArgumentBufferOffset, pCountBuffer, CountBufferOffset); }
  // clang-format on

 private:
  static uint64_t Address(const void* pointer) { return reinterpret_cast<uintptr_t>(pointer); }
  void Note(const char* name, std::vector<uint64_t> arguments) { calls_.push_back({name, std::move(arguments)}); }

  ID3D12GraphicsCommandList* inner_;
  std::vector<RecordedCall> calls_;
};
