#include "VulkanDevice.h"

#include "Diagnostics.h"
#include "FormatTable.h"
#include "VulkanStructs.h"

#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace d3d12vk {
namespace {

bool HasExtension(const std::vector<VkExtensionProperties>& extensions, const char* name) {
  return std::any_of(extensions.begin(), extensions.end(), [name](const VkExtensionProperties& extension) {
    return std::strcmp(extension.extensionName, name) == 0;
  });
}

std::vector<VkExtensionProperties> DeviceExtensions(VkPhysicalDevice device) {
  uint32_t count = 0;
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
  std::vector<VkExtensionProperties> extensions(count);
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, extensions.data());
  return extensions;
}

// Only the optional features the layer can use are turned on; everything else stays off.
VkPhysicalDeviceFeatures OptionalFeatures(const VkPhysicalDeviceFeatures& available) {
  VkPhysicalDeviceFeatures enabled{};
  // Direct3D bounds-checks vertex, index and constant buffer reads; robust access gives the same safety.
  enabled.robustBufferAccess = available.robustBufferAccess;
  enabled.depthClamp = available.depthClamp;
  enabled.depthBiasClamp = available.depthBiasClamp;
  enabled.independentBlend = available.independentBlend;
  enabled.fillModeNonSolid = available.fillModeNonSolid;
  enabled.samplerAnisotropy = available.samplerAnisotropy;
  enabled.textureCompressionBC = available.textureCompressionBC;
  enabled.fullDrawIndexUint32 = available.fullDrawIndexUint32;
  enabled.imageCubeArray = available.imageCubeArray;
  // ExecuteIndirect: many commands from one argument buffer.
  enabled.multiDrawIndirect = available.multiDrawIndirect;
  // Direct3D 12 occlusion queries count samples exactly.
  enabled.occlusionQueryPrecise = available.occlusionQueryPrecise;
  // Typed UAVs (RWTexture2D<float4>, RWBuffer<uint>) take their format from the view, not the shader.
  enabled.shaderStorageImageReadWithoutFormat = available.shaderStorageImageReadWithoutFormat;
  enabled.shaderStorageImageWriteWithoutFormat = available.shaderStorageImageWriteWithoutFormat;
  enabled.fragmentStoresAndAtomics = available.fragmentStoresAndAtomics;
  // Arrays of resources indexed in the shader (Texture2D t[8] read with t[i]).
  enabled.shaderSampledImageArrayDynamicIndexing = available.shaderSampledImageArrayDynamicIndexing;
  enabled.shaderStorageImageArrayDynamicIndexing = available.shaderStorageImageArrayDynamicIndexing;
  enabled.shaderStorageBufferArrayDynamicIndexing = available.shaderStorageBufferArrayDynamicIndexing;
  enabled.shaderUniformBufferArrayDynamicIndexing = available.shaderUniformBufferArrayDynamicIndexing;
  enabled.vertexPipelineStoresAndAtomics = available.vertexPipelineStoresAndAtomics;
  // Geometry shaders (a GS in a graphics pipeline state).
  enabled.geometryShader = available.geometryShader;
  return enabled;
}

// On a CPU device every buffer and image lives in the C heap. The swap chain's buffers, megabytes each,
// are freed and made again at every resize; glibc then raises its mmap threshold past their size, so the
// next ones land in the brk heap between small allocations, and the heap keeps growing around the freed
// holes (by about 25 MB over a few dozen resizes). A fixed threshold keeps every large block in a mapping
// of its own, which goes back to the system when it is freed.
void KeepLargeAllocationsMapped() {
  constexpr int kThresholdBytes = 128 * 1024;
  mallopt(M_MMAP_THRESHOLD, kThresholdBytes);
}

}  // namespace

std::unique_ptr<VulkanDevice> VulkanDevice::Create(std::shared_ptr<VulkanInstance> instance, const AdapterInfo& adapter,
                                                   const char* call) {
  std::unique_ptr<VulkanDevice> device(new VulkanDevice());
  device->instance_ = std::move(instance);
  device->adapter_ = adapter;
  if (!device->Initialize(call)) return nullptr;
  return device;
}

