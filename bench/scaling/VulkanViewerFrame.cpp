#include "VulkanViewerFrame.h"

#include "FramePipeline.h"

#include "anim/Animation.h"
#include "content/MaterialTextures.h"
#include "content/ModelLoader.h"
#include "content/TextureLoader.h"
#include "content/ViewerImportSteps.h"
#include "core/FatalError.h"
#include "render/ConstantBufferLayout.h"
#include "render/ConstantBuffers.h"
#include "render/Renderer.h"
#include "viewer/ModelViewer.h"

#include <windows.h>

#include <d3dcompiler.h>

#include <assimp/cimport.h>
#include <assimp/scene.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

using d3d12_bench::CreateFrameLayouts;
using d3d12_bench::CreateFramePipeline;
using d3d12_bench::DestroyFrameLayouts;
using d3d12_bench::FrameDepthFormat;
using d3d12_bench::FramePipelineShape;
using d3d12_bench::GlyphRecordAttributes;
using d3d12_bench::ImageBarrier;
using d3d12_bench::Make;

// The shader compiler binds b0..b2, t0 and s0 at bindings 0..2, 1024 and 3072 of set 0 (class bases); the
// frame numbers t0 and s0 3 and 4 instead, as a Vulkan program lays out its set, and as the layer does too
// (a CPU driver's cost of a push can follow the highest binding number of the set).
constexpr uint32_t kCompilerTextureBinding = 1024;
constexpr uint32_t kCompilerSamplerBinding = 3072;
constexpr uint32_t kTextureBinding = 3;
constexpr uint32_t kSamplerBinding = 4;
constexpr float kClearColor[4] = {240.0f / 255.0f, 1.0f, 1.0f, 1.0f};
constexpr VkFormat kTargetFormat = VK_FORMAT_R8G8B8A8_UNORM;

// The images files and models decode to; anything else has no reference here.
VkFormat VulkanFormat(DXGI_FORMAT format) {
  switch (format) {
    case DXGI_FORMAT_R8G8B8A8_UNORM:
      return VK_FORMAT_R8G8B8A8_UNORM;
    case DXGI_FORMAT_B8G8R8A8_UNORM:
      return VK_FORMAT_B8G8R8A8_UNORM;
    case DXGI_FORMAT_R8_UNORM:
      return VK_FORMAT_R8_UNORM;
    case DXGI_FORMAT_R8G8_UNORM:
      return VK_FORMAT_R8G8_UNORM;
    case DXGI_FORMAT_R16G16B16A16_UNORM:
      return VK_FORMAT_R16G16B16A16_UNORM;
    default:
      return VK_FORMAT_UNDEFINED;
  }
}

// The bytes of an upload-heap buffer the engine filled and kept, through the API's own Map.
std::vector<uint8_t> ReadUploadBuffer(ID3D12Resource* buffer, uint32_t size) {
  std::vector<uint8_t> bytes;
  void* mapped = nullptr;
  if (buffer == nullptr || FAILED(buffer->Map(0, nullptr, &mapped)) || mapped == nullptr) return bytes;
  bytes.assign(static_cast<const uint8_t*>(mapped), static_cast<const uint8_t*>(mapped) + size);
  const D3D12_RANGE nothingWritten = {0, 0};
  buffer->Unmap(0, &nothingWritten);
  return bytes;
}

template <typename T>
std::vector<uint8_t> BytesOf(const std::vector<T>& values) {
  const auto* first = reinterpret_cast<const uint8_t*>(values.data());
  return std::vector<uint8_t>(first, first + values.size() * sizeof(T));
}

