#define SPV_ENABLE_UTILITY_CODE
#include "SpirvEditor.h"

#include <cstring>

namespace d3dcompiler {

namespace {

constexpr uint32_t HeaderWords = 5;

bool IsTypeOrConstant(spv::Op opcode) {
  switch (opcode) {
    case spv::OpConstant:
    case spv::OpConstantComposite:
    case spv::OpConstantTrue:
    case spv::OpConstantFalse:
    case spv::OpConstantNull:
    case spv::OpSpecConstant:
    case spv::OpSpecConstantComposite:
    case spv::OpSpecConstantOp:
      return true;
    default:
      return opcode >= spv::OpTypeVoid && opcode <= spv::OpTypeForwardPointer;
  }
}

}  // namespace

std::string SpirvInstruction::StringOperand(size_t index) const {
  const char* text = reinterpret_cast<const char*>(&Words[index + 1]);
  return std::string(text, strnlen(text, (Words.size() - index - 1) * sizeof(uint32_t)));
}

SpirvInstruction MakeInstruction(spv::Op opcode, std::vector<uint32_t> operands) {
  SpirvInstruction instruction;
  instruction.Words.reserve(operands.size() + 1);
  instruction.Words.push_back(static_cast<uint32_t>(operands.size() + 1) << 16 | static_cast<uint32_t>(opcode));
  instruction.Words.insert(instruction.Words.end(), operands.begin(), operands.end());
  return instruction;
}

bool SpirvEditor::Load(const std::vector<uint32_t>& words) {
  if (words.size() < HeaderWords || words[0] != spv::MagicNumber) return false;
  std::memcpy(header_, words.data(), sizeof(header_));
  bound_ = words[3];
  instructions_.clear();
  for (size_t at = HeaderWords; at < words.size();) {
    const uint32_t count = words[at] >> 16;
    if (count == 0 || at + count > words.size()) return false;
    instructions_.push_back({std::vector<uint32_t>(words.begin() + at, words.begin() + at + count)});
    at += count;
  }
  Index();
  return true;
}

std::vector<uint32_t> SpirvEditor::Save() const {
  std::vector<uint32_t> words(header_, header_ + HeaderWords);
  words[3] = bound_;
  for (const SpirvInstruction& instruction : instructions_) {
    words.insert(words.end(), instruction.Words.begin(), instruction.Words.end());
  }
  return words;
}

void SpirvEditor::Index() {
  definitions_.clear();
  names_.clear();
  semantics_.clear();
  memberNames_.clear();
  decorations_.clear();
  memberDecorations_.clear();
  memberOffsets_.clear();
  for (size_t i = 0; i < instructions_.size(); ++i) {
    const SpirvInstruction& instruction = instructions_[i];
    bool hasResult = false;
    bool hasType = false;
    spv::HasResultAndType(instruction.Opcode(), &hasResult, &hasType);
    if (hasResult && instruction.OperandCount() > (hasType ? 1u : 0u)) {
      definitions_[instruction.Operand(hasType ? 1 : 0)] = i;
    }
    switch (instruction.Opcode()) {
      case spv::OpName:
        names_[instruction.Operand(0)] = instruction.StringOperand(1);
        break;
      case spv::OpMemberName:
        memberNames_[{instruction.Operand(0), instruction.Operand(1)}] = instruction.StringOperand(2);
        break;
      case spv::OpDecorate:
        decorations_[{instruction.Operand(0), instruction.Operand(1)}] =
            instruction.OperandCount() > 2 ? instruction.Operand(2) : 0;
        break;
      case spv::OpDecorateString:
        decorations_[{instruction.Operand(0), instruction.Operand(1)}] = 0;  // only its presence is looked up
        if (instruction.Operand(1) == spv::DecorationUserSemantic) {
          semantics_[instruction.Operand(0)] = instruction.StringOperand(2);
        }
        break;
      case spv::OpMemberDecorate:
        memberDecorations_[{instruction.Operand(0), instruction.Operand(1)}].push_back(instruction.Operand(2));
        if (instruction.Operand(2) == spv::DecorationOffset && instruction.OperandCount() > 3) {
          memberOffsets_[{instruction.Operand(0), instruction.Operand(1)}] = instruction.Operand(3);
        }
        break;
      default:
        break;
    }
  }
}

const SpirvInstruction* SpirvEditor::Definition(uint32_t id) const {
  const auto found = definitions_.find(id);
  return found == definitions_.end() ? nullptr : &instructions_[found->second];
}

uint32_t SpirvEditor::TypeOf(uint32_t id) const {
  const SpirvInstruction* definition = Definition(id);
  if (definition == nullptr) return 0;
  bool hasResult = false;
  bool hasType = false;
  spv::HasResultAndType(definition->Opcode(), &hasResult, &hasType);
  return hasType ? definition->Operand(0) : 0;
}

std::string SpirvEditor::NameOf(uint32_t id) const {
  const auto found = names_.find(id);
  return found == names_.end() ? std::string() : found->second;
}

std::string SpirvEditor::SemanticOf(uint32_t id) const {
  const auto found = semantics_.find(id);
  return found == semantics_.end() ? std::string() : found->second;
}

std::string SpirvEditor::MemberNameOf(uint32_t type, uint32_t member) const {
  const auto found = memberNames_.find({type, member});
  return found == memberNames_.end() ? std::string() : found->second;
}

std::optional<uint32_t> SpirvEditor::Decoration(uint32_t id, spv::Decoration decoration) const {
  const auto found = decorations_.find({id, static_cast<uint32_t>(decoration)});
  return found == decorations_.end() ? std::nullopt : std::optional(found->second);
}

bool SpirvEditor::HasMemberDecoration(uint32_t type, uint32_t member, spv::Decoration decoration) const {
  const auto found = memberDecorations_.find({type, member});
  if (found == memberDecorations_.end()) return false;
  for (uint32_t present : found->second) {
    if (present == static_cast<uint32_t>(decoration)) return true;
  }
  return false;
}

uint32_t SpirvEditor::MemberOffset(uint32_t type, uint32_t member) const {
  const auto found = memberOffsets_.find({type, member});
  return found == memberOffsets_.end() ? 0 : found->second;
}

std::optional<uint32_t> SpirvEditor::ConstantValue(uint32_t id) const {
  const SpirvInstruction* definition = Definition(id);
  if (definition == nullptr || definition->Opcode() != spv::OpConstant || definition->OperandCount() != 3) {
    return std::nullopt;
  }
  return definition->Operand(2);
}

bool SpirvEditor::IsArrayBlock(uint32_t block) const {
  const SpirvInstruction* definition = Definition(block);
  if (definition == nullptr || definition->Opcode() != spv::OpTypeStruct || definition->OperandCount() != 2) {
    return false;
  }
  const SpirvInstruction* member = Definition(definition->Operand(1));
  return member != nullptr && member->Opcode() == spv::OpTypeRuntimeArray;
}

size_t SpirvEditor::FirstFunction() const {
  for (size_t i = 0; i < instructions_.size(); ++i) {
    if (instructions_[i].Opcode() == spv::OpFunction) return i;
  }
  return instructions_.size();
}

uint32_t SpirvEditor::IntegerConstant(uint32_t type, uint32_t value) {
  const SpirvInstruction* definition = Definition(type);
  std::vector<SpirvInstruction> added;
  uint32_t result = 0;
  if (definition != nullptr && definition->Opcode() == spv::OpTypeVector) {
    const uint32_t component = NewId();
    added.push_back(MakeInstruction(spv::OpConstant, {definition->Operand(1), component, value}));
    result = NewId();
    std::vector<uint32_t> operands{type, result};
    operands.insert(operands.end(), definition->Operand(2), component);
    added.push_back(MakeInstruction(spv::OpConstantComposite, operands));
  } else {
    result = NewId();
    added.push_back(MakeInstruction(spv::OpConstant, {type, result, value}));
  }
  AddGlobals(added);
  return result;
}

void SpirvEditor::AddGlobals(const std::vector<SpirvInstruction>& added) {
  size_t at = FirstFunction();
  while (at > 0 && !IsTypeOrConstant(instructions_[at - 1].Opcode())) --at;
  instructions_.insert(instructions_.begin() + static_cast<std::ptrdiff_t>(at), added.begin(), added.end());
  Index();
}

uint32_t SpirvEditor::BoolTypeLike(uint32_t like) {
  const SpirvInstruction* definition = Definition(like);
  const uint32_t components =
      definition != nullptr && definition->Opcode() == spv::OpTypeVector ? definition->Operand(2) : 1;
  uint32_t scalar = 0;
  for (const SpirvInstruction& instruction : instructions_) {
    if (instruction.Opcode() == spv::OpTypeBool) scalar = instruction.Operand(0);
  }
  if (scalar == 0) {
    scalar = NewId();
    AddGlobals({MakeInstruction(spv::OpTypeBool, {scalar})});
  }
  if (components == 1) return scalar;
  for (const SpirvInstruction& instruction : instructions_) {
    if (instruction.Opcode() == spv::OpTypeVector && instruction.Operand(1) == scalar &&
        instruction.Operand(2) == components) {
      return instruction.Operand(0);
    }
  }
  const uint32_t vector = NewId();
  AddGlobals({MakeInstruction(spv::OpTypeVector, {vector, scalar, components})});
  return vector;
}

}  // namespace d3dcompiler
