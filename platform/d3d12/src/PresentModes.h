// Which Vulkan present mode shows a DXGI Present, and whether the adapter can present with tearing at all.
#pragma once

#include "VulkanInstance.h"

#include <vector>

namespace d3d12vk {

// The mode for a flip-model Present among the modes a surface offers. A sync interval waits for vertical
// blank (FIFO). With interval 0, DXGI only tears when the program asked for it (DXGI_PRESENT_ALLOW_TEARING):
// immediate mode; otherwise the newest frame replaces the queued one without tearing (mailbox). Each falls
// back to the other, then to FIFO, when the surface lacks it.
VkPresentModeKHR ChooseFlipPresentMode(const std::vector<VkPresentModeKHR>& available, UINT syncInterval,
                                       bool allowTearing);

// Whether windows on this display can be presented to with tearing (immediate mode) by `adapter`: asked of
// a hidden window's surface, since present modes belong to surfaces. False without a display.
bool AdapterCanTear(const VulkanInstance& instance, const AdapterInfo& adapter);

}  // namespace d3d12vk
