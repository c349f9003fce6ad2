// Compute work of ID3D12GraphicsCommandList: the compute root signature and its arguments, Dispatch, root
// shader resource and unordered access views (graphics and compute), and UAV clears.
#include "CommandList.h"

#include "Device.h"
#include "Diagnostics.h"
#include "PipelineState.h"
#include "Resource.h"
#include "RootSignature.h"

#include "VulkanStructs.h"

#include <algorithm>
#include <cstring>

namespace d3d12vk {
namespace {

// Typed buffer views a fill of 32-bit words clears exactly.
bool IsSingleWordFormat(VkFormat format) {
  return format == VK_FORMAT_R32_UINT || format == VK_FORMAT_R32_SINT || format == VK_FORMAT_R32_SFLOAT;
}

// The mip level a texture UAV views: the one whose size the view has.
uint32_t ViewedMip(const Descriptor& view) {
  for (uint32_t mip = 0; mip < view.resource->MipLevels(); ++mip) {
    const VkExtent3D extent = view.resource->MipExtent(mip);
    if (extent.width == view.extent.width && extent.height == view.extent.height) return mip;
  }
  return 0;
}

// Later shader work sees a clear's values: Direct3D 12 orders a clear with later work of its list.
void RecordClearToShaderBarrier(const VulkanDispatch& vk, VkCommandBuffer commands) {
  auto barrier = VkInit<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
  // Fills and image clears are transfers; cleared rectangles of textures are attachment clears.
  barrier.srcStageMask = VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT | VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT;
  barrier.srcAccessMask = VK_ACCESS_2_TRANSFER_WRITE_BIT | VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT;
  barrier.dstStageMask = VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT;
  barrier.dstAccessMask = VK_ACCESS_2_MEMORY_READ_BIT | VK_ACCESS_2_MEMORY_WRITE_BIT;
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.memoryBarrierCount = 1;
  dependency.pMemoryBarriers = &barrier;
  vk.CmdPipelineBarrier2(commands, &dependency);
}

}  // namespace

void CommandList::SetComputeRootSignature(ID3D12RootSignature* rootSignature) {
  if (IsBundle()) {
    return RecordForBundle("SetComputeRootSignature",
                           [=](CommandList& list) { list.SetComputeRootSignature(rootSignature); });
  }
  SetRootSignature(compute_, "ID3D12GraphicsCommandList::SetComputeRootSignature", rootSignature);
}

void CommandList::SetComputeRootDescriptorTable(UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE base) {
  if (IsBundle()) {
    return RecordForBundle("SetComputeRootDescriptorTable",
                           [=](CommandList& list) { list.SetComputeRootDescriptorTable(parameter, base); });
  }
  SetRootDescriptorTable(compute_, "ID3D12GraphicsCommandList::SetComputeRootDescriptorTable", parameter, base);
}

void CommandList::SetComputeRoot32BitConstant(UINT parameter, UINT value, UINT offset) {
  if (IsBundle()) {
    return RecordForBundle("SetComputeRoot32BitConstant",
                           [=](CommandList& list) { list.SetComputeRoot32BitConstant(parameter, value, offset); });
  }
  SetRootConstants(compute_, "ID3D12GraphicsCommandList::SetComputeRoot32BitConstant", parameter, 1, &value, offset);
}

void CommandList::SetComputeRoot32BitConstants(UINT parameter, UINT count, const void* values, UINT offset) {
  if (IsBundle()) {
    const auto* words = static_cast<const uint32_t*>(values);
    std::vector<uint32_t> copies(words, words == nullptr ? words : words + count);
    return RecordForBundle("SetComputeRoot32BitConstants", [=](CommandList& list) {
      list.SetComputeRoot32BitConstants(parameter, count, copies.empty() ? nullptr : copies.data(), offset);
    });
  }
  SetRootConstants(compute_, "ID3D12GraphicsCommandList::SetComputeRoot32BitConstants", parameter, count, values,
                   offset);
}

void CommandList::SetComputeRootConstantBufferView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) {
  if (IsBundle()) {
    return RecordForBundle("SetComputeRootConstantBufferView",
                           [=](CommandList& list) { list.SetComputeRootConstantBufferView(parameter, address); });
  }
  SetRootView(compute_, "ID3D12GraphicsCommandList::SetComputeRootConstantBufferView", parameter, address,
              D3D12_ROOT_PARAMETER_TYPE_CBV);
}

void CommandList::SetComputeRootShaderResourceView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) {
  if (IsBundle()) {
    return RecordForBundle("SetComputeRootShaderResourceView",
                           [=](CommandList& list) { list.SetComputeRootShaderResourceView(parameter, address); });
  }
  SetRootView(compute_, "ID3D12GraphicsCommandList::SetComputeRootShaderResourceView", parameter, address,
              D3D12_ROOT_PARAMETER_TYPE_SRV);
}

