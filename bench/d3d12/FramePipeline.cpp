#include "FramePipeline.h"

#include "VulkanContext.h"

namespace d3d12_bench {
namespace {

VkDescriptorSetLayoutBinding Binding(uint32_t binding, VkDescriptorType type) {
  return {binding, type, 1, VK_SHADER_STAGE_ALL_GRAPHICS, nullptr};
}

VkPipelineLayout PipelineLayout(VkDevice device, const VkDescriptorSetLayout& set) {
  auto info = Make<VkPipelineLayoutCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_LAYOUT_CREATE_INFO);
  info.setLayoutCount = 1;
  info.pSetLayouts = &set;
  VkPipelineLayout layout = VK_NULL_HANDLE;
  vkCreatePipelineLayout(device, &info, nullptr, &layout);
  return layout;
}

}  // namespace

VkFormat FrameDepthFormat(VkPhysicalDevice physical) {
  VkFormatProperties support;
  vkGetPhysicalDeviceFormatProperties(physical, VK_FORMAT_D24_UNORM_S8_UINT, &support);
  return (support.optimalTilingFeatures & VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT) != 0
             ? VK_FORMAT_D24_UNORM_S8_UINT
             : VK_FORMAT_D32_SFLOAT_S8_UINT;
}

FrameLayouts CreateFrameLayouts(VkDevice device, uint32_t textureBinding, uint32_t samplerBinding) {
  const VkDescriptorSetLayoutBinding textBindings[] = {Binding(textureBinding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE),
                                                       Binding(samplerBinding, VK_DESCRIPTOR_TYPE_SAMPLER)};
  const VkDescriptorSetLayoutBinding objectBindings[] = {
      Binding(0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER), Binding(1, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER),
      Binding(2, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER), Binding(textureBinding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE),
      Binding(samplerBinding, VK_DESCRIPTOR_TYPE_SAMPLER)};
  FrameLayouts layouts;
  auto setInfo = Make<VkDescriptorSetLayoutCreateInfo>(VK_STRUCTURE_TYPE_DESCRIPTOR_SET_LAYOUT_CREATE_INFO);
  setInfo.flags = VK_DESCRIPTOR_SET_LAYOUT_CREATE_PUSH_DESCRIPTOR_BIT_KHR;
  setInfo.bindingCount = 2;
  setInfo.pBindings = textBindings;
  vkCreateDescriptorSetLayout(device, &setInfo, nullptr, &layouts.textSet);
  setInfo.bindingCount = 5;
  setInfo.pBindings = objectBindings;
  vkCreateDescriptorSetLayout(device, &setInfo, nullptr, &layouts.objectSet);
  layouts.text = PipelineLayout(device, layouts.textSet);
  layouts.object = PipelineLayout(device, layouts.objectSet);
  return layouts;
}

void DestroyFrameLayouts(VkDevice device, const FrameLayouts& layouts) {
  vkDestroyPipelineLayout(device, layouts.text, nullptr);
  vkDestroyPipelineLayout(device, layouts.object, nullptr);
  vkDestroyDescriptorSetLayout(device, layouts.textSet, nullptr);
  vkDestroyDescriptorSetLayout(device, layouts.objectSet, nullptr);
}

std::vector<VkVertexInputAttributeDescription> GlyphRecordAttributes() {
  return {{0, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 0},
          {1, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 16},
          {2, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 32}};
}

