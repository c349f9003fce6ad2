// The descriptor set of one pipeline state: one binding per resource its shaders declare, typed the way the
// shader declares it (a t register is a sampled image for a Texture2D, a storage buffer for a
// StructuredBuffer, a texel buffer for a Buffer<float4>: only the shader knows which), sized to its array,
// and tied to the root parameter that supplies it. Small sets are pushed at each draw; sets with more
// descriptors than the adapter can push (large or unbounded tables) are written to descriptor sets from the
// command allocator.
#pragma once

#include <windows.h>

#include "RootSignature.h"
#include "SpirvReader.h"

#include <vulkan/vulkan.h>

#include <map>
#include <tuple>
#include <utility>
#include <vector>

namespace d3d12vk {

class VulkanDevice;

// One binding of the pipeline's set and where the descriptors of its elements come from.
struct PipelineBinding {
  uint32_t binding;
  VkDescriptorType type;
  uint32_t count;  // array elements
  RegisterSource source;
  // The counter of the UAV the source supplies, not the UAV itself.
  bool counter = false;
};

class PipelineBindings {
 public:
  PipelineBindings() = default;
  PipelineBindings(const PipelineBindings&) = delete;
  PipelineBindings& operator=(const PipelineBindings&) = delete;
  ~PipelineBindings();

  // Builds the set for the shaders' declarations; a declaration the root signature cannot serve is reported
  // (naming `call`) and fails. `stages` are the shader stages the set is visible to.
  HRESULT Build(VulkanDevice& vulkan, const char* call, const RootSignature& root,
                const std::vector<const ShaderInterface*>& shaders, VkShaderStageFlags stages);

  VkPipelineLayout Layout() const { return layout_; }
  VkDescriptorSetLayout SetLayout() const { return setLayout_; }
  bool Pushed() const { return pushed_; }
  const std::vector<PipelineBinding>& Bindings() const { return bindings_; }
  uint32_t DescriptorCount() const { return descriptorCount_; }
  // The binding in the pipeline's set of the shader compiler's (set, binding) in a shader of `stage`.
  uint32_t Remap(uint32_t set, uint32_t binding, ShaderStage stage = ShaderStage::Other) const;

 private:
  HRESULT AddResource(const char* call, const RootSignature& root, const ResourceBinding& resource, ShaderStage stage);

  VkDevice device_ = VK_NULL_HANDLE;
  VkDescriptorSetLayout setLayout_ = VK_NULL_HANDLE;
  VkPipelineLayout layout_ = VK_NULL_HANDLE;
  bool pushed_ = true;
  uint32_t descriptorCount_ = 0;
  std::vector<PipelineBinding> bindings_;
  // By stage, set and binding: stages may read different root parameters through the same register.
  std::map<std::tuple<ShaderStage, uint32_t, uint32_t>, uint32_t> remaps_;
};

// The root parameter visibility that reaches shaders of `stage` (compute shaders see every parameter).
D3D12_SHADER_VISIBILITY VisibilityOf(ShaderStage stage);

// The Vulkan descriptor type of a kind of shader resource.
VkDescriptorType DescriptorTypeOf(ResourceKind kind);

}  // namespace d3d12vk
