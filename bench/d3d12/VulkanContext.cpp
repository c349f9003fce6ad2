#include "VulkanContext.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace d3d12_bench {
namespace {

bool HasExtension(VkPhysicalDevice device, const char* name) {
  uint32_t count = 0;
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
  std::vector<VkExtensionProperties> extensions(count);
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, extensions.data());
  for (const VkExtensionProperties& extension : extensions) {
    if (std::strcmp(extension.extensionName, name) == 0) return true;
  }
  return false;
}

VKAPI_ATTR VkBool32 VKAPI_CALL CountValidationMessage(VkDebugUtilsMessageSeverityFlagBitsEXT,
                                                      VkDebugUtilsMessageTypeFlagsEXT,
                                                      const VkDebugUtilsMessengerCallbackDataEXT* data, void* count) {
  ++*static_cast<uint32_t*>(count);
  std::fprintf(stderr, "Vulkan validation: %s\n", data->pMessage);
  return VK_FALSE;
}

}  // namespace

void ImageBarrier(VkCommandBuffer commands, VkImage image, VkImageAspectFlags aspects, VkImageLayout from,
                  VkImageLayout to, VkPipelineStageFlags2 sourceStages, VkAccessFlags2 sourceAccess,
                  VkPipelineStageFlags2 destinationStages, VkAccessFlags2 destinationAccess) {
  auto barrier = Make<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
  barrier.srcStageMask = sourceStages;
  barrier.srcAccessMask = sourceAccess;
  barrier.dstStageMask = destinationStages;
  barrier.dstAccessMask = destinationAccess;
  barrier.oldLayout = from;
  barrier.newLayout = to;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.subresourceRange = {aspects, 0, 1, 0, 1};
  auto dependency = Make<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.imageMemoryBarrierCount = 1;
  dependency.pImageMemoryBarriers = &barrier;
  vkCmdPipelineBarrier2(commands, &dependency);
}

VulkanContext::VulkanContext(const Options& options) {
  if (!Initialize(options) && error_.empty()) error_ = "the Vulkan device could not be set up";
}

VulkanContext::~VulkanContext() {
  if (device_ != VK_NULL_HANDLE) {
    vkDeviceWaitIdle(device_);
    vkDestroyFence(device_, fence_, nullptr);
    vkDestroyCommandPool(device_, pool_, nullptr);
    vkDestroyDevice(device_, nullptr);
  }
  if (messenger_ != VK_NULL_HANDLE) {
    const auto destroy = reinterpret_cast<PFN_vkDestroyDebugUtilsMessengerEXT>(
        vkGetInstanceProcAddr(instance_, "vkDestroyDebugUtilsMessengerEXT"));
    destroy(instance_, messenger_, nullptr);
  }
  if (instance_ != VK_NULL_HANDLE) vkDestroyInstance(instance_, nullptr);
}

bool VulkanContext::CreateInstance(const Options& options) {
  auto application = Make<VkApplicationInfo>(VK_STRUCTURE_TYPE_APPLICATION_INFO);
  application.apiVersion = VK_API_VERSION_1_3;
  auto instanceInfo = Make<VkInstanceCreateInfo>(VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO);
  instanceInfo.pApplicationInfo = &application;
  const char* layer = "VK_LAYER_KHRONOS_validation";
  const char* extension = VK_EXT_DEBUG_UTILS_EXTENSION_NAME;
  auto messengerInfo =
      Make<VkDebugUtilsMessengerCreateInfoEXT>(VK_STRUCTURE_TYPE_DEBUG_UTILS_MESSENGER_CREATE_INFO_EXT);
  messengerInfo.messageSeverity =
      VK_DEBUG_UTILS_MESSAGE_SEVERITY_WARNING_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_SEVERITY_ERROR_BIT_EXT;
  messengerInfo.messageType =
      VK_DEBUG_UTILS_MESSAGE_TYPE_VALIDATION_BIT_EXT | VK_DEBUG_UTILS_MESSAGE_TYPE_GENERAL_BIT_EXT;
  messengerInfo.pfnUserCallback = CountValidationMessage;
  messengerInfo.pUserData = &validationMessages_;
  if (options.validation) {
    instanceInfo.enabledLayerCount = 1;
    instanceInfo.ppEnabledLayerNames = &layer;
    instanceInfo.enabledExtensionCount = 1;
    instanceInfo.ppEnabledExtensionNames = &extension;
  }
  if (vkCreateInstance(&instanceInfo, nullptr, &instance_) != VK_SUCCESS) {
    error_ = options.validation ? "no Vulkan 1.3 instance with the validation layer" : "no Vulkan 1.3 instance";
    return false;
  }
  if (!options.validation) return true;
  const auto create = reinterpret_cast<PFN_vkCreateDebugUtilsMessengerEXT>(
      vkGetInstanceProcAddr(instance_, "vkCreateDebugUtilsMessengerEXT"));
  return create != nullptr && create(instance_, &messengerInfo, nullptr, &messenger_) == VK_SUCCESS;
}

