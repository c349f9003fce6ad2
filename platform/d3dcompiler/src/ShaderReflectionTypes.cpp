#include "ShaderReflectionTypes.h"

#include "ConstantBufferLayout.h"

#include <algorithm>
#include <cstring>

namespace d3dcompiler {

namespace {

D3D_SHADER_VARIABLE_TYPE ScalarType(const SpirvInstruction& scalar) {
  switch (scalar.Opcode()) {
    case spv::OpTypeBool:
      return D3D_SVT_BOOL;
    case spv::OpTypeFloat:
      return scalar.Operand(1) == 64 ? D3D_SVT_DOUBLE : D3D_SVT_FLOAT;
    case spv::OpTypeInt:
      return scalar.Operand(2) != 0 ? D3D_SVT_INT : D3D_SVT_UINT;
    default:
      return D3D_SVT_VOID;
  }
}

std::string ScalarName(D3D_SHADER_VARIABLE_TYPE type) {
  switch (type) {
    case D3D_SVT_BOOL:
      return "bool";
    case D3D_SVT_INT:
      return "int";
    case D3D_SVT_UINT:
      return "uint";
    case D3D_SVT_DOUBLE:
      return "double";
    default:
      return "float";
  }
}

}  // namespace

ReflectedType::ReflectedType(const SpirvEditor& module, uint32_t type, bool rowMajorInSpirv, UINT offset)
    : valid_(true) {
  desc_.Offset = offset;
  const SpirvInstruction* definition = module.Definition(type);
  while (definition != nullptr && definition->Opcode() == spv::OpTypeArray) {
    const UINT length = module.ConstantValue(definition->Operand(2)).value_or(1);
    desc_.Elements = desc_.Elements == 0 ? length : desc_.Elements * length;
    type = definition->Operand(1);
    definition = module.Definition(type);
  }
  if (definition == nullptr) return;
  if (definition->Opcode() == spv::OpTypeStruct) {
    desc_.Class = D3D_SVC_STRUCT;
    desc_.Type = D3D_SVT_VOID;
    desc_.Rows = 1;
    desc_.Members = static_cast<UINT>(definition->OperandCount() - 1);
    name_ = module.NameOf(type);
    for (UINT member = 0; member < desc_.Members; ++member) {
      memberNames_.push_back(module.MemberNameOf(type, member));
      members_.push_back(std::make_unique<ReflectedType>(
          module, definition->Operand(member + 1), module.HasMemberDecoration(type, member, spv::DecorationRowMajor),
          module.MemberOffset(type, member)));
    }
    UINT columns = 0;
    for (const auto& member : members_) columns += member->desc_.Columns * member->desc_.Rows;
    desc_.Columns = columns;
  } else if (definition->Opcode() == spv::OpTypeMatrix) {
    // SPIR-V's columns are HLSL's rows, and its RowMajor is HLSL's column_major.
    const SpirvInstruction* column = module.Definition(definition->Operand(1));
    desc_.Class = rowMajorInSpirv ? D3D_SVC_MATRIX_COLUMNS : D3D_SVC_MATRIX_ROWS;
    desc_.Type = ScalarType(*module.Definition(column->Operand(1)));
    desc_.Rows = definition->Operand(2);
    desc_.Columns = column->Operand(2);
    name_ = ScalarName(desc_.Type) + std::to_string(desc_.Rows) + "x" + std::to_string(desc_.Columns);
  } else if (definition->Opcode() == spv::OpTypeVector) {
    desc_.Class = D3D_SVC_VECTOR;
    desc_.Type = ScalarType(*module.Definition(definition->Operand(1)));
    desc_.Rows = 1;
    desc_.Columns = definition->Operand(2);
    name_ = ScalarName(desc_.Type) + std::to_string(desc_.Columns);
  } else {
    desc_.Class = D3D_SVC_SCALAR;
    desc_.Type = ScalarType(*definition);
    desc_.Rows = 1;
    desc_.Columns = 1;
    name_ = ScalarName(desc_.Type);
  }
  desc_.Name = name_.empty() ? nullptr : name_.c_str();
}

HRESULT ReflectedType::GetDesc(D3D12_SHADER_TYPE_DESC* desc) {
  if (!valid_ || desc == nullptr) return E_FAIL;
  *desc = desc_;
  return S_OK;
}

ID3D12ShaderReflectionType* ReflectedType::GetMemberTypeByIndex(UINT index) {
  return index < members_.size() ? members_[index].get() : nullptr;
}

ID3D12ShaderReflectionType* ReflectedType::GetMemberTypeByName(LPCSTR name) {
  for (size_t i = 0; name != nullptr && i < memberNames_.size(); ++i) {
    if (memberNames_[i] == name) return members_[i].get();
  }
  return nullptr;
}

LPCSTR ReflectedType::GetMemberTypeName(UINT index) {
  return index < memberNames_.size() ? memberNames_[index].c_str() : nullptr;
}

HRESULT ReflectedType::IsEqual(ID3D12ShaderReflectionType* type) {
  D3D12_SHADER_TYPE_DESC other{};
  if (!valid_ || type == nullptr || FAILED(type->GetDesc(&other))) return S_FALSE;
  const bool sameName = (desc_.Name == nullptr) == (other.Name == nullptr) &&
                        (desc_.Name == nullptr || std::strcmp(desc_.Name, other.Name) == 0);
  return sameName && other.Class == desc_.Class && other.Type == desc_.Type && other.Rows == desc_.Rows &&
                 other.Columns == desc_.Columns && other.Elements == desc_.Elements && other.Members == desc_.Members
             ? S_OK
             : S_FALSE;
}

ReflectedVariable::ReflectedVariable(const SpirvEditor& module, uint32_t block, uint32_t member, UINT offset,
                                     ReflectedBuffer* buffer)
    : valid_(true), name_(module.MemberNameOf(block, member)), buffer_(buffer) {
  const uint32_t type = module.Definition(block)->Operand(member + 1);
  const bool rowMajor = module.HasMemberDecoration(block, member, spv::DecorationRowMajor);
  type_ = std::make_unique<ReflectedType>(module, type, rowMajor, 0);
  desc_.Name = name_.c_str();
  desc_.StartOffset = offset;
  desc_.Size = PackedSize(module, type, rowMajor);
  desc_.uFlags = D3D_SVF_USED;
  desc_.StartTexture = ~0u;
  desc_.StartSampler = ~0u;
}

HRESULT ReflectedVariable::GetDesc(D3D12_SHADER_VARIABLE_DESC* desc) {
  if (!valid_ || desc == nullptr) return E_FAIL;
  *desc = desc_;
  return S_OK;
}

ID3D12ShaderReflectionConstantBuffer* ReflectedVariable::GetBuffer() {
  return buffer_ != nullptr ? buffer_ : InvalidBuffer();
}

ReflectedBuffer::ReflectedBuffer(const SpirvEditor& module, uint32_t block, std::string name)
    : valid_(true), name_(std::move(name)) {
  const SpirvInstruction* definition = module.Definition(block);
  const UINT count = static_cast<UINT>(definition->OperandCount() - 1);
  UINT end = 0;
  for (UINT member = 0; member < count; ++member) {
    variables_.push_back(
        std::make_unique<ReflectedVariable>(module, block, member, module.MemberOffset(block, member), this));
    D3D12_SHADER_VARIABLE_DESC variable{};
    variables_.back()->GetDesc(&variable);
    end = std::max(end, variable.StartOffset + variable.Size);
  }
  desc_.Name = name_.c_str();
  desc_.Type = D3D_CT_CBUFFER;
  desc_.Variables = count;
  desc_.Size = (end + RegisterBytes - 1) / RegisterBytes * RegisterBytes;  // bound in whole registers
}

HRESULT ReflectedBuffer::GetDesc(D3D12_SHADER_BUFFER_DESC* desc) {
  if (!valid_ || desc == nullptr) return E_FAIL;
  *desc = desc_;
  return S_OK;
}

ID3D12ShaderReflectionVariable* ReflectedBuffer::GetVariableByIndex(UINT index) {
  return index < variables_.size() ? variables_[index].get() : InvalidVariable();
}

ReflectedVariable* ReflectedBuffer::Find(const char* name) {
  for (const auto& variable : variables_) {
    if (name != nullptr && variable->Name() == name) return variable.get();
  }
  return nullptr;
}

ID3D12ShaderReflectionVariable* ReflectedBuffer::GetVariableByName(LPCSTR name) {
  ReflectedVariable* found = Find(name);
  return found != nullptr ? found : InvalidVariable();
}

ReflectedVariable* InvalidVariable() {
  static ReflectedVariable invalid;
  return &invalid;
}

ReflectedBuffer* InvalidBuffer() {
  static ReflectedBuffer invalid;
  return &invalid;
}

}  // namespace d3dcompiler
