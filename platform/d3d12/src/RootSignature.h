// ID3D12RootSignature: which registers each root parameter supplies, for the pipelines built against it.
// The shader compiler numbers a register's binding class base + register (b: 0, t: 1024, u: 2048, s: 3072)
// in the descriptor set named after its register space; each pipeline state reads those numbers back as
// space, class and register, finds the root parameter that covers them, and lays its own descriptor set out
// from what its shaders declare (PipelineBindings). Whether a t or u register is a texture or a buffer is
// the shader's to say, so the root signature only records where descriptors come from.
#pragma once

#include "ComObject.h"
#include "DescriptorHeap.h"

#include <vulkan/vulkan.h>

#include <vector>

namespace d3d12vk {

enum class RegisterClass : uint8_t { ConstantBuffer, ShaderResource, UnorderedAccess, Sampler };

// The shader compiler's binding numbers: class base + register.
constexpr uint32_t kRegistersPerClass = 1024;
inline RegisterClass ClassOfBinding(uint32_t binding) { return RegisterClass(binding / kRegistersPerClass); }
inline uint32_t RegisterOfBinding(uint32_t binding) { return binding % kRegistersPerClass; }

// Descriptors one root parameter supplies at consecutive registers of one class and space.
struct RootRange {
  uint32_t space;
  RegisterClass registerClass;
  uint32_t baseRegister;
  uint32_t count;          // kUnboundedRange for a range that runs to the end of the heap
  uint32_t offsetInTable;  // descriptor tables: where the range starts, relative to the table
};
constexpr uint32_t kUnboundedRange = UINT32_MAX;

// Whether a parameter of `visibility` reaches shaders of `stage`.
inline bool VisibleTo(D3D12_SHADER_VISIBILITY visibility, D3D12_SHADER_VISIBILITY stage) {
  return visibility == D3D12_SHADER_VISIBILITY_ALL || stage == D3D12_SHADER_VISIBILITY_ALL || visibility == stage;
}

// A static sampler and its register.
struct StaticSamplerBinding {
  uint32_t space;
  uint32_t shaderRegister;
  VkSampler sampler;
  D3D12_SHADER_VISIBILITY visibility = D3D12_SHADER_VISIBILITY_ALL;
};

struct RootParameterLayout {
  D3D12_ROOT_PARAMETER_TYPE type;
  // Two parameters may name the same register for different stages (b0 of the vertex shader, b0 of the pixel
  // shader); each stage reads the one visible to it.
  D3D12_SHADER_VISIBILITY visibility = D3D12_SHADER_VISIBILITY_ALL;
  std::vector<RootRange> ranges;
  // Descriptors a table spans from its start (the largest offset + count of its bounded ranges).
  uint32_t tableSpan = 0;
  bool samplerTable = false;
  // Root constants: how many, and where their values start among the command list's kMaxRootDwords.
  uint32_t constantCount = 0;
  uint32_t firstConstant = 0;
};

// Where the descriptors of `count` registers from (space, class, first register) come from: a root
// parameter and the offset of the first of them in its table, or a static sampler.
struct RegisterSource {
  int parameter = -1;  // -1: a static sampler
  uint32_t offsetInTable = 0;
  uint32_t available = 0;  // registers the source covers from the first one (kUnboundedRange: to the heap's end)
  VkSampler staticSampler = VK_NULL_HANDLE;
};

class RootSignature final : public DeviceChild<ID3D12RootSignature> {
 public:
  static HRESULT Create(Device& device, const void* blob, size_t size, RootSignature** rootSignature);

  const std::vector<RootParameterLayout>& Parameters() const { return parameters_; }
  const std::vector<StaticSamplerBinding>& StaticSamplers() const { return samplers_; }
  // Finds what supplies the register to shaders of `stage` (ALL: any parameter); false when no parameter or
  // static sampler visible to the stage covers it.
  bool FindSource(uint32_t space, RegisterClass registerClass, uint32_t shaderRegister, RegisterSource* source,
                  D3D12_SHADER_VISIBILITY stage = D3D12_SHADER_VISIBILITY_ALL) const;
  // Whether the layout has a descriptor for the shader compiler's set (register space) and binding.
  bool HasBinding(uint32_t set, uint32_t binding, D3D12_SHADER_VISIBILITY stage = D3D12_SHADER_VISIBILITY_ALL) const;

  // Two root signatures from equal descriptions are interchangeable, as in Direct3D 12.
  bool IsCompatible(const RootSignature& other) const { return this == &other || encoding_ == other.encoding_; }

 private:
  explicit RootSignature(Device& device);
  ~RootSignature() override;

  std::vector<uint8_t> encoding_;
  std::vector<RootParameterLayout> parameters_;
  std::vector<StaticSamplerBinding> samplers_;
};

}  // namespace d3d12vk