// The vertex and index bytes the loader uploaded: from its upload buffers while it keeps them (the default
// run), or, once viewer mode has released them, read again from the model file as the loader read it.
bool ReadModelBytes(const Renderer& renderer, const Model& model, std::vector<uint8_t>& vertices,
                    std::vector<uint8_t>& indices) {
  if (model.VertexUpload != nullptr) {
    vertices = ReadUploadBuffer(model.VertexUpload, model.VertexBufferSize);
    indices = ReadUploadBuffer(model.IndexUpload, model.IndexBufferSize);
    return !vertices.empty() && !indices.empty();
  }
  const auto* viewer = dynamic_cast<const ModelViewer*>(renderer.Scene);
  if (viewer == nullptr) return false;
  try {
    const std::unique_ptr<const aiScene, decltype(&aiReleaseImport)> scene(ImportViewedScene(viewer->ModelPath()),
                                                                           aiReleaseImport);
    // The viewer's own reading of the file (ModelViewer::LoadScene).
    ModelLoader loader;
    loader.NormaliseWeights = true;
    loader.ReadVertexColours = true;
    loader.UseMaterialTexCoordSets = true;
    Model again;
    const ModelArrays arrays = loader.ReadScene(*scene, viewer->ModelPath(), again);
    vertices = BytesOf(arrays.Vertices);
    indices = BytesOf(arrays.Indices);
  } catch (const FatalError&) {
    return false;
  }
  return vertices.size() == model.VertexBufferSize && indices.size() == model.IndexBufferSize;
}

// Rewrites the Binding decorations of t0 and s0 to the frame's numbers.
void RenumberBindings(std::vector<uint32_t>& words) {
  constexpr uint32_t kOpDecorate = 71, kDecorationBinding = 33, kHeaderWords = 5;
  for (size_t at = kHeaderWords; at < words.size();) {
    const uint32_t wordCount = words[at] >> 16, opcode = words[at] & 0xFFFF;
    if (wordCount == 0 || at + wordCount > words.size()) return;
    if (opcode == kOpDecorate && wordCount == 4 && words[at + 2] == kDecorationBinding) {
      uint32_t& binding = words[at + 3];
      if (binding == kCompilerTextureBinding) binding = kTextureBinding;
      if (binding == kCompilerSamplerBinding) binding = kSamplerBinding;
    }
    at += wordCount;
  }
}

// As the PipelineLibrary compiles them: entry point "main", debug information, no optimisation.
std::vector<uint32_t> CompileEngineShader(const wchar_t* file, const char* target) {
  ID3DBlob* code = nullptr;
  ID3DBlob* errors = nullptr;
  const HRESULT result = D3DCompileFromFile(file, nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE, "main", target,
                                            D3DCOMPILE_DEBUG, 0, &code, &errors);
  std::vector<uint32_t> words;
  if (SUCCEEDED(result) && code != nullptr) {
    const auto* begin = static_cast<const uint32_t*>(code->GetBufferPointer());
    words.assign(begin, begin + code->GetBufferSize() / 4);
    RenumberBindings(words);
  } else if (errors != nullptr) {
    std::fprintf(stderr, "%s\n", static_cast<const char*>(errors->GetBufferPointer()));
  }
  if (code != nullptr) code->Release();
  if (errors != nullptr) errors->Release();
  return words;
}

VkWriteDescriptorSet Write(uint32_t binding, VkDescriptorType type, const VkDescriptorImageInfo* image,
                           const VkDescriptorBufferInfo* buffer) {
  auto write = Make<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
  write.dstBinding = binding;
  write.descriptorCount = 1;
  write.descriptorType = type;
  write.pImageInfo = image;
  write.pBufferInfo = buffer;
  return write;
}

}  // namespace

namespace {

d3d12_bench::VulkanContext::Options ContextOptions(bool validation) {
  d3d12_bench::VulkanContext::Options options;
  options.validation = validation;
  return options;
}

}  // namespace