bool VulkanContext::Initialize(const Options& options) {
  if (!CreateInstance(options)) return false;
  uint32_t count = 1;
  vkEnumeratePhysicalDevices(instance_, &count, &physical_);
  if (count == 0) {
    error_ = "no Vulkan device";
    return false;
  }
  uint32_t familyCount = 0;
  vkGetPhysicalDeviceQueueFamilyProperties(physical_, &familyCount, nullptr);
  std::vector<VkQueueFamilyProperties> families(familyCount);
  vkGetPhysicalDeviceQueueFamilyProperties(physical_, &familyCount, families.data());
  while (queueFamily_ < familyCount && (families[queueFamily_].queueFlags & options.queueFlags) != options.queueFlags) {
    ++queueFamily_;
  }
  if (queueFamily_ == familyCount) {
    error_ = "no Vulkan queue with the wanted capabilities";
    return false;
  }

  // The shaders carry HLSL semantic decorations, which these extensions allow.
  std::vector<const char*> extensions{VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME};
  for (const char* optional :
       {VK_GOOGLE_HLSL_FUNCTIONALITY_1_EXTENSION_NAME, VK_GOOGLE_DECORATE_STRING_EXTENSION_NAME}) {
    if (HasExtension(physical_, optional)) extensions.push_back(optional);
  }
  auto features13 = Make<VkPhysicalDeviceVulkan13Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
  features13.dynamicRendering = options.dynamicRendering ? VK_TRUE : VK_FALSE;
  features13.synchronization2 = VK_TRUE;
  auto features12 = Make<VkPhysicalDeviceVulkan12Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_2_FEATURES);
  features12.drawIndirectCount = options.drawIndirectCount ? VK_TRUE : VK_FALSE;
  features13.pNext = &features12;
  const float priority = 1.0f;
  auto queueInfo = Make<VkDeviceQueueCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_QUEUE_CREATE_INFO);
  queueInfo.queueFamilyIndex = queueFamily_;
  queueInfo.queueCount = 1;
  queueInfo.pQueuePriorities = &priority;
  auto deviceInfo = Make<VkDeviceCreateInfo>(VK_STRUCTURE_TYPE_DEVICE_CREATE_INFO);
  deviceInfo.pNext = &features13;
  deviceInfo.queueCreateInfoCount = 1;
  deviceInfo.pQueueCreateInfos = &queueInfo;
  deviceInfo.enabledExtensionCount = uint32_t(extensions.size());
  deviceInfo.ppEnabledExtensionNames = extensions.data();
  if (vkCreateDevice(physical_, &deviceInfo, nullptr, &device_) != VK_SUCCESS) {
    error_ = "no Vulkan device with push descriptors";
    return false;
  }
  vkGetDeviceQueue(device_, queueFamily_, 0, &queue_);
  pushDescriptors_ =
      reinterpret_cast<PFN_vkCmdPushDescriptorSetKHR>(vkGetDeviceProcAddr(device_, "vkCmdPushDescriptorSetKHR"));

  auto poolInfo = Make<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
  poolInfo.flags = options.poolFlags;
  poolInfo.queueFamilyIndex = queueFamily_;
  auto allocate = Make<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
  allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
  allocate.commandBufferCount = 1;
  auto fenceInfo = Make<VkFenceCreateInfo>(VK_STRUCTURE_TYPE_FENCE_CREATE_INFO);
  if (vkCreateCommandPool(device_, &poolInfo, nullptr, &pool_) != VK_SUCCESS) return false;
  allocate.commandPool = pool_;
  return vkAllocateCommandBuffers(device_, &allocate, &commands_) == VK_SUCCESS &&
         vkCreateFence(device_, &fenceInfo, nullptr, &fence_) == VK_SUCCESS;
}

uint32_t VulkanContext::MemoryType(uint32_t allowed, VkMemoryPropertyFlags wanted) const {
  VkPhysicalDeviceMemoryProperties memory;
  vkGetPhysicalDeviceMemoryProperties(physical_, &memory);
  for (uint32_t i = 0; i < memory.memoryTypeCount; ++i) {
    if ((allowed & (1u << i)) && (memory.memoryTypes[i].propertyFlags & wanted) == wanted) return i;
  }
  return 0;
}

bool VulkanContext::Allocate(const VkMemoryRequirements& requirements, VkMemoryPropertyFlags properties,
                             VkDeviceMemory* memory) {
  auto allocate = Make<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
  allocate.allocationSize = requirements.size;
  allocate.memoryTypeIndex = MemoryType(requirements.memoryTypeBits, properties);
  return vkAllocateMemory(device_, &allocate, nullptr, memory) == VK_SUCCESS;
}

