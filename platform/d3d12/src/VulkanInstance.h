// The Vulkan instance behind every DXGI factory and Direct3D 12 device of the process: the loader, the
// optional validation layer, and the physical devices able to run the layer (the adapters).
#pragma once

#include <windows.h>

#include <vulkan/vulkan.h>

#include <memory>
#include <string>
#include <vector>

namespace d3d12vk {

// A physical device that has what the layer needs (Vulkan 1.3, or 1.2 with the extensions 1.3 made core;
// push descriptors; a graphics queue).
struct AdapterInfo {
  VkPhysicalDevice physicalDevice = VK_NULL_HANDLE;
  VkPhysicalDeviceProperties properties{};
  // The Vulkan version the layer uses the device at: its own, capped at the highest one the layer uses.
  uint32_t apiVersion = VK_API_VERSION_1_3;
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
  bool SynchronizationValidationEnabled() const { return synchronizationValidation_; }
  // Whether VK_EXT_debug_utils is on, so command buffers can carry labels for capture and validation tools.
  bool LabelsEnabled() const { return labelsEnabled_; }

 private:
  VulkanInstance() = default;
  bool Create(const char* call);
  void EnumerateAdapters();
  void CreateDebugMessenger();

  VkInstance instance_ = VK_NULL_HANDLE;
  VkDebugUtilsMessengerEXT messenger_ = VK_NULL_HANDLE;
  bool surfacesSupported_ = false;
  bool labelsEnabled_ = false;
  bool synchronizationValidation_ = false;
  bool sdlVulkanLoaded_ = false;
  std::vector<AdapterInfo> adapters_;
};

// Number of validation messages reported so far (all instances of the process).
uint32_t CountedValidationMessages();

// Whether D3D12_VK_VALIDATION is 1 or sync, or the program enabled the debug layer (RequestValidation).
bool ValidationRequested();

// Whether D3D12_VK_VALIDATION=sync also asks the validation layer to check synchronization (hazards between
// commands that barriers do not order).
bool SynchronizationValidationRequested();

// The highest Vulkan version the layer uses: 1.3, or 1.2 when D3D12_VK_API_VERSION=1.2 asks for it, which
// lets tests run the extension path of Vulkan 1.2 devices on a 1.3 driver.
uint32_t HighestUsedVulkanVersion();

// The program's ID3D12Debug::EnableDebugLayer: instances created from now on load the validation layer.
// False when an instance without it is alive already, which keeps running as it is.
bool RequestValidation();

}  // namespace d3d12vk
