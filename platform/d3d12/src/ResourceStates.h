// What a Direct3D 12 resource state means to Vulkan: the image layout, and the pipeline stages and accesses
// a barrier into or out of the state must cover.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12vk {

struct StageAccess {
  VkPipelineStageFlags2 stages;
  VkAccessFlags2 access;
};

// The layout an image has while in `state`. `aspects` tells depth images from colour images.
VkImageLayout ImageLayoutFor(D3D12_RESOURCE_STATES state, VkImageAspectFlags aspects);

// The work that may touch a resource while it is in `state`.
StageAccess StageAccessFor(D3D12_RESOURCE_STATES state);

// True when `state` names only states the layer knows; reports nothing.
bool IsKnownState(D3D12_RESOURCE_STATES state);

}  // namespace d3d12vk
