#include "ResourceInitialization.h"

#include "VulkanStructs.h"

namespace d3d12vk {
namespace {

// Writes of a released resource in the same memory happen before the new resource's first command.
constexpr StageAccess kEarlierWork{kEveryWorkStage, kEveryWorkWrite};
constexpr StageAccess kClear{VK_PIPELINE_STAGE_2_CLEAR_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT};


void RecordLayoutChange(const VulkanDispatch& vk, VkCommandBuffer commands, VkImage image, VkImageAspectFlags aspects,
                        VkImageLayout from, VkImageLayout to, StageAccess before, StageAccess after) {
  auto barrier = VkInit<VkImageMemoryBarrier2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2);
  barrier.srcStageMask = before.stages;
  barrier.srcAccessMask = before.access;
  barrier.dstStageMask = after.stages;
  barrier.dstAccessMask = after.access;
  barrier.oldLayout = from;
  barrier.newLayout = to;
  barrier.srcQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.dstQueueFamilyIndex = VK_QUEUE_FAMILY_IGNORED;
  barrier.image = image;
  barrier.subresourceRange = {aspects, 0, VK_REMAINING_MIP_LEVELS, 0, VK_REMAINING_ARRAY_LAYERS};
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.imageMemoryBarrierCount = 1;
  dependency.pImageMemoryBarriers = &barrier;
  vk.CmdPipelineBarrier2(commands, &dependency);
}

}  // namespace

void RecordMemoryBarrier(const VulkanDispatch& vk, VkCommandBuffer commands, StageAccess from, StageAccess to) {
  auto barrier = VkInit<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
  barrier.srcStageMask = from.stages;
  barrier.srcAccessMask = from.access;
  barrier.dstStageMask = to.stages;
  barrier.dstAccessMask = to.access;
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.memoryBarrierCount = 1;
  dependency.pMemoryBarriers = &barrier;
  vk.CmdPipelineBarrier2(commands, &dependency);
}

void RecordBufferZeroing(const VulkanDispatch& vk, VkCommandBuffer commands, VkBuffer buffer) {
  RecordMemoryBarrier(vk, commands, kEarlierWork, kClear);
  vkCmdFillBuffer(commands, buffer, 0, VK_WHOLE_SIZE, 0);
  RecordMemoryBarrier(vk, commands, kClear, {kEveryWorkStage, kEveryWorkAccess});
}

void RecordImageStart(const VulkanDispatch& vk, VkCommandBuffer commands, const ImageStart& start) {
  if (!start.zero) {
    RecordLayoutChange(vk, commands, start.image, start.aspects, start.from, start.layout, kEarlierWork,
                       start.initial);
    return;
  }
  constexpr VkImageLayout kClearLayout = VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL;
  RecordLayoutChange(vk, commands, start.image, start.aspects, start.from, kClearLayout, kEarlierWork,
                     kClear);
  const VkImageSubresourceRange all{start.aspects, 0, VK_REMAINING_MIP_LEVELS, 0, VK_REMAINING_ARRAY_LAYERS};
  if (start.aspects & (VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT)) {
    const VkClearDepthStencilValue zero{0.0f, 0};
    vkCmdClearDepthStencilImage(commands, start.image, kClearLayout, &zero, 1, &all);
  } else {
    const VkClearColorValue zero{};
    vkCmdClearColorImage(commands, start.image, kClearLayout, &zero, 1, &all);
  }
  RecordLayoutChange(vk, commands, start.image, start.aspects, kClearLayout, start.layout, kClear, start.initial);
}

}  // namespace d3d12vk
