// Arrays of descriptors the shader indexes with values computed at run time (Texture2D t[] ... t[i]).
// Direct3D 12 runs them on every adapter; Vulkan needs a feature per descriptor kind for them, and the HLSL
// compiler sizes an unsized array that is only indexed this way to one element. Before the module is made,
// the layer sizes such arrays to what the root signature gives them and, where the adapter lacks the
// feature, turns every run-time index into a branch over constant ones (SPIRV-Tools'
// ReplaceDescArrayAccessUsingVarIndex pass). A module that needs neither passes through untouched.
#pragma once

#include <windows.h>

#include "SpirvReader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace d3d12vk {

class RootSignature;
class VulkanDevice;

// A descriptor array to give a new length, by the shader compiler's set and binding.
struct ArrayLength {
  uint32_t set;
  uint32_t binding;
  uint32_t length;
};

// What one shader module needs rewritten.
struct DescriptorArrayPlan {
  std::vector<ArrayLength> resized;
  // The adapter cannot index some array at run time: every index becomes a constant one.
  bool constantIndexes = false;

  bool Empty() const { return resized.empty() && !constantIndexes; }
};

// Plans the rewrite of `shader` against `root` and sets the new lengths in its reflection, so the pipeline's
// descriptor set is laid out to match. An array the HLSL compiler sized to one element whose register falls
// in an unbounded range has no length to take: reported naming `call` and `name`, E_NOTIMPL.
HRESULT PlanDescriptorArrays(const VulkanDevice& vulkan, const RootSignature& root, const char* call, const char* name,
                             ShaderInterface* shader, DescriptorArrayPlan* plan);

// Whether `capability` only declares run-time indexing of descriptor arrays, which the rewrite removes.
bool IsArrayIndexingCapability(uint32_t capability);

// `words` with each listed array given its new length; the module's other arrays of the same type keep theirs.
std::vector<uint32_t> WithArrayLengths(const std::vector<uint32_t>& words, const std::vector<ArrayLength>& lengths);

// Replaces run-time indexes into descriptor arrays by branches over constant indexes, drops the capabilities
// the adapter lacks that only declared such indexing, and validates the result for Vulkan 1.3. False with
// `error` set when SPIRV-Tools cannot do it.
bool WithConstantArrayIndexes(const VulkanDevice& vulkan, std::vector<uint32_t>* words, std::string* error);

}  // namespace d3d12vk
