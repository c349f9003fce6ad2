#include "PipelineBindings.h"

#include "Device.h"
#include "Diagnostics.h"
#include "RootSignature.h"
#include "VulkanStructs.h"

#include <algorithm>

namespace d3d12vk {
namespace {

// Root SRVs and UAVs hand the shader a GPU address, which only raw and structured buffers can take.
bool IsRootViewBinding(const VkDescriptorSetLayoutBinding& binding) {
  return binding.descriptorType == VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
}

}  // namespace

VkDescriptorType DescriptorTypeOf(ResourceKind kind) {
  switch (kind) {
    case ResourceKind::UniformBuffer: return VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
    case ResourceKind::StorageBuffer: return VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
    case ResourceKind::SampledImage: return VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
    case ResourceKind::StorageImage: return VK_DESCRIPTOR_TYPE_STORAGE_IMAGE;
    case ResourceKind::UniformTexelBuffer: return VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER;
    case ResourceKind::StorageTexelBuffer: return VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER;
    case ResourceKind::Sampler: return VK_DESCRIPTOR_TYPE_SAMPLER;
    case ResourceKind::Other: break;
  }
  return VK_DESCRIPTOR_TYPE_MAX_ENUM;
}

PipelineBindings::~PipelineBindings() {
  if (layout_ != VK_NULL_HANDLE) vkDestroyPipelineLayout(device_, layout_, nullptr);
  if (setLayout_ != VK_NULL_HANDLE) vkDestroyDescriptorSetLayout(device_, setLayout_, nullptr);
}

HRESULT PipelineBindings::Build(VulkanDevice& vulkan, const char* call, const RootSignature& root,
                                const std::vector<const ShaderInterface*>& shaders, VkShaderStageFlags stages) {
  device_ = vulkan.Handle();
  std::vector<VkDescriptorSetLayoutBinding> bindings = root.SetBindings();
  for (VkDescriptorSetLayoutBinding& binding : bindings) {
    if (stages != 0) binding.stageFlags = stages;
  }
  for (const ShaderInterface* shader : shaders) {
    for (const ResourceBinding& resource : shader->declared) {
      if (resource.arraySize != 1) {
        ReportUnsupportedOnce("pipeline states whose shaders declare arrays of resources");
        return E_NOTIMPL;
      }
      const uint32_t folded = resource.set * kBindingsPerSpace + resource.binding;
      auto found = std::find_if(bindings.begin(), bindings.end(),
                                [folded](const VkDescriptorSetLayoutBinding& b) { return b.binding == folded; });
      // Declared but absent from the root signature: the shader never reads it (CheckResources saw to that).
      if (found == bindings.end() || resource.binding >= kBindingsPerSpace) continue;
      const VkDescriptorType type = DescriptorTypeOf(resource.kind);
      if (type == VK_DESCRIPTOR_TYPE_MAX_ENUM) {
        return Fail(E_INVALIDARG, call, "the resource at set %u binding %u is of a kind the layer cannot bind",
                    resource.set, resource.binding);
      }
      if (IsRootViewBinding(*found) && type != VK_DESCRIPTOR_TYPE_STORAGE_BUFFER) {
        return Fail(E_INVALIDARG, call,
                    "space %u register %u is a root SRV or UAV, which binds only raw and structured buffers",
                    resource.set, resource.binding % 32);
      }
      found->descriptorType = type;
    }
  }
  uint32_t highest = 0;
  for (const VkDescriptorSetLayoutBinding& binding : bindings) highest = std::max(highest, binding.binding);
  types_.assign(highest + 1, VK_DESCRIPTOR_TYPE_MAX_ENUM);
  for (const VkDescriptorSetLayoutBinding& binding : bindings) types_[binding.binding] = binding.descriptorType;

  auto setInfo = VkInit<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
  setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
  setInfo.bindingCount = uint32_t(bindings.size());
  setInfo.pBindings = bindings.data();
  if (vkCreateDescriptorSetLayout(device_, &setInfo, nullptr, &setLayout_) != VK_SUCCESS) {
    return Fail(E_OUTOFMEMORY, call, "cannot create a descriptor set layout");
  }
  auto info = VkInit<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  info.setLayoutCount = 1;
  info.pSetLayouts = &setLayout_;
  if (vkCreatePipelineLayout(device_, &info, nullptr, &layout_) != VK_SUCCESS) {
    return Fail(E_OUTOFMEMORY, call, "cannot create a pipeline layout");
  }
  return S_OK;
}

}  // namespace d3d12vk
