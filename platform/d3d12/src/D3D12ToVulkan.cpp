#include "D3D12ToVulkan.h"

#include "VulkanStructs.h"

#include <algorithm>
#include <iterator>

namespace d3d12vk {

bool ToCompareOp(D3D12_COMPARISON_FUNC function, VkCompareOp* op) {
  switch (function) {
    case D3D12_COMPARISON_FUNC_NEVER:
      *op = VK_COMPARE_OP_NEVER;
      return true;
    case D3D12_COMPARISON_FUNC_LESS:
      *op = VK_COMPARE_OP_LESS;
      return true;
    case D3D12_COMPARISON_FUNC_EQUAL:
      *op = VK_COMPARE_OP_EQUAL;
      return true;
    case D3D12_COMPARISON_FUNC_LESS_EQUAL:
      *op = VK_COMPARE_OP_LESS_OR_EQUAL;
      return true;
    case D3D12_COMPARISON_FUNC_GREATER:
      *op = VK_COMPARE_OP_GREATER;
      return true;
    case D3D12_COMPARISON_FUNC_NOT_EQUAL:
      *op = VK_COMPARE_OP_NOT_EQUAL;
      return true;
    case D3D12_COMPARISON_FUNC_GREATER_EQUAL:
      *op = VK_COMPARE_OP_GREATER_OR_EQUAL;
      return true;
    case D3D12_COMPARISON_FUNC_ALWAYS:
      *op = VK_COMPARE_OP_ALWAYS;
      return true;
    default:
      return false;
  }
}

bool ToBlendFactor(D3D12_BLEND blend, VkBlendFactor* factor) {
  switch (blend) {
    case D3D12_BLEND_ZERO:
      *factor = VK_BLEND_FACTOR_ZERO;
      return true;
    case D3D12_BLEND_ONE:
      *factor = VK_BLEND_FACTOR_ONE;
      return true;
    case D3D12_BLEND_SRC_COLOR:
      *factor = VK_BLEND_FACTOR_SRC_COLOR;
      return true;
    case D3D12_BLEND_INV_SRC_COLOR:
      *factor = VK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR;
      return true;
    case D3D12_BLEND_SRC_ALPHA:
      *factor = VK_BLEND_FACTOR_SRC_ALPHA;
      return true;
    case D3D12_BLEND_INV_SRC_ALPHA:
      *factor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
      return true;
    case D3D12_BLEND_DEST_ALPHA:
      *factor = VK_BLEND_FACTOR_DST_ALPHA;
      return true;
    case D3D12_BLEND_INV_DEST_ALPHA:
      *factor = VK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA;
      return true;
    case D3D12_BLEND_DEST_COLOR:
      *factor = VK_BLEND_FACTOR_DST_COLOR;
      return true;
    case D3D12_BLEND_INV_DEST_COLOR:
      *factor = VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR;
      return true;
    case D3D12_BLEND_SRC_ALPHA_SAT:
      *factor = VK_BLEND_FACTOR_SRC_ALPHA_SATURATE;
      return true;
    case D3D12_BLEND_BLEND_FACTOR:
      *factor = VK_BLEND_FACTOR_CONSTANT_COLOR;
      return true;
    case D3D12_BLEND_INV_BLEND_FACTOR:
      *factor = VK_BLEND_FACTOR_ONE_MINUS_CONSTANT_COLOR;
      return true;
    case D3D12_BLEND_SRC1_COLOR:
      *factor = VK_BLEND_FACTOR_SRC1_COLOR;
      return true;
    case D3D12_BLEND_INV_SRC1_COLOR:
      *factor = VK_BLEND_FACTOR_ONE_MINUS_SRC1_COLOR;
      return true;
    case D3D12_BLEND_SRC1_ALPHA:
      *factor = VK_BLEND_FACTOR_SRC1_ALPHA;
      return true;
    case D3D12_BLEND_INV_SRC1_ALPHA:
      *factor = VK_BLEND_FACTOR_ONE_MINUS_SRC1_ALPHA;
      return true;
    default:
      return false;
  }
}

bool ToBlendOp(D3D12_BLEND_OP operation, VkBlendOp* op) {
  switch (operation) {
    case D3D12_BLEND_OP_ADD:
      *op = VK_BLEND_OP_ADD;
      return true;
    case D3D12_BLEND_OP_SUBTRACT:
      *op = VK_BLEND_OP_SUBTRACT;
      return true;
    case D3D12_BLEND_OP_REV_SUBTRACT:
      *op = VK_BLEND_OP_REVERSE_SUBTRACT;
      return true;
    case D3D12_BLEND_OP_MIN:
      *op = VK_BLEND_OP_MIN;
      return true;
    case D3D12_BLEND_OP_MAX:
      *op = VK_BLEND_OP_MAX;
      return true;
    default:
      return false;
  }
}

bool ToStencilOp(D3D12_STENCIL_OP operation, VkStencilOp* op) {
  switch (operation) {
    case D3D12_STENCIL_OP_KEEP:
      *op = VK_STENCIL_OP_KEEP;
      return true;
    case D3D12_STENCIL_OP_ZERO:
      *op = VK_STENCIL_OP_ZERO;
      return true;
    case D3D12_STENCIL_OP_REPLACE:
      *op = VK_STENCIL_OP_REPLACE;
      return true;
    case D3D12_STENCIL_OP_INCR_SAT:
      *op = VK_STENCIL_OP_INCREMENT_AND_CLAMP;
      return true;
    case D3D12_STENCIL_OP_DECR_SAT:
      *op = VK_STENCIL_OP_DECREMENT_AND_CLAMP;
      return true;
    case D3D12_STENCIL_OP_INVERT:
      *op = VK_STENCIL_OP_INVERT;
      return true;
    case D3D12_STENCIL_OP_INCR:
      *op = VK_STENCIL_OP_INCREMENT_AND_WRAP;
      return true;
    case D3D12_STENCIL_OP_DECR:
      *op = VK_STENCIL_OP_DECREMENT_AND_WRAP;
      return true;
    default:
      return false;
  }
}

bool ToLogicOp(D3D12_LOGIC_OP operation, VkLogicOp* op) {
  static constexpr VkLogicOp kOps[] = {
      VK_LOGIC_OP_CLEAR,       VK_LOGIC_OP_SET,          VK_LOGIC_OP_COPY,       VK_LOGIC_OP_COPY_INVERTED,
      VK_LOGIC_OP_NO_OP,       VK_LOGIC_OP_INVERT,       VK_LOGIC_OP_AND,        VK_LOGIC_OP_NAND,
      VK_LOGIC_OP_OR,          VK_LOGIC_OP_NOR,          VK_LOGIC_OP_XOR,        VK_LOGIC_OP_EQUIVALENT,
      VK_LOGIC_OP_AND_REVERSE, VK_LOGIC_OP_AND_INVERTED, VK_LOGIC_OP_OR_REVERSE, VK_LOGIC_OP_OR_INVERTED};
  if (UINT(operation) >= std::size(kOps)) return false;
  *op = kOps[operation];
  return true;
}

bool ToAddressMode(D3D12_TEXTURE_ADDRESS_MODE mode, VkSamplerAddressMode* address) {
  switch (mode) {
    case D3D12_TEXTURE_ADDRESS_MODE_WRAP:
      *address = VK_SAMPLER_ADDRESS_MODE_REPEAT;
      return true;
    case D3D12_TEXTURE_ADDRESS_MODE_MIRROR:
      *address = VK_SAMPLER_ADDRESS_MODE_MIRRORED_REPEAT;
      return true;
    case D3D12_TEXTURE_ADDRESS_MODE_CLAMP:
      *address = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_EDGE;
      return true;
    case D3D12_TEXTURE_ADDRESS_MODE_BORDER:
      *address = VK_SAMPLER_ADDRESS_MODE_CLAMP_TO_BORDER;
      return true;
    case D3D12_TEXTURE_ADDRESS_MODE_MIRROR_ONCE:
      *address = VK_SAMPLER_ADDRESS_MODE_MIRROR_CLAMP_TO_EDGE;
      return true;
    default:
      return false;
  }
}

bool ToPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY topology, VkPrimitiveTopology* vkTopology) {
  switch (topology) {
    case D3D_PRIMITIVE_TOPOLOGY_POINTLIST:
      *vkTopology = VK_PRIMITIVE_TOPOLOGY_POINT_LIST;
      return true;
    case D3D_PRIMITIVE_TOPOLOGY_LINELIST:
      *vkTopology = VK_PRIMITIVE_TOPOLOGY_LINE_LIST;
      return true;
    case D3D_PRIMITIVE_TOPOLOGY_LINESTRIP:
      *vkTopology = VK_PRIMITIVE_TOPOLOGY_LINE_STRIP;
      return true;
    case D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST:
      *vkTopology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
      return true;
    case D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP:
      *vkTopology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP;
      return true;
    default:
      return false;
  }
}

