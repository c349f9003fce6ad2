#include "ConstantBufferLayout.h"

#include <map>
#include <vector>

namespace d3dcompiler {

namespace {

uint32_t RoundUp(uint32_t value, uint32_t multiple) { return (value + multiple - 1) / multiple * multiple; }

bool StartsRegister(spv::Op opcode) {
  return opcode == spv::OpTypeArray || opcode == spv::OpTypeMatrix || opcode == spv::OpTypeStruct;
}

uint32_t ArrayLength(const SpirvEditor& module, const SpirvInstruction& array) {
  return module.ConstantValue(array.Operand(2)).value_or(1);
}

// Where each member of a struct goes by the packing rules, and where the last one ends.
std::vector<uint32_t> MemberOffsets(const SpirvEditor& module, uint32_t type, uint32_t* end) {
  const SpirvInstruction* definition = module.Definition(type);
  std::vector<uint32_t> offsets;
  uint32_t at = 0;
  for (size_t member = 1; member < definition->OperandCount(); ++member) {
    const uint32_t memberType = definition->Operand(member);
    const uint32_t index = static_cast<uint32_t>(member - 1);
    const uint32_t size =
        PackedSize(module, memberType, module.HasMemberDecoration(type, index, spv::DecorationRowMajor));
    const SpirvInstruction* memberDefinition = module.Definition(memberType);
    if (memberDefinition == nullptr || StartsRegister(memberDefinition->Opcode()) ||
        at % RegisterBytes + size > RegisterBytes) {
      at = RoundUp(at, RegisterBytes);
    }
    offsets.push_back(at);
    at += size;
  }
  *end = at;
  return offsets;
}

class Packer {
 public:
  explicit Packer(SpirvEditor& module) : module_(module) {}

  // Plans `type` and every struct and array inside it.
  void PlanStruct(uint32_t type) {
    if (plans_.contains(type)) return;
    const SpirvInstruction* definition = module_.Definition(type);
    for (size_t member = 1; member < definition->OperandCount(); ++member) {
      PlanNested(definition->Operand(member),
                 module_.HasMemberDecoration(type, static_cast<uint32_t>(member - 1), spv::DecorationRowMajor));
    }
    uint32_t end = 0;
    plans_[type] = MemberOffsets(module_, type, &end);
  }

  // Writes the planned offsets and strides into the decorations.
  void Apply() {
    for (SpirvInstruction& instruction : module_.Instructions()) {
      if (instruction.Opcode() == spv::OpMemberDecorate && instruction.Operand(2) == spv::DecorationOffset) {
        const auto plan = plans_.find(instruction.Operand(0));
        if (plan != plans_.end() && instruction.Operand(1) < plan->second.size()) {
          instruction.SetOperand(3, plan->second[instruction.Operand(1)]);
        }
      } else if (instruction.Opcode() == spv::OpDecorate && instruction.Operand(1) == spv::DecorationArrayStride) {
        const auto stride = strides_.find(instruction.Operand(0));
        if (stride != strides_.end()) instruction.SetOperand(2, stride->second);
      }
    }
  }

 private:
  void PlanNested(uint32_t type, bool rowMajor) {
    const SpirvInstruction* definition = module_.Definition(type);
    if (definition == nullptr) return;
    if (definition->Opcode() == spv::OpTypeStruct) {
      PlanStruct(type);
    } else if (definition->Opcode() == spv::OpTypeArray) {
      PlanNested(definition->Operand(1), rowMajor);
      strides_[type] = RoundUp(PackedSize(module_, definition->Operand(1), rowMajor), RegisterBytes);
    }
  }

