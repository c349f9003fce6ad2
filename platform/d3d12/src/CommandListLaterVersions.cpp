// The methods ID3D12GraphicsCommandList4 to 8 add. Render passes are the runtime's tier 0 emulation: bound
// targets and clears at the start, nothing to do at the end. Separate front and back stencil references are
// Vulkan's own. Enhanced barriers are what the legacy barriers already do: a texture barrier is the
// transition to the state of its new layout, buffer and global barriers are memory barriers. Raytracing, meta
// commands, variable rate shading and mesh shaders are features CheckFeatureSupport reports absent; their
// calls are reported once and ignored.

#include "CommandList.h"
#include "Diagnostics.h"
#include "Resource.h"

#include <d3dx12.h>

#include <array>
#include <vector>

namespace d3d12vk {

namespace {

// The legacy state a texture layout stands for; false for layouts without one (video, shading rate).
bool StateForLayout(D3D12_BARRIER_LAYOUT layout, D3D12_RESOURCE_STATES* state) {
  switch (layout) {
    case D3D12_BARRIER_LAYOUT_COMMON:
    case D3D12_BARRIER_LAYOUT_DIRECT_QUEUE_COMMON:
    case D3D12_BARRIER_LAYOUT_COMPUTE_QUEUE_COMMON:
      *state = D3D12_RESOURCE_STATE_COMMON;
      return true;
    case D3D12_BARRIER_LAYOUT_GENERIC_READ:
    case D3D12_BARRIER_LAYOUT_DIRECT_QUEUE_GENERIC_READ:
    case D3D12_BARRIER_LAYOUT_COMPUTE_QUEUE_GENERIC_READ:
      *state = D3D12_RESOURCE_STATE_GENERIC_READ;
      return true;
    case D3D12_BARRIER_LAYOUT_RENDER_TARGET:
      *state = D3D12_RESOURCE_STATE_RENDER_TARGET;
      return true;
    case D3D12_BARRIER_LAYOUT_UNORDERED_ACCESS:
    case D3D12_BARRIER_LAYOUT_DIRECT_QUEUE_UNORDERED_ACCESS:
    case D3D12_BARRIER_LAYOUT_COMPUTE_QUEUE_UNORDERED_ACCESS:
      *state = D3D12_RESOURCE_STATE_UNORDERED_ACCESS;
      return true;
    case D3D12_BARRIER_LAYOUT_DEPTH_STENCIL_WRITE:
      *state = D3D12_RESOURCE_STATE_DEPTH_WRITE;
      return true;
    case D3D12_BARRIER_LAYOUT_DEPTH_STENCIL_READ:
      *state = D3D12_RESOURCE_STATE_DEPTH_READ;
      return true;
    case D3D12_BARRIER_LAYOUT_SHADER_RESOURCE:
    case D3D12_BARRIER_LAYOUT_DIRECT_QUEUE_SHADER_RESOURCE:
    case D3D12_BARRIER_LAYOUT_COMPUTE_QUEUE_SHADER_RESOURCE:
      *state = D3D12_RESOURCE_STATE_ALL_SHADER_RESOURCE;
      return true;
    case D3D12_BARRIER_LAYOUT_COPY_SOURCE:
    case D3D12_BARRIER_LAYOUT_DIRECT_QUEUE_COPY_SOURCE:
    case D3D12_BARRIER_LAYOUT_COMPUTE_QUEUE_COPY_SOURCE:
      *state = D3D12_RESOURCE_STATE_COPY_SOURCE;
      return true;
    case D3D12_BARRIER_LAYOUT_COPY_DEST:
    case D3D12_BARRIER_LAYOUT_DIRECT_QUEUE_COPY_DEST:
    case D3D12_BARRIER_LAYOUT_COMPUTE_QUEUE_COPY_DEST:
      *state = D3D12_RESOURCE_STATE_COPY_DEST;
      return true;
    case D3D12_BARRIER_LAYOUT_RESOLVE_SOURCE:
      *state = D3D12_RESOURCE_STATE_RESOLVE_SOURCE;
      return true;
    case D3D12_BARRIER_LAYOUT_RESOLVE_DEST:
      *state = D3D12_RESOURCE_STATE_RESOLVE_DEST;
      return true;
    default:
      return false;
  }
}

D3D12_RESOURCE_BARRIER WholeMemoryBarrier(ID3D12Resource* resource) {
  D3D12_RESOURCE_BARRIER barrier{};
  barrier.Type = D3D12_RESOURCE_BARRIER_TYPE_UAV;
  barrier.UAV.pResource = resource;
  return barrier;
}

}  // namespace

void CommandList::BeginRenderPass(UINT targetCount, const D3D12_RENDER_PASS_RENDER_TARGET_DESC* targets,
                                  const D3D12_RENDER_PASS_DEPTH_STENCIL_DESC* depthStencil, D3D12_RENDER_PASS_FLAGS) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList4::BeginRenderPass";
  if (IsBundle()) return RejectInBundle(kCall);
  if (!CheckRecording(kCall)) return;
  if (targetCount > D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT) {
    return Reject(kCall, "%u render targets; at most %d", targetCount, D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT);
  }
  if (targetCount > 0 && targets == nullptr) return Reject(kCall, "pRenderTargets is null");
  std::array<D3D12_CPU_DESCRIPTOR_HANDLE, D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT> handles{};
  for (UINT i = 0; i < targetCount; ++i) handles[i] = targets[i].cpuDescriptor;
  OMSetRenderTargets(targetCount, handles.data(), FALSE,
                     depthStencil != nullptr ? &depthStencil->cpuDescriptor : nullptr);

