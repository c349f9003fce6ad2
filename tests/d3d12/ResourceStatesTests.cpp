// The stages and accesses a barrier names for each Direct3D 12 state: a state the GPU writes in must make
// those writes available, and one it reads in must receive them, or later work reads stale memory.
#include <windows.h>

#include "ResourceStates.h"

#include <gtest/gtest.h>

namespace d3d12vk {
namespace {

constexpr VkAccessFlags2 kShaderReads = VK_ACCESS_2_SHADER_SAMPLED_READ_BIT | VK_ACCESS_2_SHADER_STORAGE_READ_BIT;
constexpr VkPipelineStageFlags2 kShaderStages =
    VK_PIPELINE_STAGE_2_VERTEX_SHADER_BIT | VK_PIPELINE_STAGE_2_GEOMETRY_SHADER_BIT |
    VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT | VK_PIPELINE_STAGE_2_COMPUTE_SHADER_BIT;

// The single bits a mask stands for, with Vulkan's umbrella bits spelled out.
VkAccessFlags2 ExpandAccess(VkAccessFlags2 access) {
  if (access & VK_ACCESS_2_SHADER_READ_BIT) access |= kShaderReads;
  if (access & VK_ACCESS_2_SHADER_WRITE_BIT) access |= VK_ACCESS_2_SHADER_STORAGE_WRITE_BIT;
  if (access & VK_ACCESS_2_MEMORY_READ_BIT) access |= kEveryWorkAccess & ~kEveryWorkWrite;
  if (access & VK_ACCESS_2_MEMORY_WRITE_BIT) access |= kEveryWorkWrite;
  return access;
}

VkPipelineStageFlags2 ExpandStages(VkPipelineStageFlags2 stages) {
  if (stages & VK_PIPELINE_STAGE_2_ALL_COMMANDS_BIT) return ~VkPipelineStageFlags2(0);
  if (stages & VK_PIPELINE_STAGE_2_PRE_RASTERIZATION_SHADERS_BIT) {
    stages |= VK_PIPELINE_STAGE_2_VERTEX_SHADER_BIT | VK_PIPELINE_STAGE_2_GEOMETRY_SHADER_BIT;
  }
  if (stages & VK_PIPELINE_STAGE_2_VERTEX_INPUT_BIT) {
    stages |= VK_PIPELINE_STAGE_2_INDEX_INPUT_BIT | VK_PIPELINE_STAGE_2_VERTEX_ATTRIBUTE_INPUT_BIT;
  }
  if (stages & VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT) {
    stages |= VK_PIPELINE_STAGE_2_COPY_BIT | VK_PIPELINE_STAGE_2_RESOLVE_BIT | VK_PIPELINE_STAGE_2_BLIT_BIT |
              VK_PIPELINE_STAGE_2_CLEAR_BIT;
  }
  return stages;
}

TEST(ResourceStates, EveryStateCoversTheReadsAndWritesOfItsWork) {
  struct Case {
    D3D12_RESOURCE_STATES state;
    VkPipelineStageFlags2 stages;
    VkAccessFlags2 reads;
    VkAccessFlags2 writes;
  };
  constexpr VkPipelineStageFlags2 kDepthTests =
      VK_PIPELINE_STAGE_2_EARLY_FRAGMENT_TESTS_BIT | VK_PIPELINE_STAGE_2_LATE_FRAGMENT_TESTS_BIT;
  constexpr VkAccessFlags2 kBufferReads = VK_ACCESS_2_VERTEX_ATTRIBUTE_READ_BIT | VK_ACCESS_2_UNIFORM_READ_BIT;
  for (const Case& c : {
           Case{D3D12_RESOURCE_STATE_RENDER_TARGET, VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
                VK_ACCESS_2_COLOR_ATTACHMENT_READ_BIT, VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT},
           Case{D3D12_RESOURCE_STATE_UNORDERED_ACCESS, kShaderStages, VK_ACCESS_2_SHADER_STORAGE_READ_BIT,
                VK_ACCESS_2_SHADER_STORAGE_WRITE_BIT},
           Case{D3D12_RESOURCE_STATE_DEPTH_WRITE, kDepthTests, VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_READ_BIT,
                VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT},
           Case{D3D12_RESOURCE_STATE_DEPTH_READ, kDepthTests, VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_READ_BIT, 0},
           Case{D3D12_RESOURCE_STATE_COPY_DEST, VK_PIPELINE_STAGE_2_COPY_BIT | VK_PIPELINE_STAGE_2_CLEAR_BIT, 0,
                VK_ACCESS_2_TRANSFER_WRITE_BIT},
           Case{D3D12_RESOURCE_STATE_RESOLVE_DEST, VK_PIPELINE_STAGE_2_RESOLVE_BIT, 0, VK_ACCESS_2_TRANSFER_WRITE_BIT},
           Case{D3D12_RESOURCE_STATE_COPY_SOURCE, VK_PIPELINE_STAGE_2_COPY_BIT | VK_PIPELINE_STAGE_2_BLIT_BIT,
                VK_ACCESS_2_TRANSFER_READ_BIT, 0},
           Case{D3D12_RESOURCE_STATE_RESOLVE_SOURCE, VK_PIPELINE_STAGE_2_RESOLVE_BIT, VK_ACCESS_2_TRANSFER_READ_BIT, 0},
           Case{D3D12_RESOURCE_STATE_VERTEX_AND_CONSTANT_BUFFER,
                VK_PIPELINE_STAGE_2_VERTEX_ATTRIBUTE_INPUT_BIT | kShaderStages, kBufferReads, 0},
           Case{D3D12_RESOURCE_STATE_INDEX_BUFFER, VK_PIPELINE_STAGE_2_INDEX_INPUT_BIT, VK_ACCESS_2_INDEX_READ_BIT, 0},
           Case{D3D12_RESOURCE_STATE_NON_PIXEL_SHADER_RESOURCE, kShaderStages & ~VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT,
                kShaderReads, 0},
           Case{D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE, VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT, kShaderReads, 0},
           Case{D3D12_RESOURCE_STATE_INDIRECT_ARGUMENT, VK_PIPELINE_STAGE_2_DRAW_INDIRECT_BIT,
                VK_ACCESS_2_INDIRECT_COMMAND_READ_BIT, 0},
           Case{D3D12_RESOURCE_STATE_GENERIC_READ,
                kShaderStages | VK_PIPELINE_STAGE_2_INDEX_INPUT_BIT | VK_PIPELINE_STAGE_2_VERTEX_ATTRIBUTE_INPUT_BIT |
                    VK_PIPELINE_STAGE_2_DRAW_INDIRECT_BIT | VK_PIPELINE_STAGE_2_COPY_BIT,
                kBufferReads | VK_ACCESS_2_INDEX_READ_BIT | kShaderReads | VK_ACCESS_2_INDIRECT_COMMAND_READ_BIT |
                    VK_ACCESS_2_TRANSFER_READ_BIT,
                0},
           // COMMON is also PRESENT: anything may have touched the resource.
           Case{D3D12_RESOURCE_STATE_COMMON, kShaderStages | kDepthTests | VK_PIPELINE_STAGE_2_COPY_BIT,
                kEveryWorkAccess & ~kEveryWorkWrite, kEveryWorkWrite},
       }) {
    const StageAccess scope = StageAccessFor(c.state);
    const VkAccessFlags2 access = ExpandAccess(scope.access);
    EXPECT_EQ(access & c.writes, c.writes) << "state 0x" << std::hex << c.state << " lacks write bits";
    EXPECT_EQ(access & c.reads, c.reads) << "state 0x" << std::hex << c.state << " lacks read bits";
    EXPECT_EQ(ExpandStages(scope.stages) & c.stages, c.stages) << "state 0x" << std::hex << c.state << " lacks stages";
  }
}

}  // namespace
}  // namespace d3d12vk
