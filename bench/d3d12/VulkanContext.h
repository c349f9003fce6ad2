// What every plain-Vulkan benchmark needs before its own work: a Vulkan 1.3 instance and device with push
// descriptors, one queue, one command pool with one command buffer and a fence, the memory-type choice,
// buffer and image creation, and a submit that waits. The layer is measured against these, so they stay as
// direct as the layer's own calls: no pooling, no caching.
#pragma once

#include <vulkan/vulkan.h>

#include <string>
#include <vector>

namespace d3d12_bench {

// A Vulkan struct zeroed with its sType set.
template <typename Struct>
Struct Make(VkStructureType type) {
  Struct value{};
  value.sType = type;
  return value;
}

// Moves one image from layout `from` to `to` after the given stages and accesses, before the others.
void ImageBarrier(VkCommandBuffer commands, VkImage image, VkImageAspectFlags aspects, VkImageLayout from,
                  VkImageLayout to, VkPipelineStageFlags2 sourceStages, VkAccessFlags2 sourceAccess,
                  VkPipelineStageFlags2 destinationStages, VkAccessFlags2 destinationAccess);

struct VulkanImage {
  VkImage image = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  VkImageView view = VK_NULL_HANDLE;
};

struct VulkanBuffer {
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceMemory memory = VK_NULL_HANDLE;
  void* mapped = nullptr;
};

class VulkanContext {
 public:
  struct Options {
    // The queue family is the first one with these capabilities.
    VkQueueFlags queueFlags = VK_QUEUE_GRAPHICS_BIT;
    bool dynamicRendering = true;
    VkCommandPoolCreateFlags poolFlags = 0;
    // Loads the Vulkan validation layer and counts (and prints) its messages: for tests of a reference.
    bool validation = false;
    // vkCmdDrawIndexedIndirectCount.
    bool drawIndirectCount = false;
  };

  explicit VulkanContext(const Options& options);
  ~VulkanContext();
  VulkanContext(const VulkanContext&) = delete;
  VulkanContext& operator=(const VulkanContext&) = delete;

  // Empty when the device, queue and command buffer are ready.
  const std::string& Error() const { return error_; }

  VkPhysicalDevice Physical() const { return physical_; }
  VkDevice Device() const { return device_; }
  VkCommandPool Pool() const { return pool_; }
  VkCommandBuffer Commands() const { return commands_; }
  PFN_vkCmdPushDescriptorSetKHR PushDescriptors() const { return pushDescriptors_; }
  // Messages of the validation layer so far (0 without Options::validation).
  uint32_t ValidationMessages() const { return validationMessages_; }

  // The first memory type allowed by `allowed` that has every `wanted` property; 0 when none has.
  uint32_t MemoryType(uint32_t allowed, VkMemoryPropertyFlags wanted) const;

  // A buffer bound to memory of `properties`; when the memory is host-visible it stays mapped.
  bool CreateBuffer(VkDeviceSize size, VkBufferUsageFlags usage, VkMemoryPropertyFlags properties,
                    VulkanBuffer* buffer);
  // A host-visible, coherent buffer holding a copy of `data`.
  bool CreateFilledBuffer(const void* data, VkDeviceSize size, VkBufferUsageFlags usage, VulkanBuffer* buffer);
  // A device-local 2D image, with a view when the usage reads or renders through one.
  bool CreateImage(VkFormat format, VkExtent2D extent, VkImageUsageFlags usage, VkImageAspectFlags aspects,
                   VulkanImage* image, VkSampleCountFlagBits samples = VK_SAMPLE_COUNT_1_BIT);
  // A module of compiled SPIR-V; VK_NULL_HANDLE when the code is empty or the device refuses it.
  VkShaderModule CreateShaderModule(const std::vector<uint32_t>& code);
  void Destroy(VulkanImage& image);
  void Destroy(VulkanBuffer& buffer);

  // Opens the command buffer for one submission.
  void BeginCommands();
  // Submits the (ended) command buffer and waits for it to finish.
  void SubmitAndWait();

 private:
  bool Initialize(const Options& options);
  bool CreateInstance(const Options& options);
  bool Allocate(const VkMemoryRequirements& requirements, VkMemoryPropertyFlags properties, VkDeviceMemory* memory);

  std::string error_;
  VkInstance instance_ = VK_NULL_HANDLE;
  VkPhysicalDevice physical_ = VK_NULL_HANDLE;
  VkDevice device_ = VK_NULL_HANDLE;
  uint32_t queueFamily_ = 0;
  VkQueue queue_ = VK_NULL_HANDLE;
  VkCommandPool pool_ = VK_NULL_HANDLE;
  VkCommandBuffer commands_ = VK_NULL_HANDLE;
  VkFence fence_ = VK_NULL_HANDLE;
  PFN_vkCmdPushDescriptorSetKHR pushDescriptors_ = nullptr;
  VkDebugUtilsMessengerEXT messenger_ = VK_NULL_HANDLE;
  uint32_t validationMessages_ = 0;
};

}  // namespace d3d12_bench