  for (UINT i = 0; i < targetCount; ++i) {
    if (targets[i].BeginningAccess.Type == D3D12_RENDER_PASS_BEGINNING_ACCESS_TYPE_CLEAR) {
      ClearRenderTargetView(handles[i], targets[i].BeginningAccess.Clear.ClearValue.Color, 0, nullptr);
    }
    if (targets[i].EndingAccess.Type == D3D12_RENDER_PASS_ENDING_ACCESS_TYPE_RESOLVE) {
      ReportNotImplementedOnce("ID3D12GraphicsCommandList4::BeginRenderPass with a resolving end");
    }
  }
  if (depthStencil == nullptr) return;
  UINT clearFlags = 0;
  if (depthStencil->DepthBeginningAccess.Type == D3D12_RENDER_PASS_BEGINNING_ACCESS_TYPE_CLEAR) {
    clearFlags |= D3D12_CLEAR_FLAG_DEPTH;
  }
  if (depthStencil->StencilBeginningAccess.Type == D3D12_RENDER_PASS_BEGINNING_ACCESS_TYPE_CLEAR) {
    clearFlags |= D3D12_CLEAR_FLAG_STENCIL;
  }
  if (clearFlags != 0) {
    ClearDepthStencilView(depthStencil->cpuDescriptor, D3D12_CLEAR_FLAGS(clearFlags),
                          depthStencil->DepthBeginningAccess.Clear.ClearValue.DepthStencil.Depth,
                          depthStencil->StencilBeginningAccess.Clear.ClearValue.DepthStencil.Stencil, 0, nullptr);
  }
}

void CommandList::EndRenderPass() {
  constexpr const char* kCall = "ID3D12GraphicsCommandList4::EndRenderPass";
  if (IsBundle()) return RejectInBundle(kCall);
  // Preserved and discarded contents both stay in the targets; the next pass binds its own.
  CheckRecording(kCall);
}

void CommandList::InitializeMetaCommand(ID3D12MetaCommand*, const void*, SIZE_T) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList4::InitializeMetaCommand");
}

void CommandList::ExecuteMetaCommand(ID3D12MetaCommand*, const void*, SIZE_T) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList4::ExecuteMetaCommand");
}

void CommandList::BuildRaytracingAccelerationStructure(
    const D3D12_BUILD_RAYTRACING_ACCELERATION_STRUCTURE_DESC*, UINT,
    const D3D12_RAYTRACING_ACCELERATION_STRUCTURE_POSTBUILD_INFO_DESC*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList4::BuildRaytracingAccelerationStructure");
}

void CommandList::EmitRaytracingAccelerationStructurePostbuildInfo(
    const D3D12_RAYTRACING_ACCELERATION_STRUCTURE_POSTBUILD_INFO_DESC*, UINT, const D3D12_GPU_VIRTUAL_ADDRESS*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList4::EmitRaytracingAccelerationStructurePostbuildInfo");
}

