#include "StructuredBufferLayout.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace d3dcompiler {

namespace {

uint32_t RoundUp(uint32_t value, uint32_t multiple) { return (value + multiple - 1) / multiple * multiple; }

class TightPacker {
 public:
  explicit TightPacker(const SpirvEditor& module) : module_(module) {}

  // Bytes a value of `type` takes, planning the types inside it on the way.
  uint32_t Plan(uint32_t type) {
    const SpirvInstruction* definition = module_.Definition(type);
    if (definition == nullptr) return 0;
    switch (definition->Opcode()) {
      case spv::OpTypeBool:
        return 4;
      case spv::OpTypeInt:
      case spv::OpTypeFloat:
        return definition->Operand(1) / 8;
      case spv::OpTypeVector:
        return definition->Operand(2) * Plan(definition->Operand(1));
      case spv::OpTypeMatrix:
        return definition->Operand(2) * Plan(definition->Operand(1));
      case spv::OpTypeArray:
      case spv::OpTypeRuntimeArray: {
        const uint32_t stride = RoundUp(Plan(definition->Operand(1)), Alignment(definition->Operand(1)));
        strides_[type] = stride;
        const uint32_t length =
            definition->Opcode() == spv::OpTypeArray ? module_.ConstantValue(definition->Operand(2)).value_or(1) : 0;
        return stride * length;
      }
      case spv::OpTypeStruct:
        return PlanStruct(type, *definition);
      default:
        return 0;
    }
  }

  void Apply(std::vector<SpirvInstruction>& instructions) const {
    for (SpirvInstruction& instruction : instructions) {
      if (instruction.Opcode() == spv::OpMemberDecorate && instruction.OperandCount() > 3) {
        const std::tuple<uint32_t, uint32_t> member{instruction.Operand(0), instruction.Operand(1)};
        if (instruction.Operand(2) == spv::DecorationOffset && offsets_.contains(member)) {
          instruction.SetOperand(3, offsets_.at(member));
        } else if (instruction.Operand(2) == spv::DecorationMatrixStride && matrixStrides_.contains(member)) {
          instruction.SetOperand(3, matrixStrides_.at(member));
        }
      } else if (instruction.Opcode() == spv::OpDecorate && instruction.Operand(1) == spv::DecorationArrayStride) {
        const auto stride = strides_.find(instruction.Operand(0));
        if (stride != strides_.end()) instruction.SetOperand(2, stride->second);
      }
    }
  }

 private:
  uint32_t PlanStruct(uint32_t type, const SpirvInstruction& definition) {
    uint32_t at = 0;
    for (uint32_t member = 0; member + 1 < definition.OperandCount(); ++member) {
      const uint32_t memberType = definition.Operand(member + 1);
      const uint32_t size = Plan(memberType);
      at = RoundUp(at, Alignment(memberType));
      offsets_[{type, member}] = at;
      PlanMatrixStride(type, member, memberType);
      at += size;
    }
    return at;
  }

  // 4 bytes, or 8 for values holding doubles, which Vulkan reads only at their own alignment.
  uint32_t Alignment(uint32_t type) const {
    const SpirvInstruction* definition = module_.Definition(type);
    if (definition == nullptr) return 4;
    switch (definition->Opcode()) {
      case spv::OpTypeInt:
      case spv::OpTypeFloat:
        return definition->Operand(1) == 64 ? 8 : 4;
      case spv::OpTypeStruct: {
        uint32_t alignment = 4;
        for (size_t member = 1; member < definition->OperandCount(); ++member) {
          alignment = std::max(alignment, Alignment(definition->Operand(member)));
        }
        return alignment;
      }
      case spv::OpTypeVector:
      case spv::OpTypeMatrix:
      case spv::OpTypeArray:
      case spv::OpTypeRuntimeArray:
        return Alignment(definition->Operand(1));
      default:
        return 4;
    }
  }

  // A tight matrix's vectors follow each other: the stride is one vector along its major order.
  void PlanMatrixStride(uint32_t type, uint32_t member, uint32_t memberType) {
    const SpirvInstruction* matrix = module_.Definition(memberType);
    while (matrix != nullptr &&
           (matrix->Opcode() == spv::OpTypeArray || matrix->Opcode() == spv::OpTypeRuntimeArray)) {
      matrix = module_.Definition(matrix->Operand(1));
    }
    if (matrix == nullptr || matrix->Opcode() != spv::OpTypeMatrix) return;
    const SpirvInstruction* column = module_.Definition(matrix->Operand(1));
    const uint32_t scalar = Plan(column->Operand(1));
    const bool rowMajor = module_.HasMemberDecoration(type, member, spv::DecorationRowMajor);
    matrixStrides_[{type, member}] = (rowMajor ? matrix->Operand(2) : column->Operand(2)) * scalar;
  }

  const SpirvEditor& module_;
  std::map<std::tuple<uint32_t, uint32_t>, uint32_t> offsets_;
  std::map<std::tuple<uint32_t, uint32_t>, uint32_t> matrixStrides_;
  std::map<uint32_t, uint32_t> strides_;
};

// The block types of structured and raw buffers: BufferBlock in the Uniform class (SPIR-V 1.3) or Block in
// StorageBuffer, holding one run-time array.
std::set<uint32_t> StorageBlocks(const SpirvEditor& module) {
  std::set<uint32_t> blocks;
  for (const SpirvInstruction& instruction : module.Instructions()) {
    if (instruction.Opcode() != spv::OpVariable) continue;
    const SpirvInstruction* pointer = module.Definition(instruction.Operand(0));
    if (pointer == nullptr || pointer->Opcode() != spv::OpTypePointer) continue;
    uint32_t pointee = pointer->Operand(2);
    while (module.Definition(pointee) != nullptr && (module.Definition(pointee)->Opcode() == spv::OpTypeArray ||
                                                     module.Definition(pointee)->Opcode() == spv::OpTypeRuntimeArray)) {
      pointee = module.Definition(pointee)->Operand(1);
    }
    const bool uniformBuffer = instruction.Operand(2) == spv::StorageClassUniform &&
                               module.Decoration(pointee, spv::DecorationBufferBlock).has_value();
    const bool storageBuffer = instruction.Operand(2) == spv::StorageClassStorageBuffer &&
                               module.Decoration(pointee, spv::DecorationBlock).has_value();
    if ((uniformBuffer || storageBuffer) && module.IsArrayBlock(pointee)) blocks.insert(pointee);
  }
  return blocks;
}

}  // namespace

void PackStructuredBuffers(SpirvEditor& module) {
  const std::set<uint32_t> blocks = StorageBlocks(module);
  if (blocks.empty()) return;
  TightPacker packer(module);
  for (uint32_t block : blocks) packer.Plan(block);
  packer.Apply(module.Instructions());
  module.Index();
}

}  // namespace d3dcompiler
