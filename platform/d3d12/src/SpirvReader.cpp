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
constexpr uint32_t kOpDecorateId = 332;
constexpr uint32_t kOpMemberDecorateString = 5633;  // also OpMemberDecorateStringGOOGLE
constexpr uint32_t kDecorationCounterBuffer = 5634;  // HlslCounterBufferGOOGLE
constexpr uint32_t kOpVariable = 59;
constexpr uint32_t kOpDecorate = 71;
constexpr uint32_t kOpDecorateString = 5632;  // also OpDecorateStringGOOGLE
constexpr uint32_t kOpImageTexelPointer = 60;
constexpr uint32_t kOpLoad = 61;
constexpr uint32_t kOpAccessChain = 65;
constexpr uint32_t kOpInBoundsAccessChain = 66;

constexpr uint32_t kDecorationBuiltIn = 11;
constexpr uint32_t kDecorationLocation = 30;
constexpr uint32_t kDecorationBinding = 33;
constexpr uint32_t kDecorationDescriptorSet = 34;
constexpr uint32_t kDecorationUserSemantic = 5635;  // also HlslSemanticGOOGLE

constexpr uint32_t kStorageClassInput = 1;
constexpr uint32_t kExecutionModelVertex = 0;
constexpr uint32_t kExecutionModelFragment = 4;

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
};

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
  std::vector<uint32_t> interfaceIds;
  std::map<uint32_t, VariableFacts> variables;
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
      shader->stage = model == kExecutionModelVertex     ? ShaderStage::Vertex
                      : model == kExecutionModelFragment ? ShaderStage::Pixel
                                                         : ShaderStage::Other;
      size_t nameWords = 0;
      shader->entryPoint = ReadString(operands + 2, operandCount - 2, &nameWords);
      interfaceIds.assign(operands + 2 + nameWords, operands + operandCount);
    } else if (opcode == kOpVariable && operandCount >= 3) {
      variables[operands[1]].isInput = operands[2] == kStorageClassInput;
    } else if (opcode == kOpDecorate && operandCount >= 2) {
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
    } else if (opcode == kOpDecorateString && operandCount >= 3 && operands[1] == kDecorationUserSemantic) {
      size_t used = 0;
      variables[operands[0]].semantic = ReadString(operands + 2, operandCount - 2, &used);
    } else if (ReadsThroughPointer(opcode) && operandCount >= 3) {
      auto variable = variables.find(operands[2]);
      if (variable != variables.end()) variable->second.loaded = true;
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
  for (const auto& [id, facts] : variables) {
    if (facts.hasBinding && facts.loaded) shader->resources.push_back({facts.set, facts.binding});
  }
  return true;
}

}  // namespace d3d12vk
