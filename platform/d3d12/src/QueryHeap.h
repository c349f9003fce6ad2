// ID3D12QueryHeap: a Vulkan query pool. Occlusion heaps serve both occlusion queries (precise sample counts)
// and binary occlusion queries; timestamp heaps serve timestamps of direct, compute and copy queues.
#pragma once

#include "ComObject.h"

#include <vulkan/vulkan.h>

#include <mutex>
#include <vector>

namespace d3d12vk {

class QueryHeap final : public DeviceChild<ID3D12QueryHeap, ID3D12Pageable> {
 public:
  static HRESULT Create(Device& device, const D3D12_QUERY_HEAP_DESC& desc, QueryHeap** heap);

  VkQueryPool Pool() const { return pool_; }
  const D3D12_QUERY_HEAP_DESC& Desc() const { return desc_; }
  // Whether queries of `type` live in this heap.
  bool Holds(D3D12_QUERY_TYPE type) const;

  // Whether every query in [first, first + count) has been ended by a recorded list: resolving one that never
  // was would wait forever for its result.
  bool AllEnded(UINT first, UINT count) const;
  void MarkEnded(UINT index) { ended_[index] = 1; }

  // Vulkan counts samples where Direct3D 12's binary occlusion answers exactly 0 or 1. To resolve to 0 or 1
  // without a shader: the raw counts go to a buffer of the heap's own, each count is the predicate of
  // conditional attachment clears that set its texel of a two-channel integer image to (1, 0) (the image
  // starts cleared to 0), and the texels are copied out as 64-bit results. Made on first use; false when the
  // device has no conditional rendering or memory for them.
  bool PrepareBinaryResolve();
  VkBuffer CountBuffer() const { return counts_; }
  VkImage FlagImage() const { return flags_; }
  VkImageView FlagView() const { return flagView_; }
  VkExtent2D FlagExtent() const { return flagExtent_; }
  // The texel of query `index`: queries fill the image row by row.
  VkOffset2D FlagTexel(UINT index) const {
    return {int32_t(index % flagExtent_.width), int32_t(index / flagExtent_.width)};
  }

 private:
  explicit QueryHeap(Device& device);
  ~QueryHeap() override;

  D3D12_QUERY_HEAP_DESC desc_{};
  VkQueryPool pool_ = VK_NULL_HANDLE;
  // One byte per query, not packed bits: lists recorded on several threads end queries of one heap.
  std::vector<uint8_t> ended_;
  uint64_t initializationSerial_ = 0;

  std::mutex prepareMutex_;
  VkBuffer counts_ = VK_NULL_HANDLE;
  VkImage flags_ = VK_NULL_HANDLE;
  VkImageView flagView_ = VK_NULL_HANDLE;
  VkExtent2D flagExtent_{};
  std::vector<VkDeviceMemory> memories_;
};

}  // namespace d3d12vk