void CommandList::CopyRaytracingAccelerationStructure(D3D12_GPU_VIRTUAL_ADDRESS, D3D12_GPU_VIRTUAL_ADDRESS,
                                                      D3D12_RAYTRACING_ACCELERATION_STRUCTURE_COPY_MODE) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList4::CopyRaytracingAccelerationStructure");
}

void CommandList::SetPipelineState1(ID3D12StateObject*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList4::SetPipelineState1");
}

void CommandList::DispatchRays(const D3D12_DISPATCH_RAYS_DESC*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList4::DispatchRays");
}

void CommandList::RSSetShadingRate(D3D12_SHADING_RATE, const D3D12_SHADING_RATE_COMBINER*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList5::RSSetShadingRate");
}

void CommandList::RSSetShadingRateImage(ID3D12Resource*) {
  ReportNotImplementedOnce("ID3D12GraphicsCommandList5::RSSetShadingRateImage");
}

void CommandList::DispatchMesh(UINT, UINT, UINT) { ReportNotImplementedOnce("ID3D12GraphicsCommandList6::DispatchMesh"); }

void CommandList::Barrier(UINT32 groupCount, const D3D12_BARRIER_GROUP* groups) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList7::Barrier";
  if (IsBundle()) return RejectInBundle(kCall);
  if (!CheckRecording(kCall)) return;
  if (groupCount > 0 && groups == nullptr) return Reject(kCall, "pBarrierGroups is null");
  std::vector<D3D12_RESOURCE_BARRIER> legacy;
  for (UINT32 g = 0; g < groupCount; ++g) {
    const D3D12_BARRIER_GROUP& group = groups[g];
    if (group.NumBarriers > 0 && group.pGlobalBarriers == nullptr) {
      return Reject(kCall, "barrier group %u has no barriers", g);
    }
    for (UINT32 i = 0; i < group.NumBarriers; ++i) {
      if (group.Type == D3D12_BARRIER_TYPE_GLOBAL) {
        legacy.push_back(WholeMemoryBarrier(nullptr));
      } else if (group.Type == D3D12_BARRIER_TYPE_BUFFER) {
        legacy.push_back(WholeMemoryBarrier(group.pBufferBarriers[i].pResource));
      } else if (group.Type == D3D12_BARRIER_TYPE_TEXTURE) {
        const D3D12_TEXTURE_BARRIER& texture = group.pTextureBarriers[i];
        Resource* resource = AsResource(texture.pResource);
        if (resource == nullptr) return Reject(kCall, "texture barrier %u of group %u has no resource", i, g);
        D3D12_RESOURCE_STATES after{};
        if (!StateForLayout(texture.LayoutAfter, &after)) {
          return Reject(kCall, "texture barrier %u of group %u: layout %d is not supported", i, g, texture.LayoutAfter);
        }
        // The layer knows the layout the texture is in; LayoutBefore only has to agree with it.
        const D3D12_RESOURCE_STATES before = resource->RecordedState();
        if (before == after) {
          legacy.push_back(WholeMemoryBarrier(texture.pResource));
        } else {
          legacy.push_back(CD3DX12_RESOURCE_BARRIER::Transition(texture.pResource, before, after));
        }
      } else {
        return Reject(kCall, "barrier group %u has unknown type %d", g, group.Type);
      }
    }
  }
  if (!legacy.empty()) ResourceBarrier(UINT(legacy.size()), legacy.data());
}

void CommandList::OMSetFrontAndBackStencilRef(UINT frontStencilRef, UINT backStencilRef) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList8::OMSetFrontAndBackStencilRef";
  if (IsBundle()) {
    return RecordForBundle(
        kCall, [=](CommandList& list) { list.OMSetFrontAndBackStencilRef(frontStencilRef, backStencilRef); });
  }
  if (!CheckRecording(kCall)) return;
  vkCmdSetStencilReference(commands_, VK_STENCIL_FACE_FRONT_BIT, frontStencilRef);
  vkCmdSetStencilReference(commands_, VK_STENCIL_FACE_BACK_BIT, backStencilRef);
}

}  // namespace d3d12vk
