// Queries and predication of ID3D12GraphicsCommandList. Queries are reset, begun and ended outside rendering
// (Vulkan allows neither a reset inside it nor a query that outlives the rendering it began in), so they
// end the current rendering; the next draw begins it again.
#include "CommandList.h"

#include "Device.h"
#include "Diagnostics.h"
#include "QueryHeap.h"
#include "Resource.h"
#include "VulkanStructs.h"

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
    vkCmdWriteTimestamp2(commands_, VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT, heap->Pool(), index);
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
  vkCmdCopyQueryPoolResults(commands_, heap->Pool(), startIndex, count, buffer->Buffer(), destinationOffset, 8,
                            VK_QUERY_RESULT_64_BIT | VK_QUERY_RESULT_WAIT_BIT);
}

void CommandList::SetPredication(ID3D12Resource*, UINT64, D3D12_PREDICATION_OP) {
  ReportUnsupportedOnce("ID3D12GraphicsCommandList::SetPredication");
}

}  // namespace d3d12vk
