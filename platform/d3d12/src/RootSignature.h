// ID3D12RootSignature: the descriptors a pipeline's shaders see, pushed at draw and dispatch time. All
// descriptors of all register spaces live in one push-descriptor set (set 0): the shader compiler numbers a
// register's binding class base + register (b: 0, t: 32, u: 64, s: 96) in the set named after its space,
// and the layer moves it to binding space * kBindingsPerSpace + that number. Static samplers are samplers of
// that set too, pushed with every push of the others. Whether a t or u register is a texture or a buffer
// is the shader's to say, so each pipeline state types the bindings itself (PipelineBindings).
#pragma once

#include "ComObject.h"
#include "DescriptorHeap.h"

#include <vulkan/vulkan.h>

#include <vector>

namespace d3d12vk {

// Bindings one register space spans in the push-descriptor set.
constexpr uint32_t kBindingsPerSpace = 128;

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
  uint32_t PushSet() const { return 0; }
  // The push-descriptor set's bindings, typed for the common case (t: texture, u: texture, root SRV and UAV:
  // buffer); pipelines retype them after their shaders.
  const std::vector<VkDescriptorSetLayoutBinding>& SetBindings() const { return setBindings_; }
  // Descriptors of all parameters and static samplers: the most one push writes.
  uint32_t DescriptorCount() const { return descriptorCount_; }
  // Whether the layout has a descriptor for the shader compiler's set (register space) and binding.
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
  uint32_t descriptorCount_ = 0;
  std::vector<VkDescriptorSetLayoutBinding> setBindings_;
};

}  // namespace d3d12vk
