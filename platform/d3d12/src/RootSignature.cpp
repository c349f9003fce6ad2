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

// The binding scheme shared with the shader compiler: each register class has 32 bindings of its own in
// each register space.
constexpr uint32_t kRegistersPerClass = 32;
constexpr uint32_t kConstantBufferBase = 0;
constexpr uint32_t kTextureBase = 32;
constexpr uint32_t kUnorderedAccessBase = 64;
constexpr uint32_t kSamplerBase = 96;
// Register spaces the push-descriptor set makes room for; binding numbers grow with the space.
constexpr uint32_t kMaxSpaces = 32;

struct SetLayoutBuilder {
  std::vector<VkDescriptorSetLayoutBinding> bindings;
};

HRESULT Unsupported(const char* what) {
  ReportUnsupportedOnce(what);
  return E_NOTIMPL;
}

// One register of one class: where it lands in the push-descriptor set and what it holds by default.
struct RegisterClass {
  uint32_t base;
  char letter;
  VkDescriptorType defaultType;
  DescriptorType expected;
};

constexpr RegisterClass kConstantBuffers{kConstantBufferBase, 'b', VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER,
                                         DescriptorType::ConstantBuffer};
constexpr RegisterClass kShaderResources{kTextureBase, 't', VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE,
                                         DescriptorType::ShaderResource};
constexpr RegisterClass kUnorderedAccess{kUnorderedAccessBase, 'u', VK_DESCRIPTOR_TYPE_STORAGE_IMAGE,
                                         DescriptorType::UnorderedAccess};
constexpr RegisterClass kSamplers{kSamplerBase, 's', VK_DESCRIPTOR_TYPE_SAMPLER, DescriptorType::Sampler};

const RegisterClass& ClassOfRange(D3D12_DESCRIPTOR_RANGE_TYPE type) {
  switch (type) {
    case D3D12_DESCRIPTOR_RANGE_TYPE_CBV: return kConstantBuffers;
    case D3D12_DESCRIPTOR_RANGE_TYPE_UAV: return kUnorderedAccess;
    case D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER: return kSamplers;
    default: return kShaderResources;
  }
}

// Adds the binding of one register; `binding` receives its number in the push-descriptor set.
HRESULT AddBinding(SetLayoutBuilder& set, const RegisterClass& registerClass, uint32_t shaderRegister, uint32_t space,
                   VkDescriptorType type, VkShaderStageFlags stages, uint32_t* binding) {
  if (shaderRegister >= kRegistersPerClass) {
    return Fail(E_INVALIDARG, kCall, "register %c%u is beyond the %u registers per class this layer binds",
                registerClass.letter, shaderRegister, kRegistersPerClass);
  }
  if (space >= kMaxSpaces) {
    return Unsupported("ID3D12Device::CreateRootSignature with register spaces above 31");
  }
  *binding = space * kBindingsPerSpace + registerClass.base + shaderRegister;
  for (const VkDescriptorSetLayoutBinding& existing : set.bindings) {
    if (existing.binding == *binding) {
      return Fail(E_INVALIDARG, kCall, "register %c%u, space %u is used by two parameters", registerClass.letter,
                  shaderRegister, space);
    }
  }
  set.bindings.push_back({*binding, type, 1, stages, nullptr});
  return S_OK;
}

HRESULT AddTable(SetLayoutBuilder& set, const RootSignatureDescription::Parameter& parameter,
                 RootParameterLayout* layout) {
  const VkShaderStageFlags stages = ToShaderStages(parameter.visibility);
  uint32_t offset = 0;
  bool hasSamplers = false, hasViews = false;
  for (const D3D12_DESCRIPTOR_RANGE& range : parameter.ranges) {
    if (range.NumDescriptors == UINT(-1)) {
      return Unsupported("ID3D12Device::CreateRootSignature with unbounded descriptor ranges");
    }
    if (range.RangeType > D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER) {
      return Fail(E_INVALIDARG, kCall, "descriptor range type %d is unknown", range.RangeType);
    }
    (range.RangeType == D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER ? hasSamplers : hasViews) = true;
    if (hasSamplers && hasViews) {
      return Fail(E_INVALIDARG, kCall, "a descriptor table mixes sampler ranges with CBV, SRV or UAV ranges");
    }
    const RegisterClass& registerClass = ClassOfRange(range.RangeType);
    if (range.OffsetInDescriptorsFromTableStart != D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND) {
      offset = range.OffsetInDescriptorsFromTableStart;
    }
    for (UINT i = 0; i < range.NumDescriptors; ++i) {
      uint32_t binding = 0;
      const HRESULT result = AddBinding(set, registerClass, range.BaseShaderRegister + i, range.RegisterSpace,
                                        registerClass.defaultType, stages, &binding);
      if (FAILED(result)) return result;
      layout->bindings.push_back({binding, registerClass.defaultType, registerClass.expected, offset + i});
    }
    offset += range.NumDescriptors;
    layout->tableSpan = std::max(layout->tableSpan, offset);
  }
  return S_OK;
}

