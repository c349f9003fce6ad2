#include "TargetLimits.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <set>

namespace d3dcompiler {

namespace {

// The bindings of u registers in the layer's binding scheme (see HlslCompiler.cpp).
constexpr uint32_t FirstUnorderedAccessBinding = 2048;
constexpr uint32_t FirstSamplerBinding = 3072;
// Compute shaders of model 4 run at most 768 threads a group, in one layer (Z = 1).
constexpr uint64_t Model4ThreadsPerGroup = 768;

constexpr uint32_t OpExecutionMode = 16, OpTypeImage = 25, OpTypeArray = 28, OpTypeRuntimeArray = 29,
                   OpTypePointer = 32, OpFunction = 54, OpVariable = 59, OpImageTexelPointer = 60, OpLoad = 61,
                   OpStore = 62, OpAccessChain = 65, OpInBoundsAccessChain = 66, OpArrayLength = 68, OpDecorate = 71;
constexpr uint32_t OpImageGather = 96, OpImageDrefGather = 97, OpConstant = 43;
constexpr uint32_t ExecutionModeLocalSize = 17, DecorationBinding = 33, DecorationBuiltIn = 11, BuiltInSampleId = 18;
constexpr uint32_t DimCube = 3;

struct ModuleFacts {
  uint32_t threadGroup[3] = {1, 1, 1};
  std::set<uint32_t> unorderedAccess;  // variables bound to u registers
  std::set<uint32_t> typedUnorderedAccess;
  std::set<uint32_t> usedVariables;  // read or written by the code
  bool cubeArrays = false;
  bool sampleIndex = false;
  bool gather = false;           // Gather, or GatherRed: the first component
  bool gatherBeyondRed = false;  // GatherGreen and on, and the comparing GatherCmp
};

// The variable an access instruction goes through, or 0.
uint32_t AccessedVariable(uint32_t opcode, const uint32_t* operands, size_t count) {
  if (opcode == OpStore && count >= 1) return operands[0];
  const bool throughThird = opcode == OpLoad || opcode == OpAccessChain || opcode == OpInBoundsAccessChain ||
                            opcode == OpImageTexelPointer || opcode == OpArrayLength;
  return throughThird && count >= 3 ? operands[2] : 0;
}

ModuleFacts Read(const std::vector<std::byte>& code) {
  ModuleFacts facts;
  std::vector<uint32_t> words(code.size() / 4);
  if (!words.empty()) std::memcpy(words.data(), code.data(), words.size() * 4);
  std::map<uint32_t, uint32_t> bindings, variableTypes, pointees, elements, constants;
  std::set<uint32_t> images;
  bool inFunctions = false;
  for (size_t at = 5; at < words.size();) {
    const uint32_t count = words[at] >> 16, opcode = words[at] & 0xFFFF;
    if (count == 0 || at + count > words.size()) break;
    const uint32_t* operands = &words[at + 1];
    const size_t operandCount = count - 1;
    inFunctions = inFunctions || opcode == OpFunction;
    if (opcode == OpExecutionMode && operandCount >= 5 && operands[1] == ExecutionModeLocalSize) {
      std::memcpy(facts.threadGroup, operands + 2, sizeof facts.threadGroup);
    } else if (opcode == OpDecorate && operandCount >= 3 && operands[1] == DecorationBinding) {
      bindings[operands[0]] = operands[2];
    } else if (opcode == OpTypeImage && operandCount >= 5) {
      images.insert(operands[0]);
      facts.cubeArrays = facts.cubeArrays || (operands[2] == DimCube && operands[4] == 1);
    } else if (opcode == OpDecorate && operandCount >= 3 && operands[1] == DecorationBuiltIn) {
      facts.sampleIndex = facts.sampleIndex || operands[2] == BuiltInSampleId;
    } else if (opcode == OpConstant && operandCount >= 3) {
      constants[operands[1]] = operands[2];
    } else if (opcode == OpImageGather && operandCount >= 5) {
      facts.gather = true;
      const auto component = constants.find(operands[4]);
      facts.gatherBeyondRed = facts.gatherBeyondRed || component == constants.end() || component->second != 0;
    } else if (opcode == OpImageDrefGather) {
      facts.gather = facts.gatherBeyondRed = true;
    } else if ((opcode == OpTypeArray || opcode == OpTypeRuntimeArray) && operandCount >= 2) {
      elements[operands[0]] = operands[1];
    } else if (opcode == OpTypePointer && operandCount >= 3) {
      pointees[operands[0]] = operands[2];
    } else if (opcode == OpVariable && operandCount >= 2 && !inFunctions) {
      variableTypes[operands[1]] = operands[0];
    } else if (inFunctions) {
      if (const uint32_t variable = AccessedVariable(opcode, operands, operandCount); variable != 0) {
        facts.usedVariables.insert(variable);
      }
    }
    at += count;
  }
  for (const auto& [variable, binding] : bindings) {
    if (binding < FirstUnorderedAccessBinding || binding >= FirstSamplerBinding) continue;
    facts.unorderedAccess.insert(variable);
    uint32_t type = pointees[variableTypes[variable]];
    if (elements.contains(type)) type = elements[type];
    if (images.contains(type)) facts.typedUnorderedAccess.insert(variable);
  }
  return facts;
}

size_t UsedAmong(const std::set<uint32_t>& variables, const ModuleFacts& facts) {
  size_t used = 0;
  for (uint32_t variable : variables) used += facts.usedVariables.contains(variable) ? 1 : 0;
  return used;
}

}  // namespace

std::string TargetLimitViolation(std::string_view target, const std::vector<std::byte>& code) {
  if (target.find("_4_") == std::string_view::npos) return {};
  const std::string name(target);
  const ModuleFacts facts = Read(code);
  if (facts.gatherBeyondRed) return name + " gathers only the first component (Gather); GatherGreen, GatherBlue, "
                                           "GatherAlpha and GatherCmp need shader model 5";
  const bool model40 = target.find("_4_0") != std::string_view::npos;
  if (model40 && facts.gather) return "Gather needs shader model 4.1 or later, not " + name;
  if (model40 && facts.cubeArrays) return "TextureCubeArray needs shader model 4.1 or later, not " + name;
  if (model40 && facts.sampleIndex) return "SV_SampleIndex needs ps_4_1 or later, not " + name;
  if (!target.starts_with("cs_")) {
    if (UsedAmong(facts.unorderedAccess, facts) > 0) {
      return name + " has no unordered access views (RW resources, u registers); they need shader model 5";
    }
    return {};
  }
  const uint64_t threads = uint64_t(facts.threadGroup[0]) * facts.threadGroup[1] * facts.threadGroup[2];
  if (facts.threadGroup[2] != 1 || threads > Model4ThreadsPerGroup) {
    return "numthreads(" + std::to_string(facts.threadGroup[0]) + ", " + std::to_string(facts.threadGroup[1]) + ", " +
           std::to_string(facts.threadGroup[2]) + ") is beyond " + name +
           ", which allows a Z of 1 and at most 768 threads per group";
  }
  if (UsedAmong(facts.typedUnorderedAccess, facts) > 0) {
    return name + " has only raw and structured unordered access views (RWByteAddressBuffer, RWStructuredBuffer); "
                  "typed ones need cs_5_0";
  }
  if (UsedAmong(facts.unorderedAccess, facts) > 1) return name + " allows one unordered access view (u0)";
  return {};
}

}  // namespace d3dcompiler
