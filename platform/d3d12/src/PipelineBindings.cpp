#include "PipelineBindings.h"

#include "Device.h"
#include "Diagnostics.h"
#include "VulkanStructs.h"

#include <algorithm>

namespace d3d12vk {
namespace {

// The descriptors a runtime array (Texture2D t[]) over an unbounded range gets: Vulkan sizes every binding.
constexpr uint32_t kUnboundedArrayDescriptors = 1024;
// Declared resources no root parameter supplies are never read (pipelines reading one are refused); they
// keep bindings of their own, out of the way of the set's.
constexpr uint32_t kUnsuppliedBindingBase = 1u << 20;

const char* ClassName(RegisterClass registerClass) {
  switch (registerClass) {
    case RegisterClass::ConstantBuffer:
      return "b";
    case RegisterClass::ShaderResource:
      return "t";
    case RegisterClass::UnorderedAccess:
      return "u";
    case RegisterClass::Sampler:
      return "s";
  }
  return "?";
}

}  // namespace

VkDescriptorType DescriptorTypeOf(ResourceKind kind) {
  switch (kind) {
    case ResourceKind::UniformBuffer:
      return VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER;
    case ResourceKind::StorageBuffer:
      return VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
    case ResourceKind::SampledImage:
      return VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
    case ResourceKind::StorageImage:
      return VK_DESCRIPTOR_TYPE_STORAGE_IMAGE;
    case ResourceKind::UniformTexelBuffer:
      return VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER;
    case ResourceKind::StorageTexelBuffer:
      return VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER;
    case ResourceKind::Sampler:
      return VK_DESCRIPTOR_TYPE_SAMPLER;
    case ResourceKind::Other:
      break;
  }
  return VK_DESCRIPTOR_TYPE_MAX_ENUM;
}

PipelineBindings::~PipelineBindings() {
  if (layout_ != VK_NULL_HANDLE) vkDestroyPipelineLayout(device_, layout_, nullptr);
  if (setLayout_ != VK_NULL_HANDLE) vkDestroyDescriptorSetLayout(device_, setLayout_, nullptr);
}

D3D12_SHADER_VISIBILITY VisibilityOf(ShaderStage stage) {
  switch (stage) {
    case ShaderStage::Vertex:
      return D3D12_SHADER_VISIBILITY_VERTEX;
    case ShaderStage::Geometry:
      return D3D12_SHADER_VISIBILITY_GEOMETRY;
    case ShaderStage::Pixel:
      return D3D12_SHADER_VISIBILITY_PIXEL;
    default:
      return D3D12_SHADER_VISIBILITY_ALL;
  }
}

uint32_t PipelineBindings::Remap(uint32_t set, uint32_t binding, ShaderStage stage) const {
  const auto found = remaps_.find({stage, set, binding});
  return found != remaps_.end() ? found->second : kUnsuppliedBindingBase + uint32_t(remaps_.size()) + binding;
}

HRESULT PipelineBindings::AddResource(const char* call, const RootSignature& root, const ResourceBinding& resource,
                                      ShaderStage stage) {
  // A counter comes with the UAV of its buffer's register.
  const uint32_t registerBinding = resource.isCounter ? resource.counterOfBinding : resource.binding;
  const RegisterClass registerClass = ClassOfBinding(registerBinding);
  const uint32_t shaderRegister = RegisterOfBinding(registerBinding);
  RegisterSource source;
  if (!root.FindSource(resource.set, registerClass, shaderRegister, &source, VisibilityOf(stage))) return S_OK;
  // Another stage reading the same descriptors through the same register shares its binding.
  for (const auto& [key, index] : remaps_) {
    const PipelineBinding& existing = bindings_[index];
    if (std::get<1>(key) == resource.set && std::get<2>(key) == resource.binding &&
        existing.source.parameter == source.parameter && existing.source.offsetInTable == source.offsetInTable &&
        existing.source.staticSampler == source.staticSampler && existing.counter == resource.isCounter) {
      remaps_[{stage, resource.set, resource.binding}] = index;
      return S_OK;
    }
  }
  const VkDescriptorType type = DescriptorTypeOf(resource.kind);
  if (type == VK_DESCRIPTOR_TYPE_MAX_ENUM) {
    return Fail(call, E_INVALIDARG, "register %s%u, space %u is of a kind the layer cannot bind",
                ClassName(registerClass), shaderRegister, resource.set);
  }
  if (source.parameter >= 0) {
    const D3D12_ROOT_PARAMETER_TYPE parameterType = root.Parameters()[size_t(source.parameter)].type;
    const bool rootView =
        parameterType == D3D12_ROOT_PARAMETER_TYPE_SRV || parameterType == D3D12_ROOT_PARAMETER_TYPE_UAV;
    if (rootView && type != VK_DESCRIPTOR_TYPE_STORAGE_BUFFER) {
      return Fail(call, E_INVALIDARG,
                  "register %s%u, space %u is a root SRV or UAV, which binds only raw and structured buffers",
                  ClassName(registerClass), shaderRegister, resource.set);
    }
  }
  // A runtime array takes what its range holds; a sized one must fit in it.
  uint32_t count = resource.arraySize;
  if (count == 0) count = source.available == kUnboundedRange ? kUnboundedArrayDescriptors : source.available;
  if (source.available != kUnboundedRange && count > source.available) {
    return Fail(call, E_INVALIDARG,
                "the shader's array at %s%u, space %u has %u elements; the root signature covers %u",
                ClassName(registerClass), shaderRegister, resource.set, count, source.available);
  }
  if (resource.isCounter && (count != 1 || registerClass != RegisterClass::UnorderedAccess)) {
    return Fail(call, E_INVALIDARG, "register %s%u, space %u: counters belong to single structured buffer UAVs",
                ClassName(registerClass), shaderRegister, resource.set);
  }
  const uint32_t binding = uint32_t(bindings_.size());
  bindings_.push_back({binding, type, count, source, resource.isCounter});
  remaps_[{stage, resource.set, resource.binding}] = binding;
  descriptorCount_ += count;
  if (resource.arraySize == 0) pushed_ = false;
  return S_OK;
}

HRESULT PipelineBindings::Build(VulkanDevice& vulkan, const char* call, const RootSignature& root,
                                const std::vector<const ShaderInterface*>& shaders, VkShaderStageFlags stages) {
  device_ = vulkan.Handle();
  for (const ShaderInterface* shader : shaders) {
    for (const ResourceBinding& resource : shader->declared) {
      const HRESULT result = AddResource(call, root, resource, shader->stage);
      if (FAILED(result)) return result;
    }
  }
  if (descriptorCount_ > vulkan.MaxPushDescriptors()) pushed_ = false;

  std::vector<VkDescriptorSetLayoutBinding> layoutBindings;
  for (const PipelineBinding& binding : bindings_) {
    layoutBindings.push_back({binding.binding, binding.type, binding.count, stages, nullptr});
  }
  // Tables hold what the program put in its heap; elements it left empty are fine as long as the shader
  // does not read them, as in Direct3D.
  const std::vector<VkDescriptorBindingFlags> flags(layoutBindings.size(), VK_DESCRIPTOR_BINDING_PARTIALLY_BOUND_BIT);
  auto bindingFlags = VkInit<VkDescriptorSetLayoutBindingFlagsCreateInfo>(
      VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_BINDING_FLAGS_CREATE_INFO);
  bindingFlags.bindingCount = uint32_t(flags.size());
  bindingFlags.pBindingFlags = flags.data();
  auto setInfo = VkInit<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
  // Without partially bound descriptors every element is written, empty ones as null descriptors.
  if (pushed_) {
    setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
  } else if (vulkan.HasPartiallyBoundDescriptors()) {
    setInfo.pNext = &bindingFlags;
  }
  setInfo.bindingCount = uint32_t(layoutBindings.size());
  setInfo.pBindings = layoutBindings.data();
  if (vkCreateDescriptorSetLayout(device_, &setInfo, nullptr, &setLayout_) != VK_SUCCESS) {
    return Fail(call, E_OUTOFMEMORY, "cannot create a descriptor set layout");
  }
  auto info = VkInit<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  info.setLayoutCount = 1;
  info.pSetLayouts = &setLayout_;
  if (vkCreatePipelineLayout(device_, &info, nullptr, &layout_) != VK_SUCCESS) {
    return Fail(call, E_OUTOFMEMORY, "cannot create a pipeline layout");
  }
  return S_OK;
}

}  // namespace d3d12vk
