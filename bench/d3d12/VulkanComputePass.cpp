// The compute pass written directly in Vulkan: the same SPIR-V, one push-descriptor set at the compiler's
// bindings (b0 at 0, t0 at 1024, u0 at 2048), device-local input and output, host-visible constants.
#include "ComputePass.h"

#include <cstring>
#include <numeric>

namespace compute_bench {
namespace {

template <typename T>
T Make(VkStructureType type) {
  T value{};
  value.sType = type;
  return value;
}

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

void RecordMemoryBarrier(VkCommandBuffer commands, VkPipelineStageFlags2 from, VkAccessFlags2 fromAccess,
                         VkPipelineStageFlags2 to, VkAccessFlags2 toAccess) {
  auto barrier = Make<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
  barrier.srcStageMask = from;
  barrier.srcAccessMask = fromAccess;
  barrier.dstStageMask = to;
  barrier.dstAccessMask = toAccess;
  auto dependency = Make<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.memoryBarrierCount = 1;
  dependency.pMemoryBarriers = &barrier;
  vkCmdPipelineBarrier2(commands, &dependency);
}

constexpr uint32_t kConstantsBinding = 0;
constexpr uint32_t kInputBinding = 1024;
constexpr uint32_t kOutputBinding = 2048;

}  // namespace

VulkanComputePass::VulkanComputePass() {
  if (!Initialize() && error_.empty()) error_ = "the Vulkan compute pass could not be set up";
}

VulkanComputePass::~VulkanComputePass() {
  if (device_ == VK_NULL_HANDLE) return;
  vkDeviceWaitIdle(device_);
  vkDestroyPipeline(device_, pipeline_, nullptr);
  vkDestroyPipelineLayout(device_, layout_, nullptr);
  vkDestroyDescriptorSetLayout(device_, setLayout_, nullptr);
  for (VkBuffer buffer : {input_, output_, constants_}) vkDestroyBuffer(device_, buffer, nullptr);
  for (VkDeviceMemory memory : {inputMemory_, outputMemory_, constantsMemory_}) vkFreeMemory(device_, memory, nullptr);
  vkDestroyFence(device_, fence_, nullptr);
  vkDestroyCommandPool(device_, pool_, nullptr);
  vkDestroyDevice(device_, nullptr);
  vkDestroyInstance(instance_, nullptr);
}

bool VulkanComputePass::CreateBuffer(VkDeviceSize size, VkBufferUsageFlags usage, VkMemoryPropertyFlags properties,
                                     VkBuffer* buffer, VkDeviceMemory* memory) {
  auto info = Make<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
  info.size = size;
  info.usage = usage;
  if (vkCreateBuffer(device_, &info, nullptr, buffer) != VK_SUCCESS) return false;
  VkMemoryRequirements requirements;
  vkGetBufferMemoryRequirements(device_, *buffer, &requirements);
  VkPhysicalDeviceMemoryProperties memoryProperties;
  vkGetPhysicalDeviceMemoryProperties(physical_, &memoryProperties);
  auto allocate = Make<VkMemoryAllocateInfo>(VK_STRUCTURE_TYPE_MEMORY_ALLOCATE_INFO);
  allocate.allocationSize = requirements.size;
  for (uint32_t i = 0; i < memoryProperties.memoryTypeCount; ++i) {
    if ((requirements.memoryTypeBits & (1u << i)) &&
        (memoryProperties.memoryTypes[i].propertyFlags & properties) == properties) {
      allocate.memoryTypeIndex = i;
      break;
    }
  }
  return vkAllocateMemory(device_, &allocate, nullptr, memory) == VK_SUCCESS &&
         vkBindBufferMemory(device_, *buffer, *memory, 0) == VK_SUCCESS;
}

bool VulkanComputePass::Initialize() {
  auto application = Make<VkApplicationInfo>(VK_STRUCTURE_TYPE_APPLICATION_INFO);
  application.apiVersion = VK_API_VERSION_1_3;
  auto instanceInfo = Make<VkInstanceCreateInfo>(VK_STRUCTURE_TYPE_INSTANCE_CREATE_INFO);
  instanceInfo.pApplicationInfo = &application;
  if (vkCreateInstance(&instanceInfo, nullptr, &instance_) != VK_SUCCESS) return false;
  uint32_t count = 1;
  vkEnumeratePhysicalDevices(instance_, &count, &physical_);
  if (count == 0) return false;
  uint32_t familyCount = 0;
  vkGetPhysicalDeviceQueueFamilyProperties(physical_, &familyCount, nullptr);
  std::vector<VkQueueFamilyProperties> families(familyCount);
  vkGetPhysicalDeviceQueueFamilyProperties(physical_, &familyCount, families.data());
  while (queueFamily_ < familyCount && !(families[queueFamily_].queueFlags & VK_QUEUE_COMPUTE_BIT)) ++queueFamily_;

  // The shader carries HLSL semantic decorations, which these extensions allow.
  std::vector<const char*> extensions{VK_KHR_PUSH_DESCRIPTOR_EXTENSION_NAME};
  for (const char* optional :
       {VK_GOOGLE_HLSL_FUNCTIONALITY_1_EXTENSION_NAME, VK_GOOGLE_DECORATE_STRING_EXTENSION_NAME}) {
    if (HasExtension(physical_, optional)) extensions.push_back(optional);
  }
  auto features13 = Make<VkPhysicalDeviceVulkan13Features>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_VULKAN_1_3_FEATURES);
  features13.synchronization2 = VK_TRUE;
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
  if (vkCreateDevice(physical_, &deviceInfo, nullptr, &device_) != VK_SUCCESS) return false;
  vkGetDeviceQueue(device_, queueFamily_, 0, &queue_);
  pushDescriptors_ =
      reinterpret_cast<PFN_vkCmdPushDescriptorSetKHR>(vkGetDeviceProcAddr(device_, "vkCmdPushDescriptorSetKHR"));
  auto poolInfo = Make<VkCommandPoolCreateInfo>(VK_STRUCTURE_TYPE_COMMAND_POOL_CREATE_INFO);
  poolInfo.flags = VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT;
  poolInfo.queueFamilyIndex = queueFamily_;
  vkCreateCommandPool(device_, &poolInfo, nullptr, &pool_);
  auto allocate = Make<VkCommandBufferAllocateInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_ALLOCATE_INFO);
  allocate.commandPool = pool_;
  allocate.level = VK_COMMAND_BUFFER_LEVEL_PRIMARY;
  allocate.commandBufferCount = 1;
  vkAllocateCommandBuffers(device_, &allocate, &commands_);
  auto fenceInfo = Make<VkFenceCreateInfo>(VK_STRUCTURE_TYPE_FENCE_CREATE_INFO);
  vkCreateFence(device_, &fenceInfo, nullptr, &fence_);

  const VkDeviceSize bytes = VkDeviceSize(kElements) * 4;
  constexpr VkBufferUsageFlags kStorage =
      VK_BUFFER_USAGE_STORAGE_BUFFER_BIT | VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT;
  // On a CPU device all memory is host-visible; the input is filled in place.
  constexpr VkMemoryPropertyFlags kHost = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
  if (!CreateBuffer(bytes, kStorage, kHost, &input_, &inputMemory_) ||
      !CreateBuffer(bytes, kStorage, kHost, &output_, &outputMemory_) ||
      !CreateBuffer(256, VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, kHost, &constants_, &constantsMemory_)) {
    return false;
  }
  void* mapped = nullptr;
  vkMapMemory(device_, inputMemory_, 0, bytes, 0, &mapped);
  std::iota(static_cast<uint32_t*>(mapped), static_cast<uint32_t*>(mapped) + kElements, 0u);
  vkUnmapMemory(device_, inputMemory_);
  vkMapMemory(device_, constantsMemory_, 0, 256, 0, &mapped);
  const uint32_t constants[2] = {kScale, kBias};
  std::memcpy(mapped, constants, sizeof(constants));
  vkUnmapMemory(device_, constantsMemory_);

  const VkDescriptorSetLayoutBinding bindings[] = {
      {kConstantsBinding, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
      {kInputBinding, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
      {kOutputBinding, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr}};
  auto setInfo = Make<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
  setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
  setInfo.bindingCount = 3;
  setInfo.pBindings = bindings;
  vkCreateDescriptorSetLayout(device_, &setInfo, nullptr, &setLayout_);
  auto layoutInfo = Make<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  layoutInfo.setLayoutCount = 1;
  layoutInfo.pSetLayouts = &setLayout_;
  vkCreatePipelineLayout(device_, &layoutInfo, nullptr, &layout_);

  const std::vector<uint32_t> code = CompileTransform(&error_);
  if (code.empty()) return false;
  auto moduleInfo = Make<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
  moduleInfo.codeSize = code.size() * 4;
  moduleInfo.pCode = code.data();
  VkShaderModule module = VK_NULL_HANDLE;
  if (vkCreateShaderModule(device_, &moduleInfo, nullptr, &module) != VK_SUCCESS) return false;
  auto pipelineInfo = Make<VkComputePipelineCreateInfo>(VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO);
  pipelineInfo.stage = Make<VkPipelineShaderStageCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO);
  pipelineInfo.stage.stage = VK_SHADER_STAGE_COMPUTE_BIT;
  pipelineInfo.stage.module = module;
  pipelineInfo.stage.pName = "main";
  pipelineInfo.layout = layout_;
  const VkResult result = vkCreateComputePipelines(device_, VK_NULL_HANDLE, 1, &pipelineInfo, nullptr, &pipeline_);
  vkDestroyShaderModule(device_, module, nullptr);
  return result == VK_SUCCESS;
}

