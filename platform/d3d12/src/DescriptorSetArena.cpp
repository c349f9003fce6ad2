#include "DescriptorSetArena.h"

#include "VulkanStructs.h"

#include <array>

namespace d3d12vk {
namespace {

// Each pool holds a few large tables of every kind; more pools come as a frame needs them.
constexpr uint32_t kSetsPerPool = 64;
constexpr uint32_t kDescriptorsPerType = 4096;

}  // namespace

DescriptorSetArena::~DescriptorSetArena() {
  for (VkDescriptorPool pool : pools_) vkDestroyDescriptorPool(device_, pool, nullptr);
}

bool DescriptorSetArena::AddPool() {
  constexpr std::array<VkDescriptorType, 7> kTypes{VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER,
                                                   VK_DESCRIPTOR_TYPE_STORAGE_BUFFER,
                                                   VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE,
                                                   VK_DESCRIPTOR_TYPE_STORAGE_IMAGE,
                                                   VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER,
                                                   VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER,
                                                   VK_DESCRIPTOR_TYPE_SAMPLER};
  std::array<VkDescriptorPoolSize, kTypes.size()> sizes;
  for (size_t i = 0; i < kTypes.size(); ++i) sizes[i] = {kTypes[i], kDescriptorsPerType};
  auto info = VkInit<VkDescriptorPoolCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_POOL_CREATE_INFO);
  info.maxSets = kSetsPerPool;
  info.poolSizeCount = uint32_t(sizes.size());
  info.pPoolSizes = sizes.data();
  VkDescriptorPool pool = VK_NULL_HANDLE;
  if (vkCreateDescriptorPool(device_, &info, nullptr, &pool) != VK_SUCCESS) return false;
  pools_.push_back(pool);
  return true;
}

VkDescriptorSet DescriptorSetArena::Allocate(VkDescriptorSetLayout layout) {
  for (; current_ <= pools_.size(); ++current_) {
    if (current_ == pools_.size() && !AddPool()) return VK_NULL_HANDLE;
    auto info = VkInit<VkDescriptorSetAllocateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_ALLOCATE_INFO);
    info.descriptorPool = pools_[current_];
    info.descriptorSetCount = 1;
    info.pSetLayouts = &layout;
    VkDescriptorSet set = VK_NULL_HANDLE;
    const VkResult result = vkAllocateDescriptorSets(device_, &info, &set);
    if (result == VK_SUCCESS) return set;
    if (result != VK_ERROR_OUT_OF_POOL_MEMORY && result != VK_ERROR_FRAGMENTED_POOL) return VK_NULL_HANDLE;
  }
  return VK_NULL_HANDLE;
}

void DescriptorSetArena::Reset() {
  for (VkDescriptorPool pool : pools_) vkResetDescriptorPool(device_, pool, 0);
  current_ = 0;
}

}  // namespace d3d12vk
