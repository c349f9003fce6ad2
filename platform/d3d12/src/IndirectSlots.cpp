#include "IndirectSlots.h"

#include "Diagnostics.h"
#include "ResourceInitialization.h"
#include "ResourceStates.h"
#include "SpirvReader.h"
#include "VulkanStructs.h"

#include <windows.h>

#include <d3dcompiler.h>

#include <cstring>

namespace d3d12vk {
namespace {

// Registers as the layer's compiler binds them: b0 at 0, t0 and t1 at 1024 and 1025, u0 at 2048.
constexpr char kSource[] = R"(
cbuffer Plan : register(b0) {
  uint4 header;  // first command word, words per command, commands, count word (~0: none)
  uint4 shape;   // words per slot
  uint4 entries[4000];  // two (kind, value) words per element
};
ByteAddressBuffer Arguments : register(t0);
ByteAddressBuffer Count : register(t1);
RWByteAddressBuffer Slots : register(u0);

[numthreads(64, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) {
  uint slot = id.x;
  if (slot >= header.z) return;
  uint count = header.w == 0xffffffffu ? header.z : min(Count.Load(header.w * 4), header.z);
  uint first = header.x + slot * header.y;
  for (uint w = 0; w < shape.x; ++w) {
    uint4 pair = entries[w / 2];
    uint2 entry = (w & 1) != 0 ? pair.zw : pair.xy;
    uint value = entry.x == 0 ? Arguments.Load((first + entry.y) * 4) : (entry.x == 1 ? entry.y : 0);
    Slots.Store((slot * shape.x + w) * 4, slot < count ? value : 0);
  }
}
)";

}  // namespace

std::vector<uint32_t> SlotPlan::Encode() const {
  std::vector<uint32_t> encoded = {firstWord, strideWords, commands, countWord, uint32_t(words.size()), 0, 0, 0};
  for (const SlotWord& word : words) encoded.insert(encoded.end(), {uint32_t(word.kind), word.value});
  encoded.resize((encoded.size() + 3) / 4 * 4, 0);
  return encoded;
}

IndirectSlots::~IndirectSlots() {
  VkDevice device = vulkan_.Handle();
  if (pipeline_ != VK_NULL_HANDLE) vkDestroyPipeline(device, pipeline_, nullptr);
  if (layout_ != VK_NULL_HANDLE) vkDestroyPipelineLayout(device, layout_, nullptr);
  if (setLayout_ != VK_NULL_HANDLE) vkDestroyDescriptorSetLayout(device, setLayout_, nullptr);
  if (module_ != VK_NULL_HANDLE) vkDestroyShaderModule(device, module_, nullptr);
}

bool IndirectSlots::Create(const char* call) {
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT compiled = D3DCompile(kSource, sizeof(kSource) - 1, "IndirectSlots", nullptr, nullptr, "main",
                                      "cs_5_0", 0, 0, &code, &errors);
  if (errors != nullptr) errors->Release();
  if (FAILED(compiled)) {
    Report(call, "the pass that splits indirect commands does not compile");
    return false;
  }
  const std::vector<uint32_t> words = WithoutHlslDecorations(code->GetBufferPointer(), code->GetBufferSize());
  code->Release();
  VkDevice device = vulkan_.Handle();
  auto moduleInfo = VkInit<VkShaderModuleCreateInfo>(VK_STRUCTURE_TYPE_SHADER_MODULE_CREATE_INFO);
  moduleInfo.codeSize = words.size() * sizeof(uint32_t);
  moduleInfo.pCode = words.data();
  const VkDescriptorSetLayoutBinding bindings[] = {
      {0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
      {1024, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
      {1025, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr},
      {2048, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, 1, VK_SHADER_STAGE_COMPUTE_BIT, nullptr}};
  auto setInfo = VkInit<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
  setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
  setInfo.bindingCount = 4;
  setInfo.pBindings = bindings;
  auto layoutInfo = VkInit<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  layoutInfo.setLayoutCount = 1;
  layoutInfo.pSetLayouts = &setLayout_;
  if (vkCreateShaderModule(device, &moduleInfo, nullptr, &module_) != VK_SUCCESS ||
      vkCreateDescriptorSetLayout(device, &setInfo, nullptr, &setLayout_) != VK_SUCCESS ||
      vkCreatePipelineLayout(device, &layoutInfo, nullptr, &layout_) != VK_SUCCESS) {
    Report(call, "cannot create the pass that splits indirect commands");
    return false;
  }
  auto info = VkInit<VkComputePipelineCreateInfo>(VK_STRUCTURE_TYPE_COMPUTE_PIPELINE_CREATE_INFO);
  info.stage = VkInit<VkPipelineShaderStageCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO);
  info.stage.stage = VK_SHADER_STAGE_COMPUTE_BIT;
  info.stage.module = module_;
  info.stage.pName = "main";
  info.layout = layout_;
  if (vkCreateComputePipelines(device, VK_NULL_HANDLE, 1, &info, nullptr, &pipeline_) != VK_SUCCESS) {
    Report(call, "cannot create the pass that splits indirect commands");
    return false;
  }
  return true;
}

bool IndirectSlots::Record(const char* call, VkCommandBuffer commands, const SlotBuffers& buffers,
                           uint32_t slotCount) {
  {
    std::lock_guard lock(mutex_);
    if (!tried_) {
      tried_ = true;
      Create(call);
    }
    if (pipeline_ == VK_NULL_HANDLE) return false;
  }
  // The arguments were made ready for indirect reads; the pass reads them from a shader.
  RecordMemoryBarrier(vulkan_.Commands(), commands, {kEveryWorkStage, kEveryWorkWrite},
                      {VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT, VK_ACCESS_2_SHADER_READ_BIT});
  const VkDescriptorBufferInfo infos[] = {{buffers.plan, buffers.planOffset, buffers.planRange},
                                          {buffers.arguments, buffers.argumentsOffset, VK_WHOLE_SIZE},
                                          {buffers.count, buffers.countOffset, VK_WHOLE_SIZE},
                                          {buffers.slots, 0, buffers.slotsRange}};
  const uint32_t bindings[] = {0, 1024, 1025, 2048};
  VkWriteDescriptorSet writes[4];
  for (int i = 0; i < 4; ++i) {
    writes[i] = VkInit<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
    writes[i].dstBinding = bindings[i];
    writes[i].descriptorCount = 1;
    writes[i].descriptorType = i == 0 ? VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER : VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
    writes[i].pBufferInfo = &infos[i];
  }
  vkCmdBindPipeline(commands, VK_PIPELINE_BIND_POINT_COMPUTE, pipeline_);
  vulkan_.CmdPushDescriptorSet(commands, VK_PIPELINE_BIND_POINT_COMPUTE, layout_, 0, 4, writes);
  vkCmdDispatch(commands, (slotCount + 63) / 64, 1, 1);
  // The slots are draw or dispatch arguments and root constants from here on.
  constexpr VkAccessFlags2 kSlotReads =
      VK_ACCESS_2_INDIRECT_COMMAND_READ_BIT | VK_ACCESS_2_UNIFORM_READ_BIT | VK_ACCESS_2_SHADER_READ_BIT;
  RecordMemoryBarrier(vulkan_.Commands(), commands,
                      {VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT, VK_ACCESS_2_SHADER_WRITE_BIT},
                      {VK_PIPELINE_STAGE_2_DRAW_INDIRECT_BIT | kEveryWorkStage, kSlotReads});
  return true;
}

}  // namespace d3d12vk
