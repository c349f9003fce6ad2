// Queries and predication of ID3D12GraphicsCommandList. Queries are reset, begun and ended outside rendering
// (Vulkan allows neither a reset inside it nor a query that outlives the rendering it began in), so they
// end the current rendering; the next draw begins it again.
#include "CommandList.h"

#include "Device.h"
#include "Diagnostics.h"
#include "QueryHeap.h"
#include "Resource.h"
#include "ResourceStates.h"
#include "VulkanStructs.h"

#include <algorithm>
#include <vector>

namespace d3d12vk {
namespace {

// Checks the heap, type and index shared by BeginQuery and EndQuery; the message for a misuse, or null.
const char* QueryProblem(QueryHeap* heap, D3D12_QUERY_TYPE type, UINT index) {
  if (heap == nullptr) return "pQueryHeap is null";
  if (!heap->Holds(type)) return "the heap does not hold queries of this type";
  if (index >= heap->Desc().Count) return "the index is outside the heap";
  return nullptr;
}

}  // namespace

void CommandList::BeginQuery(ID3D12QueryHeap* queryHeap, D3D12_QUERY_TYPE type, UINT index) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::BeginQuery";
  if (!CheckRecording(kCall)) return;
  auto* heap = static_cast<QueryHeap*>(queryHeap);
  if (const char* problem = QueryProblem(heap, type, index)) return Reject(kCall, "%s", problem);
  if (type == D3D12_QUERY_TYPE_TIMESTAMP) return Reject(kCall, "timestamps are only ended (EndQuery)");
  EndRendering();
  FlushPendingClears();
  vkCmdResetQueryPool(commands_, heap->Pool(), index, 1);
  // Binary occlusion only asks whether any sample passed, which is what Vulkan's imprecise queries answer.
  const bool precise = type == D3D12_QUERY_TYPE_OCCLUSION && OwningDevice().Vulkan().HasPreciseOcclusion();
  vkCmdBeginQuery(commands_, heap->Pool(), index, precise ? VK_QUERY_CONTROL_PRECISE_BIT : 0);
}

void CommandList::EndQuery(ID3D12QueryHeap* queryHeap, D3D12_QUERY_TYPE type, UINT index) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::EndQuery";
  if (!CheckRecording(kCall)) return;
  auto* heap = static_cast<QueryHeap*>(queryHeap);
  if (const char* problem = QueryProblem(heap, type, index)) return Reject(kCall, "%s", problem);
  EndRendering();
  if (type == D3D12_QUERY_TYPE_TIMESTAMP) {
    FlushPendingClears();
    vkCmdResetQueryPool(commands_, heap->Pool(), index, 1);
    // Written once all earlier work is done (the end of the pipeline: one stage only is allowed here).
    OwningDevice().Vulkan().Commands().CmdWriteTimestamp2(commands_, VK_PIPELINE_STAGE_2_BOTTOM_OF_PIPE_BIT,
                                                          heap->Pool(), index);
  } else {
    vkCmdEndQuery(commands_, heap->Pool(), index);
  }
  heap->MarkEnded(index);
}

void CommandList::ResolveQueryData(ID3D12QueryHeap* queryHeap, D3D12_QUERY_TYPE type, UINT startIndex, UINT count,
                                   ID3D12Resource* destination, UINT64 destinationOffset) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ResolveQueryData";
  if (!CheckRecording(kCall)) return;
  auto* heap = static_cast<QueryHeap*>(queryHeap);
  Resource* buffer = AsResource(destination);
  if (heap == nullptr || buffer == nullptr) return Reject(kCall, "pQueryHeap and pDestinationBuffer must not be null");
  if (!heap->Holds(type)) return Reject(kCall, "the heap does not hold queries of this type");
  if (uint64_t(startIndex) + count > heap->Desc().Count) return Reject(kCall, "the range is outside the heap");
  if (!buffer->IsBuffer()) return Reject(kCall, "the destination is not a buffer");
  if (destinationOffset % 8 != 0 || destinationOffset + uint64_t(count) * 8 > buffer->Desc().Width) {
    return Reject(kCall, "%u results at offset %llu do not fit the buffer or are not 8-byte aligned", count,
                  (unsigned long long)destinationOffset);
  }
  if (!heap->AllEnded(startIndex, count)) {
    return Reject(kCall, "queries %u to %u include some that were never ended", startIndex, startIndex + count - 1);
  }
  if (count == 0) return;
  EndRendering();
  // Under a predicate the clears that make 0 or 1 could not have predicates of their own (Vulkan does not nest
  // them); the raw count is the fallback, as on devices without conditional rendering.
  if (type == D3D12_QUERY_TYPE_BINARY_OCCLUSION && !predicating_ && heap->PrepareBinaryResolve()) {
    return ResolveBinaryOcclusion(*heap, startIndex, count, *buffer, destinationOffset);
  }
  vkCmdCopyQueryPoolResults(commands_, heap->Pool(), startIndex, count, buffer->Buffer(), destinationOffset, 8,
                            VK_QUERY_RESULT_64_BIT | VK_QUERY_RESULT_WAIT_BIT);
}

