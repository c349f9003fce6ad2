// Descriptor sets for pipelines whose descriptors are too many to push: taken from pools that belong to a
// command allocator and are recycled with it, since the GPU reads them until the allocator's lists are done.
#pragma once

#include <vulkan/vulkan.h>

#include <vector>

namespace d3d12vk {

class DescriptorSetArena {
 public:
  DescriptorSetArena() = default;
  DescriptorSetArena(const DescriptorSetArena&) = delete;
  DescriptorSetArena& operator=(const DescriptorSetArena&) = delete;
  ~DescriptorSetArena();

  void SetDevice(VkDevice device) { device_ = device; }
  // A fresh set of `layout`; VK_NULL_HANDLE when no pool can hold it.
  VkDescriptorSet Allocate(VkDescriptorSetLayout layout);
  // Makes every set handed out since the last reset free again.
  void Reset();

 private:
  bool AddPool();

  VkDevice device_ = VK_NULL_HANDLE;
  std::vector<VkDescriptorPool> pools_;
  size_t current_ = 0;
};

}  // namespace d3d12vk
