#include "SpirvPassArithmetic.h"

#include <map>

namespace d3dcompiler {

namespace {

bool IsShift(spv::Op opcode) {
  return opcode == spv::OpShiftLeftLogical || opcode == spv::OpShiftRightLogical ||
         opcode == spv::OpShiftRightArithmetic;
}

// The bit width of an integer scalar or vector type, or 0.
uint32_t IntegerWidth(const SpirvEditor& module, uint32_t type) {
  const SpirvInstruction* definition = module.Definition(type);
  if (definition != nullptr && definition->Opcode() == spv::OpTypeVector) {
    definition = module.Definition(definition->Operand(1));
  }
  return definition != nullptr && definition->Opcode() == spv::OpTypeInt ? definition->Operand(1) : 0;
}

void TruncateRemainders(SpirvEditor& module) {
  for (SpirvInstruction& instruction : module.Instructions()) {
    if (instruction.Opcode() == spv::OpFMod) instruction.SetOpcode(spv::OpFRem);
    if (instruction.Opcode() == spv::OpSMod) instruction.SetOpcode(spv::OpSRem);
  }
}

// The amount of a shift that needs masking, or 0: amounts that are constants below the width are left alone.
uint32_t AmountToMask(const SpirvEditor& module, const SpirvInstruction& instruction) {
  if (!IsShift(instruction.Opcode())) return 0;
  const uint32_t amount = instruction.Operand(3);
  const uint32_t width = IntegerWidth(module, module.TypeOf(amount));
  const std::optional<uint32_t> constant = module.ConstantValue(amount);
  return width == 0 || width > 32 || (constant && *constant < width) ? 0 : amount;
}

// Every shift whose amount may reach the width gets its amount masked first.
void MaskShiftAmounts(SpirvEditor& module) {
  std::map<uint32_t, uint32_t> masks;  // amount type -> constant with the low bits set
  std::vector<uint32_t> typesToMask;
  for (const SpirvInstruction& instruction : module.Instructions()) {
    if (const uint32_t amount = AmountToMask(module, instruction)) typesToMask.push_back(module.TypeOf(amount));
  }
  for (uint32_t type : typesToMask) {
    if (!masks.contains(type)) masks[type] = module.IntegerConstant(type, IntegerWidth(module, type) - 1);
  }
  struct Shift {
    size_t At;
    uint32_t Amount;
    uint32_t Type;
  };
  std::vector<Shift> shifts;
  std::vector<SpirvInstruction>& instructions = module.Instructions();
  for (size_t i = 0; i < instructions.size(); ++i) {
    if (const uint32_t amount = AmountToMask(module, instructions[i])) {
      shifts.push_back({i, amount, module.TypeOf(amount)});
    }
  }
  // From the last, so that inserting leaves the positions still to visit where they were.
  for (auto shift = shifts.rbegin(); shift != shifts.rend(); ++shift) {
    const uint32_t masked = module.NewId();
    instructions[shift->At].SetOperand(3, masked);
    instructions.insert(instructions.begin() + static_cast<std::ptrdiff_t>(shift->At),
                        MakeInstruction(spv::OpBitwiseAnd, {shift->Type, masked, shift->Amount, masks[shift->Type]}));
  }
  module.Index();
}

}  // namespace

void ApplyHlslArithmetic(SpirvEditor& module) {
  TruncateRemainders(module);
  MaskShiftAmounts(module);
}

}  // namespace d3dcompiler
