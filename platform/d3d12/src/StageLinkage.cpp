#include "StageLinkage.h"

#include "Diagnostics.h"
#include "SpirvReader.h"

#include <strings.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace d3d12vk {

namespace {

constexpr uint32_t OpEntryPoint = 15, OpTypeBool = 20, OpTypeInt = 21, OpTypeFloat = 22, OpTypeVector = 23,
                   OpTypeMatrix = 24, OpTypeArray = 28, OpTypePointer = 32, OpConstant = 43, OpVariable = 59,
                   OpDecorate = 71, OpDecorateString = 5632;
constexpr uint32_t DecorationBuiltIn = 11, DecorationLocation = 30, DecorationUserSemantic = 5635;
constexpr uint32_t StorageClassInput = 1, StorageClassOutput = 3;

enum class ComponentType { Float, Int, Uint, Other };

const char* NameOf(ComponentType type) {
  switch (type) {
    case ComponentType::Float:
      return "float";
    case ComponentType::Int:
      return "int";
    case ComponentType::Uint:
      return "uint";
    case ComponentType::Other:
      break;
  }
  return "another type";
}

// One input or output of an entry point, as the signature sees it.
struct StageVariable {
  std::string semanticName;
  uint32_t semanticIndex = 0;
  uint32_t location = 0;
  uint32_t registers = 1;   // array elements and matrix columns take one location each
  uint32_t components = 0;  // per location
  ComponentType type = ComponentType::Other;
};

struct TypeShape {
  uint32_t opcode = 0;
  uint32_t operands[3] = {};
};

class ModuleReader {
 public:
  ModuleReader(const void* code, size_t size) : words_(size / 4) { std::memcpy(words_.data(), code, words_.size() * 4); }

  // The user-semantic inputs or outputs (by `storageClass`) of the first entry point; built-ins are left out.
  std::vector<StageVariable> Variables(uint32_t storageClass) {
    Scan();
    std::vector<StageVariable> found;
    for (uint32_t id : interface_) {
      const auto variable = variableTypes_.find(id);
      if (variable == variableTypes_.end() || variable->second.first != storageClass || builtIns_.contains(id) ||
          !locations_.contains(id)) {
        continue;
      }
      StageVariable stage;
      stage.location = locations_[id];
      SplitSemantic(semantics_[id], &stage.semanticName, &stage.semanticIndex);
      Describe(Pointee(variable->second.second), &stage);
      found.push_back(std::move(stage));
    }
    return found;
  }

 private:
  void Scan() {
    for (size_t at = 5; at < words_.size();) {
      const uint32_t count = words_[at] >> 16, opcode = words_[at] & 0xFFFF;
      if (count == 0 || at + count > words_.size()) break;
      const uint32_t* operands = &words_[at + 1];
      const size_t operandCount = count - 1;
      if (opcode == OpEntryPoint && interface_.empty() && operandCount >= 3) {
        size_t nameWords = strnlen(reinterpret_cast<const char*>(operands + 2), (operandCount - 2) * 4) / 4 + 1;
        if (2 + nameWords <= operandCount) interface_.assign(operands + 2 + nameWords, operands + operandCount);
      } else if (opcode >= OpTypeBool && opcode <= OpTypeArray && operandCount >= 1) {
        TypeShape& shape = types_[operands[0]];
        shape.opcode = opcode;
        for (size_t i = 1; i < operandCount && i <= 3; ++i) shape.operands[i - 1] = operands[i];
      } else if (opcode == OpTypePointer && operandCount >= 3) {
        pointees_[operands[0]] = operands[2];
      } else if (opcode == OpConstant && operandCount >= 3) {
        constants_[operands[1]] = operands[2];
      } else if (opcode == OpVariable && operandCount >= 3) {
        variableTypes_[operands[1]] = {operands[2], operands[0]};
      } else if (opcode == OpDecorate && operandCount >= 2) {
        if (operands[1] == DecorationBuiltIn) builtIns_[operands[0]] = true;
        if (operands[1] == DecorationLocation && operandCount >= 3) locations_[operands[0]] = operands[2];
      } else if (opcode == OpDecorateString && operandCount >= 3 && operands[1] == DecorationUserSemantic) {
        semantics_[operands[0]] =
            std::string(reinterpret_cast<const char*>(operands + 2), strnlen(reinterpret_cast<const char*>(operands + 2),
                                                                             (operandCount - 2) * 4));
      }
      at += count;
    }
  }

