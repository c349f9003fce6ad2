// Reads what the pipeline needs from a SPIR-V module: the entry point, its stage, and the vertex inputs'
// locations and HLSL semantics (the UserSemantic decorations the shader compiler adds).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace d3d12vk {

struct ShaderInput {
  uint32_t location;
  // "TEXCOORD1" is name "TEXCOORD", index 1; a semantic without digits has index 0.
  std::string semanticName;
  uint32_t semanticIndex;
};

// What a resource variable is, by the Vulkan descriptor it needs. HLSL decides it: a register t0 can be a
// texture, a structured buffer or a typed buffer, which Vulkan binds differently.
enum class ResourceKind {
  UniformBuffer,       // cbuffer
  StorageBuffer,       // (RW)StructuredBuffer, (RW)ByteAddressBuffer
  SampledImage,        // Texture2D and kin
  StorageImage,        // RWTexture2D and kin
  UniformTexelBuffer,  // Buffer<T>
  StorageTexelBuffer,  // RWBuffer<T>
  Sampler,
  Other,
};

// A descriptor the shader declares: Vulkan descriptor set and binding, and what it is.
struct ResourceBinding {
  uint32_t set;
  uint32_t binding;
  ResourceKind kind = ResourceKind::Other;
  // Arrays of resources (Texture2D t[4]) take one binding with this many descriptors.
  uint32_t arraySize = 1;
  // An array of resources the code indexes with a value computed at run time (t[i], not t[2]).
  bool dynamicallyIndexed = false;
  // The hidden counter buffer of an append, consume or counted structured buffer: the compiler gives it a
  // binding of its own choosing; it belongs to the register of the buffer at `counterOfBinding`.
  bool isCounter = false;
  uint32_t counterOfBinding = 0;
};

enum class ShaderStage { Vertex, Geometry, Pixel, Compute, Other };

struct ShaderInterface {
  std::string entryPoint;
  ShaderStage stage = ShaderStage::Other;
  // Inputs of the entry point with a location; built-ins (SV_VertexID, SV_InstanceID) are left out.
  std::vector<ShaderInput> inputs;
  // Descriptors the code loads from; declared but unused ones are left out, as Direct3D's compiler drops them.
  std::vector<ResourceBinding> resources;
  // Every descriptor the module declares, used or not: a pipeline layout must give each its right type.
  std::vector<ResourceBinding> declared;
  // The SPIR-V capabilities the module declares.
  std::vector<uint32_t> capabilities;
  // Compute shaders: the thread group size ([numthreads]).
  uint32_t threadGroup[3] = {1, 1, 1};
};

// False with `error` set when `code` is not a SPIR-V module with an entry point.
bool ReadShaderInterface(const void* code, size_t size, ShaderInterface* shader, std::string* error);

// The module without the HLSL semantic and user-type decorations and the extensions that declare them. The
// pipeline reads the semantics itself; dropping them spares the device VK_GOOGLE_hlsl_functionality1.
std::vector<uint32_t> WithoutHlslDecorations(const void* code, size_t size);

// The module as the layer hands it to Vulkan: without the HLSL decorations (above), every descriptor moved
// into set 0 at the binding `remap(set, binding)` gives (so one descriptor set carries all register spaces),
// and storage images and texel buffers declared without a fixed format, as Direct3D's typed UAVs take their
// format from the view rather than from the shader.
std::vector<uint32_t> PreparedForVulkan(const void* code, size_t size,
                                        const std::function<uint32_t(uint32_t set, uint32_t binding)>& remap);

// Splits a semantic into its name and trailing index.
void SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index);

}  // namespace d3d12vk
