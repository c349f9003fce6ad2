// Host-visible memory for root constants. A draw whose root constants changed since the last draw gets a
// fresh slice holding their values, bound as the uniform buffer the shader's constant buffer reads. The
// slices belong to a command allocator and are recycled when it is reset, once the GPU is done with them.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdint>
#include <vector>

namespace d3d12vk {

class VulkanDevice;

class ConstantUploadArena {
 public:
  struct Slice {
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceSize offset = 0;
    VkDeviceSize range = 0;  // the bytes copied, rounded up to whole 16-byte rows (the rest zeros)
  };

  explicit ConstantUploadArena(VulkanDevice& vulkan);
  ConstantUploadArena(const ConstantUploadArena&) = delete;
  ConstantUploadArena& operator=(const ConstantUploadArena&) = delete;
  ~ConstantUploadArena();

  // Copies `size` bytes (at most kMaxSliceSize) into a new slice, rounded up to whole 16-byte rows, since a
  // uniform buffer is read in rows; VK_SUCCESS or why no memory was found.
  VkResult Upload(const void* data, VkDeviceSize size, Slice* slice);
  // Makes every slice available again; only when no submitted work reads them any more.
  void Reset();

  static constexpr VkDeviceSize kMaxSliceSize = 256;  // 64 root constants

 private:
  struct Block {
    VkBuffer buffer = VK_NULL_HANDLE;
    VkDeviceMemory memory = VK_NULL_HANDLE;
    uint8_t* mapped = nullptr;
  };

  VkResult AddBlock();

  VulkanDevice& vulkan_;
  VkDeviceSize alignment_;
  std::vector<Block> blocks_;
  size_t current_ = 0;     // the block being filled
  VkDeviceSize used_ = 0;  // bytes taken from it
};

}  // namespace d3d12vk
