#include "Presenter.h"

#include "Device.h"
#include "Diagnostics.h"
#include "PresentModes.h"
#include "Resource.h"
#include "ResourceStates.h"
#include "VulkanStructs.h"

#include <SDL.h>
#include <SDL_vulkan.h>

#include <algorithm>
#include <cstring>

#include <dxgi.h>

namespace d3d12vk {
namespace {

void ImageBarrier(const VulkanDispatch& vk, VkCommandBuffer commands, VkImage image, VkImageLayout from,
                  VkImageLayout to, VkPipelineStageFlags2 sourceStages, VkAccessFlags2 sourceAccess,
                  VkPipelineStageFlags2 destinationStages, VkAccessFlags2 destinationAccess) {
  auto barrier = VkInit<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
  barrier.srcStageMask = sourceStages;
  barrier.srcAccessMask = sourceAccess;
  barrier.dstStageMask = destinationStages;
  barrier.dstAccessMask = destinationAccess;
  barrier.oldLayout = from;
  barrier.newLayout = to;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.subresourceRange = {VK_IMAGE_ASPECT_COLOR_BIT, 0, 1, 0, 1};
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.imageMemoryBarrierCount = 1;
  dependency.pImageMemoryBarriers = &barrier;
  vk.CmdPipelineBarrier2(commands, &dependency);
}

// The back buffer is read in TRANSFER_SRC layout, once the frame's rendering (submitted before) is done, and
// returned to the layout of the PRESENT state afterwards.
void BeginReadingBackBuffer(const VulkanDispatch& vk, VkCommandBuffer commands, const Resource& backBuffer) {
  ImageBarrier(vk, commands, backBuffer.Image(), backBuffer.CurrentLayout(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
               kEveryWorkStage, kEveryWorkWrite, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_READ_BIT);
}

void EndReadingBackBuffer(const VulkanDispatch& vk, VkCommandBuffer commands, const Resource& backBuffer) {
  ImageBarrier(vk, commands, backBuffer.Image(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, backBuffer.CurrentLayout(),
               VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, 0, kEveryWorkStage, kEveryWorkAccess);
}

VkSurfaceFormatKHR ChooseSurfaceFormat(const std::vector<VkSurfaceFormatKHR>& formats) {
  for (const VkSurfaceFormatKHR& format : formats) {
    if ((format.format == VK_FORMAT_B8G8R8A8_UNORM || format.format == VK_FORMAT_R8G8B8A8_UNORM) &&
        format.colorSpace == VK_COLOR_SPACE_SRGB_NONLINEAR_KHR) {
      return format;
    }
  }
  return formats.front();
}

}  // namespace

Presenter::Presenter(Device& device, SDL_Window* window) : device_(device), vkDevice_(device.Vulkan().Handle()) {
  auto poolInfo = VkInit<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
  poolInfo.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
  poolInfo.queueFamilyIndex = device.Vulkan().QueueFamily();
  vkCreateCommandPool(vkDevice_, &poolInfo, nullptr, &pool_);

  if (window == nullptr || !device.Vulkan().HasSwapchainSupport()) return;
  VkInstance instance = device.Vulkan().Instance().Handle();
  if (!SDL_Vulkan_CreateSurface(window, instance, &surface_)) {
    Report("IDXGIFactory::CreateSwapChain", "no Vulkan surface for the window (%s); presenting off-screen",
           SDL_GetError());
    surface_ = VK_NULL_HANDLE;
    return;
  }
  VkBool32 supported = VK_FALSE;
  vkGetPhysicalDeviceSurfaceSupportKHR(device.Vulkan().PhysicalDevice(), device.Vulkan().QueueFamily(), surface_,
                                       &supported);
  if (!supported) {
    Report("IDXGIFactory::CreateSwapChain", "the adapter cannot present to this window; presenting off-screen");
    vkDestroySurfaceKHR(instance, surface_, nullptr);
    surface_ = VK_NULL_HANDLE;
  }
}

Presenter::~Presenter() {
  device_.Submissions().WaitIdle();
  DestroySwapchain();
  DestroyFrontImage();
  for (auto& [semaphore, serial] : acquireSemaphores_) vkDestroySemaphore(vkDevice_, semaphore, nullptr);
  if (surface_ != VK_NULL_HANDLE) vkDestroySurfaceKHR(device_.Vulkan().Instance().Handle(), surface_, nullptr);
  if (pool_ != VK_NULL_HANDLE) vkDestroyCommandPool(vkDevice_, pool_, nullptr);
}

void Presenter::Invalidate() {
  device_.Submissions().WaitIdle();
  swapchainStale_ = true;
  DestroyFrontImage();
}

VkCommandBuffer Presenter::BeginCommands() {
  VkCommandBuffer commands = VK_NULL_HANDLE;
  for (auto& [buffer, serial] : commandBuffers_) {
    if (device_.Submissions().IsComplete(serial)) {
      commands = buffer;
      serial = UINT64_MAX;  // in use until submitted
      break;
    }
  }
  if (commands == VK_NULL_HANDLE) {
    auto allocate = VkInit<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
    allocate.commandPool = pool_;
    allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
    allocate.commandBufferCount = 1;
    if (vkAllocateCommandBuffers(vkDevice_, &allocate, &commands) != VK_SUCCESS) return VK_NULL_HANDLE;
    commandBuffers_.emplace_back(commands, UINT64_MAX);
  }
  vkResetCommandBuffer(commands, 0);
  auto begin = VkInit<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
  begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
  vkBeginCommandBuffer(commands, &begin);
  return commands;
}

uint64_t Presenter::SubmitCommands(const char* call, VkCommandBuffer commands, VkSemaphore wait, VkSemaphore signal) {
  vkEndCommandBuffer(commands);
  std::vector<SemaphoreWait> waits;
  std::vector<SemaphoreSignal> signals;
  if (wait != VK_NULL_HANDLE) waits.push_back({wait, 0, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT});
  if (signal != VK_NULL_HANDLE) signals.push_back({signal, 0});
  const uint64_t serial = device_.Submissions().Submit(call, {&commands, 1}, waits, signals);
  for (auto& [buffer, bufferSerial] : commandBuffers_) {
    // A refused submission (serial 0) leaves the buffer free again.
    if (buffer == commands) bufferSerial = serial;
  }
  return serial;
}

HRESULT Presenter::Present(const char* call, Resource& backBuffer, UINT syncInterval, bool allowTearing) {
  if (backBuffer.RecordedState() != D3D12_RESOURCE_STATE_PRESENT) {
    return Fail(call, DXGI_ERROR_INVALID_CALL,
                "the back buffer is in state 0x%x; transition it to PRESENT before presenting",
                backBuffer.RecordedState());
  }
  return IsWindowed() ? PresentToWindow(call, backBuffer, syncInterval, allowTearing)
                      : PresentOffscreen(call, backBuffer);
}

VkPresentModeKHR Presenter::ChoosePresentMode(UINT syncInterval, bool allowTearing) const {
  uint32_t count = 0;
  vkGetPhysicalDeviceSurfacePresentModesKHR(device_.Vulkan().PhysicalDevice(), surface_, &count, nullptr);
  std::vector<VkPresentModeKHR> modes(count);
  vkGetPhysicalDeviceSurfacePresentModesKHR(device_.Vulkan().PhysicalDevice(), surface_, &count, modes.data());
  return ChooseFlipPresentMode(modes, syncInterval, allowTearing);
}

bool Presenter::ImageFitsDevice(VkPhysicalDevice physical, VkFormat format, VkExtent2D extent) {
  VkImageFormatProperties properties{};
  if (vkGetPhysicalDeviceImageFormatProperties(physical, format, VK_IMAGE_TYPE_2D, VK_IMAGE_TILING_OPTIMAL,
                                               VK_IMAGE_USAGE_TRANSFER_DST_BIT, 0, &properties) != VK_SUCCESS) {
    return false;
  }
  return extent.width <= properties.maxExtent.width && extent.height <= properties.maxExtent.height;
}

HRESULT Presenter::EnsureSwapchain(const char* call, const Resource& backBuffer, VkPresentModeKHR mode) {
  VkSurfaceCapabilitiesKHR capabilities;
  VkPhysicalDevice physical = device_.Vulkan().PhysicalDevice();
  if (vkGetPhysicalDeviceSurfaceCapabilitiesKHR(physical, surface_, &capabilities) != VK_SUCCESS) {
    return Fail(call, DXGI_ERROR_DEVICE_RESET, "the window's surface is gone");
  }
  VkExtent2D extent = capabilities.currentExtent;
  if (extent.width == UINT32_MAX) {
    extent = {
        std::clamp(uint32_t(backBuffer.Desc().Width), capabilities.minImageExtent.width,
                   capabilities.maxImageExtent.width),
        std::clamp(backBuffer.Desc().Height, capabilities.minImageExtent.height, capabilities.maxImageExtent.height)};
  }
  if (extent.width == 0 || extent.height == 0) return S_FALSE;
  if (swapchain_ != VK_NULL_HANDLE && !swapchainStale_ && mode == presentMode_ &&
      extent.width == swapchainExtent_.width && extent.height == swapchainExtent_.height) {
    return S_OK;
  }
  if (!(capabilities.supportedUsageFlags & VK_IMAGE_USAGE_TRANSFER_DST_BIT)) {
    return Fail(call, DXGI_ERROR_UNSUPPORTED, "the window's swap chain images cannot be copied to");
  }
  uint32_t formatCount = 0;
  vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface_, &formatCount, nullptr);
  std::vector<VkSurfaceFormatKHR> formats(formatCount);
  vkGetPhysicalDeviceSurfaceFormatsKHR(physical, surface_, &formatCount, formats.data());
  if (formats.empty()) return Fail(call, DXGI_ERROR_UNSUPPORTED, "the window's surface offers no formats");
  const VkSurfaceFormatKHR format = ChooseSurfaceFormat(formats);
  // A window larger than the device's largest image (a frame dragged past 16384 pixels) gets no swap chain:
  // nothing reaches it until it is small enough again, as for a minimised window.
  if (!ImageFitsDevice(physical, format.format, extent)) return S_FALSE;

  device_.Submissions().WaitIdle();
  auto info = VkInit<VkSwapchainCreateInfoKHR>(VK_STRUCTURE_TYPE_SWAPCHAIN_CREATE_INFO_KHR);
  info.surface = surface_;
  info.minImageCount = std::max(capabilities.minImageCount, 2u);
  if (capabilities.maxImageCount != 0) info.minImageCount = std::min(info.minImageCount, capabilities.maxImageCount);
  info.imageFormat = format.format;
  info.imageColorSpace = format.colorSpace;
  info.imageExtent = extent;
  info.imageArrayLayers = 1;
  info.imageUsage = VK_IMAGE_USAGE_TRANSFER_DST_BIT;
  info.imageSharingMode = VK_SHARING_MODE_EXCLUSIVE;
  info.preTransform = capabilities.currentTransform;
  info.compositeAlpha = VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR;
  if (!(capabilities.supportedCompositeAlpha & VK_COMPOSITE_ALPHA_OPAQUE_BIT_KHR)) {
    info.compositeAlpha =
        VkCompositeAlphaFlagBitsKHR(capabilities.supportedCompositeAlpha & ~(capabilities.supportedCompositeAlpha - 1));
  }
  info.presentMode = mode;
  info.clipped = VK_TRUE;
  info.oldSwapchain = swapchain_;
  VkSwapchainKHR created = VK_NULL_HANDLE;
  const VkResult result = vkCreateSwapchainKHR(vkDevice_, &info, nullptr, &created);
  DestroySwapchain();
  if (result != VK_SUCCESS) {
    return Fail(call, DXGI_ERROR_DEVICE_RESET, "cannot create the window's swap chain: %s", DescribeVkResult(result));
  }
  swapchain_ = created;
  swapchainFormat_ = format.format;
  swapchainExtent_ = extent;
  presentMode_ = mode;
  swapchainStale_ = false;
  uint32_t imageCount = 0;
  vkGetSwapchainImagesKHR(vkDevice_, swapchain_, &imageCount, nullptr);
  swapchainImages_.resize(imageCount);
  vkGetSwapchainImagesKHR(vkDevice_, swapchain_, &imageCount, swapchainImages_.data());
  auto semaphoreInfo = VkInit<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
  renderDone_.resize(imageCount);
  for (VkSemaphore& semaphore : renderDone_) vkCreateSemaphore(vkDevice_, &semaphoreInfo, nullptr, &semaphore);
  return S_OK;
}

void Presenter::DestroySwapchain() {
  for (VkSemaphore semaphore : renderDone_) vkDestroySemaphore(vkDevice_, semaphore, nullptr);
  renderDone_.clear();
  swapchainImages_.clear();
  if (swapchain_ != VK_NULL_HANDLE) vkDestroySwapchainKHR(vkDevice_, swapchain_, nullptr);
  swapchain_ = VK_NULL_HANDLE;
}

VkSemaphore Presenter::TakeAcquireSemaphore() {
  for (auto& [semaphore, serial] : acquireSemaphores_) {
    if (device_.Submissions().IsComplete(serial)) {
      serial = UINT64_MAX;
      return semaphore;
    }
  }
  auto info = VkInit<VkSemaphoreCreateInfo>(VK_STRUCTURE_TYPE_SEMAPHORE_CREATE_INFO);
  VkSemaphore semaphore = VK_NULL_HANDLE;
  vkCreateSemaphore(vkDevice_, &info, nullptr, &semaphore);
  acquireSemaphores_.emplace_back(semaphore, UINT64_MAX);
  return semaphore;
}

HRESULT Presenter::PresentToWindow(const char* call, Resource& backBuffer, UINT syncInterval, bool allowTearing) {
  const VkPresentModeKHR mode = ChoosePresentMode(syncInterval, allowTearing);
  uint32_t imageIndex = 0;
  VkSemaphore acquired = VK_NULL_HANDLE;
  for (int attempt = 0; attempt < 2; ++attempt) {
    const HRESULT ready = EnsureSwapchain(call, backBuffer, mode);
    if (ready != S_OK) return ready == S_FALSE ? DXGI_STATUS_OCCLUDED : ready;
    acquired = TakeAcquireSemaphore();
    const VkResult result =
        vkAcquireNextImageKHR(vkDevice_, swapchain_, UINT64_MAX, acquired, VK_NULL_HANDLE, &imageIndex);
    if (result == VK_SUCCESS || result == VK_SUBOPTIMAL_KHR) break;
    for (auto& [semaphore, serial] : acquireSemaphores_) {
      if (semaphore == acquired) serial = 0;  // never signalled, free again
    }
    acquired = VK_NULL_HANDLE;
    if (result != VK_ERROR_OUT_OF_DATE_KHR) {
      return Fail(call, DXGI_ERROR_DEVICE_RESET, "cannot acquire a window image: %s", DescribeVkResult(result));
    }
    swapchainStale_ = true;
  }
  if (acquired == VK_NULL_HANDLE) return DXGI_STATUS_OCCLUDED;

  VkCommandBuffer commands = BeginCommands();
  if (commands == VK_NULL_HANDLE) return Fail(call, E_OUTOFMEMORY, "cannot allocate a command buffer");
  const VulkanDispatch& vk = device_.Vulkan().Commands();
  const VkImage target = swapchainImages_[imageIndex];
  BeginReadingBackBuffer(vk, commands, backBuffer);
  ImageBarrier(vk, commands, target, VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
               VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, 0, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
               VK_ACCESS_2_TRANSFER_WRITE_BIT);
  // A blit converts RGBA to the window's BGRA and stretches the buffers over the window, as DXGI does.
  const VkImageBlit blit{{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                         {{0, 0, 0}, {int32_t(backBuffer.Desc().Width), int32_t(backBuffer.Desc().Height), 1}},
                         {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                         {{0, 0, 0}, {int32_t(swapchainExtent_.width), int32_t(swapchainExtent_.height), 1}}};
  vkCmdBlitImage(commands, backBuffer.Image(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, target,
                 VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &blit, VK_FILTER_LINEAR);
  EndReadingBackBuffer(vk, commands, backBuffer);
  ImageBarrier(vk, commands, target, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_PRESENT_SRC_KHR,
               VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_2_NONE, 0);
  const uint64_t serial = SubmitCommands(call, commands, acquired, renderDone_[imageIndex]);
  for (auto& [semaphore, semaphoreSerial] : acquireSemaphores_) {
    if (semaphore == acquired) semaphoreSerial = serial;
  }
  if (serial == 0) return DXGI_ERROR_DEVICE_REMOVED;

  auto present = VkInit<VkPresentInfoKHR>(VK_STRUCTURE_TYPE_PRESENT_INFO_KHR);
  present.waitSemaphoreCount = 1;
  present.pWaitSemaphores = &renderDone_[imageIndex];
  present.swapchainCount = 1;
  present.pSwapchains = &swapchain_;
  present.pImageIndices = &imageIndex;
  const VkResult result = device_.Submissions().Present(present);
  if (result == VK_ERROR_OUT_OF_DATE_KHR || result == VK_SUBOPTIMAL_KHR) {
    swapchainStale_ = true;
  } else if (result != VK_SUCCESS) {
    return Fail(call, DXGI_ERROR_DEVICE_RESET, "presenting failed: %s", DescribeVkResult(result));
  }
  return S_OK;
}

bool Presenter::EnsureFrontImage(const char* call, const Resource& backBuffer) {
  const VkExtent2D extent{uint32_t(backBuffer.Desc().Width), backBuffer.Desc().Height};
  if (frontImage_ != VK_NULL_HANDLE && frontFormat_ == backBuffer.ImageFormat() && frontExtent_.width == extent.width &&
      frontExtent_.height == extent.height) {
    return true;
  }
  device_.Submissions().WaitIdle();
  DestroyFrontImage();
  auto info = VkInit<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
  info.imageType = VK_IMAGE_TYPE_2D;
  info.format = backBuffer.ImageFormat();
  info.extent = {extent.width, extent.height, 1};
  info.mipLevels = 1;
  info.arrayLayers = 1;
  info.samples = VK_SAMPLE_COUNT_1_BIT;
  info.tiling = VK_IMAGE_TILING_OPTIMAL;
  info.usage = VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT;
  info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  if (vkCreateImage(vkDevice_, &info, nullptr, &frontImage_) != VK_SUCCESS) {
    Report(call, "cannot create the off-screen front image");
    return false;
  }
  VkMemoryRequirements requirements;
  vkGetImageMemoryRequirements(vkDevice_, frontImage_, &requirements);
  auto allocate = VkInit<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
  allocate.allocationSize = requirements.size;
  allocate.memoryTypeIndex =
      device_.Vulkan().FindMemoryType(MemoryKind::DeviceLocal, requirements.memoryTypeBits, nullptr);
  if (allocate.memoryTypeIndex == UINT32_MAX ||
      vkAllocateMemory(vkDevice_, &allocate, nullptr, &frontMemory_) != VK_SUCCESS) {
    Report(call, "cannot allocate the off-screen front image");
    DestroyFrontImage();
    return false;
  }
  vkBindImageMemory(vkDevice_, frontImage_, frontMemory_, 0);
  frontFormat_ = info.format;
  frontExtent_ = extent;
  frontHasFrame_ = false;
  return true;
}

void Presenter::DestroyFrontImage() {
  if (frontImage_ != VK_NULL_HANDLE) vkDestroyImage(vkDevice_, frontImage_, nullptr);
  if (frontMemory_ != VK_NULL_HANDLE) vkFreeMemory(vkDevice_, frontMemory_, nullptr);
  frontImage_ = VK_NULL_HANDLE;
  frontMemory_ = VK_NULL_HANDLE;
  frontHasFrame_ = false;
}

HRESULT Presenter::PresentOffscreen(const char* call, Resource& backBuffer) {
  if (!EnsureFrontImage(call, backBuffer)) return E_OUTOFMEMORY;
  VkCommandBuffer commands = BeginCommands();
  if (commands == VK_NULL_HANDLE) return Fail(call, E_OUTOFMEMORY, "cannot allocate a command buffer");
  const VulkanDispatch& vk = device_.Vulkan().Commands();
  BeginReadingBackBuffer(vk, commands, backBuffer);
  // The front image keeps the last frame in TRANSFER_SRC between presents, ready for read-back.
  ImageBarrier(vk, commands, frontImage_,
               frontHasFrame_ ? VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL : VK_IMAGE_LAYOUT_UNDEFINED,
               VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
               VK_ACCESS_2_TRANSFER_READ_BIT, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT);
  const VkImageCopy region{{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                           {0, 0, 0},
                           {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                           {0, 0, 0},
                           {frontExtent_.width, frontExtent_.height, 1}};
  vkCmdCopyImage(commands, backBuffer.Image(), VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, frontImage_,
                 VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  EndReadingBackBuffer(vk, commands, backBuffer);
  ImageBarrier(vk, commands, frontImage_, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL,
               VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT,
               VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_READ_BIT);
  if (SubmitCommands(call, commands, VK_NULL_HANDLE, VK_NULL_HANDLE) == 0) return DXGI_ERROR_DEVICE_REMOVED;
  frontHasFrame_ = true;
  return S_OK;
}

HRESULT Presenter::ReadLastFrame(std::vector<uint8_t>* rgba, UINT* width, UINT* height) {
  constexpr const char* kCall = "ReadLastPresentedFrame";
  if (IsWindowed()) return Fail(kCall, DXGI_ERROR_UNSUPPORTED, "frames shown in a window are read from the screen");
  if (!frontHasFrame_) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "nothing has been presented yet");
  const bool bgra = frontFormat_ == VK_FORMAT_B8G8R8A8_UNORM;
  if (!bgra && frontFormat_ != VK_FORMAT_R8G8B8A8_UNORM) {
    return Fail(kCall, E_NOTIMPL, "only 8-bit RGBA and BGRA back buffers can be read back");
  }
  const VkDeviceSize size = VkDeviceSize(frontExtent_.width) * frontExtent_.height * 4;
  auto bufferInfo = VkInit<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
  bufferInfo.size = size;
  bufferInfo.usage = VK_BUFFER_USAGE_TRANSFER_DST_BIT;
  VkBuffer staging = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  vkCreateBuffer(vkDevice_, &bufferInfo, nullptr, &staging);
  VkMemoryRequirements requirements;
  vkGetBufferMemoryRequirements(vkDevice_, staging, &requirements);
  bool coherent = true;
  auto allocate = VkInit<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
  allocate.allocationSize = requirements.size;
  allocate.memoryTypeIndex =
      device_.Vulkan().FindMemoryType(MemoryKind::Readback, requirements.memoryTypeBits, &coherent);
  HRESULT result = S_OK;
  if (allocate.memoryTypeIndex == UINT32_MAX ||
      vkAllocateMemory(vkDevice_, &allocate, nullptr, &memory) != VK_SUCCESS) {
    result = Fail(kCall, E_OUTOFMEMORY, "cannot allocate %llu bytes for the read-back", (unsigned long long)size);
  } else {
    vkBindBufferMemory(vkDevice_, staging, memory, 0);
    VkCommandBuffer commands = BeginCommands();
    const VkBufferImageCopy region{
        0, 0, 0, {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1}, {0, 0, 0}, {frontExtent_.width, frontExtent_.height, 1}};
    vkCmdCopyImageToBuffer(commands, frontImage_, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, staging, 1, &region);
    VkMemoryBarrier2 barrier{VK_STRUCTURE_TYPE_MEMORY_BARRIER_2,   nullptr,
                             VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT,
                             VK_PIPELINE_STAGE_2_HOST_BIT,         VK_ACCESS_2_HOST_READ_BIT};
    auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
    dependency.memoryBarrierCount = 1;
    dependency.pMemoryBarriers = &barrier;
    device_.Vulkan().Commands().CmdPipelineBarrier2(commands, &dependency);
    const uint64_t serial = SubmitCommands(kCall, commands, VK_NULL_HANDLE, VK_NULL_HANDLE);
    device_.Submissions().WaitFor(serial);
    void* mapped = nullptr;
    vkMapMemory(vkDevice_, memory, 0, VK_WHOLE_SIZE, 0, &mapped);
    if (!coherent) {
      VkMappedMemoryRange range{VK_STRUCTURE_TYPE_MAPPED_MEMORY_RANGE, nullptr, memory, 0, VK_WHOLE_SIZE};
      vkInvalidateMappedMemoryRanges(vkDevice_, 1, &range);
    }
    rgba->resize(size);
    std::memcpy(rgba->data(), mapped, size);
    vkUnmapMemory(vkDevice_, memory);
    if (bgra) {
      for (size_t i = 0; i < rgba->size(); i += 4) std::swap((*rgba)[i], (*rgba)[i + 2]);
    }
    *width = frontExtent_.width;
    *height = frontExtent_.height;
  }
  if (staging != VK_NULL_HANDLE) vkDestroyBuffer(vkDevice_, staging, nullptr);
  if (memory != VK_NULL_HANDLE) vkFreeMemory(vkDevice_, memory, nullptr);
  return result;
}

}  // namespace d3d12vk
