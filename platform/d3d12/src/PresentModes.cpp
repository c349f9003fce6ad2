#include "PresentModes.h"

#include <win32_platform.h>

#include <SDL.h>
#include <SDL_vulkan.h>

#include <algorithm>

namespace d3d12vk {

VkPresentModeKHR ChooseFlipPresentMode(const std::vector<VkPresentModeKHR>& available, UINT syncInterval,
                                       bool allowTearing) {
  if (syncInterval > 0) return VK_PRESENT_MODE_FIFO_KHR;
  const VkPresentModeKHR first = allowTearing ? VK_PRESENT_MODE_IMMEDIATE_KHR : VK_PRESENT_MODE_MAILBOX_KHR;
  const VkPresentModeKHR second = allowTearing ? VK_PRESENT_MODE_MAILBOX_KHR : VK_PRESENT_MODE_IMMEDIATE_KHR;
  for (VkPresentModeKHR preferred : {first, second}) {
    if (std::find(available.begin(), available.end(), preferred) != available.end()) return preferred;
  }
  return VK_PRESENT_MODE_FIFO_KHR;
}

bool AdapterCanTear(const VulkanInstance& instance, const AdapterInfo& adapter) {
  if (!instance.SurfacesSupported() || win32_platform::IsHeadless()) return false;
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  bool canTear = false;
  SDL_Window* window = SDL_CreateWindow("", 0, 0, 16, 16, SDL_WINDOW_VULKAN | SDL_WINDOW_HIDDEN);
  VkSurfaceKHR surface = VK_NULL_HANDLE;
  if (window != nullptr && SDL_Vulkan_CreateSurface(window, instance.Handle(), &surface)) {
    uint32_t count = 0;
    vkGetPhysicalDeviceSurfacePresentModesKHR(adapter.physicalDevice, surface, &count, nullptr);
    std::vector<VkPresentModeKHR> modes(count);
    vkGetPhysicalDeviceSurfacePresentModesKHR(adapter.physicalDevice, surface, &count, modes.data());
    canTear = std::find(modes.begin(), modes.end(), VK_PRESENT_MODE_IMMEDIATE_KHR) != modes.end();
    vkDestroySurfaceKHR(instance.Handle(), surface, nullptr);
  }
  if (window != nullptr) SDL_DestroyWindow(window);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return canTear;
}

}  // namespace d3d12vk
