// The samplers CreateSampler writes into sampler heaps. Descriptors are plain values that programs copy
// freely, so no descriptor can own its sampler; equal descriptions share one VkSampler, kept until the
// device goes.
#pragma once

#include <vulkan/vulkan.h>

#include <mutex>
#include <utility>
#include <vector>

namespace d3d12vk {

class SamplerCache {
 public:
  SamplerCache() = default;
  SamplerCache(const SamplerCache&) = delete;
  SamplerCache& operator=(const SamplerCache&) = delete;
  ~SamplerCache();

  void SetDevice(VkDevice device) { device_ = device; }
  // The sampler for `info`, made on first request; VK_NULL_HANDLE when Vulkan refuses it.
  VkSampler Get(const VkSamplerCreateInfo& info);

 private:
  VkDevice device_ = VK_NULL_HANDLE;
  std::mutex mutex_;
  std::vector<std::pair<VkSamplerCreateInfo, VkSampler>> samplers_;
};

}  // namespace d3d12vk