  SpirvEditor& module_;
  std::map<uint32_t, std::vector<uint32_t>> plans_;  // struct type -> member offsets
  std::map<uint32_t, uint32_t> strides_;
};

// The block types of Uniform and PushConstant variables: cbuffers, ConstantBuffer<T>, tbuffers, root constants.
std::vector<uint32_t> ConstantBlocks(const SpirvEditor& module) {
  std::vector<uint32_t> blocks;
  for (const SpirvInstruction& instruction : module.Instructions()) {
    if (instruction.Opcode() != spv::OpVariable) continue;
    const uint32_t storage = instruction.Operand(2);
    if (storage != spv::StorageClassUniform && storage != spv::StorageClassPushConstant) continue;
    const SpirvInstruction* pointer = module.Definition(instruction.Operand(0));
    if (pointer == nullptr || pointer->Opcode() != spv::OpTypePointer) continue;
    uint32_t pointee = pointer->Operand(2);
    // An array of constant buffers (ConstantBuffer<T> b[4]) lays out each the same way.
    while (module.Definition(pointee) != nullptr && (module.Definition(pointee)->Opcode() == spv::OpTypeArray ||
                                                     module.Definition(pointee)->Opcode() == spv::OpTypeRuntimeArray)) {
      pointee = module.Definition(pointee)->Operand(1);
    }
    // A tbuffer is a buffer block of declared variables, packed as a cbuffer is.
    const bool textureBuffer = module.Decoration(pointee, spv::DecorationBufferBlock) && !module.IsArrayBlock(pointee);
    if (module.Decoration(pointee, spv::DecorationBlock) || textureBuffer) blocks.push_back(pointee);
  }
  return blocks;
}

// Explicit offsets (packoffset) are checked rather than changed: no value may cross a register and no two
// members may share a byte.
std::string CheckExplicitOffsets(const SpirvEditor& module, uint32_t block) {
  const SpirvInstruction* definition = module.Definition(block);
  std::vector<std::pair<uint32_t, uint32_t>> taken;  // first byte, one past the last
  for (size_t member = 1; member < definition->OperandCount(); ++member) {
    const uint32_t index = static_cast<uint32_t>(member - 1);
    const uint32_t offset = module.MemberOffset(block, index);
    const uint32_t type = definition->Operand(member);
    const uint32_t size = PackedSize(module, type, module.HasMemberDecoration(block, index, spv::DecorationRowMajor));
    const std::string name = module.MemberNameOf(block, index);
    const bool startsRegister = StartsRegister(module.Definition(type)->Opcode());
    if ((startsRegister && offset % RegisterBytes != 0) ||
        (!startsRegister && offset % RegisterBytes + size > RegisterBytes)) {
      return "packoffset of '" + name + "' makes it cross a register boundary";
    }
    for (const auto& [first, end] : taken) {
      if (offset < end && first < offset + size) return "packoffset of '" + name + "' overlaps another member";
    }
    taken.push_back({offset, offset + size});
  }
  return {};
}

}  // namespace

uint32_t PackedSize(const SpirvEditor& module, uint32_t type, bool rowMajorInSpirv) {
  const SpirvInstruction* definition = module.Definition(type);
  if (definition == nullptr) return 0;
  switch (definition->Opcode()) {
    case spv::OpTypeBool:
      return 4;
    case spv::OpTypeInt:
    case spv::OpTypeFloat:
      return definition->Operand(1) / 8;
    case spv::OpTypeVector:
      return definition->Operand(2) * PackedSize(module, definition->Operand(1), false);
    case spv::OpTypeMatrix: {
      // SPIR-V's columns are HLSL's rows; RowMajor in SPIR-V is HLSL's column_major.
      const SpirvInstruction* column = module.Definition(definition->Operand(1));
      const uint32_t columns = definition->Operand(2);
      const uint32_t rows = column->Operand(2);
      const uint32_t scalar = PackedSize(module, column->Operand(1), false);
      return rowMajorInSpirv ? (rows - 1) * RegisterBytes + columns * scalar
                             : (columns - 1) * RegisterBytes + rows * scalar;
    }
    case spv::OpTypeArray: {
      const uint32_t element = PackedSize(module, definition->Operand(1), rowMajorInSpirv);
      const uint32_t length = ArrayLength(module, *definition);
      return length == 0 ? 0 : (length - 1) * RoundUp(element, RegisterBytes) + element;
    }
    case spv::OpTypeStruct: {
      uint32_t end = 0;
      MemberOffsets(module, type, &end);
      return end;
    }
    default:
      return 0;
  }
}

std::string PackConstantBuffers(SpirvEditor& module, const std::set<std::string>& explicitlyPlaced) {
  Packer packer(module);
  for (uint32_t block : ConstantBlocks(module)) {
    if (explicitlyPlaced.contains(module.NameOf(block))) {
      const std::string problem = CheckExplicitOffsets(module, block);
      if (!problem.empty()) return problem;
      continue;
    }
    packer.PlanStruct(block);
  }
  packer.Apply();
  module.Index();
  return {};
}

}  // namespace d3dcompiler
