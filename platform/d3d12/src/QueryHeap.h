// ID3D12QueryHeap: a Vulkan query pool. Occlusion heaps serve both occlusion queries (precise sample counts)
// and binary occlusion queries; timestamp heaps serve timestamps of direct, compute and copy queues.
#pragma once

#include "ComObject.h"

#include <vulkan/vulkan.h>

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
  void MarkEnded(UINT index) { ended_[index] = true; }

 private:
  explicit QueryHeap(Device& device);
  ~QueryHeap() override;

  D3D12_QUERY_HEAP_DESC desc_{};
  VkQueryPool pool_ = VK_NULL_HANDLE;
  std::vector<bool> ended_;
  uint64_t initializationSerial_ = 0;
};

}  // namespace d3d12vk
