#include "VulkanFrame.h"

#include "FramePipeline.h"

#include "FrameScene.h"

#include <chrono>

namespace frame_bench {
namespace {

// Where the shader compiler binds t0 and s0 in set 0 (class bases 1024 and 3072).
constexpr uint32_t kTextureBinding = 1024;
constexpr uint32_t kSamplerBinding = 3072;

using d3d12_bench::CreateFrameLayouts;
using d3d12_bench::CreateFramePipeline;
using d3d12_bench::DestroyFrameLayouts;
using d3d12_bench::FrameDepthFormat;
using d3d12_bench::FramePipelineShape;
using d3d12_bench::GlyphRecordAttributes;
using d3d12_bench::Make;
constexpr auto Barrier = d3d12_bench::ImageBarrier;

}  // namespace

VulkanFrame::VulkanFrame(uint32_t drawCount, uint32_t samples)
    : drawCount_(drawCount), samples_(VkSampleCountFlagBits(samples)), context_(d3d12_bench::VulkanContext::Options{}) {
  error_ = context_.Error();
  if (!error_.empty()) return;
  device_ = context_.Device();
  commands_ = context_.Commands();
  depthFormat_ = FrameDepthFormat(context_.Physical());
  if (CreateResources()) CreatePipelines();
}

VulkanFrame::~VulkanFrame() {
  if (device_ == VK_NULL_HANDLE) return;
  vkDeviceWaitIdle(device_);
  vkDestroyPipeline(device_, textPipeline_, nullptr);
  vkDestroyPipeline(device_, objectPipeline_, nullptr);
  DestroyFrameLayouts(device_, layouts_);
  vkDestroySampler(device_, sampler_, nullptr);
  for (Image& target : targets_) context_.Destroy(target);
  for (Image* image : {&depth_, &multisampled_, &front_, &texture_}) context_.Destroy(*image);
  for (Buffer* buffer : {&vertices_, &indices_, &instances_, &constants_}) context_.Destroy(*buffer);
}

bool VulkanFrame::CreateResources() {
  const VkExtent2D screen{kWidth, kHeight};
  bool created = true;
  for (Image& target : targets_) {
    created = created && context_.CreateImage(VK_FORMAT_R8G8B8A8_UNORM, screen,
                                              VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT,
                                              VK_IMAGE_ASPECT_COLOR_BIT, &target);
  }
  created = created && context_.CreateImage(depthFormat_, screen, VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT,
                                            VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT, &depth_, samples_);
  if (samples_ != VK_SAMPLE_COUNT_1_BIT) {
    created = created && context_.CreateImage(VK_FORMAT_R8G8B8A8_UNORM, screen, VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT,
                                              VK_IMAGE_ASPECT_COLOR_BIT, &multisampled_, samples_);
  }
  created = created && context_.CreateImage(VK_FORMAT_R8G8B8A8_UNORM, screen, VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                                            VK_IMAGE_ASPECT_COLOR_BIT, &front_);
  created = created && context_.CreateImage(VK_FORMAT_R8G8B8A8_UNORM, {kTextureSize, kTextureSize},
                                            VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT,
                                            VK_IMAGE_ASPECT_COLOR_BIT, &texture_);
  const Mesh mesh = MakeMesh();
  const std::vector<GlyphInstance> glyphs = MakeGlyphs();
  const std::vector<uint8_t> constants = MakeConstants(drawCount_);
  created = created && context_.CreateFilledBuffer(mesh.vertices.data(), mesh.vertices.size() * sizeof(MeshVertex),
                                                   VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, &vertices_);
  created = created && context_.CreateFilledBuffer(mesh.indices.data(), mesh.indices.size() * sizeof(uint16_t),
                                                   VK_BUFFER_USAGE_INDEX_BUFFER_BIT, &indices_);
  created = created && context_.CreateFilledBuffer(glyphs.data(), glyphs.size() * sizeof(GlyphInstance),
                                                   VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, &instances_);
  created = created && context_.CreateFilledBuffer(constants.data(), constants.size(),
                                                   VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &constants_);
  indexCount_ = uint32_t(mesh.indices.size());
  if (!created) {
    error_ = "resource creation failed";
    return false;
  }
  UploadTexture();

  auto samplerInfo = Make<VkSamplerCreateInfo>(VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO);
  samplerInfo.magFilter = samplerInfo.minFilter = VK_FILTER_LINEAR;
  samplerInfo.mipmapMode = VK_SAMPLER_MIPMAP_MODE_NEAREST;
  samplerInfo.addressModeU = samplerInfo.addressModeV = samplerInfo.addressModeW = VK_SAMPLER_ADDRESS_MODE_REPEAT;
  samplerInfo.maxLod = VK_LOD_CLAMP_NONE;
  vkCreateSampler(device_, &samplerInfo, nullptr, &sampler_);
  return true;
}

void VulkanFrame::UploadTexture() {
  const std::vector<uint32_t> texels = MakeTexture();
  Buffer staging;
  context_.CreateFilledBuffer(texels.data(), texels.size() * 4, VK_BUFFER_USAGE_TRANSFER_SRC_BIT, &staging);
  context_.BeginCommands();
  Barrier(commands_, texture_.image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_UNDEFINED,
          VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_PIPELINE_STAGE_2_NONE, 0, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
          VK_ACCESS_2_TRANSFER_WRITE_BIT);
  const VkBufferImageCopy region{
      0, 0, 0, {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1}, {0, 0, 0}, {kTextureSize, kTextureSize, 1}};
  vkCmdCopyBufferToImage(commands_, staging.buffer, texture_.image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  Barrier(commands_, texture_.image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
          VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
          VK_ACCESS_2_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT, VK_ACCESS_2_SHADER_READ_BIT);
  Barrier(commands_, depth_.image, VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT, VK_IMAGE_LAYOUT_UNDEFINED,
          VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL, VK_PIPELINE_STAGE_2_NONE, 0,
          VK_PIPELINE_STAGE_2_EARLY_FRAGMENT_TESTS_BIT, VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT);
  if (multisampled_.image != VK_NULL_HANDLE) {
    Barrier(commands_, multisampled_.image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_UNDEFINED,
            VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_PIPELINE_STAGE_2_NONE, 0,
            VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT, VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT);
  }
  vkEndCommandBuffer(commands_);
  context_.SubmitAndWait();
  context_.Destroy(staging);
}

bool VulkanFrame::CreatePipelines() {
  layouts_ = CreateFrameLayouts(device_, kTextureBinding, kSamplerBinding);

  textPipeline_ = CreatePipeline(CompileShader(kTextVertexShader, "vs_5_0"), CompileShader(kTextPixelShader, "ps_5_0"),
                                 layouts_.text, true);
  objectPipeline_ = CreatePipeline(CompileShader(kObjectVertexShader, "vs_5_0"),
                                   CompileShader(kObjectPixelShader, "ps_5_0"), layouts_.object, false);
  if (textPipeline_ == VK_NULL_HANDLE || objectPipeline_ == VK_NULL_HANDLE) {
    error_ = "pipeline creation failed";
    return false;
  }
  return true;
}

VkPipeline VulkanFrame::CreatePipeline(const std::vector<uint32_t>& vertexCode, const std::vector<uint32_t>& pixelCode,
                                       VkPipelineLayout layout, bool text) {
  // Inputs in declaration order: text instances (rect, uv, colour), mesh vertices (position, uv).
  FramePipelineShape shape;
  shape.text = text;
  shape.stride = text ? sizeof(GlyphInstance) : sizeof(MeshVertex);
  shape.attributes = text ? GlyphRecordAttributes()
                          : std::vector<VkVertexInputAttributeDescription>{{0, 0, VK_FORMAT_R32G32B32_SFLOAT, 0},
                                                                           {1, 0, VK_FORMAT_R32G32_SFLOAT, 12}};
  shape.samples = samples_;
  shape.depthFormat = depthFormat_;
  return CreateFramePipeline(context_, vertexCode, pixelCode, layout, shape);
}

void VulkanFrame::Record() {
  vkResetCommandPool(device_, context_.Pool(), 0);
  context_.BeginCommands();
  const Image& target = targets_[currentTarget_];
  Barrier(commands_, target.image, VK_IMAGE_ASPECT_COLOR_BIT,
          targetsUsed_[currentTarget_] ? VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL : VK_IMAGE_LAYOUT_UNDEFINED,
          VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, 0,
          VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT, VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT);

  auto color = Make<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  color.imageView = target.view;
  color.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
  color.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
  color.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  color.clearValue.color = {{240 / 255.0f, 1, 1, 1}};
  if (multisampled_.image != VK_NULL_HANDLE) {
    color.imageView = multisampled_.view;
    color.storeOp = VK_ATTACHMENT_STORE_OP_DONT_CARE;
    color.resolveMode = VK_RESOLVE_MODE_AVERAGE_BIT;
    color.resolveImageView = target.view;
    color.resolveImageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
  }
  auto depthStencil = Make<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  depthStencil.imageView = depth_.view;
  depthStencil.imageLayout = VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;
  depthStencil.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
  depthStencil.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  depthStencil.clearValue.depthStencil = {1.0f, 0};
  auto rendering = Make<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
  rendering.renderArea = {{0, 0}, {kWidth, kHeight}};
  rendering.layerCount = 1;
  rendering.colorAttachmentCount = 1;
  rendering.pColorAttachments = &color;
  rendering.pDepthAttachment = &depthStencil;
  rendering.pStencilAttachment = &depthStencil;
  vkCmdBeginRendering(commands_, &rendering);
  const VkViewport viewport{0, float(kHeight), float(kWidth), -float(kHeight), 0, 1};
  const VkRect2D scissor{{0, 0}, {kWidth, kHeight}};
  vkCmdSetViewport(commands_, 0, 1, &viewport);
  vkCmdSetScissor(commands_, 0, 1, &scissor);

  const VkDescriptorImageInfo textureInfo{VK_NULL_HANDLE, texture_.view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
  const VkDescriptorImageInfo samplerInfo{sampler_, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED};
  auto write = [](uint32_t binding, VkDescriptorType type, const VkDescriptorImageInfo* image,
                  const VkDescriptorBufferInfo* buffer) {
    auto result = Make<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
    result.dstBinding = binding;
    result.descriptorCount = 1;
    result.descriptorType = type;
    result.pImageInfo = image;
    result.pBufferInfo = buffer;
    return result;
  };
  const VkWriteDescriptorSet textWrites[] = {
      write(kTextureBinding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, &textureInfo, nullptr),
      write(kSamplerBinding, VK_DESCRIPTOR_TYPE_SAMPLER, &samplerInfo, nullptr)};
  vkCmdBindPipeline(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, textPipeline_);
  context_.PushDescriptors()(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, layouts_.text, 0, 2, textWrites);
  const VkDeviceSize zero = 0;
  vkCmdBindVertexBuffers(commands_, 0, 1, &instances_.buffer, &zero);
  vkCmdDraw(commands_, 4, kGlyphCount, 0, 0);

  const VkDescriptorBufferInfo pass{constants_.buffer, 0, kConstantSlot};
  const VkDescriptorBufferInfo bones{constants_.buffer, (drawCount_ + 1) * VkDeviceSize(kConstantSlot), kConstantSlot};
  for (uint32_t draw = 0; draw < drawCount_; ++draw) {
    const VkDescriptorBufferInfo object{constants_.buffer, (1 + draw) * VkDeviceSize(kConstantSlot), kConstantSlot};
    const VkWriteDescriptorSet writes[] = {
        write(0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, nullptr, &pass),
        write(1, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, nullptr, &object),
        write(kTextureBinding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, &textureInfo, nullptr),
        write(2, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, nullptr, &bones),
        write(kSamplerBinding, VK_DESCRIPTOR_TYPE_SAMPLER, &samplerInfo, nullptr)};
    vkCmdBindPipeline(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, objectPipeline_);
    context_.PushDescriptors()(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, layouts_.object, 0, 5, writes);
    vkCmdBindVertexBuffers(commands_, 0, 1, &vertices_.buffer, &zero);
    vkCmdBindIndexBuffer(commands_, indices_.buffer, 0, VK_INDEX_TYPE_UINT16);
    vkCmdDrawIndexed(commands_, indexCount_, 1, 0, 0, 0);
  }
  vkCmdEndRendering(commands_);

  // The off-screen present: the frame is copied into the front image.
  Barrier(commands_, target.image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL,
          VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
          VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_READ_BIT);
  Barrier(commands_, front_.image, VK_IMAGE_ASPECT_COLOR_BIT,
          frontUsed_ ? VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL : VK_IMAGE_LAYOUT_UNDEFINED,
          VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT,
          VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT);
  const VkImageCopy region{{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                           {0, 0, 0},
                           {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                           {0, 0, 0},
                           {kWidth, kHeight, 1}};
  vkCmdCopyImage(commands_, target.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, front_.image,
                 VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  vkEndCommandBuffer(commands_);
  targetsUsed_[currentTarget_] = true;
  frontUsed_ = true;
}

double VulkanFrame::Render() {
  const auto start = std::chrono::steady_clock::now();
  Record();
  const double recording = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  context_.SubmitAndWait();
  currentTarget_ = (currentTarget_ + 1) % 2;
  return recording;
}

}  // namespace frame_bench
