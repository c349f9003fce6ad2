// The first commands of a new committed resource. Direct3D 12 hands out committed resources zeroed, and shared
// memory blocks hand out bytes an earlier resource wrote, so new resources are cleared before any later work
// reaches them. Recorded into the submission queue's initialization commands.
#pragma once

#include "ResourceStates.h"
#include "VulkanDispatch.h"

#include <vulkan/vulkan.h>

namespace d3d12vk {

// One global memory barrier: what `from` did happens before, and is visible to, what `to` does.
void RecordMemoryBarrier(const VulkanDispatch& vk, VkCommandBuffer commands, StageAccess from, StageAccess to);

// Fills a whole buffer with zeros and makes the zeros visible to every later command.
void RecordBufferZeroing(const VulkanDispatch& vk, VkCommandBuffer commands, VkBuffer buffer);

// What a new image needs: its aspects, whether to clear it, and the layout and scope of its initial state.
struct ImageStart {
  VkImage image;
  VkImageAspectFlags aspects;
  bool zero;
  VkImageLayout layout;
  StageAccess initial;
  // PREINITIALIZED keeps what the CPU wrote into a linear image before its first use.
  VkImageLayout from = VK_IMAGE_LAYOUT_UNDEFINED;
};

// Takes the image out of `start.from` into `start.layout`, cleared to zero on the way when `start.zero`. Earlier
// work that wrote the same memory is waited for: with shared blocks it may belong to a released resource.
void RecordImageStart(const VulkanDispatch& vk, VkCommandBuffer commands, const ImageStart& start);

}  // namespace d3d12vk
