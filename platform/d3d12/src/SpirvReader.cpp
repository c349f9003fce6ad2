#include "SpirvReader.h"

#include <algorithm>
#include <cstring>
#include <map>

namespace d3d12vk {
namespace {

constexpr uint32_t kMagic = 0x07230203;
constexpr size_t kHeaderWords = 5;

constexpr uint32_t kOpExtension = 10;
constexpr uint32_t kOpEntryPoint = 15;
constexpr uint32_t kOpExecutionMode = 16;
constexpr uint32_t kOpCapability = 17;
constexpr uint32_t kOpTypeImage = 25;
constexpr uint32_t kOpTypeSampler = 26;
constexpr uint32_t kOpTypeArray = 28;
constexpr uint32_t kOpTypeRuntimeArray = 29;
constexpr uint32_t kOpTypeStruct = 30;
constexpr uint32_t kOpTypePointer = 32;
constexpr uint32_t kOpConstant = 43;
constexpr uint32_t kOpDecorateId = 332;
constexpr uint32_t kOpMemberDecorateString = 5633;   // also OpMemberDecorateStringGOOGLE
constexpr uint32_t kDecorationCounterBuffer = 5634;  // HlslCounterBufferGOOGLE
constexpr uint32_t kOpVariable = 59;
constexpr uint32_t kOpDecorate = 71;
constexpr uint32_t kOpDecorateString = 5632;  // also OpDecorateStringGOOGLE
constexpr uint32_t kOpImageTexelPointer = 60;
constexpr uint32_t kOpLoad = 61;
constexpr uint32_t kOpAccessChain = 65;
constexpr uint32_t kOpInBoundsAccessChain = 66;

constexpr uint32_t kDecorationBlock = 2;
constexpr uint32_t kDecorationBufferBlock = 3;
constexpr uint32_t kDecorationBuiltIn = 11;
constexpr uint32_t kDecorationLocation = 30;
constexpr uint32_t kDecorationBinding = 33;
constexpr uint32_t kDecorationDescriptorSet = 34;
constexpr uint32_t kDecorationUserSemantic = 5635;  // also HlslSemanticGOOGLE

constexpr uint32_t kStorageClassInput = 1;
constexpr uint32_t kStorageClassUniform = 2;
constexpr uint32_t kStorageClassStorageBuffer = 12;
constexpr uint32_t kExecutionModelVertex = 0;
constexpr uint32_t kExecutionModelGeometry = 3;
constexpr uint32_t kExecutionModelFragment = 4;
constexpr uint32_t kExecutionModelGLCompute = 5;
constexpr uint32_t kExecutionModeLocalSize = 17;
constexpr uint32_t kDimBuffer = 5;
constexpr uint32_t kImageFormatUnknown = 0;
// The formats Direct3D 12 guarantees typed UAV loads for; shaders keep them, so loads work on adapters
// without shaderStorageImageReadWithoutFormat. Other formats are written through formatless images.
constexpr uint32_t kImageFormatR32f = 3;
constexpr uint32_t kImageFormatR32i = 24;
constexpr uint32_t kImageFormatR32ui = 33;
constexpr uint32_t kCapabilityStorageImageReadWithoutFormat = 55;
constexpr uint32_t kCapabilityStorageImageWriteWithoutFormat = 56;

// A literal string starting at `words`, at most `count` words long.
std::string ReadString(const uint32_t* words, size_t count, size_t* wordsUsed) {
  const char* characters = reinterpret_cast<const char*>(words);
  const size_t length = strnlen(characters, count * 4);
  *wordsUsed = length / 4 + 1;
  return std::string(characters, length);
}

struct VariableFacts {
  bool isInput = false;
  bool isBuiltIn = false;
  bool hasLocation = false;
  uint32_t location = 0;
  std::string semantic;
  bool hasBinding = false;
  uint32_t set = 0;
  uint32_t binding = 0;
  bool loaded = false;
  bool dynamicallyIndexed = false;
  uint32_t pointerType = 0;
  uint32_t storageClass = 0;
};

// The types a resource variable can point to, by id.
struct TypeFacts {
  uint32_t opcode = 0;
  uint32_t element = 0;       // arrays: element type; pointers: pointee
  uint32_t lengthId = 0;      // arrays: the constant holding the length
  uint32_t dim = 0;           // images
  uint32_t sampled = 0;       // images: 1 sampled, 2 storage
  uint32_t storageClass = 0;  // pointers
  bool block = false;         // structs
  bool bufferBlock = false;   // structs
};

ResourceKind KindOf(const TypeFacts& type, uint32_t storageClass) {
  if (type.opcode == kOpTypeSampler) return ResourceKind::Sampler;
  if (type.opcode == kOpTypeImage) {
    if (type.dim == kDimBuffer)
      return type.sampled == 2 ? ResourceKind::StorageTexelBuffer : ResourceKind::UniformTexelBuffer;
    return type.sampled == 2 ? ResourceKind::StorageImage : ResourceKind::SampledImage;
  }
  if (type.opcode == kOpTypeStruct) {
    if (storageClass == kStorageClassStorageBuffer || type.bufferBlock) return ResourceKind::StorageBuffer;
    if (storageClass == kStorageClassUniform && type.block) return ResourceKind::UniformBuffer;
  }
  return ResourceKind::Other;
}

// The kind and array size of a resource variable of pointer type `pointer`.
ResourceBinding Describe(const std::map<uint32_t, TypeFacts>& types, const std::map<uint32_t, uint32_t>& constants,
                         uint32_t pointer, uint32_t storageClass) {
  ResourceBinding binding{0, 0};
  auto find = [&types](uint32_t id) {
    static const TypeFacts kNone;
    const auto found = types.find(id);
    return found == types.end() ? kNone : found->second;
  };
  TypeFacts type = find(find(pointer).element);
  if (type.opcode == kOpTypeArray || type.opcode == kOpTypeRuntimeArray) {
    const auto length = constants.find(type.lengthId);
    binding.arraySize = type.opcode == kOpTypeArray && length != constants.end() ? length->second : 0;
    type = find(type.element);
  }
  binding.kind = KindOf(type, storageClass);
  return binding;
}

// Instructions whose third operand is a pointer the code reads through.
bool ReadsThroughPointer(uint32_t opcode) {
  return opcode == kOpLoad || opcode == kOpAccessChain || opcode == kOpInBoundsAccessChain ||
         opcode == kOpImageTexelPointer;
}

}  // namespace

std::vector<uint32_t> WithoutHlslDecorations(const void* code, size_t size) {
  std::vector<uint32_t> words(size / 4);
  std::memcpy(words.data(), code, words.size() * 4);
  std::vector<uint32_t> kept(words.begin(), words.begin() + std::min(words.size(), kHeaderWords));
  for (size_t at = kHeaderWords; at < words.size();) {
    const uint32_t wordCount = words[at] >> 16;
    const uint32_t opcode = words[at] & 0xFFFF;
    if (wordCount == 0 || at + wordCount > words.size()) break;
    bool drop = opcode == kOpDecorateString || opcode == kOpMemberDecorateString ||
                (opcode == kOpDecorateId && wordCount >= 3 && words[at + 2] == kDecorationCounterBuffer);
    if (opcode == kOpExtension && wordCount >= 2) {
      size_t used = 0;
      const std::string name = ReadString(&words[at + 1], wordCount - 1, &used);
      drop = name == "SPV_GOOGLE_hlsl_functionality1" || name == "SPV_GOOGLE_decorate_string" ||
             name == "SPV_GOOGLE_user_type";
    }
    if (!drop) kept.insert(kept.end(), words.begin() + at, words.begin() + at + wordCount);
    at += wordCount;
  }
  return kept;
}

std::vector<uint32_t> PreparedForVulkan(const void* code, size_t size,
                                        const std::function<uint32_t(uint32_t set, uint32_t binding)>& remap) {
  std::vector<uint32_t> words = WithoutHlslDecorations(code, size);
  std::map<uint32_t, uint32_t> setOf;
  for (size_t at = kHeaderWords; at < words.size() && (words[at] >> 16) != 0; at += words[at] >> 16) {
    if ((words[at] & 0xFFFF) == kOpDecorate && (words[at] >> 16) >= 4 && words[at + 2] == kDecorationDescriptorSet) {
      setOf[words[at + 1]] = words[at + 3];
    }
  }
  bool formatless = false;
  size_t firstCapability = 0;
  bool hasRead = false, hasWrite = false;
  for (size_t at = kHeaderWords; at < words.size() && (words[at] >> 16) != 0; at += words[at] >> 16) {
    const uint32_t wordCount = words[at] >> 16;
    const uint32_t opcode = words[at] & 0xFFFF;
    if (opcode == kOpCapability && wordCount >= 2) {
      if (firstCapability == 0) firstCapability = at;
      hasRead = hasRead || words[at + 1] == kCapabilityStorageImageReadWithoutFormat;
      hasWrite = hasWrite || words[at + 1] == kCapabilityStorageImageWriteWithoutFormat;
    } else if (opcode == kOpDecorate && wordCount >= 4 && words[at + 2] == kDecorationDescriptorSet) {
      words[at + 3] = 0;
    } else if (opcode == kOpDecorate && wordCount >= 4 && words[at + 2] == kDecorationBinding) {
      words[at + 3] = remap(setOf[words[at + 1]], words[at + 3]);
    } else if (opcode == kOpTypeImage && wordCount >= 9 && words[at + 7] == 2 && words[at + 8] != kImageFormatUnknown &&
               words[at + 8] != kImageFormatR32f && words[at + 8] != kImageFormatR32i &&
               words[at + 8] != kImageFormatR32ui) {
      words[at + 8] = kImageFormatUnknown;
      formatless = true;
    }
  }
  if (formatless && firstCapability != 0) {
    std::vector<uint32_t> added;
    if (!hasRead) added.insert(added.end(), {(2u << 16) | kOpCapability, kCapabilityStorageImageReadWithoutFormat});
    if (!hasWrite) added.insert(added.end(), {(2u << 16) | kOpCapability, kCapabilityStorageImageWriteWithoutFormat});
    words.insert(words.begin() + std::ptrdiff_t(firstCapability), added.begin(), added.end());
  }
  return words;
}

void SplitSemantic(const std::string& semantic, std::string* name, uint32_t* index) {
  size_t digits = semantic.size();
  while (digits > 0 && semantic[digits - 1] >= '0' && semantic[digits - 1] <= '9') --digits;
  *name = semantic.substr(0, digits);
  *index = digits < semantic.size() ? uint32_t(std::stoul(semantic.substr(digits))) : 0;
}

bool ReadShaderInterface(const void* code, size_t size, ShaderInterface* shader, std::string* error) {
  if (code == nullptr || size < kHeaderWords * 4 || size % 4 != 0) {
    *error = "the byte code is not SPIR-V (empty or not a whole number of words)";
    return false;
  }
  std::vector<uint32_t> words(size / 4);
  std::memcpy(words.data(), code, size);
  if (words[0] != kMagic) {
    *error = "the byte code is not SPIR-V (compile HLSL with D3DCompileFromFile of this platform)";
    return false;
  }

  bool haveEntryPoint = false;
  uint32_t entryPointId = 0;
  shader->capabilities.clear();
  std::vector<uint32_t> interfaceIds;
  std::map<uint32_t, VariableFacts> variables;
  std::map<uint32_t, TypeFacts> types;
  std::map<uint32_t, uint32_t> constants;
  std::map<uint32_t, uint32_t> counterOf;  // counter variable -> its buffer's variable
  for (size_t at = kHeaderWords; at < words.size();) {
    const uint32_t wordCount = words[at] >> 16;
    const uint32_t opcode = words[at] & 0xFFFF;
    if (wordCount == 0 || at + wordCount > words.size()) {
      *error = "the SPIR-V module is truncated";
      return false;
    }
    const uint32_t* operands = &words[at + 1];
    const size_t operandCount = wordCount - 1;
    if (opcode == kOpEntryPoint && !haveEntryPoint && operandCount >= 3) {
      haveEntryPoint = true;
      const uint32_t model = operands[0];
      entryPointId = operands[1];
      shader->stage = model == kExecutionModelVertex      ? ShaderStage::Vertex
                      : model == kExecutionModelGeometry  ? ShaderStage::Geometry
                      : model == kExecutionModelFragment  ? ShaderStage::Pixel
                      : model == kExecutionModelGLCompute ? ShaderStage::Compute
                                                          : ShaderStage::Other;
      size_t nameWords = 0;
      shader->entryPoint = ReadString(operands + 2, operandCount - 2, &nameWords);
      interfaceIds.assign(operands + 2 + nameWords, operands + operandCount);
    } else if (opcode == kOpCapability && operandCount >= 1) {
      shader->capabilities.push_back(operands[0]);
    } else if (opcode == kOpExecutionMode && operandCount >= 5 && operands[0] == entryPointId &&
               operands[1] == kExecutionModeLocalSize) {
      std::copy(operands + 2, operands + 5, shader->threadGroup);
    } else if (opcode == kOpVariable && operandCount >= 3) {
      VariableFacts& facts = variables[operands[1]];
      facts.isInput = operands[2] == kStorageClassInput;
      facts.pointerType = operands[0];
      facts.storageClass = operands[2];
    } else if (opcode == kOpTypeImage && operandCount >= 8) {
      types[operands[0]] = TypeFacts{kOpTypeImage, 0, 0, operands[2], operands[6]};
    } else if (opcode == kOpTypeSampler && operandCount >= 1) {
      types[operands[0]].opcode = kOpTypeSampler;
    } else if ((opcode == kOpTypeArray && operandCount >= 3) || (opcode == kOpTypeRuntimeArray && operandCount >= 2)) {
      types[operands[0]] = TypeFacts{opcode, operands[1], opcode == kOpTypeArray ? operands[2] : 0};
    } else if (opcode == kOpTypeStruct && operandCount >= 1) {
      types[operands[0]].opcode = kOpTypeStruct;
    } else if (opcode == kOpTypePointer && operandCount >= 3) {
      types[operands[0]] = TypeFacts{kOpTypePointer, operands[2]};
      types[operands[0]].storageClass = operands[1];
    } else if (opcode == kOpConstant && operandCount >= 3) {
      constants[operands[1]] = operands[2];
    } else if (opcode == kOpDecorate && operandCount >= 2) {
      if (operands[1] == kDecorationBlock) types[operands[0]].block = true;
      if (operands[1] == kDecorationBufferBlock) types[operands[0]].bufferBlock = true;
      VariableFacts& facts = variables[operands[0]];
      if (operands[1] == kDecorationBuiltIn) facts.isBuiltIn = true;
      if (operands[1] == kDecorationLocation && operandCount >= 3) {
        facts.hasLocation = true;
        facts.location = operands[2];
      }
      if (operands[1] == kDecorationDescriptorSet && operandCount >= 3) facts.set = operands[2];
      if (operands[1] == kDecorationBinding && operandCount >= 3) {
        facts.hasBinding = true;
        facts.binding = operands[2];
      }
    } else if (opcode == kOpDecorateId && operandCount >= 3 && operands[1] == kDecorationCounterBuffer) {
      counterOf[operands[2]] = operands[0];
    } else if (opcode == kOpDecorateString && operandCount >= 3 && operands[1] == kDecorationUserSemantic) {
      size_t used = 0;
      variables[operands[0]].semantic = ReadString(operands + 2, operandCount - 2, &used);
    } else if (ReadsThroughPointer(opcode) && operandCount >= 3) {
      auto variable = variables.find(operands[2]);
      if (variable != variables.end()) {
        variable->second.loaded = true;
        // A resource variable's first index selects an array element (blocks are entered by constant member
        // numbers); constants are all declared before the code that uses them.
        const bool chain = opcode == kOpAccessChain || opcode == kOpInBoundsAccessChain;
        if (chain && operandCount >= 4 && !constants.contains(operands[3])) variable->second.dynamicallyIndexed = true;
      }
    }
    at += wordCount;
  }
  if (!haveEntryPoint) {
    *error = "the SPIR-V module has no entry point";
    return false;
  }
  shader->inputs.clear();
  for (uint32_t id : interfaceIds) {
    const VariableFacts& facts = variables[id];
    if (!facts.isInput || facts.isBuiltIn || !facts.hasLocation) continue;
    ShaderInput input{facts.location, {}, 0};
    SplitSemantic(facts.semantic, &input.semanticName, &input.semanticIndex);
    shader->inputs.push_back(std::move(input));
  }
  shader->resources.clear();
  shader->declared.clear();
  for (const auto& [id, facts] : variables) {
    if (!facts.hasBinding) continue;
    ResourceBinding resource = Describe(types, constants, facts.pointerType, facts.storageClass);
    resource.set = facts.set;
    resource.binding = facts.binding;
    resource.dynamicallyIndexed = facts.dynamicallyIndexed;
    if (const auto counted = counterOf.find(id); counted != counterOf.end()) {
      resource.isCounter = true;
      resource.counterOfBinding = variables[counted->second].binding;
    }
    shader->declared.push_back(resource);
    if (facts.loaded) shader->resources.push_back(resource);
  }
  return true;
}

}  // namespace d3d12vk