bool VulkanDevice::Initialize(const char* call) {
  const VkPhysicalDevice physical = adapter_.physicalDevice;
  const std::vector<VkExtensionProperties> available = DeviceExtensions(physical);
  std::vector<const char*> extensions{VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME};
  swapchainEnabled_ = instance_->SurfacesSupported() && HasExtension(available, VK_KHR_SWAPCHAIN_EXTENSION_NAME);
  if (swapchainEnabled_) extensions.push_back(VK_KHR_SWAPCHAIN_EXTENSION_NAME);

  auto robustness =
      VkInit<VkPhysicalDeviceRobustness2FeaturesEXT>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ROBUSTNESS_2_FEATURES_EXT);
  auto available12 = VkInit<VkPhysicalDeviceVulkan12Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
  auto availableFeatures =
      VkInit<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, &available12);
  if (HasExtension(available, VK_EXT_ROBUSTNESS_2_EXTENSION_NAME)) available12.pNext = &robustness;
  vkGetPhysicalDeviceFeatures2(physical, &availableFeatures);

  // Null vertex buffers (IASetVertexBuffers with a zero address) need robustness2's null descriptors.
  auto enabledRobustness =
      VkInit<VkPhysicalDeviceRobustness2FeaturesEXT>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_ROBUSTNESS_2_FEATURES_EXT);
  auto features13 = VkInit<VkPhysicalDeviceVulkan13Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
  features13.dynamicRendering = VK_TRUE;
  features13.synchronization2 = VK_TRUE;
  // Direct3D lets a stage read fewer outputs and components than the one before it writes; maintenance4
  // (required of every Vulkan 1.3 device) makes that interface matching valid in Vulkan too.
  features13.maintenance4 = VK_TRUE;
  auto features12 = VkInit<VkPhysicalDeviceVulkan12Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
  features12.timelineSemaphore = VK_TRUE;
  // ExecuteIndirect with a count buffer.
  features12.drawIndirectCount = available12.drawIndirectCount;
  // Descriptor tables past what can be pushed, and unbounded ones, live in descriptor sets whose elements a
  // program may leave empty, as it may leave heap slots empty.
  partiallyBoundEnabled_ = available12.descriptorBindingPartiallyBound && available12.runtimeDescriptorArray;
  features12.descriptorBindingPartiallyBound = partiallyBoundEnabled_;
  features12.runtimeDescriptorArray = partiallyBoundEnabled_;
  features12.shaderSampledImageArrayNonUniformIndexing = available12.shaderSampledImageArrayNonUniformIndexing;
  features12.shaderStorageBufferArrayNonUniformIndexing = available12.shaderStorageBufferArrayNonUniformIndexing;
  features12.shaderUniformTexelBufferArrayDynamicIndexing = available12.shaderUniformTexelBufferArrayDynamicIndexing;
  features12.shaderStorageTexelBufferArrayDynamicIndexing = available12.shaderStorageTexelBufferArrayDynamicIndexing;
  // HLSL packs constant buffers tighter than std140 (what follows an array may share its last register);
  // the compiler's SPIR-V says so with offsets only scalar block layout accepts.
  features12.scalarBlockLayout = available12.scalarBlockLayout;
  features12_ = features12;
  features_ = OptionalFeatures(availableFeatures.features);
  auto enabledFeatures = VkInit<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2);
  enabledFeatures.features = features_;
  const auto chain = [&enabledFeatures](auto& features) {
    features.pNext = enabledFeatures.pNext;
    enabledFeatures.pNext = &features;
  };
  chain(features12);
  if (robustness.nullDescriptor) {
    nullDescriptorEnabled_ = true;
    enabledRobustness.nullDescriptor = VK_TRUE;
    extensions.push_back(VK_EXT_ROBUSTNESS_2_EXTENSION_NAME);
    chain(enabledRobustness);
  }
  // What 1.3 made core: its feature structure there, the extensions and theirs on a 1.2 device.
  auto dynamicRendering = VkInit<VkPhysicalDeviceDynamicRenderingFeaturesKHR>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_DYNAMIC_RENDERING_FEATURES_KHR);
  auto synchronization2 = VkInit<VkPhysicalDeviceSynchronization2FeaturesKHR>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_SYNCHRONIZATION_2_FEATURES_KHR);
  auto dynamicState = VkInit<VkPhysicalDeviceExtendedDynamicStateFeaturesEXT>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_EXTENDED_DYNAMIC_STATE_FEATURES_EXT);
  auto dynamicState2 = VkInit<VkPhysicalDeviceExtendedDynamicState2FeaturesEXT>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_EXTENDED_DYNAMIC_STATE_2_FEATURES_EXT);
  auto formats4444 =
      VkInit<VkPhysicalDevice4444FormatsFeaturesEXT>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_4444_FORMATS_FEATURES_EXT);
  if (adapter_.apiVersion >= VK_API_VERSION_1_3) {
    chain(features13);
    formats4444Enabled_ = true;
  } else {
    for (const char* extension : kExtensionsBeforeVulkan13) extensions.push_back(extension);
    dynamicRendering.dynamicRendering = VK_TRUE;
    synchronization2.synchronization2 = VK_TRUE;
    dynamicState.extendedDynamicState = VK_TRUE;
    dynamicState2.extendedDynamicState2 = VK_TRUE;
    chain(dynamicRendering);
    chain(synchronization2);
    chain(dynamicState);
    chain(dynamicState2);
    // Typed UAV loads without a format in the shader, which 1.3 allows where the format's features do.
    if (HasExtension(available, VK_KHR_FORMAT_FEATURE_FLAGS_2_EXTENSION_NAME)) {
      extensions.push_back(VK_KHR_FORMAT_FEATURE_FLAGS_2_EXTENSION_NAME);
    }
    // DXGI_FORMAT_B4G4R4A4_UNORM's Vulkan format is core from 1.3 only.
    if (HasExtension(available, VK_EXT_4444_FORMATS_EXTENSION_NAME)) {
      auto query = VkInit<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, &formats4444);
      vkGetPhysicalDeviceFeatures2(physical, &query);
      formats4444.formatA4B4G4R4 = VK_FALSE;
      formats4444Enabled_ = formats4444.formatA4R4G4B4;
    }
    if (formats4444Enabled_) {
      extensions.push_back(VK_EXT_4444_FORMATS_EXTENSION_NAME);
      chain(formats4444);
    }
  }
  // SetPredication: draws and clears that run only when a value in a buffer says so.
  auto conditional = VkInit<VkPhysicalDeviceConditionalRenderingFeaturesEXT>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_CONDITIONAL_RENDERING_FEATURES_EXT);
  if (HasExtension(available, VK_EXT_CONDITIONAL_RENDERING_EXTENSION_NAME)) {
    auto query = VkInit<VkPhysicalDeviceFeatures2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_FEATURES_2, &conditional);
    vkGetPhysicalDeviceFeatures2(physical, &query);
  }
  if (conditional.conditionalRendering) {
    conditionalRenderingEnabled_ = true;
    extensions.push_back(VK_EXT_CONDITIONAL_RENDERING_EXTENSION_NAME);
    conditional.inheritedConditionalRendering = VK_FALSE;
    chain(conditional);
  }

  const float priority = 1.0f;
  auto queueInfo = VkInit<VkDeviceQueueCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO);
  queueInfo.queueFamilyIndex = adapter_.graphicsQueueFamily;
  queueInfo.queueCount = 1;
  queueInfo.pQueuePriorities = &priority;

  auto info = VkInit<VkDeviceCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO, &enabledFeatures);
  info.queueCreateInfoCount = 1;
  info.pQueueCreateInfos = &queueInfo;
  info.enabledExtensionCount = uint32_t(extensions.size());
  info.ppEnabledExtensionNames = extensions.data();
  const VkResult result = vkCreateDevice(physical, &info, nullptr, &device_);
  if (result != VK_SUCCESS) {
    Report(call, "cannot create a Vulkan device on %s: %s", adapter_.properties.deviceName, DescribeVkResult(result));
    return false;
  }
  if (adapter_.properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_CPU) KeepLargeAllocationsMapped();
  vkGetDeviceQueue(device_, adapter_.graphicsQueueFamily, 0, &queue_);
  const VkDevice device = device_;
  if (const char* missing = ResolveDispatch(
          adapter_.apiVersion, [device](const char* name) { return vkGetDeviceProcAddr(device, name); }, &commands_)) {
    Report(call, "%s gives no %s", adapter_.properties.deviceName, missing);
    return false;
  }
  CmdPushDescriptorSet =
      reinterpret_cast<PFN_vkCmdPushDescriptorSetKHR>(vkGetDeviceProcAddr(device_, "vkCmdPushDescriptorSetKHR"));
  if (conditionalRenderingEnabled_) {
    CmdBeginConditionalRendering = reinterpret_cast<PFN_vkCmdBeginConditionalRenderingEXT>(
        vkGetDeviceProcAddr(device_, "vkCmdBeginConditionalRenderingEXT"));
    CmdEndConditionalRendering = reinterpret_cast<PFN_vkCmdEndConditionalRenderingEXT>(
        vkGetDeviceProcAddr(device_, "vkCmdEndConditionalRenderingEXT"));
  }

  auto pushProperties = VkInit<VkPhysicalDevicePushDescriptorPropertiesKHR>(
      VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PUSH_DESCRIPTOR_PROPERTIES_KHR);
  auto properties =
      VkInit<VkPhysicalDeviceProperties2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_PROPERTIES_2, &pushProperties);
  vkGetPhysicalDeviceProperties2(physical, &properties);
  maxPushDescriptors_ = pushProperties.maxPushDescriptors;

  if (!SupportsImageFeatures(VK_FORMAT_D24_UNORM_S8_UINT, VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT)) {
    depthStencilFormat_ = DepthFallback(VK_FORMAT_D24_UNORM_S8_UINT);
  }
  return true;
}

