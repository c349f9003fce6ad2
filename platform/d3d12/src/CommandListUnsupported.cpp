// The ID3D12GraphicsCommandList methods outside the layer's subset: each reports itself once and does nothing.
#include "CommandList.h"
#include "Diagnostics.h"

namespace d3d12vk {

void CommandList::Dispatch(UINT, UINT, UINT) { ReportUnsupportedOnce("ID3D12GraphicsCommandList::Dispatch"); }

void CommandList::CopyTiles(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*, const D3D12_TILE_REGION_SIZE*,
                            ID3D12Resource*, UINT64, D3D12_TILE_COPY_FLAGS) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::CopyTiles");
}

void CommandList::ExecuteBundle(ID3D12GraphicsCommandList*) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::ExecuteBundle");
}

void CommandList::SetComputeRootSignature(ID3D12RootSignature*) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetComputeRootSignature");
}

void CommandList::SetComputeRootDescriptorTable(UINT, D3D12_GPU_DESCRIPTOR_HANDLE) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetComputeRootDescriptorTable");
}

void CommandList::SetComputeRoot32BitConstant(UINT, UINT, UINT) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetComputeRoot32BitConstant");
}

void CommandList::SetComputeRoot32BitConstants(UINT, UINT, const void*, UINT) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetComputeRoot32BitConstants");
}

void CommandList::SetComputeRootConstantBufferView(UINT, D3D12_GPU_VIRTUAL_ADDRESS) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetComputeRootConstantBufferView");
}

void CommandList::SetComputeRootShaderResourceView(UINT, D3D12_GPU_VIRTUAL_ADDRESS) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetComputeRootShaderResourceView");
}

void CommandList::SetGraphicsRootShaderResourceView(UINT, D3D12_GPU_VIRTUAL_ADDRESS) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetGraphicsRootShaderResourceView");
}

void CommandList::SetComputeRootUnorderedAccessView(UINT, D3D12_GPU_VIRTUAL_ADDRESS) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetComputeRootUnorderedAccessView");
}

void CommandList::SetGraphicsRootUnorderedAccessView(UINT, D3D12_GPU_VIRTUAL_ADDRESS) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetGraphicsRootUnorderedAccessView");
}

void CommandList::SOSetTargets(UINT, UINT, const D3D12_STREAM_OUTPUT_BUFFER_VIEW*) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SOSetTargets");
}

void CommandList::ClearUnorderedAccessViewUint(D3D12_GPU_DESCRIPTOR_HANDLE, D3D12_CPU_DESCRIPTOR_HANDLE,
                                               ID3D12Resource*, const UINT[4], UINT, const D3D12_RECT*) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::ClearUnorderedAccessViewUint");
}

void CommandList::ClearUnorderedAccessViewFloat(D3D12_GPU_DESCRIPTOR_HANDLE, D3D12_CPU_DESCRIPTOR_HANDLE,
                                                ID3D12Resource*, const FLOAT[4], UINT, const D3D12_RECT*) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::ClearUnorderedAccessViewFloat");
}

void CommandList::DiscardResource(ID3D12Resource*, const D3D12_DISCARD_REGION*) {
  // Discarding is a hint; keeping the contents is always correct.
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::DiscardResource");
}

void CommandList::SetMarker(UINT, const void*, UINT) { ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetMarker"); }

void CommandList::BeginEvent(UINT, const void*, UINT) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::BeginEvent");
}

void CommandList::EndEvent() { ReportUnsupportedOnce("ID3D12GraphicsCommandList::EndEvent"); }

void CommandList::ExecuteIndirect(ID3D12CommandSignature*, UINT, ID3D12Resource*, UINT64, ID3D12Resource*, UINT64) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::ExecuteIndirect");
}

}  // namespace d3d12vk
