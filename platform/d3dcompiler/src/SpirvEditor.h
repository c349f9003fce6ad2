// A SPIR-V module held as a list of instructions, for the passes that bring the front end's output in line
// with the Windows compiler's rules: look up names, types and decorations, change operands, add instructions.
#pragma once

#include <spirv/unified1/spirv.hpp>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace d3dcompiler {

// One instruction as its words: opcode and word count first, then the operands.
struct SpirvInstruction {
  std::vector<uint32_t> Words;

  spv::Op Opcode() const { return static_cast<spv::Op>(Words[0] & 0xFFFF); }
  uint32_t Operand(size_t index) const { return Words[index + 1]; }
  size_t OperandCount() const { return Words.size() - 1; }
  void SetOperand(size_t index, uint32_t value) { Words[index + 1] = value; }
  void SetOpcode(spv::Op opcode) { Words[0] = (Words[0] & 0xFFFF0000u) | static_cast<uint32_t>(opcode); }
  std::string StringOperand(size_t index) const;
};

SpirvInstruction MakeInstruction(spv::Op opcode, std::vector<uint32_t> operands);

class SpirvEditor {
 public:
  // False when `words` is not a SPIR-V module.
  bool Load(const std::vector<uint32_t>& words);
  std::vector<uint32_t> Save() const;

  std::vector<SpirvInstruction>& Instructions() { return instructions_; }
  const std::vector<SpirvInstruction>& Instructions() const { return instructions_; }

  // The instruction that defines `id` (types, constants, variables, values), or null.
  const SpirvInstruction* Definition(uint32_t id) const;
  // The type of the value `id`, or 0.
  uint32_t TypeOf(uint32_t id) const;
  std::string NameOf(uint32_t id) const;
  std::string MemberNameOf(uint32_t type, uint32_t member) const;
  std::optional<uint32_t> Decoration(uint32_t id, spv::Decoration decoration) const;
  std::string SemanticOf(uint32_t id) const;  // its UserSemantic decoration, or empty
  bool HasMemberDecoration(uint32_t type, uint32_t member, spv::Decoration decoration) const;
  uint32_t MemberOffset(uint32_t type, uint32_t member) const;  // its Offset decoration, or 0
  // The value of an integer constant (32 bits or less), if `id` is one.
  std::optional<uint32_t> ConstantValue(uint32_t id) const;

  // Whether a buffer block holds one run-time array (structured and raw buffers), rather than declared
  // variables (cbuffer, tbuffer).
  bool IsArrayBlock(uint32_t block) const;

  uint32_t NewId() { return bound_++; }
  // A constant of the integer scalar or vector type `type` with every component `value`, added among the
  // module's constants.
  uint32_t IntegerConstant(uint32_t type, uint32_t value);
  // The bool type with as many components as the integer scalar or vector type `like`, added if missing.
  uint32_t BoolTypeLike(uint32_t like);

  // Re-reads the lookup tables after instructions were added, removed or changed.
  void Index();

 private:
  size_t FirstFunction() const;
  // Puts `added` after the module's last type or constant, before anything that could use them.
  void AddGlobals(const std::vector<SpirvInstruction>& added);

  uint32_t header_[5] = {};
  uint32_t bound_ = 0;
  std::vector<SpirvInstruction> instructions_;
  std::map<uint32_t, size_t> definitions_;
  std::map<uint32_t, std::string> names_;
  std::map<uint32_t, std::string> semantics_;
  std::map<std::pair<uint32_t, uint32_t>, std::string> memberNames_;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> decorations_;
  std::map<std::pair<uint32_t, uint32_t>, std::vector<uint32_t>> memberDecorations_;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> memberOffsets_;
};

}  // namespace d3dcompiler