VulkanViewerFrame::VulkanViewerFrame(const Renderer& renderer, bool validation) : context_(ContextOptions(validation)) {
  error_ = context_.Error();
  if (!error_.empty()) return;
  device_ = context_.Device();
  commands_ = context_.Commands();
  depthFormat_ = FrameDepthFormat(context_.Physical());
  extent_ = {uint32_t(renderer.Width), uint32_t(renderer.Height)};
  if (!CopyContent(renderer) || !CreateTextures(renderer) || !CreateTargets() || !CreatePipelines()) {
    if (error_.empty()) error_ = "the plain-Vulkan viewer frame could not be set up";
  }
}

VulkanViewerFrame::~VulkanViewerFrame() {
  if (device_ == VK_NULL_HANDLE) return;
  vkDeviceWaitIdle(device_);
  vkDestroyPipeline(device_, textPipeline_, nullptr);
  vkDestroyPipeline(device_, objectPipeline_, nullptr);
  DestroyFrameLayouts(device_, layouts_);
  vkDestroySampler(device_, sampler_, nullptr);
  for (Image& target : targets_) context_.Destroy(target);
  for (Image& texture : textures_) context_.Destroy(texture);
  context_.Destroy(depth_);
  context_.Destroy(front_);
  for (MeshBuffers& mesh : meshes_) {
    context_.Destroy(mesh.Vertices);
    context_.Destroy(mesh.Indices);
  }
  for (Buffer* buffer : {&glyphs_, &passConstants_, &objectConstants_, &boneConstants_}) context_.Destroy(*buffer);
}

bool VulkanViewerFrame::CopyContent(const Renderer& renderer) {
  if (renderer.Meshes.empty() || renderer.TextLabels.empty() || renderer.MappedPassConstants == nullptr ||
      renderer.MappedObjectConstants == nullptr || renderer.TextLabels.front().MappedInstances == nullptr) {
    error_ = "the renderer has not been started";
    return false;
  }
  // The constants as the engine's upload buffers hold them after its first frame. Pass and object
  // constants only change when the camera or the model moves, which no benchmark frame does.
  const uint32_t objectBytes = ObjectSlotOffset(std::max(CountDrawItems(renderer.Meshes), 1u));
  bool created = context_.CreateFilledBuffer(renderer.MappedPassConstants, PassConstantsSize,
                                             VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &passConstants_) &&
                 context_.CreateFilledBuffer(renderer.MappedObjectConstants, objectBytes,
                                             VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &objectConstants_) &&
                 context_.CreateFilledBuffer(renderer.MappedBoneConstants, BonePaletteSize,
                                             VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT, &boneConstants_);
  const TextLabel& label = renderer.TextLabels.front();
  glyphCount_ = uint32_t(label.InstanceCount);
  glyphStride_ = label.InstanceBufferView.StrideInBytes;
  created = created && context_.CreateFilledBuffer(label.MappedInstances, VkDeviceSize(glyphCount_) * glyphStride_,
                                                   VK_BUFFER_USAGE_VERTEX_BUFFER_BIT, &glyphs_);
  model_ = renderer.Meshes.front().Geometry;
  timer_.Restart();
  return created && CopyMeshBuffers(renderer);
}

bool VulkanViewerFrame::CopyMeshBuffers(const Renderer& renderer) {
  for (uint32_t m = 0; m < renderer.Meshes.size(); ++m) {
    const Mesh& mesh = renderer.Meshes[m];
    const Model& model = mesh.Geometry;
    std::vector<uint8_t> vertices, indices;
    if (!ReadModelBytes(renderer, model, vertices, indices) || model.IndexFormat != DXGI_FORMAT_R16_UINT) {
      error_ = "the model's vertex and index bytes could not be read";
      return false;
    }
    vertexStride_ = model.VertexStride;
    MeshBuffers buffers;
    if (!context_.CreateFilledBuffer(vertices.data(), vertices.size(), VK_BUFFER_USAGE_VERTEX_BUFFER_BIT,
                                     &buffers.Vertices) ||
        !context_.CreateFilledBuffer(indices.data(), indices.size(), VK_BUFFER_USAGE_INDEX_BUFFER_BIT,
                                     &buffers.Indices)) {
      return false;
    }
    meshes_.push_back(buffers);
    for (size_t k = 0; k < mesh.DrawItems.size(); ++k) {
      const DrawItem& item = mesh.DrawItems[k];
      draws_.push_back({m, item.TextureDescriptor, uint32_t(mesh.ConstantSlot) + uint32_t(k), item.IndexCount,
                        item.FirstIndex, item.BaseVertex});
    }
  }
  return true;
}

