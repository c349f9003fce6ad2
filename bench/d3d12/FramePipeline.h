// The two graphics pipelines of an engine-like frame written directly in Vulkan, shared by the plain-Vulkan
// references: the text box (glyph records per instance, strips, blended over the target, no depth) and the
// meshes (vertices, lists, depth-tested). Both cull back faces with clockwise fronts, as Direct3D's defaults
// do under the flipped viewport, and render dynamically into one colour target and one depth target.
#pragma once

#include <vulkan/vulkan.h>

#include <cstdint>
#include <vector>

namespace d3d12_bench {

class VulkanContext;

struct FramePipelineShape {
  bool text = false;
  // One vertex buffer binding: per instance for text, per vertex for meshes.
  uint32_t stride = 0;
  std::vector<VkVertexInputAttributeDescription> attributes;
  VkSampleCountFlagBits samples = VK_SAMPLE_COUNT_1_BIT;
  VkFormat colorFormat = VK_FORMAT_R8G8B8A8_UNORM;
  VkFormat depthFormat = VK_FORMAT_UNDEFINED;
};

// D24_UNORM_S8_UINT, the engine's depth format, or D32_SFLOAT_S8_UINT where the device cannot render to it,
// as the layer falls back.
VkFormat FrameDepthFormat(VkPhysicalDevice physical);

// The push-descriptor set layouts and pipeline layouts of the two pipelines: the text box reads a texture
// and a sampler; the meshes read three constant buffers at bindings 0 to 2 besides.
struct FrameLayouts {
  VkDescriptorSetLayout textSet = VK_NULL_HANDLE, objectSet = VK_NULL_HANDLE;
  VkPipelineLayout text = VK_NULL_HANDLE, object = VK_NULL_HANDLE;
};

FrameLayouts CreateFrameLayouts(VkDevice device, uint32_t textureBinding, uint32_t samplerBinding);
void DestroyFrameLayouts(VkDevice device, const FrameLayouts& layouts);

// The glyph record's inputs as the compiler places the text shader's members: rect, uv, colour.
std::vector<VkVertexInputAttributeDescription> GlyphRecordAttributes();

// VK_NULL_HANDLE when a shader is missing or the device refuses the pipeline.
VkPipeline CreateFramePipeline(VulkanContext& context, const std::vector<uint32_t>& vertexCode,
                               const std::vector<uint32_t>& pixelCode, VkPipelineLayout layout,
                               const FramePipelineShape& shape);

}  // namespace d3d12_bench
