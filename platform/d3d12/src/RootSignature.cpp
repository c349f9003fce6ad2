#include "RootSignature.h"

#include "D3D12ToVulkan.h"
#include "Device.h"
#include "Diagnostics.h"
#include "RootSignatureEncoding.h"
#include "VulkanStructs.h"

#include <algorithm>

namespace d3d12vk {
namespace {

constexpr const char* kCall = "ID3D12Device::CreateRootSignature";

RegisterClass ClassOfRange(D3D12_DESCRIPTOR_RANGE_TYPE type) {
  switch (type) {
    case D3D12_DESCRIPTOR_RANGE_TYPE_CBV:
      return RegisterClass::ConstantBuffer;
    case D3D12_DESCRIPTOR_RANGE_TYPE_UAV:
      return RegisterClass::UnorderedAccess;
    case D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER:
      return RegisterClass::Sampler;
    default:
      return RegisterClass::ShaderResource;
  }
}

char LetterOf(RegisterClass registerClass) { return "btus"[int(registerClass)]; }

// Registers past the compiler's 1024 per class would land in the next class's bindings.
HRESULT CheckRegisters(RegisterClass registerClass, uint32_t first, uint32_t count) {
  const uint64_t end = count == kUnboundedRange ? uint64_t(first) + 1 : uint64_t(first) + count;
  if (end > kRegistersPerClass) {
    // One line names the register; the layer could bind it only with a wider binding scheme.
    return Fail("ID3D12Device::CreateRootSignature", E_NOTIMPL,
                "register %c%u lies past the %u per class this layer binds: not supported", LetterOf(registerClass),
                uint32_t(end - 1), kRegistersPerClass);
  }
  return S_OK;
}

HRESULT AddTable(const RootSignatureDescription::Parameter& parameter, RootParameterLayout* layout) {
  uint32_t offset = 0;
  bool hasSamplers = false, hasViews = false;
  for (const D3D12_DESCRIPTOR_RANGE& range : parameter.ranges) {
    if (range.RangeType > D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER) {
      return Fail(kCall, E_INVALIDARG, "descriptor range type %d is unknown", range.RangeType);
    }
    (range.RangeType == D3D12_DESCRIPTOR_RANGE_TYPE_SAMPLER ? hasSamplers : hasViews) = true;
    if (hasSamplers && hasViews) {
      return Fail(kCall, E_INVALIDARG, "a descriptor table mixes sampler ranges with CBV, SRV or UAV ranges");
    }
    const RegisterClass registerClass = ClassOfRange(range.RangeType);
    const bool unbounded = range.NumDescriptors == UINT(-1);
    const HRESULT result =
        CheckRegisters(registerClass, range.BaseShaderRegister, unbounded ? kUnboundedRange : range.NumDescriptors);
    if (FAILED(result)) return result;
    if (range.OffsetInDescriptorsFromTableStart != D3D12_DESCRIPTOR_RANGE_OFFSET_APPEND) {
      offset = range.OffsetInDescriptorsFromTableStart;
    }
    layout->ranges.push_back({range.RegisterSpace, registerClass, range.BaseShaderRegister,
                              unbounded ? kUnboundedRange : uint32_t(range.NumDescriptors), offset});
    if (!unbounded) {
      offset += range.NumDescriptors;
      layout->tableSpan = std::max(layout->tableSpan, offset);
    }
  }
  layout->samplerTable = hasSamplers;
  return S_OK;
}

// A root view (CBV, SRV, UAV), or root constants: one buffer at the parameter's own register.
HRESULT AddRootBuffer(const RootSignatureDescription::Parameter& parameter, RegisterClass registerClass,
                      RootParameterLayout* layout) {
  const HRESULT result = CheckRegisters(registerClass, parameter.shaderRegister, 1);
  if (FAILED(result)) return result;
  layout->ranges.push_back({parameter.registerSpace, registerClass, parameter.shaderRegister, 1, 0});
  return S_OK;
}

HRESULT AddParameter(const RootSignatureDescription::Parameter& parameter, RootParameterLayout* layout) {
  layout->type = parameter.type;
  switch (parameter.type) {
    case D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE:
      return AddTable(parameter, layout);
    case D3D12_ROOT_PARAMETER_TYPE_CBV:
      return AddRootBuffer(parameter, RegisterClass::ConstantBuffer, layout);
    case D3D12_ROOT_PARAMETER_TYPE_SRV:
      return AddRootBuffer(parameter, RegisterClass::ShaderResource, layout);
    case D3D12_ROOT_PARAMETER_TYPE_UAV:
      return AddRootBuffer(parameter, RegisterClass::UnorderedAccess, layout);
    case D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS:
      // Root constants reach the shader as a small uniform buffer the command list fills at each draw.
      layout->constantCount = parameter.constantCount;
      return AddRootBuffer(parameter, RegisterClass::ConstantBuffer, layout);
    default:
      return Fail(kCall, E_INVALIDARG, "root parameter type %d is unknown", parameter.type);
  }
}

}  // namespace

RootSignature::RootSignature(Device& device) : DeviceChild(device) {}

bool RootSignature::FindSource(uint32_t space, RegisterClass registerClass, uint32_t shaderRegister,
                               RegisterSource* source, D3D12_SHADER_VISIBILITY stage) const {
  for (size_t p = 0; p < parameters_.size(); ++p) {
    if (!VisibleTo(parameters_[p].visibility, stage)) continue;
    for (const RootRange& range : parameters_[p].ranges) {
      if (range.space != space || range.registerClass != registerClass || shaderRegister < range.baseRegister) continue;
      const uint32_t into = shaderRegister - range.baseRegister;
      if (range.count != kUnboundedRange && into >= range.count) continue;
      source->parameter = int(p);
      source->offsetInTable = range.offsetInTable + into;
      source->available = range.count == kUnboundedRange ? kUnboundedRange : range.count - into;
      source->staticSampler = VK_NULL_HANDLE;
      return true;
    }
  }
  for (const StaticSamplerBinding& sampler : samplers_) {
    if (registerClass == RegisterClass::Sampler && sampler.space == space && sampler.shaderRegister == shaderRegister &&
        VisibleTo(sampler.visibility, stage)) {
      *source = RegisterSource{-1, 0, 1, sampler.sampler};
      return true;
    }
  }
  return false;
}

bool RootSignature::HasBinding(uint32_t set, uint32_t binding, D3D12_SHADER_VISIBILITY stage) const {
  RegisterSource source;
  return FindSource(set, ClassOfBinding(binding), RegisterOfBinding(binding), &source, stage);
}

RootSignature::~RootSignature() {
  VkDevice device = OwningDevice().Vulkan().Handle();
  for (const StaticSamplerBinding& sampler : samplers_) vkDestroySampler(device, sampler.sampler, nullptr);
}

HRESULT RootSignature::Create(Device& device, const void* blob, size_t size, RootSignature** rootSignature) {
  RootSignatureDescription description;
  std::string error;
  if (!DecodeRootSignature(blob, size, &description, &error)) return Fail(kCall, E_INVALIDARG, "%s", error.c_str());

  RootSignature* created = new RootSignature(device);
  created->encoding_.assign(static_cast<const uint8_t*>(blob), static_cast<const uint8_t*>(blob) + size);
  VulkanDevice& vulkan = device.Vulkan();
  auto fail = [created](HRESULT result) {
    created->Release();
    return result;
  };

  // Static samplers are pushed like the other descriptors rather than made immutable: drivers treat
  // immutable samplers in push-descriptor sets unevenly, a pushed sampler works everywhere.
  for (const D3D12_STATIC_SAMPLER_DESC& sampler : description.staticSamplers) {
    HRESULT result = CheckRegisters(RegisterClass::Sampler, sampler.ShaderRegister, 1);
    if (FAILED(result)) return fail(result);
    VkSamplerCreateInfo info;
    const char* reason = nullptr;
    if (!ToSamplerInfo(sampler, vulkan.HasAnisotropy(), &info, &reason)) {
      return fail(Fail(kCall, E_INVALIDARG, "static sampler s%u: %s", sampler.ShaderRegister, reason));
    }
    VkSampler vkSampler = VK_NULL_HANDLE;
    if (vkCreateSampler(vulkan.Handle(), &info, nullptr, &vkSampler) != VK_SUCCESS) {
      return fail(Fail(kCall, E_OUTOFMEMORY, "cannot create static sampler s%u", sampler.ShaderRegister));
    }
    created->samplers_.push_back({sampler.RegisterSpace, sampler.ShaderRegister, vkSampler, sampler.ShaderVisibility});
  }
  uint32_t constantCount = 0;
  for (const RootSignatureDescription::Parameter& parameter : description.parameters) {
    RootParameterLayout layout;
    const HRESULT result = AddParameter(parameter, &layout);
    if (FAILED(result)) return fail(result);
    layout.visibility = parameter.visibility;
    layout.firstConstant = constantCount;
    constantCount += layout.constantCount;
    if (constantCount > kMaxRootDwords) {
      return fail(Fail(kCall, E_INVALIDARG, "more than %u root constants", kMaxRootDwords));
    }
    created->parameters_.push_back(std::move(layout));
  }
  *rootSignature = created;
  return S_OK;
}

}  // namespace d3d12vk
