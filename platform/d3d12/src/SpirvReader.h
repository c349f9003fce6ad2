// Reads what the pipeline needs from a SPIR-V module: the entry point, its stage, and the vertex inputs'
// locations and HLSL semantics (the UserSemantic decorations the shader compiler adds).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace d3d12vk {

struct ShaderInput {
  uint32_t location;
  // "TEXCOORD1" is name "TEXCOORD", index 1; a semantic without digits has index 0.
  std::string semanticName;
  uint32_t semanticIndex;
};

// A descriptor the shader reads: Vulkan descriptor set and binding.
struct ResourceBinding {
  uint32_t set;
  uint32_t binding;
};

enum class ShaderStage { Vertex, Pixel, Other };

struct ShaderInterface {
  std::string entryPoint;
  ShaderStage stage = ShaderStage::Other;
  // Inputs of the entry point with a location; built-ins (SV_VertexID, SV_InstanceID) are left out.
  std::vector<ShaderInput> inputs;
  // Descriptors the code loads from; declared but unused ones are left out, as Direct3D's compiler drops them.
  std::vector<ResourceBinding> resources;
};

// False with `error` set when `code` is not a SPIR-V module with an entry point.
bool ReadShaderInterface(const void* code, size_t size, ShaderInterface* shader, std::string* error);

// The module without the HLSL semantic and user-type decorations and the extensions that declare them. The
// pipeline reads the semantics itself; dropping them spares the device VK_GOOGLE_hlsl_functionality1.
std::vector<uint32_t> WithoutHlslDecorations(const void* code, size_t size);

// Splits a semantic into its name and trailing index.
void SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index);

}  // namespace d3d12vk
