#include "SpirvCheckSemantics.h"

namespace d3dcompiler {

namespace {

// The front end's name for the value an entry point returns.
constexpr const char* ReturnValueName = "@entryPointOutput";

bool HasSemantic(const SpirvEditor& module, uint32_t variable) {
  if (module.Decoration(variable, spv::DecorationBuiltIn) || module.Decoration(variable, spv::DecorationUserSemantic)) {
    return true;
  }
  const SpirvInstruction* pointer = module.Definition(module.TypeOf(variable));
  if (pointer == nullptr || pointer->Opcode() != spv::OpTypePointer) return true;
  const SpirvInstruction* pointee = module.Definition(pointer->Operand(2));
  // Blocks of built-ins carry the decoration on their members.
  return pointee != nullptr && pointee->Opcode() == spv::OpTypeStruct &&
         module.HasMemberDecoration(pointer->Operand(2), 0, spv::DecorationBuiltIn);
}

bool IsOutput(const SpirvEditor& module, uint32_t id) {
  const SpirvInstruction* variable = module.Definition(id);
  return variable != nullptr && variable->Opcode() == spv::OpVariable &&
         variable->Operand(2) == spv::StorageClassOutput;
}

}  // namespace

std::string FindOutputWithoutSemantic(const SpirvEditor& module) {
  for (const SpirvInstruction& entry : module.Instructions()) {
    if (entry.Opcode() != spv::OpEntryPoint || entry.Operand(0) != spv::ExecutionModelFragment) continue;
    const std::string entryName = entry.StringOperand(2);
    const size_t firstInterface = 2 + (entryName.size() + 4) / 4;  // past the name's words
    for (size_t i = firstInterface; i < entry.OperandCount(); ++i) {
      const uint32_t id = entry.Operand(i);
      if (!IsOutput(module, id) || HasSemantic(module, id)) continue;
      const std::string name = module.NameOf(id);
      if (name == ReturnValueName) return "'" + entryName + "': function return value missing semantics";
      return "'" + entryName + "': output '" + name + "' missing semantics";
    }
  }
  return {};
}

}  // namespace d3dcompiler
