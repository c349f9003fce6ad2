// The compute pass written directly in Vulkan: the same SPIR-V, one push-descriptor set at the compiler's
// bindings (b0 at 0, t0 at 1024, u0 at 2048), device-local input and output, host-visible constants.
#include "ComputePass.h"

#include <cstring>
#include <numeric>
#include <vector>

namespace compute_bench {
namespace {

using d3d12_bench::Make;

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

VulkanComputePass::VulkanComputePass()
    : context_({VK_QUEUE_COMPUTE_BIT, false, VK_COMMAND_POOL_CREATE_RESET_COMMAND_BUFFER_BIT}) {
  if (!Initialize() && error_.empty()) error_ = "the Vulkan compute pass could not be set up";
}

VulkanComputePass::~VulkanComputePass() {
  const VkDevice device = context_.Device();
  if (device == VK_NULL_HANDLE) return;
  vkDeviceWaitIdle(device);
  vkDestroyPipeline(device, pipeline_, nullptr);
  vkDestroyPipelineLayout(device, layout_, nullptr);
  vkDestroyDescriptorSetLayout(device, setLayout_, nullptr);
  for (d3d12_bench::VulkanBuffer* buffer : {&input_, &output_, &constants_}) context_.Destroy(*buffer);
}

bool VulkanComputePass::Initialize() {
  error_ = context_.Error();
  if (!error_.empty()) return false;
  const VkDevice device = context_.Device();
  const VkDeviceSize bytes = VkDeviceSize(kElements) * 4;
  constexpr VkBufferUsageFlags kStorage =
      VK_BUFFER_USAGE_STORAGE_BUFFER_BIT | VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT;
  // On a CPU device all memory is host-visible; the input is filled in place.
  constexpr VkMemoryPropertyFlags kHost = VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT;
  if (!context_.CreateBuffer(bytes, kStorage, kHost, &input_) ||
      !context_.CreateBuffer(bytes, kStorage, kHost, &output_) ||
      !context_.CreateBuffer(256, VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, kHost, &constants_)) {
    return false;
  }
  auto* input = static_cast<uint32_t*>(input_.mapped);
  std::iota(input, input + kElements, 0u);
  const uint32_t constants[2] = {kScale, kBias};
  std::memcpy(constants_.mapped, constants, sizeof(constants));

  const VkDescriptorSetLayoutBinding bindings[] = {
      {kConstantsBinding, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
      {kInputBinding, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
      {kOutputBinding, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr}};
  auto setInfo = Make<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
  setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
  setInfo.bindingCount = 3;
  setInfo.pBindings = bindings;
  vkCreateDescriptorSetLayout(device, &setInfo, nullptr, &setLayout_);
  auto layoutInfo = Make<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  layoutInfo.setLayoutCount = 1;
  layoutInfo.pSetLayouts = &setLayout_;
  vkCreatePipelineLayout(device, &layoutInfo, nullptr, &layout_);

  const std::vector<uint32_t> code = CompileTransform(&error_);
  if (code.empty()) return false;
  const VkShaderModule module = context_.CreateShaderModule(code);
  if (module == VK_NULL_HANDLE) return false;
  auto pipelineInfo = Make<VkComputePipelineCreateInfo>(VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO);
  pipelineInfo.stage = Make<VkPipelineShaderStageCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO);
  pipelineInfo.stage.stage = VK_SHADER_STAGE_COMPUTE_BIT;
  pipelineInfo.stage.module = module;
  pipelineInfo.stage.pName = "main";
  pipelineInfo.layout = layout_;
  const VkResult result = vkCreateComputePipelines(device, VK_NULL_HANDLE, 1, &pipelineInfo, nullptr, &pipeline_);
  vkDestroyShaderModule(device, module, nullptr);
  return result == VK_SUCCESS;
}

void VulkanComputePass::Run() {
  const VkCommandBuffer commands = context_.Commands();
  vkResetCommandBuffer(commands, 0);
  context_.BeginCommands();
  vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline_);
  const VkDescriptorBufferInfo infos[] = {
      {constants_.buffer, 0, 256}, {input_.buffer, 0, VK_WHOLE_SIZE}, {output_.buffer, 0, VK_WHOLE_SIZE}};
  VkWriteDescriptorSet writes[3];
  const uint32_t targets[] = {kConstantsBinding, kInputBinding, kOutputBinding};
  for (int i = 0; i < 3; ++i) {
    writes[i] = Make<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
    writes[i].dstBinding = targets[i];
    writes[i].descriptorCount = 1;
    writes[i].descriptorType = i == 0 ? VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER : VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
    writes[i].pBufferInfo = &infos[i];
  }
  context_.PushDescriptors()(commands, VK_PIPELINE_BIND_POINT_COMPUTE, layout_, 0, 3, writes);
  vkCmdDispatch(commands, kElements / kGroupSize, 1, 1);
  RecordMemoryBarrier(commands, VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT, VK_ACCESS_2_SHADER_WRITE_BIT,
                      VK_PIPELINE_STAGE_2_HOST_BIT, VK_ACCESS_2_HOST_READ_BIT);
  vkEndCommandBuffer(commands);
  context_.SubmitAndWait();
}

bool VulkanComputePass::OutputIsRight() {
  // The output stays mapped and coherent; Run() has waited for the dispatch and made its writes visible.
  const auto* values = static_cast<const uint32_t*>(output_.mapped);
  bool right = true;
  for (uint32_t i = 0; i < kElements && right; ++i) right = values[i] == i * kScale + kBias;
  return right;
}

}  // namespace compute_bench
