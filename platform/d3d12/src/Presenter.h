// Shows the back buffers of a swap chain: in a window through a Vulkan surface and VkSwapchainKHR, or, when
// there is no display, in an off-screen front image that tests can read back.
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

#include <cstdint>
#include <utility>
#include <vector>

struct SDL_Window;

namespace d3d12vk {

class Device;
class Resource;

class Presenter {
 public:
  // `window` null means off-screen.
  Presenter(Device& device, SDL_Window* window);
  Presenter(const Presenter&) = delete;
  Presenter& operator=(const Presenter&) = delete;
  ~Presenter();

  bool IsWindowed() const { return surface_ != VK_NULL_HANDLE; }

  // Copies `backBuffer` (in the PRESENT state) to the screen or the front image. S_OK, DXGI_STATUS_OCCLUDED for
  // a minimised window, or a failure reported with `call`. Sync interval 0 does not wait for vertical blank.
  // `allowTearing`: the program passed DXGI_PRESENT_ALLOW_TEARING (see ChooseFlipPresentMode).
  HRESULT Present(const char* call, Resource& backBuffer, UINT syncInterval, bool allowTearing = false);

  // The last frame of an off-screen presenter as RGBA8 rows, top row first.
  HRESULT ReadLastFrame(std::vector<uint8_t>* rgba, UINT* width, UINT* height);

  // Drops everything that depends on the buffers' size; the next Present rebuilds it.
  void Invalidate();

 private:
  VkCommandBuffer BeginCommands();
  uint64_t SubmitCommands(const char* call, VkCommandBuffer commands, VkSemaphore wait, VkSemaphore signal);
  HRESULT PresentToWindow(const char* call, Resource& backBuffer, UINT syncInterval, bool allowTearing);
  HRESULT PresentOffscreen(const char* call, Resource& backBuffer);
  // Creates the VkSwapchainKHR if needed; S_FALSE while the window has no area.
  // Whether the device can make a swap-chain image of this format and size.
  static bool ImageFitsDevice(VkPhysicalDevice physical, VkFormat format, VkExtent2D extent);
  HRESULT EnsureSwapchain(const char* call, const Resource& backBuffer, VkPresentModeKHR mode);
  void DestroySwapchain();
  bool EnsureFrontImage(const char* call, const Resource& backBuffer);
  void DestroyFrontImage();
  VkSemaphore TakeAcquireSemaphore();
  VkPresentModeKHR ChoosePresentMode(UINT syncInterval, bool allowTearing) const;

  Device& device_;
  VkDevice vkDevice_;
  VkCommandPool pool_ = VK_NULL_HANDLE;
  std::vector<std::pair<VkCommandBuffer, uint64_t>> commandBuffers_;  // buffer, serial of its last submission

  // Window presentation.
  VkSurfaceKHR surface_ = VK_NULL_HANDLE;
  VkSwapchainKHR swapchain_ = VK_NULL_HANDLE;
  VkFormat swapchainFormat_ = VK_FORMAT_UNDEFINED;
  VkExtent2D swapchainExtent_{};
  VkPresentModeKHR presentMode_ = VK_PRESENT_MODE_FIFO_KHR;
  bool swapchainStale_ = false;
  std::vector<VkImage> swapchainImages_;
  std::vector<VkSemaphore> renderDone_;  // one per swap chain image
  std::vector<std::pair<VkSemaphore, uint64_t>> acquireSemaphores_;

  // Off-screen presentation.
  VkImage frontImage_ = VK_NULL_HANDLE;
  VkDeviceMemory frontMemory_ = VK_NULL_HANDLE;
  VkFormat frontFormat_ = VK_FORMAT_UNDEFINED;
  VkExtent2D frontExtent_{};
  bool frontHasFrame_ = false;
};

}  // namespace d3d12vk
