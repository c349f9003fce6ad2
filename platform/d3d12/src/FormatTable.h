// DXGI formats and their Vulkan counterparts: size, block shape, aspects and the swizzle that makes up for
// formats Vulkan lacks (B8G8R8X8, A8).
#pragma once

#include <dxgiformat.h>
#include <vulkan/vulkan.h>

#include <cstdint>

namespace d3d12vk {

struct FormatInfo {
  DXGI_FORMAT dxgi;
  VkFormat vulkan;
  // Bytes per texel, or per 4 x 4 block for block-compressed formats.
  uint32_t bytesPerBlock;
  // 1 for ordinary formats, 4 for block-compressed ones.
  uint32_t blockSize;
  VkImageAspectFlags aspects;
  // A typeless format: images get VK_IMAGE_CREATE_MUTABLE_FORMAT_BIT so typed views can be made.
  bool typeless;
  VkComponentMapping swizzle;
};

// The entry for `format`, or null when the layer cannot use it (including DXGI_FORMAT_UNKNOWN).
const FormatInfo* FindFormat(DXGI_FORMAT format);

inline bool IsDepthStencil(const FormatInfo& format) {
  return (format.aspects & (VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT)) != 0;
}

// The format Vulkan sees for a depth format the device cannot render to: D24_UNORM_S8_UINT is missing on
// many GPUs, D32_SFLOAT_S8_UINT takes its place.
VkFormat DepthFallback(VkFormat format);

}  // namespace d3d12vk