// A root view (CBV, SRV, UAV), or root constants: one buffer at the parameter's own register. Root SRVs and
// UAVs are raw or structured buffers, which Vulkan reads as storage buffers.
HRESULT AddRootBuffer(SetLayoutBuilder& set, const RootSignatureDescription::Parameter& parameter,
                      const RegisterClass& registerClass, VkDescriptorType type, RootParameterLayout* layout) {
  uint32_t binding = 0;
  const HRESULT result = AddBinding(set, registerClass, parameter.shaderRegister, parameter.registerSpace, type,
                                    ToShaderStages(parameter.visibility), &binding);
  if (FAILED(result)) return result;
  layout->bindings.push_back({binding, type, registerClass.expected, 0});
  return S_OK;
}

HRESULT AddParameter(SetLayoutBuilder& set, const RootSignatureDescription::Parameter& parameter,
                     RootParameterLayout* layout) {
  layout->type = parameter.type;
  switch (parameter.type) {
    case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
      return AddTable(set, parameter, layout);
    case D3D12_ROOT_PARAMETER_TYPE_CBV:
      return AddRootBuffer(set, parameter, kConstantBuffers, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, layout);
    case D3D12_ROOT_PARAMETER_TYPE_SRV:
      return AddRootBuffer(set, parameter, kShaderResources, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, layout);
    case D3D12_ROOT_PARAMETER_TYPE_UAV:
      return AddRootBuffer(set, parameter, kUnorderedAccess, VK_DESCRIPTOR_TYPE_STORAGE_BUFFER, layout);
    case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
      // Root constants reach the shader as a small uniform buffer the command list fills at each draw.
      layout->constantCount = parameter.constantCount;
      return AddRootBuffer(set, parameter, kConstantBuffers, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, layout);
    default:
      return Fail(E_INVALIDARG, kCall, "root parameter type %d is unknown", parameter.type);
  }
}

}  // namespace

RootSignature::RootSignature(Device& device) : DeviceChild(device) {}

bool RootSignature::HasBinding(uint32_t set, uint32_t binding) const {
  const uint32_t folded = set * kBindingsPerSpace + binding;
  return binding < kBindingsPerSpace && std::any_of(setBindings_.begin(), setBindings_.end(),
                                                    [folded](const auto& existing) { return existing.binding == folded; });
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
    uint32_t binding = 0;
    const HRESULT result = AddBinding(set, kSamplers, sampler.ShaderRegister, sampler.RegisterSpace,
                                      VK_DESCRIPTOR_TYPE_SAMPLER, ToShaderStages(sampler.ShaderVisibility), &binding);
    if (FAILED(result)) {
      vkDestroySampler(vulkan.Handle(), vkSampler, nullptr);
      return fail(result);
    }
    created->samplers_.push_back({binding, vkSampler});
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

  created->setBindings_ = set.bindings;
  auto setInfo = VkInit<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
  setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
  setInfo.bindingCount = uint32_t(set.bindings.size());
  setInfo.pBindings = set.bindings.data();
  VkDescriptorSetLayout setLayout = VK_NULL_HANDLE;
  if (vkCreateDescriptorSetLayout(vulkan.Handle(), &setInfo, nullptr, &setLayout) != VK_SUCCESS) {
    return fail(Fail(E_OUTOFMEMORY, kCall, "cannot create a descriptor set layout"));
  }
  created->setLayouts_.push_back(setLayout);
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
