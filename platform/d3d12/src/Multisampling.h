// Sample counts: which ones the Vulkan device offers for a format and use, as Direct3D 12 asks about them
// (CheckFeatureSupport's multisample quality levels) and as resources and pipeline states need them.
#pragma once

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12vk {

class VulkanDevice;
struct FormatInfo;

// The Vulkan bit for a Direct3D 12 sample count; 0 for counts Vulkan has no bit for.
VkSampleCountFlagBits SampleCountBit(UINT count);

// The sample counts images of `format` can have with `usage` (attachments included in the usage also limit
// them to the framebuffer's counts).
VkSampleCountFlags SupportedSampleCounts(const VulkanDevice& device, VkFormat format, VkImageUsageFlags usage);

// The usage a render target or depth buffer of this format gets, before any shader-resource use.
VkImageUsageFlags AttachmentUsage(bool depthStencil);

// The D3D12_FORMAT_SUPPORT1 multisample bits of a format: render target (some count above 1), resolve (into
// a single-sample image of it) and load (shaders reading its samples).
UINT MultisampleFormatSupport(const VulkanDevice& device, const FormatInfo& format);

// Fills NumQualityLevels: 1 when the format can be a multisampled render target or depth buffer with
// SampleCount samples (one standard pattern, quality 0), 0 when it cannot.
HRESULT AnswerMultisampleQualityLevels(const VulkanDevice& device,
                                       D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS& levels);

}  // namespace d3d12vk