VkPipeline CreateFramePipeline(VulkanContext& context, const std::vector<uint32_t>& vertexCode,
                               const std::vector<uint32_t>& pixelCode, VkPipelineLayout layout,
                               const FramePipelineShape& shape) {
  if (vertexCode.empty() || pixelCode.empty()) return VK_NULL_HANDLE;
  VkShaderModule modules[2] = {context.CreateShaderModule(vertexCode), context.CreateShaderModule(pixelCode)};
  VkPipelineShaderStageCreateInfo stages[2];
  for (int i = 0; i < 2; ++i) {
    stages[i] = Make<VkPipelineShaderStageCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO);
    stages[i].stage = i == 0 ? VK_SHADER_STAGE_VERTEX_BIT : VK_SHADER_STAGE_FRAGMENT_BIT;
    stages[i].module = modules[i];
    stages[i].pName = "main";
  }
  const VkVertexInputBindingDescription binding{
      0, shape.stride, shape.text ? VK_VERTEX_INPUT_RATE_INSTANCE : VK_VERTEX_INPUT_RATE_VERTEX};
  auto vertexInput =
      Make<VkPipelineVertexInputStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO);
  vertexInput.vertexBindingDescriptionCount = 1;
  vertexInput.pVertexBindingDescriptions = &binding;
  vertexInput.vertexAttributeDescriptionCount = static_cast<uint32_t>(shape.attributes.size());
  vertexInput.pVertexAttributeDescriptions = shape.attributes.data();
  auto assembly =
      Make<VkPipelineInputAssemblyStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO);
  assembly.topology = shape.text ? VK_PRIMITIVE_TOPOLOGY_TRIANGLE_STRIP : VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;
  auto viewport = Make<VkPipelineViewportStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO);
  viewport.viewportCount = 1;
  viewport.scissorCount = 1;
  auto raster =
      Make<VkPipelineRasterizationStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO);
  raster.cullMode = VK_CULL_MODE_BACK_BIT;
  raster.frontFace = VK_FRONT_FACE_CLOCKWISE;
  raster.lineWidth = 1.0f;
  auto multisample =
      Make<VkPipelineMultisampleStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO);
  multisample.rasterizationSamples = shape.samples;
  auto depth = Make<VkPipelineDepthStencilStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO);
  depth.depthTestEnable = !shape.text;
  depth.depthWriteEnable = !shape.text;
  depth.depthCompareOp = VK_COMPARE_OP_LESS;
  VkPipelineColorBlendAttachmentState blendTarget{};
  blendTarget.colorWriteMask = 0xF;
  if (shape.text) {
    blendTarget.blendEnable = VK_TRUE;
    blendTarget.srcColorBlendFactor = VK_BLEND_FACTOR_SRC_ALPHA;
    blendTarget.dstColorBlendFactor = VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    blendTarget.srcAlphaBlendFactor = VK_BLEND_FACTOR_ONE;
    blendTarget.dstAlphaBlendFactor = VK_BLEND_FACTOR_ZERO;
  }
  auto blend = Make<VkPipelineColorBlendStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO);
  blend.attachmentCount = 1;
  blend.pAttachments = &blendTarget;
  const VkDynamicState dynamicStates[] = {VK_DYNAMIC_STATE_VIEWPORT, VK_DYNAMIC_STATE_SCISSOR};
  auto dynamic = Make<VkPipelineDynamicStateCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO);
  dynamic.dynamicStateCount = 2;
  dynamic.pDynamicStates = dynamicStates;
  auto rendering = Make<VkPipelineRenderingCreateInfo>(VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO);
  rendering.colorAttachmentCount = 1;
  rendering.pColorAttachmentFormats = &shape.colorFormat;
  rendering.depthAttachmentFormat = shape.depthFormat;
  rendering.stencilAttachmentFormat = shape.depthFormat;

  auto info = Make<VkGraphicsPipelineCreateInfo>(VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO);
  info.pNext = &rendering;
  info.stageCount = 2;
  info.pStages = stages;
  info.pVertexInputState = &vertexInput;
  info.pInputAssemblyState = &assembly;
  info.pViewportState = &viewport;
  info.pRasterizationState = &raster;
  info.pMultisampleState = &multisample;
  info.pDepthStencilState = &depth;
  info.pColorBlendState = &blend;
  info.pDynamicState = &dynamic;
  info.layout = layout;
  VkPipeline pipeline = VK_NULL_HANDLE;
  vkCreateGraphicsPipelines(context.Device(), VK_NULL_HANDLE, 1, &info, nullptr, &pipeline);
  for (VkShaderModule module : modules) vkDestroyShaderModule(context.Device(), module, nullptr);
  return pipeline;
}

}  // namespace d3d12_bench