  uint32_t Pointee(uint32_t pointer) const {
    const auto found = pointees_.find(pointer);
    return found == pointees_.end() ? 0 : found->second;
  }

  // Arrays and matrices multiply the locations; the innermost vector or scalar gives components and type.
  void Describe(uint32_t type, StageVariable* variable) const {
    for (int depth = 0; depth < 8; ++depth) {
      const auto found = types_.find(type);
      if (found == types_.end()) return;
      const TypeShape& shape = found->second;
      switch (shape.opcode) {
        case OpTypeArray: {
          const auto length = constants_.find(shape.operands[1]);
          variable->registers *= length == constants_.end() ? 1 : length->second;
          type = shape.operands[0];
          break;
        }
        case OpTypeMatrix:
          variable->registers *= shape.operands[1];
          type = shape.operands[0];
          break;
        case OpTypeVector:
          variable->components = shape.operands[1];
          type = shape.operands[0];
          break;
        default:
          if (variable->components == 0) variable->components = 1;
          variable->type = shape.opcode == OpTypeFloat ? ComponentType::Float
                           : shape.opcode == OpTypeInt ? (shape.operands[1] != 0 ? ComponentType::Int : ComponentType::Uint)
                           : shape.opcode == OpTypeBool ? ComponentType::Uint
                                                        : ComponentType::Other;
          return;
      }
    }
  }

  std::vector<uint32_t> words_;
  std::vector<uint32_t> interface_;
  std::map<uint32_t, TypeShape> types_;
  std::map<uint32_t, uint32_t> pointees_, constants_, locations_;
  std::map<uint32_t, std::pair<uint32_t, uint32_t>> variableTypes_;  // storage class, pointer type
  std::map<uint32_t, bool> builtIns_;
  std::map<uint32_t, std::string> semantics_;
};

bool IsSpirv(const D3D12_SHADER_BYTECODE& code) {
  return code.pShaderBytecode != nullptr && code.BytecodeLength >= 20 && code.BytecodeLength % 4 == 0 &&
         *static_cast<const uint32_t*>(code.pShaderBytecode) == 0x07230203;
}

// The previous stage's output an input links to: by semantic, or by location for code without semantics.
const StageVariable* Source(const StageVariable& input, const std::vector<StageVariable>& outputs) {
  for (const StageVariable& output : outputs) {
    const bool bySemantic = !input.semanticName.empty();
    if (bySemantic ? strcasecmp(output.semanticName.c_str(), input.semanticName.c_str()) == 0 &&
                         output.semanticIndex == input.semanticIndex
                   : output.location == input.location) {
      return &output;
    }
  }
  return nullptr;
}

}  // namespace

HRESULT CheckStageLinkage(const D3D12_SHADER_BYTECODE& previous, const char* previousName,
                          const D3D12_SHADER_BYTECODE& pixel, const char* call) {
  if (!IsSpirv(previous) || !IsSpirv(pixel)) return S_OK;  // refused elsewhere, with its own message
  const std::vector<StageVariable> outputs =
      ModuleReader(previous.pShaderBytecode, previous.BytecodeLength).Variables(StorageClassOutput);
  for (const StageVariable& input :
       ModuleReader(pixel.pShaderBytecode, pixel.BytecodeLength).Variables(StorageClassInput)) {
    const std::string name = input.semanticName.empty() ? "location " + std::to_string(input.location)
                                                        : input.semanticName + std::to_string(input.semanticIndex);
    const StageVariable* output = Source(input, outputs);
    if (output == nullptr) {
      return Fail(call, E_INVALIDARG, "the pixel shader reads %s, which %s does not write", name.c_str(), previousName);
    }
    if (output->location != input.location) {
      return Fail(call, E_INVALIDARG,
                  "the pixel shader reads %s from register %u, %s writes it to register %u (declare them in the "
                  "same order)",
                  name.c_str(), input.location, previousName, output->location);
    }
    if (output->registers < input.registers || output->components < input.components) {
      return Fail(call, E_INVALIDARG, "the pixel shader reads %u x %u components of %s, %s writes %u x %u",
                  input.registers, input.components, name.c_str(), previousName, output->registers,
                  output->components);
    }
    if (output->type != input.type) {
      return Fail(call, E_INVALIDARG, "the pixel shader reads %s as %s, %s writes %s", name.c_str(),
                  NameOf(input.type), previousName, NameOf(output->type));
    }
  }
  return S_OK;
}

}  // namespace d3d12vk