bool VulkanViewerFrame::CreateTextures(const Renderer& renderer) {
  // The renderer's slots: the font atlas, the character's texture, then one per material of the model.
  std::vector<DecodedImage> images;
  images.push_back(DecodeImage(L"newarial.png"));
  images.push_back(DecodeImage(L"blessing-1x.png"));
  if (const auto* viewer = dynamic_cast<const ModelViewer*>(renderer.Scene)) {
    for (DecodedImage& image : DecodeMaterialImages(*renderer.Meshes.front().Geometry.Scene, viewer->ModelPath())) {
      images.push_back(std::move(image));
    }
  }
  if (images.size() != renderer.Textures.size()) {
    error_ = "the textures decoded here are not the renderer's";
    return false;
  }
  std::vector<Buffer> staging(images.size());
  textures_.resize(images.size());
  context_.BeginCommands();
  for (size_t i = 0; i < images.size(); ++i) {
    const DecodedImage& image = images[i];
    const VkFormat format = VulkanFormat(image.Format);
    if (format == VK_FORMAT_UNDEFINED ||
        !context_.CreateImage(format, {image.Width, image.Height},
                              VK_IMAGE_USAGE_SAMPLED_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT, VK_IMAGE_ASPECT_COLOR_BIT,
                              &textures_[i]) ||
        !context_.CreateFilledBuffer(image.Pixels.data(), image.ByteSize, VK_BUFFER_USAGE_TRANSFER_SRC_BIT,
                                     &staging[i])) {
      error_ = "a texture could not be made";
      vkEndCommandBuffer(commands_);
      for (Buffer& buffer : staging) context_.Destroy(buffer);
      return false;
    }
    ImageBarrier(commands_, textures_[i].image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_UNDEFINED,
                 VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_PIPELINE_STAGE_2_NONE, 0,
                 VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT);
    const VkBufferImageCopy region{
        0, 0, 0, {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1}, {0, 0, 0}, {image.Width, image.Height, 1}};
    vkCmdCopyBufferToImage(commands_, staging[i].buffer, textures_[i].image, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1,
                           &region);
    ImageBarrier(commands_, textures_[i].image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
                 VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
                 VK_ACCESS_2_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_2_FRAGMENT_SHADER_BIT, VK_ACCESS_2_SHADER_READ_BIT);
  }
  vkEndCommandBuffer(commands_);
  context_.SubmitAndWait();
  for (Buffer& buffer : staging) context_.Destroy(buffer);

  // The root signatures' static sampler: linear, nearest mip, wrapping.
  auto samplerInfo = Make<VkSamplerCreateInfo>(VK_STRUCTURE_TYPE_SAMPLER_CREATE_INFO);
  samplerInfo.magFilter = samplerInfo.minFilter = VK_FILTER_LINEAR;
  samplerInfo.mipmapMode = VK_SAMPLER_MIPMAP_MODE_NEAREST;
  samplerInfo.addressModeU = samplerInfo.addressModeV = samplerInfo.addressModeW = VK_SAMPLER_ADDRESS_MODE_REPEAT;
  samplerInfo.maxLod = VK_LOD_CLAMP_NONE;
  return vkCreateSampler(device_, &samplerInfo, nullptr, &sampler_) == VK_SUCCESS;
}

