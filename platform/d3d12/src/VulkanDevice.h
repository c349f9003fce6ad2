// The Vulkan logical device of one adapter: enabled features, the graphics queue, memory types and the
// format support the Direct3D 12 objects need.
#pragma once

#include "SpirvReader.h"
#include "VulkanDispatch.h"
#include "VulkanInstance.h"

#include <memory>

namespace d3d12vk {

struct FormatInfo;

// The D3D12 heap types as memory the CPU and GPU can reach.
enum class MemoryKind { DeviceLocal, Upload, Readback };

class VulkanDevice {
 public:
  // Creates the logical device; null with one stderr line naming `call` on failure.
  static std::unique_ptr<VulkanDevice> Create(std::shared_ptr<VulkanInstance> instance, const AdapterInfo& adapter,
                                              const char* call);
  VulkanDevice(const VulkanDevice&) = delete;
  VulkanDevice& operator=(const VulkanDevice&) = delete;
  ~VulkanDevice();

  VkDevice Handle() const { return device_; }
  VkPhysicalDevice PhysicalDevice() const { return adapter_.physicalDevice; }
  const AdapterInfo& Adapter() const { return adapter_; }
  VulkanInstance& Instance() const { return *instance_; }
  VkQueue Queue() const { return queue_; }
  uint32_t QueueFamily() const { return adapter_.graphicsQueueFamily; }
  const VkPhysicalDeviceLimits& Limits() const { return adapter_.properties.limits; }
  uint32_t MaxPushDescriptors() const { return maxPushDescriptors_; }
  bool HasSwapchainSupport() const { return swapchainEnabled_; }
  bool HasNullDescriptors() const { return nullDescriptorEnabled_; }
  bool HasPartiallyBoundDescriptors() const { return partiallyBoundEnabled_; }
  // Indirect draws with a count buffer, and more than one draw per indirect command.
  bool HasDrawIndirectCount() const { return features12_.drawIndirectCount == VK_TRUE; }
  bool HasMultiDrawIndirect() const { return features_.multiDrawIndirect == VK_TRUE; }
  // Whether shaders may declare a SPIR-V capability that needs an optional feature (dynamically indexed
  // arrays of resources, runtime arrays).
  bool SupportsShaderCapability(uint32_t capability) const;
  // Whether shaders may index arrays of this kind of descriptor with values computed at run time.
  bool SupportsDynamicArrayIndexing(ResourceKind kind) const;
  bool HasDepthClamp() const { return features_.depthClamp; }
  bool HasIndependentBlend() const { return features_.independentBlend; }
  bool HasWireframe() const { return features_.fillModeNonSolid; }
  bool HasAnisotropy() const { return features_.samplerAnisotropy; }
  bool HasPreciseOcclusion() const { return features_.occlusionQueryPrecise; }
  bool HasGeometryShaders() const { return features_.geometryShader; }
  bool HasConditionalRendering() const { return conditionalRenderingEnabled_; }

  // Memory type index for `kind` among `allowedTypes`, or UINT32_MAX. Coherent reports whether the host view
  // of the memory needs no flush or invalidate.
  uint32_t FindMemoryType(MemoryKind kind, uint32_t allowedTypes, bool* coherent) const;

  // The Vulkan format used for a DXGI format, after the fallbacks for depth formats the device lacks.
  VkFormat ImageFormat(const FormatInfo& format) const;
  // Whether images of this format can be created with these features in optimal tiling.
  bool SupportsImageFeatures(VkFormat format, VkFormatFeatureFlags features) const;
  bool SupportsVertexFormat(VkFormat format) const;

  // The commands Vulkan 1.3 made core, under the names this device gives them.
  const VulkanDispatch& Commands() const { return commands_; }

  PFN_vkCmdPushDescriptorSetKHR CmdPushDescriptorSet = nullptr;
  PFN_vkCmdBeginConditionalRenderingEXT CmdBeginConditionalRendering = nullptr;
  PFN_vkCmdEndConditionalRenderingEXT CmdEndConditionalRendering = nullptr;

 private:
  VulkanDevice() = default;
  bool Initialize(const char* call);
  // False for a format the device's Vulkan version and extensions do not define.
  bool HasFormat(VkFormat format) const;

  std::shared_ptr<VulkanInstance> instance_;
  AdapterInfo adapter_;
  VkDevice device_ = VK_NULL_HANDLE;
  VkQueue queue_ = VK_NULL_HANDLE;
  VkPhysicalDeviceFeatures features_{};
  uint32_t maxPushDescriptors_ = 0;
  bool partiallyBoundEnabled_ = false;
  VkPhysicalDeviceVulkan12Features features12_{};
  bool swapchainEnabled_ = false;
  bool nullDescriptorEnabled_ = false;
  bool conditionalRenderingEnabled_ = false;
  bool formats4444Enabled_ = false;
  VulkanDispatch commands_;
  VkFormat depthStencilFormat_ = VK_FORMAT_D24_UNORM_S8_UINT;
};

}  // namespace d3d12vk
