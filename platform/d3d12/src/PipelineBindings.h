// The descriptor set layout of one pipeline state: its root signature's bindings, each typed the way the
// pipeline's shaders declare it. A t register is a sampled image for a Texture2D, a storage buffer for a
// StructuredBuffer, a texel buffer for a Buffer<float4>; only the shader knows which.
#pragma once

#include <windows.h>

#include "SpirvReader.h"

#include <vulkan/vulkan.h>

#include <vector>

namespace d3d12vk {

class RootSignature;
class VulkanDevice;

class PipelineBindings {
 public:
  PipelineBindings() = default;
  PipelineBindings(const PipelineBindings&) = delete;
  PipelineBindings& operator=(const PipelineBindings&) = delete;
  ~PipelineBindings();

  // Builds the layout for the shaders' declarations; a declaration the root signature cannot serve is reported
  // (naming `call`) and fails. `stages` replaces the root signature's visibility for compute pipelines.
  HRESULT Build(VulkanDevice& vulkan, const char* call, const RootSignature& root,
                const std::vector<const ShaderInterface*>& shaders, VkShaderStageFlags stages);

  VkPipelineLayout Layout() const { return layout_; }
  // The descriptor type of a binding of the push-descriptor set.
  VkDescriptorType TypeOf(uint32_t binding) const { return types_[binding]; }

 private:
  VkDevice device_ = VK_NULL_HANDLE;
  VkDescriptorSetLayout setLayout_ = VK_NULL_HANDLE;
  VkPipelineLayout layout_ = VK_NULL_HANDLE;
  std::vector<VkDescriptorType> types_;  // by binding number
};

// The Vulkan descriptor type of a kind of shader resource.
VkDescriptorType DescriptorTypeOf(ResourceKind kind);

}  // namespace d3d12vk
