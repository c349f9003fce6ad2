#include "MemoryAllocator.h"

#include "Diagnostics.h"
#include "VulkanStructs.h"

#include <algorithm>

namespace d3d12vk {
namespace {

VkDeviceSize AlignUp(VkDeviceSize value, VkDeviceSize alignment) {
  return alignment <= 1 ? value : (value + alignment - 1) / alignment * alignment;
}

VkDeviceSize AlignDown(VkDeviceSize value, VkDeviceSize alignment) {
  return alignment <= 1 ? value : value / alignment * alignment;
}

}  // namespace

std::optional<VkDeviceSize> BlockSpace::FitInGap(VkDeviceSize gapBegin, VkDeviceSize gapEnd,
                                                 const Taken::value_type* before, const Taken::value_type* after,
                                                 VkDeviceSize size, VkDeviceSize alignment, Tiling tiling) const {
  VkDeviceSize offset = AlignUp(gapBegin, alignment);
  if (before != nullptr && before->second.tiling != tiling && SamePage(gapBegin - 1, offset)) {
    offset = AlignUp(offset, std::max(granularity_, alignment));
  }
  if (offset >= gapEnd || gapEnd - offset < size) return std::nullopt;
  if (after != nullptr && after->second.tiling != tiling && SamePage(offset + size - 1, after->first)) {
    return std::nullopt;
  }
  return offset;
}

std::optional<VkDeviceSize> BlockSpace::Take(VkDeviceSize size, VkDeviceSize alignment, Tiling tiling) {
  if (size == 0 || size > size_) return std::nullopt;
  VkDeviceSize gapBegin = 0;
  const Taken::value_type* before = nullptr;
  std::optional<VkDeviceSize> offset;
  for (const Taken::value_type& range : taken_) {
    offset = FitInGap(gapBegin, range.first, before, &range, size, alignment, tiling);
    if (offset) break;
    gapBegin = range.first + range.second.size;
    before = &range;
  }
  if (!offset) offset = FitInGap(gapBegin, size_, before, nullptr, size, alignment, tiling);
  if (offset) taken_.emplace(*offset, Range{size, tiling});
  return offset;
}

void BlockSpace::Give(VkDeviceSize offset) { taken_.erase(offset); }

// One shared VkDeviceMemory, mapped once for its whole life when the CPU can reach it.
struct MemoryBlock {
  MemoryBlock(VkDeviceSize size, VkDeviceSize granularity) : space(size, granularity) {}
  VkDeviceMemory memory = VK_NULL_HANDLE;
  uint32_t memoryType = 0;
  uint32_t pool = 0;
  std::byte* mapped = nullptr;
  BlockSpace space;
};

MemoryAllocator::MemoryAllocator(VulkanDevice& device) : device_(device) {}

MemoryAllocator::~MemoryAllocator() {
  for (auto& typeBlocks : blocks_) {
    for (auto& block : typeBlocks) vkFreeMemory(device_.Handle(), block->memory, nullptr);
  }
}

HRESULT MemoryAllocator::Allocate(const char* call, const MemoryRequest& request, MemoryPlacement* placement) {
  const uint32_t type = device_.FindMemoryType(request.kind, request.requirements.memoryTypeBits, &placement->coherent);
  if (type == UINT32_MAX) {
    return Fail(call, E_OUTOFMEMORY, "no Vulkan memory type suits the resource (types 0x%x)",
                request.requirements.memoryTypeBits);
  }
  if (request.dedicated || request.requirements.size > BlockSizeFor(type) / 4) {
    return AllocateDedicated(call, request, type, placement);
  }
  return AllocateInBlock(call, request, type, placement);
}

HRESULT MemoryAllocator::AllocateDedicated(const char* call, const MemoryRequest& request, uint32_t memoryType,
                                           MemoryPlacement* placement) {
  auto dedicated = VkInit<VkMemoryDedicatedAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_DEDICATED_ALLOCATE_INFO);
  dedicated.buffer = request.buffer;
  dedicated.image = request.image;
  // Memory of its own is mapped only for the heaps the CPU uses; a block is mapped whatever it holds.
  return AllocateOwn(call, request.requirements.size, memoryType, request.kind != MemoryKind::DeviceLocal,
                     &dedicated, placement);
}

