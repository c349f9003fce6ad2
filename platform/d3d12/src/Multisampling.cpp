#include "Multisampling.h"

#include "Diagnostics.h"
#include "FormatTable.h"
#include "VulkanDevice.h"

namespace d3d12vk {

VkSampleCountFlagBits SampleCountBit(UINT count) {
  switch (count) {
    case 1:
      return VK_SAMPLE_COUNT_1_BIT;
    case 2:
      return VK_SAMPLE_COUNT_2_BIT;
    case 4:
      return VK_SAMPLE_COUNT_4_BIT;
    case 8:
      return VK_SAMPLE_COUNT_8_BIT;
    case 16:
      return VK_SAMPLE_COUNT_16_BIT;
    case 32:
      return VK_SAMPLE_COUNT_32_BIT;
    default:
      return VkSampleCountFlagBits(0);
  }
}

VkSampleCountFlags SupportedSampleCounts(const VulkanDevice& device, VkFormat format, VkImageUsageFlags usage) {
  VkImageFormatProperties properties{};
  if (vkGetPhysicalDeviceImageFormatProperties(device.PhysicalDevice(), format, VK_IMAGE_TYPE_2D,
                                               VK_IMAGE_TILING_OPTIMAL, usage, 0, &properties) != VK_SUCCESS) {
    return 0;
  }
  VkSampleCountFlags counts = properties.sampleCounts;
  const VkPhysicalDeviceLimits& limits = device.Limits();
  if (usage & VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT) counts &= limits.framebufferColorSampleCounts;
  if (usage & VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT) {
    counts &= limits.framebufferDepthSampleCounts & limits.framebufferStencilSampleCounts;
  }
  if (usage & VK_IMAGE_USAGE_SAMPLED_BIT) counts &= limits.sampledImageColorSampleCounts;
  return counts;
}

VkImageUsageFlags AttachmentUsage(bool depthStencil) {
  return VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT |
         (depthStencil ? VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT : VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT);
}

UINT MultisampleFormatSupport(const VulkanDevice& device, const FormatInfo& format) {
  const VkFormat vkFormat = device.ImageFormat(format);
  const bool depth = IsDepthStencil(format);
  const VkSampleCountFlags targets = SupportedSampleCounts(device, vkFormat, AttachmentUsage(depth));
  if ((targets & ~VkSampleCountFlags(VK_SAMPLE_COUNT_1_BIT)) == 0) return 0;
  UINT bits = D3D12_FORMAT_SUPPORT1_MULTISAMPLE_RENDERTARGET;
  // vkCmdResolveImage writes colour images whose format can be a colour attachment; depth is not resolved.
  if (!depth) bits |= D3D12_FORMAT_SUPPORT1_MULTISAMPLE_RESOLVE;
  const VkSampleCountFlags loads =
      SupportedSampleCounts(device, vkFormat, AttachmentUsage(depth) | VK_IMAGE_USAGE_SAMPLED_BIT);
  if ((loads & ~VkSampleCountFlags(VK_SAMPLE_COUNT_1_BIT)) != 0) bits |= D3D12_FORMAT_SUPPORT1_MULTISAMPLE_LOAD;
  return bits;
}

HRESULT AnswerMultisampleQualityLevels(const VulkanDevice& device,
                                       D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS& levels) {
  levels.NumQualityLevels = 0;
  const FormatInfo* format = FindFormat(levels.Format);
  const VkSampleCountFlagBits bit = SampleCountBit(levels.SampleCount);
  if (format == nullptr || bit == 0) return S_OK;
  // Tiled resources are outside the layer.
  if (levels.Flags & D3D12_MULTISAMPLE_QUALITY_LEVELS_FLAG_TILED_RESOURCE) return S_OK;
  if (levels.SampleCount == 1) {
    levels.NumQualityLevels = 1;
    return S_OK;
  }
  const VkSampleCountFlags counts =
      SupportedSampleCounts(device, device.ImageFormat(*format), AttachmentUsage(IsDepthStencil(*format)));
  levels.NumQualityLevels = (counts & bit) ? 1 : 0;
  return S_OK;
}

}  // namespace d3d12vk
