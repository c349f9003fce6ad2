// The ID3D12GraphicsCommandList methods outside the layer's subset: each reports itself once and does nothing.
#include "CommandList.h"
#include "Diagnostics.h"

namespace d3d12vk {

void CommandList::CopyTiles(ID3D12Resource*, const D3D12_TILED_RESOURCE_COORDINATE*, const D3D12_TILE_REGION_SIZE*,
                            ID3D12Resource*, UINT64, D3D12_TILE_COPY_FLAGS) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList::CopyTiles");
}

void CommandList::SOSetTargets(UINT, UINT, const D3D12_STREAM_OUTPUT_BUFFER_VIEW*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList::SOSetTargets");
}

}  // namespace d3d12vk
