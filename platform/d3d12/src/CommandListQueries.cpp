// Queries and predication of ID3D12GraphicsCommandList.
#include "CommandList.h"

#include "Diagnostics.h"

namespace d3d12vk {

void CommandList::BeginQuery(ID3D12QueryHeap*, D3D12_QUERY_TYPE, UINT) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::BeginQuery");
}

void CommandList::EndQuery(ID3D12QueryHeap*, D3D12_QUERY_TYPE, UINT) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::EndQuery");
}

void CommandList::ResolveQueryData(ID3D12QueryHeap*, D3D12_QUERY_TYPE, UINT, UINT, ID3D12Resource*, UINT64) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::ResolveQueryData");
}

void CommandList::SetPredication(ID3D12Resource*, UINT64, D3D12_PREDICATION_OP) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetPredication");
}

}  // namespace d3d12vk