HRESULT MemoryAllocator::AllocateHeap(const char* call, VkDeviceSize size, MemoryKind kind, uint32_t allowedTypes,
                                      MemoryPlacement* placement, uint32_t* memoryType) {
  *memoryType = device_.FindMemoryType(kind, allowedTypes, &placement->coherent);
  if (*memoryType == UINT32_MAX) {
    return Fail(call, E_OUTOFMEMORY, "no Vulkan memory type suits the heap (types 0x%x)", allowedTypes);
  }
  return AllocateOwn(call, size, *memoryType, kind != MemoryKind::DeviceLocal, nullptr, placement);
}

HRESULT MemoryAllocator::AllocateOwn(const char* call, VkDeviceSize size, uint32_t memoryType, bool map,
                                     const VkMemoryDedicatedAllocateInfo* dedicated, MemoryPlacement* placement) {
  auto allocate = VkInit<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO, dedicated);
  allocate.allocationSize = size;
  allocate.memoryTypeIndex = memoryType;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  const VkResult result = vkAllocateMemory(device_.Handle(), &allocate, nullptr, &memory);
  if (result != VK_SUCCESS) {
    return Fail(call, E_OUTOFMEMORY, "cannot allocate %llu bytes: %s", (unsigned long long)size,
                DescribeVkResult(result));
  }
  void* mapped = nullptr;
  if (map && IsHostVisible(memoryType) &&
      vkMapMemory(device_.Handle(), memory, 0, VK_WHOLE_SIZE, 0, &mapped) != VK_SUCCESS) {
    vkFreeMemory(device_.Handle(), memory, nullptr);
    return Fail(call, E_OUTOFMEMORY, "cannot map %llu bytes", (unsigned long long)size);
  }
  placement->memory = memory;
  placement->offset = 0;
  placement->size = size;
  placement->mapped = static_cast<std::byte*>(mapped);
  placement->block = nullptr;
  std::lock_guard lock(mutex_);
  ++dedicatedCount_;
  return S_OK;
}

HRESULT MemoryAllocator::AllocateInBlock(const char* call, const MemoryRequest& request, uint32_t memoryType,
                                         MemoryPlacement* placement) {
  VkDeviceSize alignment = request.requirements.alignment;
  VkDeviceSize size = request.requirements.size;
  // Flushes and invalidations of non-coherent memory work in whole atoms; a range that owns its atoms cannot
  // drop a neighbour's unflushed writes.
  if (!placement->coherent && IsHostVisible(memoryType)) {
    const VkDeviceSize atom = device_.Limits().nonCoherentAtomSize;
    alignment = std::max(alignment, atom);
    size = AlignUp(size, atom);
  }
  if (PlaceInBlock(memoryType, PoolOf(memoryType, request.kind), size, alignment, request.tiling, placement)) {
    return S_OK;
  }
  // Memory for a whole block may be gone while the resource's own size is still there.
  return AllocateDedicated(call, request, memoryType, placement);
}

bool MemoryAllocator::PlaceInBlock(uint32_t memoryType, uint32_t pool, VkDeviceSize size, VkDeviceSize alignment,
                                   Tiling tiling, MemoryPlacement* placement) {
  std::lock_guard lock(mutex_);
  std::optional<VkDeviceSize> offset;
  MemoryBlock* chosen = nullptr;
  for (auto& block : blocks_[pool]) {
    offset = block->space.Take(size, alignment, tiling);
    if (offset) {
      chosen = block.get();
      break;
    }
  }
  if (chosen == nullptr) {
    chosen = CreateBlock(memoryType, pool);
    if (chosen == nullptr) return false;
    offset = chosen->space.Take(size, alignment, tiling);
    if (!offset) return false;
  }
  placement->memory = chosen->memory;
  placement->offset = *offset;
  placement->size = size;
  placement->mapped = chosen->mapped != nullptr ? chosen->mapped + *offset : nullptr;
  placement->block = chosen;
  return true;
}