bool VulkanContext::CreateBuffer(VkDeviceSize size, VkBufferUsageFlags usage, VkMemoryPropertyFlags properties,
                                 VulkanBuffer* buffer) {
  auto info = Make<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
  info.size = size;
  info.usage = usage;
  if (vkCreateBuffer(device_, &info, nullptr, &buffer->buffer) != VK_SUCCESS) return false;
  VkMemoryRequirements requirements;
  vkGetBufferMemoryRequirements(device_, buffer->buffer, &requirements);
  if (!Allocate(requirements, properties, &buffer->memory) ||
      vkBindBufferMemory(device_, buffer->buffer, buffer->memory, 0) != VK_SUCCESS) {
    return false;
  }
  if (!(properties & VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT)) return true;
  return vkMapMemory(device_, buffer->memory, 0, VK_WHOLE_SIZE, 0, &buffer->mapped) == VK_SUCCESS;
}

bool VulkanContext::CreateFilledBuffer(const void* data, VkDeviceSize size, VkBufferUsageFlags usage,
                                       VulkanBuffer* buffer) {
  if (!CreateBuffer(size, usage, VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, buffer)) {
    return false;
  }
  std::memcpy(buffer->mapped, data, size);
  return true;
}

bool VulkanContext::CreateImage(VkFormat format, VkExtent2D extent, VkImageUsageFlags usage, VkImageAspectFlags aspects,
                                VulkanImage* image, VkSampleCountFlagBits samples) {
  auto info = Make<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
  info.imageType = VK_IMAGE_TYPE_2D;
  info.format = format;
  info.extent = {extent.width, extent.height, 1};
  info.mipLevels = 1;
  info.arrayLayers = 1;
  info.samples = samples;
  info.tiling = VK_IMAGE_TILING_OPTIMAL;
  info.usage = usage;
  if (vkCreateImage(device_, &info, nullptr, &image->image) != VK_SUCCESS) return false;
  VkMemoryRequirements requirements;
  vkGetImageMemoryRequirements(device_, image->image, &requirements);
  if (!Allocate(requirements, VK_MEMORY_PROPERTY_DEVICE_LOCAL_BIT, &image->memory)) return false;
  vkBindImageMemory(device_, image->image, image->memory, 0);
  if (usage & (VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT |
               VK_IMAGE_USAGE_SAMPLED_BIT)) {
    auto viewInfo = Make<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
    viewInfo.image = image->image;
    viewInfo.viewType = VK_IMAGE_VIEW_TYPE_2D;
    viewInfo.format = format;
    viewInfo.subresourceRange = {aspects, 0, 1, 0, 1};
    if (vkCreateImageView(device_, &viewInfo, nullptr, &image->view) != VK_SUCCESS) return false;
  }
  return true;
}

VkShaderModule VulkanContext::CreateShaderModule(const std::vector<uint32_t>& code) {
  if (code.empty()) return VK_NULL_HANDLE;
  auto info = Make<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
  info.codeSize = code.size() * 4;
  info.pCode = code.data();
  VkShaderModule module = VK_NULL_HANDLE;
  if (vkCreateShaderModule(device_, &info, nullptr, &module) != VK_SUCCESS) return VK_NULL_HANDLE;
  return module;
}

void VulkanContext::Destroy(VulkanImage& image) {
  if (image.view != VK_NULL_HANDLE) vkDestroyImageView(device_, image.view, nullptr);
  if (image.image != VK_NULL_HANDLE) vkDestroyImage(device_, image.image, nullptr);
  if (image.memory != VK_NULL_HANDLE) vkFreeMemory(device_, image.memory, nullptr);
  image = VulkanImage{};
}

void VulkanContext::Destroy(VulkanBuffer& buffer) {
  if (buffer.buffer != VK_NULL_HANDLE) vkDestroyBuffer(device_, buffer.buffer, nullptr);
  if (buffer.memory != VK_NULL_HANDLE) vkFreeMemory(device_, buffer.memory, nullptr);
  buffer = VulkanBuffer{};
}

void VulkanContext::BeginCommands() {
  auto begin = Make<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
  begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
  vkBeginCommandBuffer(commands_, &begin);
}

void VulkanContext::SubmitAndWait() {
  auto submit = Make<VkSubmitInfo>(VK_STRUCTURE_TYPE_SUBMIT_INFO);
  submit.commandBufferCount = 1;
  submit.pCommandBuffers = &commands_;
  vkQueueSubmit(queue_, 1, &submit, fence_);
  vkWaitForFences(device_, 1, &fence_, VK_TRUE, UINT64_MAX);
  vkResetFences(device_, 1, &fence_);
}

}  // namespace d3d12_bench
