// What a Direct3D 12 resource state means to Vulkan: the image layout, and the pipeline stages and accesses
// a barrier into or out of the state must cover.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

namespace d3d12vk {

struct StageAccess {
  VkPipelineStageFlags2 stages;
  VkAccessFlags2 access;
};

// Every stage the layer's command lists run work in, and every access that work makes, named one by one: a
// barrier over all earlier work that drivers need not treat as ALL_COMMANDS, a drain of the whole pipeline.
constexpr VkPipelineStageFlags2 kEveryWorkStage =
    VK_PIPELINE_STAGE_2_DRAW_INDIRECT_BIT | VK_PIPELINE_STAGE_2_VERTEX_INPUT_BIT |
    VK_PIPELINE_STAGE_2_PRE_RASTERIZATION_SHADERS_BIT | VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT |
    VK_PIPELINE_STAGE_2_EARLY_FRAGMENT_TESTS_BIT | VK_PIPELINE_STAGE_2_LATE_FRAGMENT_TESTS_BIT |
    VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT | VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT |
    VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT;
constexpr VkAccessFlags2 kEveryWorkWrite =
    VK_ACCESS_2_SHADER_STORAGE_WRITE_BIT | VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT |
    VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT | VK_ACCESS_2_TRANSFER_WRITE_BIT;
constexpr VkAccessFlags2 kEveryWorkAccess =
    kEveryWorkWrite | VK_ACCESS_2_INDIRECT_COMMAND_READ_BIT | VK_ACCESS_2_INDEX_READ_BIT |
    VK_ACCESS_2_VERTEX_ATTRIBUTE_READ_BIT | VK_ACCESS_2_UNIFORM_READ_BIT | VK_ACCESS_2_SHADER_SAMPLED_READ_BIT |
    VK_ACCESS_2_SHADER_STORAGE_READ_BIT | VK_ACCESS_2_COLOR_ATTACHMENT_READ_BIT |
    VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_READ_BIT | VK_ACCESS_2_TRANSFER_READ_BIT;

// The layout an image has while in `state`. `aspects` tells depth images from colour images.
VkImageLayout ImageLayoutFor(D3D12_RESOURCE_STATES state, VkImageAspectFlags aspects);

// The work that may touch a resource while it is in `state`.
StageAccess StageAccessFor(D3D12_RESOURCE_STATES state);

// True when `state` names only states the layer knows; reports nothing.
bool IsKnownState(D3D12_RESOURCE_STATES state);

}  // namespace d3d12vk