void MemoryAllocator::Free(const MemoryPlacement& placement) {
  if (placement.memory == VK_NULL_HANDLE) return;
  std::lock_guard lock(mutex_);
  if (placement.block == nullptr) {
    vkFreeMemory(device_.Handle(), placement.memory, nullptr);
    --dedicatedCount_;
    return;
  }
  MemoryBlock* block = placement.block;
  block->space.Give(placement.offset);
  if (!block->space.Empty()) return;
  // One empty block per pool stays, so a program that frees and makes a resource in turn does not allocate
  // and free a block each time.
  const auto& typeBlocks = blocks_[block->pool];
  const auto emptyBlocks =
      std::count_if(typeBlocks.begin(), typeBlocks.end(), [](const auto& each) { return each->space.Empty(); });
  if (emptyBlocks > 1) DestroyBlock(block);
}

VkDeviceSize MemoryAllocator::BlockSizeFor(uint32_t memoryType) const {
  const VkPhysicalDeviceMemoryProperties& memory = device_.Adapter().memory;
  const VkDeviceSize heapSize = memory.memoryHeaps[memory.memoryTypes[memoryType].heapIndex].size;
  // A small heap (a few hundred MiB of host-visible video memory) is not given away in large pieces.
  return std::min(kBlockSize, std::max<VkDeviceSize>(AlignDown(heapSize / 8, 1 << 20), 1 << 20));
}

bool MemoryAllocator::IsHostVisible(uint32_t memoryType) const {
  return (device_.Adapter().memory.memoryTypes[memoryType].propertyFlags & VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT) != 0;
}

MemoryBlock* MemoryAllocator::CreateBlock(uint32_t memoryType, uint32_t pool) {
  const VkDeviceSize size = BlockSizeFor(memoryType);
  auto block = std::make_unique<MemoryBlock>(size, device_.Limits().bufferImageGranularity);
  block->memoryType = memoryType;
  block->pool = pool;
  auto allocate = VkInit<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
  allocate.allocationSize = size;
  allocate.memoryTypeIndex = memoryType;
  if (vkAllocateMemory(device_.Handle(), &allocate, nullptr, &block->memory) != VK_SUCCESS) return nullptr;
  if (IsHostVisible(memoryType)) {
    void* mapped = nullptr;
    if (vkMapMemory(device_.Handle(), block->memory, 0, VK_WHOLE_SIZE, 0, &mapped) != VK_SUCCESS) {
      vkFreeMemory(device_.Handle(), block->memory, nullptr);
      return nullptr;
    }
    block->mapped = static_cast<std::byte*>(mapped);
  }
  blocks_[pool].push_back(std::move(block));
  return blocks_[pool].back().get();
}

void MemoryAllocator::DestroyBlock(MemoryBlock* block) {
  auto& typeBlocks = blocks_[block->pool];
  auto found =
      std::find_if(typeBlocks.begin(), typeBlocks.end(), [block](const auto& each) { return each.get() == block; });
  if (found == typeBlocks.end()) return;
  vkFreeMemory(device_.Handle(), block->memory, nullptr);
  typeBlocks.erase(found);
}

VkMappedMemoryRange MemoryAllocator::AtomRange(const MemoryPlacement& placement) const {
  if (placement.block == nullptr) {
    return {VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE, nullptr, placement.memory, 0, VK_WHOLE_SIZE};
  }
  // Sub-allocated ranges of non-coherent memory start and end on atoms already (AllocateInBlock).
  return {VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE, nullptr, placement.memory, placement.offset, placement.size};
}

void MemoryAllocator::Flush(const MemoryPlacement& placement) const {
  if (placement.coherent || placement.mapped == nullptr) return;
  const VkMappedMemoryRange range = AtomRange(placement);
  vkFlushMappedMemoryRanges(device_.Handle(), 1, &range);
}

void MemoryAllocator::Invalidate(const MemoryPlacement& placement) const {
  if (placement.coherent || placement.mapped == nullptr) return;
  const VkMappedMemoryRange range = AtomRange(placement);
  vkInvalidateMappedMemoryRanges(device_.Handle(), 1, &range);
}

size_t MemoryAllocator::MemoryObjectCount() const {
  std::lock_guard lock(mutex_);
  size_t count = dedicatedCount_;
  for (const auto& typeBlocks : blocks_) count += typeBlocks.size();
  return count;
}

}  // namespace d3d12vk