bool TopologyMatchesType(D3D_PRIMITIVE_TOPOLOGY topology, D3D12_PRIMITIVE_TOPOLOGY_TYPE type) {
  switch (topology) {
    case D3D_PRIMITIVE_TOPOLOGY_POINTLIST:
      return type == D3D12_PRIMITIVE_TOPOLOGY_TYPE_POINT;
    case D3D_PRIMITIVE_TOPOLOGY_LINELIST:
    case D3D_PRIMITIVE_TOPOLOGY_LINESTRIP:
      return type == D3D12_PRIMITIVE_TOPOLOGY_TYPE_LINE;
    case D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST:
    case D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP:
      return type == D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
    default:
      return false;
  }
}

VkShaderStageFlags ToShaderStages(D3D12_SHADER_VISIBILITY visibility) {
  switch (visibility) {
    case D3D12_SHADER_VISIBILITY_VERTEX:
      return VK_SHADER_STAGE_VERTEX_BIT;
    case D3D12_SHADER_VISIBILITY_HULL:
      return VK_SHADER_STAGE_TESSELLATION_CONTROL_BIT;
    case D3D12_SHADER_VISIBILITY_DOMAIN:
      return VK_SHADER_STAGE_TESSELLATION_EVALUATION_BIT;
    case D3D12_SHADER_VISIBILITY_GEOMETRY:
      return VK_SHADER_STAGE_GEOMETRY_BIT;
    case D3D12_SHADER_VISIBILITY_PIXEL:
      return VK_SHADER_STAGE_FRAGMENT_BIT;
    default:
      return VK_SHADER_STAGE_ALL_GRAPHICS;
  }
}

