// The Vulkan instance behind every DXGI factory and Direct3D 12 device of the process: the loader, the
// optional validation layer, and the physical devices able to run the layer (the adapters).
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

#include <memory>
#include <string>
#include <vector>

namespace d3d12vk {

// A physical device that has what the layer needs (Vulkan 1.3, push descriptors, a graphics queue).
struct AdapterInfo {
  VkPhysicalDevice physicalDevice = VK_NULL_HANDLE;
  VkPhysicalDeviceProperties properties{};
  VkPhysicalDeviceMemoryProperties memory{};
  uint32_t graphicsQueueFamily = 0;
  LUID luid{};
  // CPU implementations (lavapipe, SwiftShader) are what DXGI calls software adapters.
  bool isSoftware = false;
};

class VulkanInstance {
 public:
  // The shared instance, created on first use and destroyed when the last factory, adapter or device that
  // holds it goes away. Null (with one stderr line naming `call`) when Vulkan is unusable.
  static std::shared_ptr<VulkanInstance> Acquire(const char* call);
  // The shared instance if one is alive, without creating one.
  static std::shared_ptr<VulkanInstance> Current();

  VulkanInstance(const VulkanInstance&) = delete;
  VulkanInstance& operator=(const VulkanInstance&) = delete;
  ~VulkanInstance();

  VkInstance Handle() const { return instance_; }

  // Usable devices, best first: discrete, integrated, virtual, then CPU.
  const std::vector<AdapterInfo>& Adapters() const { return adapters_; }

  // True when the window-system extensions are enabled, so windows can get a presentation surface.
  bool SurfacesSupported() const { return surfacesSupported_; }

  bool ValidationEnabled() const { return messenger_ != VK_NULL_HANDLE; }

 private:
  VulkanInstance() = default;
  bool Create(const char* call);
  void EnumerateAdapters();
  void CreateDebugMessenger();

  VkInstance instance_ = VK_NULL_HANDLE;
  VkDebugUtilsMessengerEXT messenger_ = VK_NULL_HANDLE;
  bool surfacesSupported_ = false;
  bool sdlVulkanLoaded_ = false;
  std::vector<AdapterInfo> adapters_;
};

// Number of validation messages reported so far (all instances of the process).
uint32_t CountedValidationMessages();

// Whether D3D12_VK_VALIDATION=1 is set or the program enabled the debug layer (RequestValidation).
bool ValidationRequested();

// The program's ID3D12Debug::EnableDebugLayer: instances created from now on load the validation layer.
// False when an instance without it is alive already, which keeps running as it is.
bool RequestValidation();

}  // namespace d3d12vk
