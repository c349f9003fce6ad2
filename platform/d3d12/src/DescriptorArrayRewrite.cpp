#include "DescriptorArrayRewrite.h"

#include "PipelineBindings.h"
#include "RootSignature.h"
#include "VulkanDevice.h"

#include <spirv-tools/libspirv.hpp>
#include <spirv-tools/optimizer.hpp>

#include <algorithm>
#include <cstdio>
#include <map>

namespace d3d12vk {
namespace {

constexpr size_t kHeaderWords = 5;
constexpr size_t kBoundWord = 3;

constexpr uint32_t kOpCapability = 17;
constexpr uint32_t kOpTypeArray = 28;
constexpr uint32_t kOpTypePointer = 32;
constexpr uint32_t kOpConstant = 43;
constexpr uint32_t kOpVariable = 59;
constexpr uint32_t kOpDecorate = 71;
constexpr uint32_t kDecorationBinding = 33;
constexpr uint32_t kDecorationDescriptorSet = 34;

uint32_t Instruction(uint32_t opcode, uint32_t wordCount) { return (wordCount << 16) | opcode; }

// Where each instruction defining an id starts, and the (set, binding) of each decorated variable.
struct ModuleIndex {
  std::map<uint32_t, size_t> definitions;
  std::map<uint32_t, std::pair<uint32_t, uint32_t>> bindings;
};

ModuleIndex IndexModule(const std::vector<uint32_t>& words) {
  ModuleIndex index;
  for (size_t at = kHeaderWords; at < words.size() && (words[at] >> 16) != 0; at += words[at] >> 16) {
    const uint32_t wordCount = words[at] >> 16;
    const uint32_t opcode = words[at] & 0xFFFF;
    if (opcode == kOpDecorate && wordCount >= 4 && words[at + 2] == kDecorationDescriptorSet) {
      index.bindings[words[at + 1]].first = words[at + 3];
    } else if (opcode == kOpDecorate && wordCount >= 4 && words[at + 2] == kDecorationBinding) {
      index.bindings[words[at + 1]].second = words[at + 3];
    } else if ((opcode == kOpTypeArray || opcode == kOpTypePointer) && wordCount >= 4) {
      index.definitions[words[at + 1]] = at;
    } else if ((opcode == kOpConstant || opcode == kOpVariable) && wordCount >= 4) {
      index.definitions[words[at + 2]] = at;
    }
  }
  return index;
}

// The letter of a binding number's register class, as HLSL writes it ("t" of t3).
char RegisterLetter(uint32_t binding) { return "btus"[std::min(binding / kRegistersPerClass, 3u)]; }

void SetLength(std::vector<ResourceBinding>* resources, const ResourceBinding& array, uint32_t length) {
  for (ResourceBinding& resource : *resources) {
    if (resource.set == array.set && resource.binding == array.binding) resource.arraySize = length;
  }
}

}  // namespace

HRESULT PlanDescriptorArrays(const VulkanDevice& vulkan, const RootSignature& root, const char* call, const char* name,
                             ShaderInterface* shader, DescriptorArrayPlan* plan) {
  const std::vector<ResourceBinding> used = shader->resources;
  for (const ResourceBinding& resource : used) {
    if (!resource.dynamicallyIndexed) continue;
    if (!vulkan.SupportsDynamicArrayIndexing(resource.kind)) plan->constantIndexes = true;
    // Only the one-element sizing the compiler gives an unsized array needs a length; a declared size is
    // the program's own and already checked against the root signature when the set is laid out.
    if (resource.arraySize != 1) continue;
    RegisterSource source;
    if (!root.FindSource(resource.set, ClassOfBinding(resource.binding), RegisterOfBinding(resource.binding), &source,
                         VisibilityOf(shader->stage))) {
      continue;  // CheckResources reports registers the root signature lacks
    }
    if (source.available == kUnboundedRange) {
      std::fprintf(stderr,
                   "%s: %s indexes the unsized resource array at %c%u (space %u) at run time, and the root signature "
                   "gives it an unbounded range: give the array a size in the shader; not supported\n",
                   call, name, RegisterLetter(resource.binding), RegisterOfBinding(resource.binding), resource.set);
      return E_NOTIMPL;
    }
    if (source.available == 1) continue;
    plan->resized.push_back({resource.set, resource.binding, source.available});
    SetLength(&shader->resources, resource, source.available);
    SetLength(&shader->declared, resource, source.available);
  }
  return S_OK;
}

bool IsArrayIndexingCapability(uint32_t capability) {
  // UniformBufferArrayDynamicIndexing .. StorageImageArrayDynamicIndexing, and the texel buffer pair.
  return (capability >= 28 && capability <= 31) || capability == 5304 || capability == 5305;
}

std::vector<uint32_t> WithArrayLengths(const std::vector<uint32_t>& words, const std::vector<ArrayLength>& lengths) {
  const ModuleIndex index = IndexModule(words);
  // New declarations go right before the variable they retype: every id they use is declared earlier.
  std::map<size_t, std::vector<uint32_t>> insertions;
  std::vector<uint32_t> result = words;
  uint32_t bound = words[kBoundWord];
  for (const auto& [variable, setAndBinding] : index.bindings) {
    const auto [set, binding] = setAndBinding;
    const auto wanted =
        std::find_if(lengths.begin(), lengths.end(), [set = set, binding = binding](const ArrayLength& length) {
          return length.set == set && length.binding == binding;
        });
    const auto variableAt = index.definitions.find(variable);
    if (wanted == lengths.end() || variableAt == index.definitions.end()) continue;
    const auto pointerAt = index.definitions.find(words[variableAt->second + 1]);
    if (pointerAt == index.definitions.end() || (words[pointerAt->second] & 0xFFFF) != kOpTypePointer) continue;
    const auto arrayAt = index.definitions.find(words[pointerAt->second + 3]);
    if (arrayAt == index.definitions.end() || (words[arrayAt->second] & 0xFFFF) != kOpTypeArray) continue;
    const auto lengthAt = index.definitions.find(words[arrayAt->second + 3]);
    if (lengthAt == index.definitions.end()) continue;

    const uint32_t lengthType = words[lengthAt->second + 1];
    const uint32_t element = words[arrayAt->second + 2];
    const uint32_t storageClass = words[pointerAt->second + 2];
    const uint32_t constant = bound++, array = bound++, pointer = bound++;
    insertions[variableAt->second] = {Instruction(kOpConstant, 4),    lengthType, constant,     wanted->length,
                                      Instruction(kOpTypeArray, 4),   array,      element,      constant,
                                      Instruction(kOpTypePointer, 4), pointer,    storageClass, array};
    result[variableAt->second + 1] = pointer;
  }
  if (insertions.empty()) return words;
  result[kBoundWord] = bound;
  // Inserted from the back, so earlier positions stay valid.
  for (auto at = insertions.rbegin(); at != insertions.rend(); ++at) {
    result.insert(result.begin() + std::ptrdiff_t(at->first), at->second.begin(), at->second.end());
  }
  return result;
}

bool WithConstantArrayIndexes(const VulkanDevice& vulkan, std::vector<uint32_t>* words, std::string* error) {
  auto keepFirst = [error](spv_message_level_t, const char*, const spv_position_t& position, const char* message) {
    if (error->empty()) *error = std::string(message) + " (word " + std::to_string(position.index) + ")";
  };
  spvtools::Optimizer optimizer(SPV_ENV_VULKAN_1_3);
  optimizer.SetMessageConsumer(keepFirst);
  optimizer.RegisterPass(spvtools::CreateReplaceDescArrayAccessUsingVarIndexPass());
  std::vector<uint32_t> rewritten;
  // The module is validated once, after the pass: the input is the compiler's and the output is what matters.
  if (!optimizer.Run(words->data(), words->size(), &rewritten, spvtools::ValidatorOptions(), true)) {
    if (error->empty()) *error = "the rewrite failed";
    return false;
  }
  std::vector<uint32_t> kept(rewritten.begin(), rewritten.begin() + std::ptrdiff_t(kHeaderWords));
  for (size_t at = kHeaderWords; at < rewritten.size() && (rewritten[at] >> 16) != 0; at += rewritten[at] >> 16) {
    const uint32_t wordCount = rewritten[at] >> 16;
    const bool unneeded = (rewritten[at] & 0xFFFF) == kOpCapability && wordCount >= 2 &&
                          IsArrayIndexingCapability(rewritten[at + 1]) &&
                          !vulkan.SupportsShaderCapability(rewritten[at + 1]);
    if (!unneeded)
      kept.insert(kept.end(), rewritten.begin() + std::ptrdiff_t(at),
                  rewritten.begin() + std::ptrdiff_t(at + wordCount));
  }
  spvtools::SpirvTools tools(SPV_ENV_VULKAN_1_3);
  tools.SetMessageConsumer(keepFirst);
  spvtools::ValidatorOptions options;
  options.SetScalarBlockLayout(true);  // constant buffers are packed by HLSL's rules
  if (!tools.Validate(kept.data(), kept.size(), options)) {
    if (error->empty()) *error = "the rewritten module is not valid";
    return false;
  }
  *words = std::move(kept);
  return true;
}

}  // namespace d3d12vk
