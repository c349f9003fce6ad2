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

// A 32-bit unsigned division or remainder whose divisor may be zero.
bool MayDivideByZero(const SpirvEditor& module, const SpirvInstruction& instruction) {
  if (instruction.Opcode() != spv::OpUDiv && instruction.Opcode() != spv::OpUMod) return false;
  if (IntegerWidth(module, instruction.Operand(0)) != 32) return false;
  const std::optional<uint32_t> divisor = module.ConstantValue(instruction.Operand(3));
  return !divisor || *divisor == 0;
}

// Unsigned division and remainder by zero give every bit set, where SPIR-V leaves them undefined.
void DefineUnsignedDivisionByZero(SpirvEditor& module) {
  struct Division {
    uint32_t Type;
    uint32_t Divisor;
  };
  std::vector<Division> divisions;
  for (const SpirvInstruction& instruction : module.Instructions()) {
    if (MayDivideByZero(module, instruction)) divisions.push_back({instruction.Operand(0), instruction.Operand(3)});
  }
  if (divisions.empty()) return;
  struct Constants {
    uint32_t Zero, AllOnes, Bool;
  };
  std::map<uint32_t, Constants> constants;  // per integer type
  for (const Division& division : divisions) {
    if (constants.contains(division.Type)) continue;
    const uint32_t zero = module.IntegerConstant(division.Type, 0);
    const uint32_t allOnes = module.IntegerConstant(division.Type, ~0u);
    constants[division.Type] = {zero, allOnes, module.BoolTypeLike(division.Type)};
  }
  std::vector<SpirvInstruction>& instructions = module.Instructions();
  for (size_t i = 0; i < instructions.size(); ++i) {
    SpirvInstruction& division = instructions[i];
    if (!MayDivideByZero(module, division)) continue;
    const uint32_t type = division.Operand(0);
    const uint32_t result = division.Operand(1);
    const uint32_t divisor = division.Operand(3);
    const uint32_t quotient = module.NewId();
    const uint32_t isZero = module.NewId();
    division.SetOperand(1, quotient);
    const Constants& values = constants[type];
    const SpirvInstruction test = MakeInstruction(spv::OpIEqual, {values.Bool, isZero, divisor, values.Zero});
    const SpirvInstruction choice = MakeInstruction(spv::OpSelect, {type, result, isZero, values.AllOnes, quotient});
    instructions.insert(instructions.begin() + static_cast<std::ptrdiff_t>(i + 1), {test, choice});
    i += 2;
  }
  module.Index();
}

}  // namespace

void ApplyHlslArithmetic(SpirvEditor& module) {
  TruncateRemainders(module);
  MaskShiftAmounts(module);
  DefineUnsignedDivisionByZero(module);
}

}  // namespace d3dcompiler