bool ToSamplerInfo(const D3D12_STATIC_SAMPLER_DESC& sampler, bool anisotropySupported, VkSamplerCreateInfo* info,
                   const char** error) {
  *info = VkInit<VkSamplerCreateInfo>(VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO);
  const D3D12_FILTER filter = sampler.Filter;
  const D3D12_FILTER_REDUCTION_TYPE reduction = D3D12_DECODE_FILTER_REDUCTION(filter);
  if (reduction != D3D12_FILTER_REDUCTION_TYPE_STANDARD && reduction != D3D12_FILTER_REDUCTION_TYPE_COMPARISON) {
    *error = "min/max reduction filters are not supported";
    return false;
  }
  const bool anisotropic = D3D12_DECODE_IS_ANISOTROPIC_FILTER(filter);
  info->minFilter =
      D3D12_DECODE_MIN_FILTER(filter) == D3D12_FILTER_TYPE_LINEAR || anisotropic ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
  info->magFilter =
      D3D12_DECODE_MAG_FILTER(filter) == D3D12_FILTER_TYPE_LINEAR || anisotropic ? VK_FILTER_LINEAR : VK_FILTER_NEAREST;
  info->mipmapMode = D3D12_DECODE_MIP_FILTER(filter) == D3D12_FILTER_TYPE_LINEAR || anisotropic
                         ? VK_SAMPLER_MIPMAP_MODE_LINEAR
                         : VK_SAMPLER_MIPMAP_MODE_NEAREST;
  if (!ToAddressMode(sampler.AddressU, &info->addressModeU) || !ToAddressMode(sampler.AddressV, &info->addressModeV) ||
      !ToAddressMode(sampler.AddressW, &info->addressModeW)) {
    *error = "unknown texture address mode";
    return false;
  }
  info->mipLodBias = sampler.MipLODBias;
  // MaxAnisotropy only matters for anisotropic filters, as in Direct3D.
  info->anisotropyEnable = anisotropic && anisotropySupported;
  info->maxAnisotropy = info->anisotropyEnable ? float(std::clamp<UINT>(sampler.MaxAnisotropy, 1, 16)) : 1.0f;
  info->compareEnable = reduction == D3D12_FILTER_REDUCTION_TYPE_COMPARISON;
  if (info->compareEnable && !ToCompareOp(sampler.ComparisonFunc, &info->compareOp)) {
    *error = "unknown comparison function";
    return false;
  }
  info->minLod = sampler.MinLOD;
  info->maxLod = sampler.MaxLOD;
  switch (sampler.BorderColor) {
    case D3D12_STATIC_BORDER_COLOR_TRANSPARENT_BLACK:
      info->borderColor = VK_BORDER_COLOR_FLOAT_TRANSPARENT_BLACK;
      break;
    case D3D12_STATIC_BORDER_COLOR_OPAQUE_BLACK:
      info->borderColor = VK_BORDER_COLOR_FLOAT_OPAQUE_BLACK;
      break;
    case D3D12_STATIC_BORDER_COLOR_OPAQUE_WHITE:
      info->borderColor = VK_BORDER_COLOR_FLOAT_OPAQUE_WHITE;
      break;
    default:
      *error = "unknown static border colour";
      return false;
  }
  return true;
}

}  // namespace d3d12vk
