// Memory for committed resources. Small resources share large VkDeviceMemory blocks of their memory type and
// heap kind, so a program's hundreds of constant buffers and small textures cost a few allocations instead of
// one each; large resources, and those the driver wants on their own, keep memory of their own.
#pragma once

#include "VulkanDevice.h"

#include <windows.h>

#include <array>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace d3d12vk {

// Buffers are linear; images with optimal tiling are not. Vulkan keeps the two apart by
// bufferImageGranularity when they share memory.
enum class Tiling : uint8_t { Linear, Optimal };

// The taken byte ranges of one block. Free space is the gaps between taken ranges, so giving a range back
// needs no merging of neighbours.
class BlockSpace {
 public:
  BlockSpace(VkDeviceSize size, VkDeviceSize granularity) : size_(size), granularity_(granularity) {}

  // The offset of a new range of `size` bytes aligned to `alignment` in the first gap it fits, kept off the
  // granularity pages of neighbours of the other tiling; nullopt when no gap fits.
  std::optional<VkDeviceSize> Take(VkDeviceSize size, VkDeviceSize alignment, Tiling tiling);
  // Gives back the range that starts at `offset`.
  void Give(VkDeviceSize offset);

  bool Empty() const { return taken_.empty(); }
  VkDeviceSize Size() const { return size_; }
  size_t TakenCount() const { return taken_.size(); }

 private:
  struct Range {
    VkDeviceSize size;
    Tiling tiling;
  };
  using Taken = std::map<VkDeviceSize, Range>;

  std::optional<VkDeviceSize> FitInGap(VkDeviceSize gapBegin, VkDeviceSize gapEnd, const Taken::value_type* before,
                                       const Taken::value_type* after, VkDeviceSize size, VkDeviceSize alignment,
                                       Tiling tiling) const;
  bool SamePage(VkDeviceSize a, VkDeviceSize b) const { return a / granularity_ == b / granularity_; }

  VkDeviceSize size_;
  VkDeviceSize granularity_;
  Taken taken_;
};

// What a resource asks of the allocator.
struct MemoryRequest {
  VkMemoryRequirements requirements{};
  // The resource gets memory of its own: the driver prefers or requires it (VkMemoryDedicatedRequirements),
  // or the resource asks for it.
  bool dedicated = false;
  MemoryKind kind = MemoryKind::DeviceLocal;
  Tiling tiling = Tiling::Linear;
  // The resource, named in dedicated allocations.
  VkBuffer buffer = VK_NULL_HANDLE;
  VkImage image = VK_NULL_HANDLE;
};

struct MemoryBlock;

// Where a resource's bytes are.
struct MemoryPlacement {
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkDeviceSize offset = 0;
  VkDeviceSize size = 0;
  // The CPU's view of the first byte: always for upload and readback resources, and for any range of a block
  // in host-visible memory; null otherwise.
  std::byte* mapped = nullptr;
  bool coherent = true;
  // The shared block holding the range; null for memory of the resource's own.
  MemoryBlock* block = nullptr;
};

class MemoryAllocator {
 public:
  // Blocks are this large unless the heap is small; resources above a quarter of a block get their own memory,
  // which bounds what one block can waste to its last gaps.
  static constexpr VkDeviceSize kBlockSize = 64ull << 20;

  explicit MemoryAllocator(VulkanDevice& device);
  MemoryAllocator(const MemoryAllocator&) = delete;
  MemoryAllocator& operator=(const MemoryAllocator&) = delete;
  ~MemoryAllocator();

  // Memory for one resource, mapped when its memory type is host visible. Failures are reported with `call`
  // and answer E_OUTOFMEMORY.
  HRESULT Allocate(const char* call, const MemoryRequest& request, MemoryPlacement* placement);
  // The memory of an ID3D12Heap: one VkDeviceMemory of `size` bytes of the memory type that `kind` prefers
  // among `allowedTypes`, mapped when the CPU uses the kind. Placed resources bind into it at their offsets;
  // Free gives it back like memory of a resource's own.
  HRESULT AllocateHeap(const char* call, VkDeviceSize size, MemoryKind kind, uint32_t allowedTypes,
                       MemoryPlacement* placement, uint32_t* memoryType);
  // Gives the memory back; an emptied block is freed unless it is the one spare block kept for its pool.
  void Free(const MemoryPlacement& placement);

  // Makes CPU writes of the placement visible to the device, and device writes visible to the CPU; nothing
  // for coherent memory.
  void Flush(const MemoryPlacement& placement) const;
  void Invalidate(const MemoryPlacement& placement) const;

  // The VkDeviceMemory objects the allocator holds, shared blocks and dedicated memory together.
  size_t MemoryObjectCount() const;

 private:
  VkDeviceSize BlockSizeFor(uint32_t memoryType) const;
  bool IsHostVisible(uint32_t memoryType) const;
  HRESULT AllocateDedicated(const char* call, const MemoryRequest& request, uint32_t memoryType,
                            MemoryPlacement* placement);
  // One VkDeviceMemory, mapped when `map` and the type is host visible; `dedicated` names its one resource.
  HRESULT AllocateOwn(const char* call, VkDeviceSize size, uint32_t memoryType, bool map,
                      const VkMemoryDedicatedAllocateInfo* dedicated, MemoryPlacement* placement);
  HRESULT AllocateInBlock(const char* call, const MemoryRequest& request, uint32_t memoryType,
                          MemoryPlacement* placement);
  // Blocks are kept apart per memory type and per heap kind, even where the kinds share a memory type (all of
  // them on a CPU adapter): GPU writes into readback memory then never land next to upload data the GPU reads,
  // which the synchronization checks of the validation layer cannot always tell apart (they take an instanced
  // draw to read vertex count x stride bytes of its instance buffer).
  static uint32_t PoolOf(uint32_t memoryType, MemoryKind kind) { return memoryType * kMemoryKinds + uint32_t(kind); }
  // A range in an existing block of the pool, or in a new one; false when no block can be made.
  bool PlaceInBlock(uint32_t memoryType, uint32_t pool, VkDeviceSize size, VkDeviceSize alignment, Tiling tiling,
                    MemoryPlacement* placement);
  MemoryBlock* CreateBlock(uint32_t memoryType, uint32_t pool);
  void DestroyBlock(MemoryBlock* block);
  VkMappedMemoryRange AtomRange(const MemoryPlacement& placement) const;

  VulkanDevice& device_;
  mutable std::mutex mutex_;
  static constexpr uint32_t kMemoryKinds = 3;
  std::array<std::vector<std::unique_ptr<MemoryBlock>>, VK_MAX_MEMORY_TYPES * kMemoryKinds> blocks_;
  size_t dedicatedCount_ = 0;
};

}  // namespace d3d12vk
