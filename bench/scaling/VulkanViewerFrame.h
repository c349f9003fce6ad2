// Viewer mode's frame written directly against Vulkan 1.3: the reference the engine's frame through the
// Direct3D 12 layer is measured against at every model size. It is made from a started Renderer, so it draws
// what that one draws: the same vertex and index bytes, draw ranges and constants, the same images decoded
// from the same files, the engine's own shaders compiled by the same compiler with the same flags, the same
// pipeline states. Each frame does what RunFrame does, with Vulkan in place of the layer: the animation step
// and the bone palette written, then the text box and one indexed draw per draw item, recorded as a Vulkan
// program would (what all draws share set once, per draw only what changes), the frame copied into a front
// image as the layer's off-screen present does, and a wait for the GPU.
#pragma once

#include "VulkanContext.h"

#include "content/Model.h"
#include "core/FrameTimer.h"
#include "math/Matrix.h"

#include "FramePipeline.h"

#include <vulkan/vulkan.h>

#include <cstdint>
#include <string>
#include <vector>

class Renderer;

class VulkanViewerFrame {
 public:
  // The renderer has run its start-up (device, content, constant buffers, camera) and at least one frame.
  // With `validation` the Vulkan validation layer watches this frame's device too.
  explicit VulkanViewerFrame(const Renderer& renderer, bool validation = false);
  ~VulkanViewerFrame();
  VulkanViewerFrame(const VulkanViewerFrame&) = delete;
  VulkanViewerFrame& operator=(const VulkanViewerFrame&) = delete;

  // Empty when everything was made.
  const std::string& Error() const { return error_; }
  uint32_t ValidationMessages() const { return context_.ValidationMessages(); }

  // One frame: animation, constants, record, submit, present copy, wait.
  void Render();

  // The front image of the latest frame, tightly packed RGBA rows, top row first.
  std::vector<uint8_t> ReadFrontImage();

 private:
  using Image = d3d12_bench::VulkanImage;
  using Buffer = d3d12_bench::VulkanBuffer;

  struct Draw {
    uint32_t Mesh = 0;
    uint32_t Texture = 0;
    uint32_t ObjectSlot = 0;
    uint32_t IndexCount = 0;
    uint32_t FirstIndex = 0;
    int32_t BaseVertex = 0;
  };
  struct MeshBuffers {
    Buffer Vertices;
    Buffer Indices;
  };

  bool CopyContent(const Renderer& renderer);
  bool CopyMeshBuffers(const Renderer& renderer);
  bool CreateTextures(const Renderer& renderer);
  bool CreateTargets();
  bool CreatePipelines();
  VkPipeline CreatePipeline(const wchar_t* vertexFile, const wchar_t* pixelFile, VkPipelineLayout layout, bool text);
  void Record();

  std::string error_;
  d3d12_bench::VulkanContext context_;
  VkDevice device_ = VK_NULL_HANDLE;
  VkCommandBuffer commands_ = VK_NULL_HANDLE;
  VkFormat depthFormat_ = VK_FORMAT_UNDEFINED;
  VkExtent2D extent_{};

  Image targets_[2];
  bool targetsUsed_[2] = {false, false};
  uint32_t currentTarget_ = 0;
  Image depth_, front_;
  bool frontUsed_ = false;
  std::vector<Image> textures_;  // in the renderer's descriptor-slot order
  std::vector<MeshBuffers> meshes_;
  std::vector<Draw> draws_;
  Buffer glyphs_, passConstants_, objectConstants_, boneConstants_;
  uint32_t glyphCount_ = 0;
  uint32_t vertexStride_ = 0;
  uint32_t glyphStride_ = 0;
  VkSampler sampler_ = VK_NULL_HANDLE;
  d3d12_bench::FrameLayouts layouts_;
  VkPipeline textPipeline_ = VK_NULL_HANDLE, objectPipeline_ = VK_NULL_HANDLE;

  // The application's side of the frame, as RunFrame does it: its own copy of the model to animate.
  Model model_;
  FrameTimer timer_;
  std::vector<float4x4> palette_;
};
