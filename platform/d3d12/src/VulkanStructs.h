// Vulkan structures start zeroed with their structure type set, without listing every member (which
// -Wextra would otherwise ask for): auto info = VkInit<VkFenceCreateInfo>(VK_STRUCTURE_TYPE_FENCE_CREATE_INFO);
#pragma once

#include <vulkan/vulkan.h>

namespace d3d12vk {

template <typename Struct>
Struct VkInit(VkStructureType type, const void* next = nullptr) {
  Struct value{};
  value.sType = type;
  value.pNext = const_cast<void*>(next);
  return value;
}

}  // namespace d3d12vk
