// The benchmark frame written directly against Vulkan 1.3: the reference the layer is measured against. Same
// shaders, same resources, push descriptors per draw, an off-screen present by image copy, a fence wait.
#pragma once

#include "FramePipeline.h"
#include "VulkanContext.h"

#include <vulkan/vulkan.h>

#include <string>
#include <vector>

namespace frame_bench {

class VulkanFrame {
 public:
  // With `samples` above 1 the frame renders into a multisampled image that the rendering resolves into its
  // target, the usual Vulkan way.
  explicit VulkanFrame(uint32_t drawCount, uint32_t samples = 1);
  ~VulkanFrame();
  VulkanFrame(const VulkanFrame&) = delete;
  VulkanFrame& operator=(const VulkanFrame&) = delete;

  const std::string& Error() const { return error_; }

  // Records, submits, copies to the front image and waits for one frame. Returns the seconds spent recording.
  double Render();

 private:
  using Image = d3d12_bench::VulkanImage;
  using Buffer = d3d12_bench::VulkanBuffer;

  bool CreateResources();
  bool CreatePipelines();
  VkPipeline CreatePipeline(const std::vector<uint32_t>& vertexCode, const std::vector<uint32_t>& pixelCode,
                            VkPipelineLayout layout, bool text);
  void UploadTexture();
  void Record();

  uint32_t drawCount_;
  VkSampleCountFlagBits samples_;
  std::string error_;
  d3d12_bench::VulkanContext context_;
  // The context's device and command buffer, named once for the many calls that take them.
  VkDevice device_ = VK_NULL_HANDLE;
  VkCommandBuffer commands_ = VK_NULL_HANDLE;
  VkFormat depthFormat_ = VK_FORMAT_UNDEFINED;

  Image targets_[2];
  uint32_t currentTarget_ = 0;
  bool targetsUsed_[2] = {false, false};
  Image depth_, front_, texture_, multisampled_;
  bool frontUsed_ = false;
  Buffer vertices_, indices_, instances_, constants_;
  uint32_t indexCount_ = 0;
  VkSampler sampler_ = VK_NULL_HANDLE;
  d3d12_bench::FrameLayouts layouts_;
  VkPipeline textPipeline_ = VK_NULL_HANDLE, objectPipeline_ = VK_NULL_HANDLE;
};

}  // namespace frame_bench
