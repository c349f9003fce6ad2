#include "ShaderReflection.h"

#include "SpirvOptimizer.h"
#include "platform_common/Diagnostics.h"

#include <cstring>

namespace d3dcompiler {

namespace {

constexpr const char* Creator = "d3dWin HLSL compiler (SPIR-V)";

// The binding scheme of HlslCompiler.cpp: each register class starts at its own base.
constexpr uint32_t RegistersPerClass = 1024;
enum RegisterClass : uint32_t { ConstantBuffers = 0, Textures = 1, UnorderedAccess = 2, Samplers = 3 };

D3D12_SHADER_VERSION_TYPE StageOf(uint32_t executionModel) {
  switch (executionModel) {
    case spv::ExecutionModelVertex:
      return D3D12_SHVER_VERTEX_SHADER;
    case spv::ExecutionModelTessellationControl:
      return D3D12_SHVER_HULL_SHADER;
    case spv::ExecutionModelTessellationEvaluation:
      return D3D12_SHVER_DOMAIN_SHADER;
    case spv::ExecutionModelGeometry:
      return D3D12_SHVER_GEOMETRY_SHADER;
    case spv::ExecutionModelGLCompute:
      return D3D12_SHVER_COMPUTE_SHADER;
    default:
      return D3D12_SHVER_PIXEL_SHADER;
  }
}

// The type a variable points to, through arrays, and how many array elements it binds.
uint32_t BoundType(const SpirvEditor& module, const SpirvInstruction& variable, UINT* count) {
  const SpirvInstruction* pointer = module.Definition(variable.Operand(0));
  uint32_t type = pointer != nullptr ? pointer->Operand(2) : 0;
  *count = 1;
  for (const SpirvInstruction* definition = module.Definition(type);
       definition != nullptr &&
       (definition->Opcode() == spv::OpTypeArray || definition->Opcode() == spv::OpTypeRuntimeArray);
       definition = module.Definition(type)) {
    *count = definition->Opcode() == spv::OpTypeArray ? module.ConstantValue(definition->Operand(2)).value_or(1) : 0;
    type = definition->Operand(1);
  }
  return type;
}

D3D_SRV_DIMENSION DimensionOf(const SpirvInstruction& image) {
  const bool arrayed = image.Operand(4) != 0;
  const bool multisampled = image.Operand(5) != 0;
  switch (image.Operand(2)) {
    case spv::Dim1D:
      return arrayed ? D3D_SRV_DIMENSION_TEXTURE1DARRAY : D3D_SRV_DIMENSION_TEXTURE1D;
    case spv::Dim2D:
      if (multisampled) return arrayed ? D3D_SRV_DIMENSION_TEXTURE2DMSARRAY : D3D_SRV_DIMENSION_TEXTURE2DMS;
      return arrayed ? D3D_SRV_DIMENSION_TEXTURE2DARRAY : D3D_SRV_DIMENSION_TEXTURE2D;
    case spv::Dim3D:
      return D3D_SRV_DIMENSION_TEXTURE3D;
    case spv::DimCube:
      return arrayed ? D3D_SRV_DIMENSION_TEXTURECUBEARRAY : D3D_SRV_DIMENSION_TEXTURECUBE;
    default:
      return D3D_SRV_DIMENSION_BUFFER;
  }
}

void DescribeKind(const SpirvEditor& module, uint32_t type, uint32_t registerClass, D3D12_SHADER_INPUT_BIND_DESC* desc) {
  const SpirvInstruction* definition = module.Definition(type);
  const bool image = definition != nullptr && definition->Opcode() == spv::OpTypeImage;
  desc->Dimension = image ? DimensionOf(*definition) : D3D_SRV_DIMENSION_BUFFER;
  if (image) desc->ReturnType = D3D_RETURN_TYPE_FLOAT;
  desc->NumSamples = image && definition->Operand(5) != 0 ? ~0u : 0;
  switch (registerClass) {
    case ConstantBuffers:
      desc->Type = D3D_SIT_CBUFFER;
      desc->Dimension = D3D_SRV_DIMENSION_UNKNOWN;
      break;
    case Textures:
      desc->Type = image ? D3D_SIT_TEXTURE : D3D_SIT_STRUCTURED;
      break;
    case UnorderedAccess:
      desc->Type = image ? D3D_SIT_UAV_RWTYPED : D3D_SIT_UAV_RWSTRUCTURED;
      break;
    default:
      desc->Type = D3D_SIT_SAMPLER;
      desc->Dimension = D3D_SRV_DIMENSION_UNKNOWN;
      break;
  }
}

}  // namespace

bool ShaderReflection::Read(const std::vector<uint32_t>& words) {
  // The reader trusts the module's structure, so anything the validator refuses is not read at all.
  if (!ValidationProblems(words).empty()) return false;
  SpirvEditor module;
  if (!module.Load(words)) return false;
  desc_.Creator = Creator;
  for (const SpirvInstruction& instruction : module.Instructions()) {
    if (instruction.Opcode() == spv::OpEntryPoint) {
      desc_.Version = static_cast<UINT>(StageOf(instruction.Operand(0))) << 16 | 5 << 4;  // shader model 5.0
    } else if (instruction.Opcode() == spv::OpExecutionMode && instruction.Operand(1) == spv::ExecutionModeLocalSize) {
      for (int axis = 0; axis < 3; ++axis) threadGroup_[axis] = instruction.Operand(2 + axis);
    }
  }
  ReadResources(module);
  inputs_ = ReadSignature(module, spv::StorageClassInput);
  outputs_ = ReadSignature(module, spv::StorageClassOutput);
  desc_.InputParameters = static_cast<UINT>(inputs_.size());
  desc_.OutputParameters = static_cast<UINT>(outputs_.size());
  desc_.ConstantBuffers = static_cast<UINT>(buffers_.size());
  desc_.BoundResources = static_cast<UINT>(resources_.size());
  for (BoundResource& resource : resources_) resource.Desc.Name = resource.Name.c_str();
  for (auto* signature : {&inputs_, &outputs_}) {
    for (SignatureParameter& parameter : *signature) parameter.Desc.SemanticName = parameter.SemanticName.c_str();
  }
  return true;
}

void ShaderReflection::ReadResources(const SpirvEditor& module) {
  for (const SpirvInstruction& instruction : module.Instructions()) {
    if (instruction.Opcode() != spv::OpVariable) continue;
    const uint32_t variable = instruction.Operand(1);
    const std::optional<uint32_t> binding = module.Decoration(variable, spv::DecorationBinding);
    if (!binding) continue;
    BoundResource resource;
    UINT count = 1;
    const uint32_t type = BoundType(module, instruction, &count);
    const uint32_t registerClass = *binding / RegistersPerClass;
    resource.Name = module.NameOf(variable);
    if (registerClass == ConstantBuffers && module.Decoration(type, spv::DecorationBlock)) {
      // A cbuffer's variable is unnamed; it goes by its block's name ($Global for the globals).
      if (resource.Name.empty()) resource.Name = module.NameOf(type);
      buffers_.push_back(std::make_unique<ReflectedBuffer>(module, type, resource.Name));
    }
    resource.Desc.BindPoint = *binding % RegistersPerClass;
    resource.Desc.BindCount = count;
    resource.Desc.Space = module.Decoration(variable, spv::DecorationDescriptorSet).value_or(0);
    resource.Desc.uID = static_cast<UINT>(resources_.size());
    DescribeKind(module, type, registerClass, &resource.Desc);
    resources_.push_back(std::move(resource));
  }
}

HRESULT ShaderReflection::GetDesc(D3D12_SHADER_DESC* desc) {
  if (desc == nullptr) return E_INVALIDARG;
  *desc = desc_;
  return S_OK;
}

ID3D12ShaderReflectionConstantBuffer* ShaderReflection::GetConstantBufferByIndex(UINT index) {
  return index < buffers_.size() ? buffers_[index].get() : InvalidBuffer();
}

ID3D12ShaderReflectionConstantBuffer* ShaderReflection::GetConstantBufferByName(LPCSTR name) {
  for (const auto& buffer : buffers_) {
    if (name != nullptr && buffer->Name() == name) return buffer.get();
  }
  return InvalidBuffer();
}

HRESULT ShaderReflection::GetResourceBindingDesc(UINT index, D3D12_SHADER_INPUT_BIND_DESC* desc) {
  if (desc == nullptr || index >= resources_.size()) return E_INVALIDARG;
  *desc = resources_[index].Desc;
  return S_OK;
}

HRESULT ShaderReflection::GetResourceBindingDescByName(LPCSTR name, D3D12_SHADER_INPUT_BIND_DESC* desc) {
  for (const BoundResource& resource : resources_) {
    if (name != nullptr && desc != nullptr && resource.Name == name) {
      *desc = resource.Desc;
      return S_OK;
    }
  }
  return E_INVALIDARG;
}

HRESULT ShaderReflection::GetInputParameterDesc(UINT index, D3D12_SIGNATURE_PARAMETER_DESC* desc) {
  if (desc == nullptr || index >= inputs_.size()) return E_INVALIDARG;
  *desc = inputs_[index].Desc;
  return S_OK;
}

HRESULT ShaderReflection::GetOutputParameterDesc(UINT index, D3D12_SIGNATURE_PARAMETER_DESC* desc) {
  if (desc == nullptr || index >= outputs_.size()) return E_INVALIDARG;
  *desc = outputs_[index].Desc;
  return S_OK;
}

// Hull shaders' patch constants are not reflected: the count is zero, so every index is out of range.
HRESULT ShaderReflection::GetPatchConstantParameterDesc(UINT, D3D12_SIGNATURE_PARAMETER_DESC*) {
  return E_INVALIDARG;
}

ID3D12ShaderReflectionVariable* ShaderReflection::GetVariableByName(LPCSTR name) {
  for (const auto& buffer : buffers_) {
    if (ReflectedVariable* found = buffer->Find(name)) return found;
  }
  return InvalidVariable();
}

HRESULT ShaderReflection::GetMinFeatureLevel(D3D_FEATURE_LEVEL* level) {
  if (level == nullptr) return E_INVALIDARG;
  *level = D3D_FEATURE_LEVEL_11_0;
  return S_OK;
}

UINT ShaderReflection::GetThreadGroupSize(UINT* x, UINT* y, UINT* z) {
  if (x != nullptr) *x = threadGroup_[0];
  if (y != nullptr) *y = threadGroup_[1];
  if (z != nullptr) *z = threadGroup_[2];
  return threadGroup_[0] * threadGroup_[1] * threadGroup_[2];
}

}  // namespace d3dcompiler

using namespace d3dcompiler;

EXTERN_C HRESULT WINAPI D3DReflect(LPCVOID pSrcData, SIZE_T SrcDataSize, REFIID pInterface, void** ppReflector) {
  constexpr const char* call = "D3DReflect";
  if (ppReflector == nullptr) return platform::Fail(call, E_INVALIDARG, "ppReflector is null");
  *ppReflector = nullptr;
  if (pSrcData == nullptr || SrcDataSize < 20 || SrcDataSize % 4 != 0) {
    return platform::Fail(call, E_INVALIDARG, "pSrcData is not compiled shader code (%zu bytes)",
                          static_cast<size_t>(SrcDataSize));
  }
  std::vector<uint32_t> words(SrcDataSize / 4);
  std::memcpy(words.data(), pSrcData, SrcDataSize);
  auto* reflection = new (std::nothrow) ShaderReflection();
  if (reflection == nullptr) return E_OUTOFMEMORY;
  if (!reflection->Read(words)) {
    reflection->Release();
    return platform::Fail(call, E_INVALIDARG, "pSrcData is not compiled shader code");
  }
  return platform::HandOut(reflection, pInterface, ppReflector);
}