bool VulkanViewerFrame::CreateTargets() {
  bool created = true;
  for (Image& target : targets_) {
    created = created && context_.CreateImage(kTargetFormat, extent_,
                                              VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT,
                                              VK_IMAGE_ASPECT_COLOR_BIT, &target);
  }
  created = created && context_.CreateImage(depthFormat_, extent_, VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT,
                                            VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT, &depth_);
  created = created && context_.CreateImage(kTargetFormat, extent_,
                                            VK_IMAGE_USAGE_TRANSFER_DST_BIT | VK_IMAGE_USAGE_TRANSFER_SRC_BIT,
                                            VK_IMAGE_ASPECT_COLOR_BIT, &front_);
  if (!created) {
    error_ = "the render targets could not be made";
    return false;
  }
  vkResetCommandPool(device_, context_.Pool(), 0);
  context_.BeginCommands();
  ImageBarrier(commands_, depth_.image, VK_IMAGE_ASPECT_DEPTH_BIT | VK_IMAGE_ASPECT_STENCIL_BIT,
               VK_IMAGE_LAYOUT_UNDEFINED, VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL, VK_PIPELINE_STAGE_2_NONE, 0,
               VK_PIPELINE_STAGE_2_EARLY_FRAGMENT_TESTS_BIT, VK_ACCESS_2_DEPTH_STENCIL_ATTACHMENT_WRITE_BIT);
  vkEndCommandBuffer(commands_);
  context_.SubmitAndWait();
  return true;
}

bool VulkanViewerFrame::CreatePipelines() {
  layouts_ = CreateFrameLayouts(device_, kTextureBinding, kSamplerBinding);

  textPipeline_ = CreatePipeline(L"Shaders/FontVS.hlsl", L"Shaders/FontPS.hlsl", layouts_.text, true);
  objectPipeline_ = CreatePipeline(L"Shaders/objVS.hlsl", L"Shaders/objPS.hlsl", layouts_.object, false);
  if (textPipeline_ == VK_NULL_HANDLE || objectPipeline_ == VK_NULL_HANDLE) {
    error_ = "the pipelines could not be made from the engine's shaders";
    return false;
  }
  return true;
}

VkPipeline VulkanViewerFrame::CreatePipeline(const wchar_t* vertexFile, const wchar_t* pixelFile,
                                             VkPipelineLayout layout, bool text) {
  // Inputs at the locations the compiler gives the declared members, in order: the glyph record per
  // instance; the 80-byte SkinnedVertex (position, uv, normal, colour, weights, bone indices).
  FramePipelineShape shape;
  shape.text = text;
  shape.stride = text ? glyphStride_ : vertexStride_;
  shape.attributes = text ? GlyphRecordAttributes()
                          : std::vector<VkVertexInputAttributeDescription>{
                                {0, 0, VK_FORMAT_R32G32B32_SFLOAT, 0},     {1, 0, VK_FORMAT_R32G32_SFLOAT, 12},
                                {2, 0, VK_FORMAT_R32G32B32_SFLOAT, 20},    {3, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 32},
                                {4, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 48}, {5, 0, VK_FORMAT_R32G32B32A32_SFLOAT, 64}};
  shape.colorFormat = kTargetFormat;
  shape.depthFormat = depthFormat_;
  return CreateFramePipeline(context_, CompileEngineShader(vertexFile, "vs_5_0"),
                             CompileEngineShader(pixelFile, "ps_5_0"), layout, shape);
}

void VulkanViewerFrame::Render() {
  timer_.Advance();
  UpdateAnimation(model_, timer_, palette_);
  WriteBonePalette(palette_, static_cast<uint8_t*>(boneConstants_.mapped));
  Record();
  context_.SubmitAndWait();
  targetsUsed_[currentTarget_] = true;
  frontUsed_ = true;
  currentTarget_ = (currentTarget_ + 1) % 2;
}