void VulkanComputePass::Run() {
  vkResetCommandBuffer(commands_, 0);
  auto begin = Make<VkCommandBufferBeginInfo>(VK_STRUCTURE_TYPE_COMMAND_BUFFER_BEGIN_INFO);
  begin.flags = VK_COMMAND_BUFFER_USAGE_ONE_TIME_SUBMIT_BIT;
  vkBeginCommandBuffer(commands_, &begin);
  vkCmdBindPipeline(commands_, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline_);
  const VkDescriptorBufferInfo infos[] = {
      {constants_, 0, 256}, {input_, 0, VK_WHOLE_SIZE}, {output_, 0, VK_WHOLE_SIZE}};
  VkWriteDescriptorSet writes[3];
  const uint32_t targets[] = {kConstantsBinding, kInputBinding, kOutputBinding};
  for (int i = 0; i < 3; ++i) {
    writes[i] = Make<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
    writes[i].dstBinding = targets[i];
    writes[i].descriptorCount = 1;
    writes[i].descriptorType = i == 0 ? VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER : VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
    writes[i].pBufferInfo = &infos[i];
  }
  pushDescriptors_(commands_, VK_PIPELINE_BIND_POINT_COMPUTE, layout_, 0, 3, writes);
  vkCmdDispatch(commands_, kElements / kGroupSize, 1, 1);
  RecordMemoryBarrier(commands_, VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT, VK_ACCESS_2_SHADER_WRITE_BIT,
                      VK_PIPELINE_STAGE_2_HOST_BIT, VK_ACCESS_2_HOST_READ_BIT);
  vkEndCommandBuffer(commands_);
  auto submit = Make<VkSubmitInfo>(VK_STRUCTURE_TYPE_SUBMIT_INFO);
  submit.commandBufferCount = 1;
  submit.pCommandBuffers = &commands_;
  vkQueueSubmit(queue_, 1, &submit, fence_);
  vkWaitForFences(device_, 1, &fence_, VK_TRUE, UINT64_MAX);
  vkResetFences(device_, 1, &fence_);
}

bool VulkanComputePass::OutputIsRight() {
  void* mapped = nullptr;
  vkMapMemory(device_, outputMemory_, 0, VK_WHOLE_SIZE, 0, &mapped);
  const auto* values = static_cast<const uint32_t*>(mapped);
  bool right = true;
  for (uint32_t i = 0; i < kElements && right; ++i) right = values[i] == i * kScale + kBias;
  vkUnmapMemory(device_, outputMemory_);
  return right;
}

}  // namespace compute_bench
