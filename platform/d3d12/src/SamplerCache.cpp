#include "SamplerCache.h"

namespace d3d12vk {
namespace {

// The fields a sampler description sets; pNext and sType are always the same here.
bool SameSampler(const VkSamplerCreateInfo& a, const VkSamplerCreateInfo& b) {
  return a.magFilter == b.magFilter && a.minFilter == b.minFilter && a.mipmapMode == b.mipmapMode &&
         a.addressModeU == b.addressModeU && a.addressModeV == b.addressModeV && a.addressModeW == b.addressModeW &&
         a.mipLodBias == b.mipLodBias && a.anisotropyEnable == b.anisotropyEnable &&
         a.maxAnisotropy == b.maxAnisotropy && a.compareEnable == b.compareEnable && a.compareOp == b.compareOp &&
         a.minLod == b.minLod && a.maxLod == b.maxLod && a.borderColor == b.borderColor;
}

}  // namespace

SamplerCache::~SamplerCache() {
  for (const auto& [info, sampler] : samplers_) vkDestroySampler(device_, sampler, nullptr);
}

VkSampler SamplerCache::Get(const VkSamplerCreateInfo& info) {
  std::lock_guard lock(mutex_);
  for (const auto& [existing, sampler] : samplers_) {
    if (SameSampler(existing, info)) return sampler;
  }
  VkSampler sampler = VK_NULL_HANDLE;
  if (vkCreateSampler(device_, &info, nullptr, &sampler) != VK_SUCCESS) return VK_NULL_HANDLE;
  samplers_.emplace_back(info, sampler);
  return sampler;
}

}  // namespace d3d12vk