// Vulkan's conditional rendering covers draws and attachment clears (every clear while predicating is one),
// not copies or resolves, and reads 32 bits where Direct3D 12 reads 64: the predicate is the value's low half.
void CommandList::SetPredication(ID3D12Resource* predicate, UINT64 offset, D3D12_PREDICATION_OP operation) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::SetPredication";
  if (!CheckRecording(kCall)) return;
  VulkanDevice& vulkan = OwningDevice().Vulkan();
  if (!vulkan.HasConditionalRendering()) {
    if (predicate != nullptr) ReportNotImplementedOnce(kCall);
    return;
  }
  Resource* buffer = AsResource(predicate);
  if (buffer != nullptr) {
    if (!buffer->IsBuffer()) return Reject(kCall, "the predicate is not a buffer");
    if (offset % 8 != 0 || offset + 8 > buffer->Desc().Width) {
      return Reject(kCall, "offset %llu is not 8-byte aligned or leaves no 8 bytes", (unsigned long long)offset);
    }
    if (operation != D3D12_PREDICATION_OP_EQUAL_ZERO && operation != D3D12_PREDICATION_OP_NOT_EQUAL_ZERO) {
      return Reject(kCall, "unknown predication operation %d", operation);
    }
  }
  // Work recorded before the call is not predicated: clears waiting for their rendering go now.
  EndRendering();
  FlushPendingClears();
  EndPredication();
  if (buffer == nullptr) return;

  // The value may have been written by a copy or a query resolve just before.
  auto barrier = VkInit<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
  barrier.srcStageMask = kEveryWorkStage;
  barrier.srcAccessMask = kEveryWorkWrite;
  barrier.dstStageMask = VK_PIPELINE_STAGE_2_CONDITIONAL_RENDERING_BIT_EXT;
  barrier.dstAccessMask = VK_ACCESS_2_CONDITIONAL_RENDERING_READ_BIT_EXT;
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.memoryBarrierCount = 1;
  dependency.pMemoryBarriers = &barrier;
  OwningDevice().Vulkan().Commands().CmdPipelineBarrier2(commands_, &dependency);

  // EQUAL_ZERO skips the work when the value is 0, so it runs when the value is not: Vulkan's plain condition.
  auto begin = VkInit<VkConditionalRenderingBeginInfoEXT>(VK_STRUCTURE_TYPE_CONDITIONAL_RENDERING_BEGIN_INFO_EXT);
  begin.buffer = buffer->Buffer();
  begin.offset = offset;
  begin.flags = operation == D3D12_PREDICATION_OP_NOT_EQUAL_ZERO ? VK_CONDITIONAL_RENDERING_INVERTED_BIT_EXT : 0;
  vulkan.CmdBeginConditionalRendering(commands_, &begin);
  predicating_ = true;
}

namespace {

void RecordBarrier(const VulkanDispatch& vk, VkCommandBuffer commands, const VkBufferMemoryBarrier2* buffer,
                   const VkImageMemoryBarrier2* image) {
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.bufferMemoryBarrierCount = buffer != nullptr ? 1 : 0;
  dependency.pBufferMemoryBarriers = buffer;
  dependency.imageMemoryBarrierCount = image != nullptr ? 1 : 0;
  dependency.pImageMemoryBarriers = image;
  vk.CmdPipelineBarrier2(commands, &dependency);
}

VkBufferMemoryBarrier2 CountsBarrier(VkBuffer counts, VkPipelineStageFlags2 fromStage, VkAccessFlags2 fromAccess,
                                     VkPipelineStageFlags2 toStage, VkAccessFlags2 toAccess) {
  return {VK_STRUCTURE_TYPE_BUFFER_MEMORY_BARRIER_2,
          nullptr,
          fromStage,
          fromAccess,
          toStage,
          toAccess,
          VK_QUEUE_FAMILY_IGNORED,
          VK_QUEUE_FAMILY_IGNORED,
          counts,
          0,
          VK_WHOLE_SIZE};
}

VkImageMemoryBarrier2 FlagsBarrier(VkImage flags, VkImageLayout from, VkImageLayout to, VkPipelineStageFlags2 fromStage,
                                   VkAccessFlags2 fromAccess, VkPipelineStageFlags2 toStage, VkAccessFlags2 toAccess) {
  return {VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2,
          nullptr,
          fromStage,
          fromAccess,
          toStage,
          toAccess,
          from,
          to,
          VK_QUEUE_FAMILY_IGNORED,
          VK_QUEUE_FAMILY_IGNORED,
          flags,
          {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1}};
}

}  // namespace