void CommandList::SetGraphicsRootShaderResourceView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) {
  if (IsBundle()) {
    return RecordForBundle("SetGraphicsRootShaderResourceView",
                           [=](CommandList& list) { list.SetGraphicsRootShaderResourceView(parameter, address); });
  }
  SetRootView(graphics_, "ID3D12GraphicsCommandList::SetGraphicsRootShaderResourceView", parameter, address,
              D3D12_ROOT_PARAMETER_TYPE_SRV);
}

void CommandList::SetComputeRootUnorderedAccessView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) {
  if (IsBundle()) {
    return RecordForBundle("SetComputeRootUnorderedAccessView",
                           [=](CommandList& list) { list.SetComputeRootUnorderedAccessView(parameter, address); });
  }
  SetRootView(compute_, "ID3D12GraphicsCommandList::SetComputeRootUnorderedAccessView", parameter, address,
              D3D12_ROOT_PARAMETER_TYPE_UAV);
}

void CommandList::SetGraphicsRootUnorderedAccessView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) {
  if (IsBundle()) {
    return RecordForBundle("SetGraphicsRootUnorderedAccessView",
                           [=](CommandList& list) { list.SetGraphicsRootUnorderedAccessView(parameter, address); });
  }
  SetRootView(graphics_, "ID3D12GraphicsCommandList::SetGraphicsRootUnorderedAccessView", parameter, address,
              D3D12_ROOT_PARAMETER_TYPE_UAV);
}

void CommandList::Dispatch(UINT groupsX, UINT groupsY, UINT groupsZ) {
  if (IsBundle()) {
    return RecordForBundle("Dispatch", [=](CommandList& list) { list.Dispatch(groupsX, groupsY, groupsZ); });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::Dispatch";
  const uint32_t limit = D3D12_CS_DISPATCH_MAX_THREAD_GROUPS_PER_DIMENSION;
  if (groupsX > limit || groupsY > limit || groupsZ > limit) {
    return Reject(kCall, "%u x %u x %u thread groups exceed %u per dimension", groupsX, groupsY, groupsZ, limit);
  }
  if (!PrepareDispatch(kCall)) return;
  if (groupsX == 0 || groupsY == 0 || groupsZ == 0) return;
  vkCmdDispatch(commands_, groupsX, groupsY, groupsZ);
}

bool CommandList::PrepareDispatch(const char* call) {
  if (!CheckRecording(call)) return false;
  const char* problem = nullptr;
  if (pipeline_ == nullptr) {
    problem = "no pipeline state is set";
  } else if (!pipeline_->IsCompute()) {
    problem = "the pipeline state is a graphics pipeline";
  } else if (compute_.signature == nullptr) {
    problem = "no compute root signature is set";
  } else if (!pipeline_->Root().IsCompatible(*compute_.signature)) {
    problem = "the pipeline state was built for another root signature";
  }
  if (problem != nullptr) {
    Reject(call, "%s; the dispatch was skipped", problem);
    return false;
  }
  // Dispatches run outside rendering, and clears waiting for it must land first.
  EndRendering();
  FlushPendingClears();
  if (!PrepareRootArguments(compute_, call, *pipeline_, VK_PIPELINE_BIND_POINT_COMPUTE)) return false;
  if (boundComputePipeline_ != pipeline_->Handle()) {
    vkCmdBindPipeline(commands_, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline_->Handle());
    boundComputePipeline_ = pipeline_->Handle();
  }
  return true;
}

void CommandList::ClearUnorderedAccessViewUint(D3D12_GPU_DESCRIPTOR_HANDLE, D3D12_CPU_DESCRIPTOR_HANDLE cpuView,
                                               ID3D12Resource* resource, const UINT values[4], UINT rectCount,
                                               const D3D12_RECT* rects) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::ClearUnorderedAccessViewUint");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ClearUnorderedAccessViewUint";
  if (!CheckRecording(kCall)) return;
  if (values == nullptr || (rectCount > 0 && rects == nullptr)) return Reject(kCall, "Values or pRects is null");
  VkClearColorValue value{};
  std::copy(values, values + 4, value.uint32);
  ClearUnorderedAccess(kCall, cpuView, resource, value, values[0], rectCount, rects);
}

