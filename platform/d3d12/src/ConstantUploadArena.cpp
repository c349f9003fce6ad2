#include "ConstantUploadArena.h"

#include "VulkanDevice.h"
#include "VulkanStructs.h"

#include <algorithm>
#include <cstring>

namespace d3d12vk {
namespace {

constexpr VkDeviceSize kBlockSize = 64 * 1024;

VkDeviceSize AlignUp(VkDeviceSize value, VkDeviceSize alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

}  // namespace

ConstantUploadArena::ConstantUploadArena(VulkanDevice& vulkan)
    : vulkan_(vulkan), alignment_(std::max<VkDeviceSize>(vulkan.Limits().minUniformBufferOffsetAlignment, 16)) {}

ConstantUploadArena::~ConstantUploadArena() {
  for (const Block& block : blocks_) {
    vkDestroyBuffer(vulkan_.Handle(), block.buffer, nullptr);
    vkFreeMemory(vulkan_.Handle(), block.memory, nullptr);
  }
}

VkResult ConstantUploadArena::Upload(const void* data, VkDeviceSize size, Slice* slice) {
  size = std::min(size, kMaxSliceSize);
  const VkDeviceSize range = AlignUp(std::max<VkDeviceSize>(size, 1), 16);
  const VkDeviceSize taken = AlignUp(range, alignment_);
  if (current_ < blocks_.size() && used_ + taken > kBlockSize) {
    ++current_;
    used_ = 0;
  }
  if (current_ == blocks_.size()) {
    const VkResult result = AddBlock();
    if (result != VK_SUCCESS) return result;
  }
  const Block& block = blocks_[current_];
  std::memcpy(block.mapped + used_, data, size);
  std::memset(block.mapped + used_ + size, 0, range - size);
  *slice = {block.buffer, used_, range};
  used_ += taken;
  return VK_SUCCESS;
}

void ConstantUploadArena::Reset() {
  current_ = 0;
  used_ = 0;
}

VkResult ConstantUploadArena::AddBlock() {
  VkDevice device = vulkan_.Handle();
  auto info = VkInit<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
  info.size = kBlockSize;
  info.usage = VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  Block block;
  VkResult result = vkCreateBuffer(device, &info, nullptr, &block.buffer);
  if (result != VK_SUCCESS) return result;
  VkMemoryRequirements requirements;
  vkGetBufferMemoryRequirements(device, block.buffer, &requirements);
  // Upload memory is always host-coherent, so what the CPU writes needs no flush.
  auto allocate = VkInit<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
  allocate.allocationSize = requirements.size;
  allocate.memoryTypeIndex = vulkan_.FindMemoryType(MemoryKind::Upload, requirements.memoryTypeBits, nullptr);
  result = allocate.memoryTypeIndex == UINT32_MAX ? VK_ERROR_OUT_OF_DEVICE_MEMORY
                                                  : vkAllocateMemory(device, &allocate, nullptr, &block.memory);
  if (result == VK_SUCCESS) result = vkBindBufferMemory(device, block.buffer, block.memory, 0);
  void* mapped = nullptr;
  if (result == VK_SUCCESS) result = vkMapMemory(device, block.memory, 0, VK_WHOLE_SIZE, 0, &mapped);
  if (result != VK_SUCCESS) {
    vkDestroyBuffer(device, block.buffer, nullptr);
    if (block.memory != VK_NULL_HANDLE) vkFreeMemory(device, block.memory, nullptr);
    return result;
  }
  block.mapped = static_cast<uint8_t*>(mapped);
  blocks_.push_back(block);
  return VK_SUCCESS;
}

}  // namespace d3d12vk
