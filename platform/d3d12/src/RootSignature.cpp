#include "RootSignature.h"

#include "D3D12ToVulkan.h"
#include "Device.h"
#include "Diagnostics.h"
#include "RootSignatureEncoding.h"
#include "VulkanStructs.h"

#include <algorithm>
#include <optional>

namespace d3d12vk {
namespace {

constexpr const char* kCall = "ID3D12Device::CreateRootSignature";

// The binding scheme shared with the shader compiler: each register class has 32 bindings of its own.
constexpr uint32_t kRegistersPerClass = 32;
constexpr uint32_t kConstantBufferBase = 0;
constexpr uint32_t kTextureBase = 32;
constexpr uint32_t kSamplerBase = 96;

struct SetLayoutBuilder {
  std::vector<VkDescriptorSetLayoutBinding> bindings;
  std::optional<uint32_t> space;
};

HRESULT Unsupported(const char* what) {
  ReportUnsupportedOnce(what);
  return E_NOTIMPL;
}

// Every descriptor must sit in one register space: that is the one set whose descriptors can be pushed.
HRESULT ClaimSpace(SetLayoutBuilder& set, uint32_t space) {
  if (set.space && *set.space != space) {
    return Unsupported("ID3D12Device::CreateRootSignature with descriptors in more than one register space");
  }
  set.space = space;
  return S_OK;
}

HRESULT AddBinding(SetLayoutBuilder& set, uint32_t base, char registerClass, uint32_t shaderRegister,
                   VkDescriptorType type, VkShaderStageFlags stages) {
  if (shaderRegister >= kRegistersPerClass) {
    return Fail(E_INVALIDARG, kCall, "register %c%u is beyond the %u registers per class this layer binds",
                registerClass, shaderRegister, kRegistersPerClass);
  }
  const uint32_t binding = base + shaderRegister;
  for (const VkDescriptorSetLayoutBinding& existing : set.bindings) {
    if (existing.binding == binding) {
      return Fail(E_INVALIDARG, kCall, "register %c%u is used by two parameters", registerClass, shaderRegister);
    }
  }
  set.bindings.push_back({binding, type, 1, stages, nullptr});
  return S_OK;
}

HRESULT AddTable(SetLayoutBuilder& set, const RootSignatureDescription::Parameter& parameter,
                 RootParameterLayout* layout) {
  const VkShaderStageFlags stages = ToShaderStages(parameter.visibility);
  uint32_t offset = 0;
  for (const D3D12_DESCRIPTOR_RANGE& range : parameter.ranges) {
    if (range.NumDescriptors == UINT(-1)) {
      return Unsupported("ID3D12Device::CreateRootSignature with unbounded descriptor ranges");
    }
    const bool isBuffer = range.RangeType == D3D12_DESCRIPTOR_RANGE_TYPE_CBV;
    if (!isBuffer && range.RangeType != D3D12_DESCRIPTOR_RANGE_TYPE_SRV) {
      return Unsupported("ID3D12Device::CreateRootSignature with UAV or sampler descriptor tables");
    }
    HRESULT result = ClaimSpace(set, range.RegisterSpace);
    if (FAILED(result)) return result;
    if (range.OffsetInDescriptorsFromTableStart != D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND) {
      offset = range.OffsetInDescriptorsFromTableStart;
    }
    for (UINT i = 0; i < range.NumDescriptors; ++i) {
      const uint32_t shaderRegister = range.BaseShaderRegister + i;
      const VkDescriptorType type = isBuffer ? VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER : VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE;
      result = AddBinding(set, isBuffer ? kConstantBufferBase : kTextureBase, isBuffer ? 'b' : 't', shaderRegister,
                          type, stages);
      if (FAILED(result)) return result;
      layout->bindings.push_back({(isBuffer ? kConstantBufferBase : kTextureBase) + shaderRegister, type,
                                  isBuffer ? DescriptorType::ConstantBuffer : DescriptorType::ShaderResource,
                                  offset + i});
    }
    offset += range.NumDescriptors;
    layout->tableSpan = std::max(layout->tableSpan, offset);
  }
  return S_OK;
}

// A root CBV, or root constants: one uniform buffer at the parameter's own register.
HRESULT AddRootBuffer(SetLayoutBuilder& set, const RootSignatureDescription::Parameter& parameter,
                      RootParameterLayout* layout) {
  const HRESULT result = ClaimSpace(set, parameter.registerSpace);
  if (FAILED(result)) return result;
  layout->bindings.push_back({kConstantBufferBase + parameter.shaderRegister, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER,
                              DescriptorType::ConstantBuffer, 0});
  return AddBinding(set, kConstantBufferBase, 'b', parameter.shaderRegister, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER,
                    ToShaderStages(parameter.visibility));
}

HRESULT AddParameter(SetLayoutBuilder& set, const RootSignatureDescription::Parameter& parameter,
                     RootParameterLayout* layout) {
  layout->type = parameter.type;
  switch (parameter.type) {
    case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
      return AddTable(set, parameter, layout);
    case D3D12_ROOT_PARAMETER_TYPE_CBV:
      return AddRootBuffer(set, parameter, layout);
    case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
      // Root constants reach the shader as a small uniform buffer the command list fills at each draw.
      layout->constantCount = parameter.constantCount;
      return AddRootBuffer(set, parameter, layout);
    default:
      return Unsupported("ID3D12Device::CreateRootSignature with root SRV or UAV descriptors");
  }
}

}  // namespace

RootSignature::RootSignature(Device& device) : DeviceChild(device) {}

bool RootSignature::HasBinding(uint32_t set, uint32_t binding) const {
  return set == pushSet_ && std::find(pushBindings_.begin(), pushBindings_.end(), binding) != pushBindings_.end();
}

RootSignature::~RootSignature() {
  VkDevice device = OwningDevice().Vulkan().Handle();
  if (layout_ != VK_NULL_HANDLE) vkDestroyPipelineLayout(device, layout_, nullptr);
  for (VkDescriptorSetLayout set : setLayouts_) vkDestroyDescriptorSetLayout(device, set, nullptr);
  for (const StaticSamplerBinding& sampler : samplers_) vkDestroySampler(device, sampler.sampler, nullptr);
}

HRESULT RootSignature::Create(Device& device, const void* blob, size_t size, RootSignature** rootSignature) {
  RootSignatureDescription description;
  std::string error;
  if (!DecodeRootSignature(blob, size, &description, &error)) return Fail(E_INVALIDARG, kCall, "%s", error.c_str());

  RootSignature* created = new RootSignature(device);
  created->encoding_.assign(static_cast<const uint8_t*>(blob), static_cast<const uint8_t*>(blob) + size);
  VulkanDevice& vulkan = device.Vulkan();
  auto fail = [created](HRESULT result) {
    created->Release();
    return result;
  };

  // Static samplers are pushed like the other descriptors rather than made immutable: drivers treat
  // immutable samplers in push-descriptor sets unevenly, a pushed sampler works everywhere.
  SetLayoutBuilder set;
  for (const D3D12_STATIC_SAMPLER_DESC& sampler : description.staticSamplers) {
    VkSamplerCreateInfo info;
    const char* reason = nullptr;
    if (!ToSamplerInfo(sampler, vulkan.HasAnisotropy(), &info, &reason)) {
      return fail(Fail(E_INVALIDARG, kCall, "static sampler s%u: %s", sampler.ShaderRegister, reason));
    }
    VkSampler vkSampler = VK_NULL_HANDLE;
    if (vkCreateSampler(vulkan.Handle(), &info, nullptr, &vkSampler) != VK_SUCCESS) {
      return fail(Fail(E_OUTOFMEMORY, kCall, "cannot create static sampler s%u", sampler.ShaderRegister));
    }
    created->samplers_.push_back({kSamplerBase + sampler.ShaderRegister, vkSampler});
    HRESULT result = ClaimSpace(set, sampler.RegisterSpace);
    if (SUCCEEDED(result)) {
      result = AddBinding(set, kSamplerBase, 's', sampler.ShaderRegister, VK_DESCRIPTOR_TYPE_SAMPLER,
                          ToShaderStages(sampler.ShaderVisibility));
    }
    if (FAILED(result)) return fail(result);
  }
  uint32_t constantCount = 0;
  for (const RootSignatureDescription::Parameter& parameter : description.parameters) {
    RootParameterLayout layout;
    const HRESULT result = AddParameter(set, parameter, &layout);
    if (FAILED(result)) return fail(result);
    layout.firstConstant = constantCount;
    constantCount += layout.constantCount;
    if (constantCount > kMaxRootDwords) {
      return fail(Fail(E_INVALIDARG, kCall, "more than %u root constants", kMaxRootDwords));
    }
    created->descriptorCount_ += uint32_t(layout.bindings.size());
    created->parameters_.push_back(std::move(layout));
  }
  created->descriptorCount_ += uint32_t(created->samplers_.size());
  if (set.bindings.size() > vulkan.MaxPushDescriptors()) {
    return fail(Fail(E_INVALIDARG, kCall, "%zu descriptors exceed the %u this adapter can push", set.bindings.size(),
                     vulkan.MaxPushDescriptors()));
  }

  for (const VkDescriptorSetLayoutBinding& binding : set.bindings) created->pushBindings_.push_back(binding.binding);

  // Sets below the used space stay empty, so the set number equals the register space.
  const uint32_t pushSet = set.space.value_or(0);
  created->pushSet_ = pushSet;
  for (uint32_t index = 0; set.space && index <= pushSet; ++index) {
    auto info = VkInit<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
    if (index == pushSet) {
      info.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
      info.bindingCount = uint32_t(set.bindings.size());
      info.pBindings = set.bindings.data();
    }
    VkDescriptorSetLayout layout = VK_NULL_HANDLE;
    if (vkCreateDescriptorSetLayout(vulkan.Handle(), &info, nullptr, &layout) != VK_SUCCESS) {
      return fail(Fail(E_OUTOFMEMORY, kCall, "cannot create a descriptor set layout"));
    }
    created->setLayouts_.push_back(layout);
  }
  auto info = VkInit<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  info.setLayoutCount = uint32_t(created->setLayouts_.size());
  info.pSetLayouts = created->setLayouts_.data();
  if (vkCreatePipelineLayout(vulkan.Handle(), &info, nullptr, &created->layout_) != VK_SUCCESS) {
    return fail(Fail(E_OUTOFMEMORY, kCall, "cannot create a pipeline layout"));
  }
  *rootSignature = created;
  return S_OK;
}

}  // namespace d3d12vk