VulkanDevice::~VulkanDevice() {
  if (device_ != VK_NULL_HANDLE) {
    vkDeviceWaitIdle(device_);
    vkDestroyDevice(device_, nullptr);
  }
}

uint32_t VulkanDevice::FindMemoryType(MemoryKind kind, uint32_t allowedTypes, bool* coherent) const {
  const VkPhysicalDeviceMemoryProperties& memory = adapter_.memory;
  // Each kind lists the property sets it accepts, best first.
  std::vector<VkMemoryPropertyFlags> preferences;
  switch (kind) {
    case MemoryKind::DeviceLocal:
      preferences = {VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, 0};
      break;
    case MemoryKind::Upload:
      preferences = {VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT};
      break;
    case MemoryKind::Readback:
      preferences = {VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_CACHED_BIT |
                         VK_MEMORY_PROPERTY_HOST_COHERENT_BIT,
                     VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_CACHED_BIT,
                     VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT};
      break;
  }
  for (VkMemoryPropertyFlags wanted : preferences) {
    for (uint32_t i = 0; i < memory.memoryTypeCount; ++i) {
      const VkMemoryPropertyFlags flags = memory.memoryTypes[i].propertyFlags;
      if ((allowedTypes & (1u << i)) && (flags & wanted) == wanted) {
        if (coherent != nullptr) *coherent = (flags & VK_MEMORY_PROPERTY_HOST_COHERENT_BIT) != 0;
        return i;
      }
    }
  }
  return UINT32_MAX;
}

