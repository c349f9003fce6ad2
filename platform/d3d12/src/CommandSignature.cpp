#include "CommandSignature.h"

#include "Device.h"
#include "Diagnostics.h"
#include "RootSignature.h"

namespace d3d12vk {
namespace {

UINT CommandBytesOf(IndirectKind kind) {
  switch (kind) {
    case IndirectKind::Draw:
      return sizeof(D3D12_DRAW_ARGUMENTS);
    case IndirectKind::DrawIndexed:
      return sizeof(D3D12_DRAW_INDEXED_ARGUMENTS);
    case IndirectKind::Dispatch:
      return sizeof(D3D12_DISPATCH_ARGUMENTS);
  }
  return 0;
}

const char* ArgumentName(D3D12_INDIRECT_ARGUMENT_TYPE type) {
  switch (type) {
    case D3D12_INDIRECT_ARGUMENT_TYPE_VERTEX_BUFFER_VIEW:
      return "vertex buffer views";
    case D3D12_INDIRECT_ARGUMENT_TYPE_INDEX_BUFFER_VIEW:
      return "index buffer views";
    case D3D12_INDIRECT_ARGUMENT_TYPE_CONSTANT_BUFFER_VIEW:
      return "root constant buffer views";
    case D3D12_INDIRECT_ARGUMENT_TYPE_SHADER_RESOURCE_VIEW:
      return "root shader resource views";
    case D3D12_INDIRECT_ARGUMENT_TYPE_UNORDERED_ACCESS_VIEW:
      return "root unordered access views";
    default:
      return "this argument type";
  }
}

}  // namespace

UINT CommandSignature::CommandBytes() const { return CommandBytesOf(kind_); }

CommandSignature::~CommandSignature() {
  if (root_ != nullptr) root_->Release();
}

HRESULT CommandSignature::Create(Device& device, const char* call, const D3D12_COMMAND_SIGNATURE_DESC& desc,
                                 ID3D12RootSignature* rootSignature, CommandSignature** signature) {
  if (desc.NumArgumentDescs == 0 || desc.pArgumentDescs == nullptr) {
    return Fail(call, E_INVALIDARG, "a command signature has at least one argument");
  }
  auto* root = static_cast<RootSignature*>(rootSignature);
  UINT offset = 0;
  std::vector<IndirectConstants> constants;
  for (UINT i = 0; i < desc.NumArgumentDescs; ++i) {
    const D3D12_INDIRECT_ARGUMENT_DESC& argument = desc.pArgumentDescs[i];
    const bool last = i + 1 == desc.NumArgumentDescs;
    IndirectKind kind = IndirectKind::Draw;
    switch (argument.Type) {
      case D3D12_INDIRECT_ARGUMENT_TYPE_DRAW:
        kind = IndirectKind::Draw;
        break;
      case D3D12_INDIRECT_ARGUMENT_TYPE_DRAW_INDEXED:
        kind = IndirectKind::DrawIndexed;
        break;
      case D3D12_INDIRECT_ARGUMENT_TYPE_DISPATCH:
        kind = IndirectKind::Dispatch;
        break;
      case D3D12_INDIRECT_ARGUMENT_TYPE_CONSTANT: {
        const auto& value = argument.Constant;
        if (root == nullptr) return Fail(call, E_INVALIDARG, "root constants need the root signature");
        if (value.RootParameterIndex >= root->Parameters().size() ||
            root->Parameters()[value.RootParameterIndex].type != D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS ||
            value.Num32BitValuesToSet == 0 ||
            value.DestOffsetIn32BitValues + value.Num32BitValuesToSet >
                root->Parameters()[value.RootParameterIndex].constantCount) {
          return Fail(call, E_INVALIDARG, "argument %u sets constants outside root constant parameter %u", i,
                      value.RootParameterIndex);
        }
        constants.push_back({value.RootParameterIndex, value.DestOffsetIn32BitValues, value.Num32BitValuesToSet,
                             offset});
        offset += value.Num32BitValuesToSet * 4;
        continue;
      }
      case D3D12_INDIRECT_ARGUMENT_TYPE_VERTEX_BUFFER_VIEW:
      case D3D12_INDIRECT_ARGUMENT_TYPE_INDEX_BUFFER_VIEW:
      case D3D12_INDIRECT_ARGUMENT_TYPE_CONSTANT_BUFFER_VIEW:
      case D3D12_INDIRECT_ARGUMENT_TYPE_SHADER_RESOURCE_VIEW:
      case D3D12_INDIRECT_ARGUMENT_TYPE_UNORDERED_ACCESS_VIEW:
        // GPU addresses name buffers the draw binds on the CPU; a GPU-side split cannot choose them.
        return Fail(call, E_NOTIMPL, "%s that change per command are not implemented",
                    ArgumentName(argument.Type));
      default:
        return Fail(call, E_INVALIDARG, "argument %u has unknown type %d", i, argument.Type);
    }
    if (!last) return Fail(call, E_INVALIDARG, "the draw or dispatch must be the last argument");
    const UINT end = offset + CommandBytesOf(kind);
    if (desc.ByteStride < end || desc.ByteStride % 4 != 0) {
      return Fail(call, E_INVALIDARG, "ByteStride %u is not a multiple of 4 holding the %u bytes of a command",
                  desc.ByteStride, end);
    }
    if (!constants.empty() && kind == IndirectKind::Dispatch && root == nullptr) {
      return Fail(call, E_INVALIDARG, "root constants need the root signature");
    }
    CommandSignature* created = new CommandSignature(device);
    created->stride_ = desc.ByteStride;
    created->kind_ = kind;
    created->commandOffset_ = offset;
    created->constants_ = std::move(constants);
    if (root != nullptr) {
      created->root_ = root;
      root->AddRef();
    }
    *signature = created;
    return S_OK;
  }
  return Fail(call, E_INVALIDARG, "a command signature ends with a draw, indexed draw or dispatch");
}

}  // namespace d3d12vk
