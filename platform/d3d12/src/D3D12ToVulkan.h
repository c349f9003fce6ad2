// Translations of Direct3D 12 enumerations into their Vulkan equivalents. Each returns false (or an invalid
// value the caller checks) for a value Direct3D 12 does not define.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12vk {

bool ToCompareOp(D3D12_COMPARISON_FUNC function, VkCompareOp* op);
bool ToBlendFactor(D3D12_BLEND blend, VkBlendFactor* factor);
bool ToBlendOp(D3D12_BLEND_OP operation, VkBlendOp* op);
bool ToStencilOp(D3D12_STENCIL_OP operation, VkStencilOp* op);
bool ToLogicOp(D3D12_LOGIC_OP operation, VkLogicOp* op);
bool ToAddressMode(D3D12_TEXTURE_ADDRESS_MODE mode, VkSamplerAddressMode* address);

// The topology of a draw; false for patch lists and other topologies the layer does not draw.
bool ToPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY topology, VkPrimitiveTopology* vkTopology);

// The topology class a pipeline was built for, as D3D12 states it, and whether a draw topology belongs to it.
bool TopologyMatchesType(D3D_PRIMITIVE_TOPOLOGY topology, D3D12_PRIMITIVE_TOPOLOGY_TYPE type);

VkShaderStageFlags ToShaderStages(D3D12_SHADER_VISIBILITY visibility);

// A static sampler as a Vulkan sampler description; false with `error` set for values Vulkan cannot take.
bool ToSamplerInfo(const D3D12_STATIC_SAMPLER_DESC& sampler, bool anisotropySupported, VkSamplerCreateInfo* info,
                   const char** error);

}  // namespace d3d12vk
