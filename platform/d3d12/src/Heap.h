// ID3D12Heap: one VkDeviceMemory of the heap's memory kind, from the device's MemoryAllocator like the memory
// of committed resources. Placed resources bind their buffer or image at an offset into it and hold a
// reference to the heap, so the memory lives as long as any resource placed in it.
#pragma once

#include "ComObject.h"
#include "MemoryAllocator.h"

#include <vulkan/vulkan.h>

namespace d3d12vk {

// What a heap's page properties make of it: the memory kind the allocator picks a type for, and whether the
// CPU may reach its bytes.
struct HeapMemory {
  MemoryKind kind = MemoryKind::DeviceLocal;
  bool cpuAccessible = false;
};

// Validates heap properties as Direct3D 12 does (standard types with UNKNOWN page properties and pool; custom
// heaps with both named, and no CPU access to L1 memory). Failures are reported with `call`.
HRESULT ValidateHeapProperties(const char* call, const D3D12_HEAP_PROPERTIES& properties, HeapMemory* memory);

// Alignments Direct3D 12 promises placed resources.
constexpr UINT64 kSmallPlacementAlignment = D3D12_SMALL_RESOURCE_PLACEMENT_ALIGNMENT;
constexpr UINT64 kDefaultPlacementAlignment = D3D12_DEFAULT_RESOURCE_PLACEMENT_ALIGNMENT;
constexpr UINT64 kMultisamplePlacementAlignment = D3D12_DEFAULT_MSAA_RESOURCE_PLACEMENT_ALIGNMENT;

// The resource heap tier the adapter has: tier 2 (buffers, targets and other textures in one heap) when
// Vulkan's buffer-image granularity is no coarser than the smallest placement alignment, so resources placed
// at Direct3D 12's alignments never share a granularity page.
D3D12_RESOURCE_HEAP_TIER ResourceHeapTier(const VulkanDevice& device);

// The heap flags that keep resources of `desc`'s category out of a heap.
D3D12_HEAP_FLAGS DenyingFlagFor(const D3D12_RESOURCE_DESC& desc);

class Heap final : public DeviceChild<ID3D12Heap, ID3D12Pageable> {
 public:
  static HRESULT Create(Device& device, const char* call, const D3D12_HEAP_DESC& desc, Heap** heap);

  // ID3D12Heap
  D3D12_HEAP_DESC STDMETHODCALLTYPE GetDesc() override { return desc_; }

  const MemoryPlacement& Memory() const { return memory_; }
  uint32_t MemoryType() const { return memoryType_; }
  bool CpuAccessible() const { return cpuAccessible_; }

 private:
  explicit Heap(Device& device) : DeviceChild(device) {}
  ~Heap() override;
  // Direct3D 12 hands out heaps zeroed: the CPU clears mapped memory, the GPU the rest through a buffer over
  // the whole heap, recorded in front of the next submission.
  void Zero();

  D3D12_HEAP_DESC desc_{};
  MemoryPlacement memory_;
  uint32_t memoryType_ = 0;
  bool cpuAccessible_ = false;
  VkBuffer zeroingBuffer_ = VK_NULL_HANDLE;
  uint64_t initializationSerial_ = 0;
};

inline Heap* AsHeap(ID3D12Heap* heap) { return static_cast<Heap*>(heap); }

}  // namespace d3d12vk
