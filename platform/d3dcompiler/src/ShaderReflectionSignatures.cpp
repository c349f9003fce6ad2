#include "ShaderReflectionSignatures.h"

#include <array>
#include <cctype>
#include <utility>

namespace d3dcompiler {

namespace {

constexpr std::array<std::pair<std::string_view, D3D_NAME>, 11> SystemValues{{
    {"SV_POSITION", D3D_NAME_POSITION},
    {"SV_CLIPDISTANCE", D3D_NAME_CLIP_DISTANCE},
    {"SV_CULLDISTANCE", D3D_NAME_CULL_DISTANCE},
    {"SV_RENDERTARGETARRAYINDEX", D3D_NAME_RENDER_TARGET_ARRAY_INDEX},
    {"SV_VIEWPORTARRAYINDEX", D3D_NAME_VIEWPORT_ARRAY_INDEX},
    {"SV_VERTEXID", D3D_NAME_VERTEX_ID},
    {"SV_PRIMITIVEID", D3D_NAME_PRIMITIVE_ID},
    {"SV_INSTANCEID", D3D_NAME_INSTANCE_ID},
    {"SV_ISFRONTFACE", D3D_NAME_IS_FRONT_FACE},
    {"SV_SAMPLEINDEX", D3D_NAME_SAMPLE_INDEX},
    {"SV_DEPTH", D3D_NAME_DEPTH},
}};

D3D_NAME SystemValueOf(const std::string& name) {
  if (name == "SV_TARGET") return D3D_NAME_TARGET;
  for (const auto& [semantic, value] : SystemValues) {
    if (name == semantic) return value;
  }
  return D3D_NAME_UNDEFINED;
}

// Component type and count of an interface variable's type (through one array level).
void DescribeValue(const SpirvEditor& module, uint32_t variable, D3D12_SIGNATURE_PARAMETER_DESC* desc) {
  const SpirvInstruction* pointer = module.Definition(module.TypeOf(variable));
  const SpirvInstruction* type = pointer != nullptr ? module.Definition(pointer->Operand(2)) : nullptr;
  if (type != nullptr && type->Opcode() == spv::OpTypeArray) type = module.Definition(type->Operand(1));
  uint32_t components = 1;
  if (type != nullptr && type->Opcode() == spv::OpTypeVector) {
    components = type->Operand(2);
    type = module.Definition(type->Operand(1));
  }
  desc->ComponentType = D3D_REGISTER_COMPONENT_FLOAT32;
  if (type != nullptr && type->Opcode() == spv::OpTypeInt) {
    desc->ComponentType = type->Operand(2) != 0 ? D3D_REGISTER_COMPONENT_SINT32 : D3D_REGISTER_COMPONENT_UINT32;
  } else if (type != nullptr && type->Opcode() == spv::OpTypeBool) {
    desc->ComponentType = D3D_REGISTER_COMPONENT_UINT32;
  }
  desc->Mask = static_cast<BYTE>((1u << components) - 1);
}

}  // namespace

std::vector<SignatureParameter> ReadSignature(const SpirvEditor& module, spv::StorageClass storageClass) {
  std::vector<SignatureParameter> parameters;
  for (const SpirvInstruction& entry : module.Instructions()) {
    if (entry.Opcode() != spv::OpEntryPoint) continue;
    if (entry.Operand(0) == spv::ExecutionModelGLCompute) return parameters;
    const size_t firstInterface = 2 + (entry.StringOperand(2).size() + 4) / 4;
    for (size_t i = firstInterface; i < entry.OperandCount(); ++i) {
      const uint32_t id = entry.Operand(i);
      const SpirvInstruction* variable = module.Definition(id);
      const std::string semantic = module.SemanticOf(id);
      if (variable == nullptr || variable->Operand(2) != static_cast<uint32_t>(storageClass) || semantic.empty()) {
        continue;
      }
      SignatureParameter parameter;
      size_t digits = semantic.size();
      while (digits > 0 && std::isdigit(static_cast<unsigned char>(semantic[digits - 1]))) --digits;
      parameter.SemanticName = semantic.substr(0, digits);
      parameter.Desc.SemanticIndex = digits < semantic.size() ? std::stoul(semantic.substr(digits)) : 0;
      parameter.Desc.SystemValueType = SystemValueOf(parameter.SemanticName);
      parameter.Desc.Register = module.Decoration(id, spv::DecorationLocation).value_or(~0u);
      if (parameter.Desc.SystemValueType == D3D_NAME_TARGET) parameter.Desc.Register = parameter.Desc.SemanticIndex;
      DescribeValue(module, id, &parameter.Desc);
      parameter.Desc.ReadWriteMask = storageClass == spv::StorageClassInput ? parameter.Desc.Mask : 0;
      parameters.push_back(std::move(parameter));
    }
    break;
  }
  return parameters;
}

}  // namespace d3dcompiler