void CommandList::ClearUnorderedAccessViewFloat(D3D12_GPU_DESCRIPTOR_HANDLE, D3D12_CPU_DESCRIPTOR_HANDLE cpuView,
                                                ID3D12Resource* resource, const FLOAT values[4], UINT rectCount,
                                                const D3D12_RECT* rects) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::ClearUnorderedAccessViewFloat");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ClearUnorderedAccessViewFloat";
  if (!CheckRecording(kCall)) return;
  if (values == nullptr || (rectCount > 0 && rects == nullptr)) return Reject(kCall, "Values or pRects is null");
  VkClearColorValue value{};
  std::copy(values, values + 4, value.float32);
  uint32_t word = 0;
  std::memcpy(&word, &values[0], sizeof(word));
  ClearUnorderedAccess(kCall, cpuView, resource, value, word, rectCount, rects);
}

// Buffers are filled with the first value's 32 bits, which is the clear of every raw, structured and
// 32-bit typed view; textures take the whole value in the view's format.
void CommandList::ClearUnorderedAccess(const char* call, D3D12_CPU_DESCRIPTOR_HANDLE cpuView, ID3D12Resource* resource,
                                       const VkClearColorValue& value, uint32_t fillWord, UINT rectCount,
                                       const D3D12_RECT* rects) {
  const Descriptor* view =
      OwningDevice().DescriptorHeaps().Resolve(cpuView, D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, call);
  if (view == nullptr) return Reject(call, "nothing was cleared");
  if (view->type != DescriptorType::UnorderedAccess)
    return Reject(call, "the descriptor holds no unordered access view");
  if (resource == nullptr || AsResource(resource) != view->resource) {
    return Reject(call, "pResource is not the resource of the view");
  }
  if (view->resource->RecordedState() != D3D12_RESOURCE_STATE_UNORDERED_ACCESS &&
      view->resource->RecordedState() != D3D12_RESOURCE_STATE_COMMON) {
    return Reject(call, "the resource is in state 0x%x, not UNORDERED_ACCESS", view->resource->RecordedState());
  }
  EndRendering();
  FlushPendingClears();
  if (view->buffer != VK_NULL_HANDLE) {
    if (view->texelView != VK_NULL_HANDLE && !IsSingleWordFormat(view->format)) {
      ReportNotImplementedOnce(
          "ID3D12GraphicsCommandList::ClearUnorderedAccessView* of typed buffers that are not 32-bit");
      return;
    }
    FillBufferRects(*view, fillWord, rectCount, rects);
  } else if (rectCount > 0) {
    if (!(view->resource->Desc().Flags & D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS) ||
        !ClearImageRects(*view, value, rectCount, rects)) {
      return Reject(call, "the adapter cannot clear rectangles of format %d", view->format);
    }
  } else {
    const VkImageSubresourceRange range{view->aspects, ViewedMip(*view), 1, 0, 1};
    vkCmdClearColorImage(commands_, view->resource->Image(), view->resource->CurrentLayout(), &value, 1, &range);
  }
  // Shaders after the clear see its values without a barrier of their own, as in Direct3D 12.
  RecordClearToShaderBarrier(OwningDevice().Vulkan().Commands(), commands_);
}

// A buffer view's rectangles are element ranges: left to right of the one row a buffer has.
void CommandList::FillBufferRects(const Descriptor& view, uint32_t fillWord, UINT rectCount, const D3D12_RECT* rects) {
  if (rectCount == 0) {
    vkCmdFillBuffer(commands_, view.buffer, view.offset, view.range, fillWord);
    return;
  }
  const VkDeviceSize elements = view.range / view.elementBytes;
  for (UINT i = 0; i < rectCount; ++i) {
    const VkDeviceSize left = VkDeviceSize(std::clamp<LONG>(rects[i].left, 0, LONG(elements)));
    const VkDeviceSize right = VkDeviceSize(std::clamp<LONG>(rects[i].right, LONG(left), LONG(elements)));
    if (right == left || rects[i].bottom <= std::max<LONG>(rects[i].top, 0) || rects[i].top > 0) continue;
    vkCmdFillBuffer(commands_, view.buffer, view.offset + left * view.elementBytes,
                    (right - left) * view.elementBytes, fillWord);
  }
}

// Vulkan clears parts of an image only as an attachment: the texture's mip renders alone for the clear (UAV
// textures are made attachments too where their format allows).
bool CommandList::ClearImageRects(const Descriptor& view, const VkClearColorValue& value, UINT rectCount,
                                  const D3D12_RECT* rects) {
  if (!view.resource->IsAttachment()) return false;
  Descriptor target = view;
  target.type = DescriptorType::RenderTarget;
  RecordRendering(&target, 1, nullptr);
  VkClearValue clear{};
  clear.color = value;
  ClearInRendering(target, VK_IMAGE_ASPECT_COLOR_BIT, clear, rectCount, rects);
  OwningDevice().Vulkan().Commands().CmdEndRendering(commands_);
  return true;
}

}  // namespace d3d12vk