void CommandList::ResolveBinaryOcclusion(QueryHeap& heap, UINT startIndex, UINT count, Resource& destination,
                                         UINT64 destinationOffset) {
  const VkBuffer counts = heap.CountBuffer();
  const VkExtent2D extent = heap.FlagExtent();
  // The counts and the image may still be in use by an earlier resolve of this heap: its predicates and copy.
  const VkBufferMemoryBarrier2 toCopy =
      CountsBarrier(counts, VK_PIPELINE_STAGE_2_CONDITIONAL_RENDERING_BIT_EXT, 0, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
                    VK_ACCESS_2_TRANSFER_WRITE_BIT);
  const VkImageMemoryBarrier2 toClear =
      FlagsBarrier(heap.FlagImage(), VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL,
                   VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, 0, VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
                   VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT);
  RecordBarrier(OwningDevice().Vulkan().Commands(), commands_, &toCopy, &toClear);
  vkCmdCopyQueryPoolResults(commands_, heap.Pool(), startIndex, count, counts, VkDeviceSize(startIndex) * 8, 8,
                            VK_QUERY_RESULT_64_BIT | VK_QUERY_RESULT_WAIT_BIT);
  const VkBufferMemoryBarrier2 toPredicate =
      CountsBarrier(counts, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT,
                    VK_PIPELINE_STAGE_2_CONDITIONAL_RENDERING_BIT_EXT, VK_ACCESS_2_CONDITIONAL_RENDERING_READ_BIT_EXT);
  RecordBarrier(OwningDevice().Vulkan().Commands(), commands_, &toPredicate, nullptr);

  auto attachment = VkInit<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  attachment.imageView = heap.FlagView();
  attachment.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
  attachment.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
  attachment.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  auto rendering = VkInit<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
  rendering.renderArea = {{0, 0}, extent};
  rendering.layerCount = 1;
  rendering.colorAttachmentCount = 1;
  rendering.pColorAttachments = &attachment;
  OwningDevice().Vulkan().Commands().CmdBeginRendering(commands_, &rendering);
  VkClearAttachment one{VK_IMAGE_ASPECT_COLOR_BIT, 0, {}};
  one.clearValue.color.uint32[0] = 1;
  VulkanDevice& vulkan = OwningDevice().Vulkan();
  for (UINT query = startIndex; query < startIndex + count; ++query) {
    const VkClearRect texel{{heap.FlagTexel(query), {1, 1}}, 0, 1};
    // A count is not zero when either of its 32-bit halves is not.
    for (VkDeviceSize half : {VkDeviceSize(0), VkDeviceSize(4)}) {
      auto condition =
          VkInit<VkConditionalRenderingBeginInfoEXT>(VK_STRUCTURE_TYPE_CONDITIONAL_RENDERING_BEGIN_INFO_EXT);
      condition.buffer = counts;
      condition.offset = VkDeviceSize(query) * 8 + half;
      vulkan.CmdBeginConditionalRendering(commands_, &condition);
      vkCmdClearAttachments(commands_, 1, &one, 1, &texel);
      vulkan.CmdEndConditionalRendering(commands_);
    }
  }
  OwningDevice().Vulkan().Commands().CmdEndRendering(commands_);

  const VkImageMemoryBarrier2 toRead =
      FlagsBarrier(heap.FlagImage(), VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
                   VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT, VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT,
                   VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_READ_BIT);
  RecordBarrier(OwningDevice().Vulkan().Commands(), commands_, nullptr, &toRead);
  // One region per image row the range touches; the texels land one after another as 64-bit results.
  std::vector<VkBufferImageCopy> regions;
  for (UINT query = startIndex; query < startIndex + count;) {
    const VkOffset2D texel = heap.FlagTexel(query);
    const UINT inRow = std::min(startIndex + count - query, extent.width - uint32_t(texel.x));
    regions.push_back({destinationOffset + VkDeviceSize(query - startIndex) * 8,
                       0,
                       0,
                       {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                       {texel.x, texel.y, 0},
                       {inRow, 1, 1}});
    query += inRow;
  }
  vkCmdCopyImageToBuffer(commands_, heap.FlagImage(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, destination.Buffer(),
                         uint32_t(regions.size()), regions.data());
}

void CommandList::EndPredication() {
  if (!predicating_) return;
  EndRendering();
  OwningDevice().Vulkan().CmdEndConditionalRendering(commands_);
  predicating_ = false;
}

}  // namespace d3d12vk