void VulkanViewerFrame::Record() {
  vkResetCommandPool(device_, context_.Pool(), 0);
  context_.BeginCommands();
  const Image& target = targets_[currentTarget_];
  ImageBarrier(commands_, target.image, VK_IMAGE_ASPECT_COLOR_BIT,
               targetsUsed_[currentTarget_] ? VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL : VK_IMAGE_LAYOUT_UNDEFINED,
               VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, 0,
               VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT, VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT);

  auto color = Make<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  color.imageView = target.view;
  color.imageLayout = VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL;
  color.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
  color.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  std::memcpy(color.clearValue.color.float32, kClearColor, sizeof(kClearColor));
  auto depthStencil = Make<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  depthStencil.imageView = depth_.view;
  depthStencil.imageLayout = VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL;
  depthStencil.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
  depthStencil.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  depthStencil.clearValue.depthStencil = {1.0f, 0};
  auto rendering = Make<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
  rendering.renderArea = {{0, 0}, extent_};
  rendering.layerCount = 1;
  rendering.colorAttachmentCount = 1;
  rendering.pColorAttachments = &color;
  rendering.pDepthAttachment = &depthStencil;
  rendering.pStencilAttachment = &depthStencil;
  vkCmdBeginRendering(commands_, &rendering);
  // Direct3D's clip space (y up) through a flipped viewport, as the layer does.
  const VkViewport viewport{0, float(extent_.height), float(extent_.width), -float(extent_.height), 0, 1};
  const VkRect2D scissor{{0, 0}, extent_};
  vkCmdSetViewport(commands_, 0, 1, &viewport);
  vkCmdSetScissor(commands_, 0, 1, &scissor);

  const VkDescriptorImageInfo samplerInfo{sampler_, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED};
  const VkDescriptorImageInfo atlasInfo{VK_NULL_HANDLE, textures_[0].view, VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
  const VkWriteDescriptorSet textWrites[] = {
      Write(kTextureBinding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, &atlasInfo, nullptr),
      Write(kSamplerBinding, VK_DESCRIPTOR_TYPE_SAMPLER, &samplerInfo, nullptr)};
  vkCmdBindPipeline(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, textPipeline_);
  context_.PushDescriptors()(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, layouts_.text, 0, 2, textWrites);
  const VkDeviceSize zero = 0;
  vkCmdBindVertexBuffers(commands_, 0, 1, &glyphs_.buffer, &zero);
  vkCmdDraw(commands_, 4, glyphCount_, 0, 0);

  // As a Vulkan program draws it: the pipeline and the constants all draws share set once, then per draw
  // the object's constants, and the texture and buffers only when they change. Push descriptors keep the
  // bindings a push leaves out.
  const VkDescriptorBufferInfo pass{passConstants_.buffer, 0, PassConstantsSize};
  const VkDescriptorBufferInfo bones{boneConstants_.buffer, 0, BonePaletteSize};
  vkCmdBindPipeline(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, objectPipeline_);
  uint32_t boundMesh = UINT32_MAX, boundTexture = UINT32_MAX;
  for (const Draw& draw : draws_) {
    const VkDescriptorBufferInfo object{objectConstants_.buffer, ObjectSlotOffset(draw.ObjectSlot), ConstantSlotSize};
    const VkDescriptorImageInfo texture{VK_NULL_HANDLE, textures_[draw.Texture].view,
                                        VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL};
    VkWriteDescriptorSet writes[5];
    uint32_t writeCount = 0;
    writes[writeCount++] = Write(1, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, nullptr, &object);
    if (boundTexture == UINT32_MAX) {
      writes[writeCount++] = Write(0, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, nullptr, &pass);
      writes[writeCount++] = Write(2, VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER, nullptr, &bones);
      writes[writeCount++] = Write(kSamplerBinding, VK_DESCRIPTOR_TYPE_SAMPLER, &samplerInfo, nullptr);
    }
    if (draw.Texture != boundTexture) {
      writes[writeCount++] = Write(kTextureBinding, VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE, &texture, nullptr);
      boundTexture = draw.Texture;
    }
    context_.PushDescriptors()(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, layouts_.object, 0, writeCount, writes);
    if (draw.Mesh != boundMesh) {
      const MeshBuffers& mesh = meshes_[draw.Mesh];
      vkCmdBindVertexBuffers(commands_, 0, 1, &mesh.Vertices.buffer, &zero);
      vkCmdBindIndexBuffer(commands_, mesh.Indices.buffer, 0, VK_INDEX_TYPE_UINT16);
      boundMesh = draw.Mesh;
    }
    vkCmdDrawIndexed(commands_, draw.IndexCount, 1, draw.FirstIndex, draw.BaseVertex, 0);
  }
  vkCmdEndRendering(commands_);

  // The off-screen present: the frame copied into the front image, which keeps it for reading.
  ImageBarrier(commands_, target.image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL,
               VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_PIPELINE_STAGE_2_COLOR_ATTACHMENT_OUTPUT_BIT,
               VK_ACCESS_2_COLOR_ATTACHMENT_WRITE_BIT, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
               VK_ACCESS_2_TRANSFER_READ_BIT);
  ImageBarrier(commands_, front_.image, VK_IMAGE_ASPECT_COLOR_BIT,
               frontUsed_ ? VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL : VK_IMAGE_LAYOUT_UNDEFINED,
               VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
               VK_ACCESS_2_TRANSFER_READ_BIT, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_WRITE_BIT);
  const VkImageCopy region{{VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                           {0, 0, 0},
                           {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1},
                           {0, 0, 0},
                           {extent_.width, extent_.height, 1}};
  vkCmdCopyImage(commands_, target.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, front_.image,
                 VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL, 1, &region);
  ImageBarrier(commands_, front_.image, VK_IMAGE_ASPECT_COLOR_BIT, VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL,
               VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT,
               VK_ACCESS_2_TRANSFER_WRITE_BIT, VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT, VK_ACCESS_2_TRANSFER_READ_BIT);
  vkEndCommandBuffer(commands_);
}

std::vector<uint8_t> VulkanViewerFrame::ReadFrontImage() {
  std::vector<uint8_t> pixels;
  if (!frontUsed_) return pixels;
  const VkDeviceSize size = VkDeviceSize(extent_.width) * extent_.height * 4;
  Buffer readback;
  if (!context_.CreateBuffer(size, VK_BUFFER_USAGE_TRANSFER_DST_BIT,
                             VK_MEMORY_PROPERTY_HOST_VISIBLE_BIT | VK_MEMORY_PROPERTY_HOST_COHERENT_BIT, &readback)) {
    return pixels;
  }
  vkResetCommandPool(device_, context_.Pool(), 0);
  context_.BeginCommands();
  const VkBufferImageCopy region{
      0, 0, 0, {VK_IMAGE_ASPECT_COLOR_BIT, 0, 0, 1}, {0, 0, 0}, {extent_.width, extent_.height, 1}};
  vkCmdCopyImageToBuffer(commands_, front_.image, VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL, readback.buffer, 1, &region);
  auto toHost = Make<VkMemoryBarrier2>(VK_STRUCTURE_TYPE_MEMORY_BARRIER_2);
  toHost.srcStageMask = VK_PIPELINE_STAGE_2_ALL_TRANSFER_BIT;
  toHost.srcAccessMask = VK_ACCESS_2_TRANSFER_WRITE_BIT;
  toHost.dstStageMask = VK_PIPELINE_STAGE_2_HOST_BIT;
  toHost.dstAccessMask = VK_ACCESS_2_HOST_READ_BIT;
  auto dependency = Make<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.memoryBarrierCount = 1;
  dependency.pMemoryBarriers = &toHost;
  vkCmdPipelineBarrier2(commands_, &dependency);
  vkEndCommandBuffer(commands_);
  context_.SubmitAndWait();
  const auto* bytes = static_cast<const uint8_t*>(readback.mapped);
  pixels.assign(bytes, bytes + size);
  context_.Destroy(readback);
  return pixels;
}