VkFormat VulkanDevice::ImageFormat(const FormatInfo& format) const {
  if (format.vulkan == VK_FORMAT_D24_UNORM_S8_UINT) return depthStencilFormat_;
  return format.vulkan;
}

bool VulkanDevice::HasFormat(VkFormat format) const {
  return formats4444Enabled_ || format != VK_FORMAT_A4R4G4B4_UNORM_PACK16;
}

bool VulkanDevice::SupportsImageFeatures(VkFormat format, VkFormatFeatureFlags features) const {
  if (!HasFormat(format)) return false;
  VkFormatProperties properties{};
  vkGetPhysicalDeviceFormatProperties(adapter_.physicalDevice, format, &properties);
  return (properties.optimalTilingFeatures & features) == features;
}

bool VulkanDevice::SupportsVertexFormat(VkFormat format) const {
  if (!HasFormat(format)) return false;
  VkFormatProperties properties{};
  vkGetPhysicalDeviceFormatProperties(adapter_.physicalDevice, format, &properties);
  return (properties.bufferFeatures & VK_FORMAT_FEATURE_VERTEX_BUFFER_BIT) != 0;
}

bool VulkanDevice::SupportsDynamicArrayIndexing(ResourceKind kind) const {
  switch (kind) {
    case ResourceKind::UniformBuffer:
      return features_.shaderUniformBufferArrayDynamicIndexing;
    case ResourceKind::StorageBuffer:
      return features_.shaderStorageBufferArrayDynamicIndexing;
    case ResourceKind::SampledImage:
    case ResourceKind::Sampler:
      return features_.shaderSampledImageArrayDynamicIndexing;
    case ResourceKind::StorageImage:
      return features_.shaderStorageImageArrayDynamicIndexing;
    case ResourceKind::UniformTexelBuffer:
      return features12_.shaderUniformTexelBufferArrayDynamicIndexing;
    case ResourceKind::StorageTexelBuffer:
      return features12_.shaderStorageTexelBufferArrayDynamicIndexing;
    default:
      return true;
  }
}

bool VulkanDevice::SupportsShaderCapability(uint32_t capability) const {
  // SPIR-V capabilities that hang on optional features; the others a Vulkan 1.3 device has.
  switch (capability) {
    case 28:
      return features_.shaderUniformBufferArrayDynamicIndexing;
    case 29:
      return features_.shaderSampledImageArrayDynamicIndexing;
    case 30:
      return features_.shaderStorageBufferArrayDynamicIndexing;
    case 31:
      return features_.shaderStorageImageArrayDynamicIndexing;
    case 5302:
      return features12_.runtimeDescriptorArray;
    case 5304:
      return features12_.shaderUniformTexelBufferArrayDynamicIndexing;
    case 5305:
      return features12_.shaderStorageTexelBufferArrayDynamicIndexing;
    case 5307:
      return features12_.shaderSampledImageArrayNonUniformIndexing;
    case 5308:
      return features12_.shaderStorageBufferArrayNonUniformIndexing;
    default:
      return true;
  }
}

}  // namespace d3d12vk
