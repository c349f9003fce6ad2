// ID3D12RootSignature: a Vulkan pipeline layout whose descriptors are pushed at draw time. All descriptors
// live in one push-descriptor set, the set numbered after their register space; binding numbers follow the
// scheme the shader compiler uses (b: 0, t: 32, u: 64, s: 96, plus the register). Static samplers are
// samplers of that set too, pushed with every push of the others.
#pragma once

#include "ComObject.h"
#include "DescriptorHeap.h"

#include <vulkan/vulkan.h>

#include <vector>

namespace d3d12vk {

// One descriptor a root parameter supplies: its binding, and where a table finds it relative to its start.
struct RootBinding {
  uint32_t binding;
  VkDescriptorType vkType;
  DescriptorType expected;
  uint32_t offsetInTable;
};

// A static sampler and the binding it is pushed to.
struct StaticSamplerBinding {
  uint32_t binding;
  VkSampler sampler;
};

struct RootParameterLayout {
  D3D12_ROOT_PARAMETER_TYPE type;
  std::vector<RootBinding> bindings;
  // Descriptors a table spans from its start (the largest offset + count of its ranges).
  uint32_t tableSpan = 0;
  // Root constants: how many, and where their values start among the command list's kMaxRootDwords.
  uint32_t constantCount = 0;
  uint32_t firstConstant = 0;
};

class RootSignature final : public DeviceChild<ID3D12RootSignature> {
 public:
  static HRESULT Create(Device& device, const void* blob, size_t size, RootSignature** rootSignature);

  const std::vector<RootParameterLayout>& Parameters() const { return parameters_; }
  const std::vector<StaticSamplerBinding>& StaticSamplers() const { return samplers_; }
  VkPipelineLayout Layout() const { return layout_; }
  uint32_t PushSet() const { return pushSet_; }
  // Descriptors of all parameters and static samplers: the most one push writes.
  uint32_t DescriptorCount() const { return descriptorCount_; }
  // Whether the layout has a descriptor at this set and binding.
  bool HasBinding(uint32_t set, uint32_t binding) const;

  // Two root signatures from equal descriptions are interchangeable, as in Direct3D 12.
  bool IsCompatible(const RootSignature& other) const { return this == &other || encoding_ == other.encoding_; }

 private:
  explicit RootSignature(Device& device);
  ~RootSignature() override;

  std::vector<uint8_t> encoding_;
  std::vector<RootParameterLayout> parameters_;
  std::vector<StaticSamplerBinding> samplers_;
  std::vector<VkDescriptorSetLayout> setLayouts_;
  VkPipelineLayout layout_ = VK_NULL_HANDLE;
  uint32_t pushSet_ = 0;
  uint32_t descriptorCount_ = 0;
  std::vector<uint32_t> pushBindings_;
};

}  // namespace d3d12vk
