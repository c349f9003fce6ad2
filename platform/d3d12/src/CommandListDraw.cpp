// Render targets, clears and draws of ID3D12GraphicsCommandList.
#include "CommandList.h"

#include "CommandAllocator.h"
#include "D3D12ToVulkan.h"
#include "Device.h"
#include "Diagnostics.h"
#include "PipelineState.h"
#include "Resource.h"
#include "RootSignature.h"
#include "VulkanStructs.h"

#include <algorithm>

namespace d3d12vk {
namespace {

bool LayoutAcceptsAttachment(VkImageLayout layout, bool depth) {
  if (layout == VK_IMAGE_LAYOUT_GENERAL) return true;
  return layout ==
         (depth ? VK_IMAGE_LAYOUT_DEPTH_STENCIL_ATTACHMENT_OPTIMAL : VK_IMAGE_LAYOUT_COLOR_ATTACHMENT_OPTIMAL);
}

bool LayoutAcceptsSampling(VkImageLayout layout) {
  return layout == VK_IMAGE_LAYOUT_SHADER_READ_ONLY_OPTIMAL || layout == VK_IMAGE_LAYOUT_GENERAL ||
         layout == VK_IMAGE_LAYOUT_DEPTH_STENCIL_READ_ONLY_OPTIMAL;
}

VkRenderingAttachmentInfo AttachmentInfo(const Descriptor& target) {
  auto info = VkInit<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  info.imageView = target.view;
  info.imageLayout = target.resource != nullptr ? target.resource->CurrentLayout() : VK_IMAGE_LAYOUT_UNDEFINED;
  info.loadOp = VK_ATTACHMENT_LOAD_OP_LOAD;
  info.storeOp = VK_ATTACHMENT_STORE_OP_STORE;
  return info;
}

}  // namespace

void CommandList::OMSetRenderTargets(UINT count, const D3D12_CPU_DESCRIPTOR_HANDLE* renderTargets,
                                     BOOL singleHandleToDescriptorRange,
                                     const D3D12_CPU_DESCRIPTOR_HANDLE* depthStencil) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::OMSetRenderTargets");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::OMSetRenderTargets";
  if (!CheckRecording(kCall)) return;
  if (count > D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT || (count > 0 && renderTargets == nullptr)) {
    return Reject(kCall, "expected up to %u render target handles", D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT);
  }
  const DescriptorHeapRegistry& heaps = OwningDevice().DescriptorHeaps();
  std::array<Descriptor, D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT> targets{};
  for (UINT i = 0; i < count; ++i) {
    const D3D12_CPU_DESCRIPTOR_HANDLE handle =
        singleHandleToDescriptorRange
            ? D3D12_CPU_DESCRIPTOR_HANDLE{renderTargets[0].ptr + i * kDescriptorHandleIncrement}
            : renderTargets[i];
    const Descriptor* descriptor = heaps.Resolve(handle, D3D12_DESCRIPTOR_HEAP_TYPE_RTV, kCall);
    if (descriptor == nullptr) return Reject(kCall, "render target %u was not set", i);
    if (descriptor->type != DescriptorType::RenderTarget) {
      return Reject(kCall, "render target %u names a descriptor without a render target view", i);
    }
    targets[i] = *descriptor;
  }
  Descriptor depth{};
  if (depthStencil != nullptr) {
    const Descriptor* descriptor = heaps.Resolve(*depthStencil, D3D12_DESCRIPTOR_HEAP_TYPE_DSV, kCall);
    if (descriptor == nullptr) return Reject(kCall, "the depth-stencil target was not set");
    if (descriptor->type != DescriptorType::DepthStencil) {
      return Reject(kCall, "the depth-stencil handle names a descriptor without a depth-stencil view");
    }
    depth = *descriptor;
  }

  bool same = count == renderTargetCount_ && depth.view == depthStencil_.view;
  for (UINT i = 0; same && i < count; ++i) same = targets[i].view == renderTargets_[i].view;
  if (same) return;
  EndRendering();
  renderTargetCount_ = count;
  renderTargets_ = targets;
  depthStencil_ = depth;
}

void CommandList::ClearRenderTargetView(D3D12_CPU_DESCRIPTOR_HANDLE view, const FLOAT color[4], UINT rectCount,
                                        const D3D12_RECT* rects) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::ClearRenderTargetView");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ClearRenderTargetView";
  if (!CheckRecording(kCall)) return;
  const Descriptor* target = OwningDevice().DescriptorHeaps().Resolve(view, D3D12_DESCRIPTOR_HEAP_TYPE_RTV, kCall);
  if (target == nullptr) return Reject(kCall, "nothing was cleared");
  if (target->type != DescriptorType::RenderTarget) return Reject(kCall, "the descriptor holds no render target view");
  if (color == nullptr) return Reject(kCall, "ColorRGBA is null");
  VkClearValue value{};
  std::copy(color, color + 4, value.color.float32);
  Clear(kCall, *target, VK_IMAGE_ASPECT_COLOR_BIT, value, rectCount, rects);
}

void CommandList::ClearDepthStencilView(D3D12_CPU_DESCRIPTOR_HANDLE view, D3D12_CLEAR_FLAGS flags, FLOAT depth,
                                        UINT8 stencil, UINT rectCount, const D3D12_RECT* rects) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::ClearDepthStencilView");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ClearDepthStencilView";
  if (!CheckRecording(kCall)) return;
  const Descriptor* target = OwningDevice().DescriptorHeaps().Resolve(view, D3D12_DESCRIPTOR_HEAP_TYPE_DSV, kCall);
  if (target == nullptr) return Reject(kCall, "nothing was cleared");
  if (target->type != DescriptorType::DepthStencil) return Reject(kCall, "the descriptor holds no depth-stencil view");
  VkImageAspectFlags aspects = 0;
  if (flags & D3D12_CLEAR_FLAG_DEPTH) aspects |= VK_IMAGE_ASPECT_DEPTH_BIT;
  if (flags & D3D12_CLEAR_FLAG_STENCIL) aspects |= VK_IMAGE_ASPECT_STENCIL_BIT;
  aspects &= target->aspects;
  if (aspects == 0) return Reject(kCall, "ClearFlags 0x%x clear no aspect of this view", flags);
  if (!(depth >= 0.0f && depth <= 1.0f)) return Reject(kCall, "depth %g is outside 0..1", depth);
  VkClearValue value{};
  value.depthStencil = {depth, stencil};
  Clear(kCall, *target, aspects, value, rectCount, rects);
}

void CommandList::Clear(const char* call, const Descriptor& target, VkImageAspectFlags aspects,
                        const VkClearValue& value, UINT rectCount, const D3D12_RECT* rects) {
  const bool depth = target.type == DescriptorType::DepthStencil;
  if (!LayoutAcceptsAttachment(target.resource->CurrentLayout(), depth)) {
    return Reject(call, "the resource is in state 0x%x; clearing needs %s", target.resource->RecordedState(),
                  depth ? "DEPTH_WRITE" : "RENDER_TARGET");
  }
  if (rectCount > 0 && rects == nullptr) return Reject(call, "pRects is null");
  if (renderingActive_ && IsBoundTarget(target.view)) {
    ClearInRendering(target, aspects, value, rectCount, rects);
    return;
  }
  if (rectCount == 0 && !predicating_) {
    AddPendingClear(target, aspects, value);
    return;
  }
  // Clearing part of a target that is not being rendered to: render to it alone for the clear.
  EndRendering();
  FlushPendingClears();
  RecordRendering(depth ? nullptr : &target, depth ? 0 : 1, depth ? &target : nullptr);
  ClearInRendering(target, aspects, value, rectCount, rects);
  OwningDevice().Vulkan().Commands().CmdEndRendering(commands_);
}

void CommandList::ClearInRendering(const Descriptor& target, VkImageAspectFlags aspects, const VkClearValue& value,
                                   UINT rectCount, const D3D12_RECT* rects) {
  VkClearAttachment attachment{aspects, 0, value};
  for (UINT i = 0; i < renderTargetCount_; ++i) {
    if (renderTargets_[i].view == target.view) attachment.colorAttachment = i;
  }
  std::vector<VkClearRect> clearRects;
  if (rectCount == 0) clearRects.push_back({{{0, 0}, renderArea_}, 0, 1});
  for (UINT i = 0; i < rectCount; ++i) {
    const int32_t left = std::clamp<int32_t>(rects[i].left, 0, int32_t(renderArea_.width));
    const int32_t top = std::clamp<int32_t>(rects[i].top, 0, int32_t(renderArea_.height));
    const int32_t right = std::clamp<int32_t>(rects[i].right, left, int32_t(renderArea_.width));
    const int32_t bottom = std::clamp<int32_t>(rects[i].bottom, top, int32_t(renderArea_.height));
    if (right > left && bottom > top) {
      clearRects.push_back({{{left, top}, {uint32_t(right - left), uint32_t(bottom - top)}}, 0, 1});
    }
  }
  if (!clearRects.empty()) {
    vkCmdClearAttachments(commands_, 1, &attachment, uint32_t(clearRects.size()), clearRects.data());
  }
}

void CommandList::AddPendingClear(const Descriptor& target, VkImageAspectFlags aspects, const VkClearValue& value) {
  for (PendingClear& pending : pendingClears_) {
    if (pending.target.view != target.view) continue;
    // A later clear of some aspects replaces those, and keeps the earlier clear of the others.
    if (aspects & VK_IMAGE_ASPECT_COLOR_BIT) pending.value.color = value.color;
    if (aspects & VK_IMAGE_ASPECT_DEPTH_BIT) pending.value.depthStencil.depth = value.depthStencil.depth;
    if (aspects & VK_IMAGE_ASPECT_STENCIL_BIT) pending.value.depthStencil.stencil = value.depthStencil.stencil;
    pending.aspects |= aspects;
    return;
  }
  pendingClears_.push_back({target, aspects, value});
}

bool CommandList::TakePendingClear(VkImageView view, VkImageAspectFlags aspect, VkClearValue* value) {
  for (auto it = pendingClears_.begin(); it != pendingClears_.end(); ++it) {
    if (it->target.view != view || !(it->aspects & aspect)) continue;
    *value = it->value;
    it->aspects &= ~aspect;
    if (it->aspects == 0) pendingClears_.erase(it);
    return true;
  }
  return false;
}

void CommandList::FlushPendingClears() {
  while (!pendingClears_.empty()) {
    const Descriptor target = pendingClears_.front().target;
    const bool depth = target.type == DescriptorType::DepthStencil;
    RecordRendering(depth ? nullptr : &target, depth ? 0 : 1, depth ? &target : nullptr);
    OwningDevice().Vulkan().Commands().CmdEndRendering(commands_);
  }
}

void CommandList::RecordRendering(const Descriptor* colors, UINT colorCount, const Descriptor* depthStencil) {
  VkRenderingAttachmentInfo colorInfos[D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT];
  VkExtent2D area{UINT32_MAX, UINT32_MAX};
  auto include = [&area](const Descriptor& target) {
    area.width = std::min(area.width, target.extent.width);
    area.height = std::min(area.height, target.extent.height);
  };
  for (UINT i = 0; i < colorCount; ++i) {
    colorInfos[i] = AttachmentInfo(colors[i]);
    if (colors[i].view == VK_NULL_HANDLE) continue;
    include(colors[i]);
    if (TakePendingClear(colors[i].view, VK_IMAGE_ASPECT_COLOR_BIT, &colorInfos[i].clearValue)) {
      colorInfos[i].loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    }
  }
  auto depthInfo = VkInit<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  auto stencilInfo = VkInit<VkRenderingAttachmentInfo>(VK_STRUCTURE_TYPE_RENDERING_ATTACHMENT_INFO);
  const bool hasDepth = depthStencil != nullptr && (depthStencil->aspects & VK_IMAGE_ASPECT_DEPTH_BIT);
  const bool hasStencil = depthStencil != nullptr && (depthStencil->aspects & VK_IMAGE_ASPECT_STENCIL_BIT);
  if (depthStencil != nullptr) include(*depthStencil);
  if (hasDepth) {
    depthInfo = AttachmentInfo(*depthStencil);
    if (TakePendingClear(depthStencil->view, VK_IMAGE_ASPECT_DEPTH_BIT, &depthInfo.clearValue)) {
      depthInfo.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    }
  }
  if (hasStencil) {
    stencilInfo = AttachmentInfo(*depthStencil);
    if (TakePendingClear(depthStencil->view, VK_IMAGE_ASPECT_STENCIL_BIT, &stencilInfo.clearValue)) {
      stencilInfo.loadOp = VK_ATTACHMENT_LOAD_OP_CLEAR;
    }
  }
  if (area.width == UINT32_MAX) area = {1, 1};
  renderArea_ = area;

  auto rendering = VkInit<VkRenderingInfo>(VK_STRUCTURE_TYPE_RENDERING_INFO);
  rendering.renderArea = {{0, 0}, area};
  rendering.layerCount = 1;
  rendering.colorAttachmentCount = colorCount;
  rendering.pColorAttachments = colorInfos;
  rendering.pDepthAttachment = hasDepth ? &depthInfo : nullptr;
  rendering.pStencilAttachment = hasStencil ? &stencilInfo : nullptr;
  OwningDevice().Vulkan().Commands().CmdBeginRendering(commands_, &rendering);
}

bool CommandList::BeginRendering(const char* call) {
  if (renderingActive_) return true;
  const bool hasDepth = depthStencil_.type == DescriptorType::DepthStencil;
  if (renderTargetCount_ == 0 && !hasDepth) {
    Reject(call, "no render target or depth-stencil target is set");
    return false;
  }
  for (UINT i = 0; i < renderTargetCount_; ++i) {
    const Descriptor& target = renderTargets_[i];
    if (target.resource != nullptr && !LayoutAcceptsAttachment(target.resource->CurrentLayout(), false)) {
      Reject(call, "render target %u is in state 0x%x, not RENDER_TARGET", i, target.resource->RecordedState());
      return false;
    }
  }
  if (hasDepth && !LayoutAcceptsAttachment(depthStencil_.resource->CurrentLayout(), true)) {
    Reject(call, "the depth-stencil target is in state 0x%x, not DEPTH_WRITE", depthStencil_.resource->RecordedState());
    return false;
  }
  RecordRendering(renderTargets_.data(), renderTargetCount_, hasDepth ? &depthStencil_ : nullptr);
  renderingActive_ = true;
  return true;
}

void CommandList::EndRendering() {
  if (!renderingActive_) return;
  OwningDevice().Vulkan().Commands().CmdEndRendering(commands_);
  renderingActive_ = false;
}

bool CommandList::IsBoundTarget(VkImageView view) const {
  for (UINT i = 0; i < renderTargetCount_; ++i) {
    if (renderTargets_[i].view == view) return true;
  }
  return depthStencil_.view == view;
}

bool CommandList::TargetsMatchPipeline(const char* call) {
  if (pipeline_->RenderTargetCount() != renderTargetCount_) {
    Reject(call, "the pipeline state writes %u render targets, %u are set", pipeline_->RenderTargetCount(),
           renderTargetCount_);
    return false;
  }
  for (UINT i = 0; i < renderTargetCount_; ++i) {
    if (pipeline_->RenderTargetFormat(i) != renderTargets_[i].format) {
      Reject(call, "render target %u's format differs from the pipeline state's RTVFormats[%u]", i, i);
      return false;
    }
  }
  const bool unusedDepthStencilAbsent =
      depthStencil_.format == VK_FORMAT_UNDEFINED && pipeline_->HandleWithoutDepthStencil() != VK_NULL_HANDLE;
  if (pipeline_->DepthStencilFormat() != depthStencil_.format && !unusedDepthStencilAbsent) {
    Reject(call, "the depth-stencil target's format differs from the pipeline state's DSVFormat");
    return false;
  }
  if (!TargetsMatchSampleCount(pipeline_->SampleCount())) {
    Reject(call, "the targets' sample counts differ from the pipeline state's SampleDesc.Count %u",
           pipeline_->SampleCount());
    return false;
  }
  return true;
}

bool CommandList::PrepareDraw(const char* call, bool indexed) {
  if (!CheckRecording(call)) return false;
  const char* problem = nullptr;
  if (pipeline_ == nullptr) {
    problem = "no pipeline state is set";
  } else if (pipeline_->IsCompute()) {
    problem = "the pipeline state is a compute pipeline";
  } else if (graphics_.signature == nullptr) {
    problem = "no graphics root signature is set";
  } else if (!pipeline_->Root().IsCompatible(*graphics_.signature)) {
    problem = "the pipeline state was built for another root signature";
  } else if (topology_ == D3D_PRIMITIVE_TOPOLOGY_UNDEFINED || (replayingBundle_ && !bundleSetTopology_)) {
    problem = "no primitive topology is set";
  } else if (!TopologyMatchesType(topology_, pipeline_->TopologyType())) {
    problem = "the primitive topology does not match the pipeline state's topology type";
  } else if (!viewportSet_ || !scissorSet_) {
    problem = "a viewport and a scissor rectangle must be set first";
  } else if (indexed && !indexBufferSet_) {
    problem = "no index buffer is set";
  } else if (pipeline_->UsesVertexBuffers() && !vertexBuffersSet_) {
    problem = "no vertex buffers are set";
  }
  if (problem != nullptr) {
    Reject(call, "%s; the draw was skipped", problem);
    return false;
  }
  if (!TargetsMatchPipeline(call) || !BeginRendering(call)) return false;
  if (!PrepareRootArguments(graphics_, call, *pipeline_, VK_PIPELINE_BIND_POINT_GRAPHICS)) return false;
  const VkPipeline handle = depthStencil_.format == VK_FORMAT_UNDEFINED && pipeline_->HandleWithoutDepthStencil()
                                ? pipeline_->HandleWithoutDepthStencil()
                                : pipeline_->Handle();
  if (boundPipeline_ != handle) {
    vkCmdBindPipeline(commands_, VK_PIPELINE_BIND_POINT_GRAPHICS, handle);
    boundPipeline_ = handle;
  }
  const bool strip = topology_ == D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP || topology_ == D3D_PRIMITIVE_TOPOLOGY_LINESTRIP;
  const int restart = pipeline_->StripCutEnabled() && strip ? 1 : 0;
  if (restart != primitiveRestart_) {
    OwningDevice().Vulkan().Commands().CmdSetPrimitiveRestartEnable(commands_, restart);
    primitiveRestart_ = restart;
  }
  return true;
}

bool CommandList::PrepareRootArguments(RootState& root, const char* call, const PipelineState& pipeline,
                                       VkPipelineBindPoint bindPoint) {
  if (root.constantsToUpload != 0 && !UploadRootConstants(root, call)) return false;
  // Pipelines type their bindings themselves, so a new pipeline needs the descriptors pushed again.
  // (The variant without a depth-stencil target shares the pipeline's layout.)
  const bool sameGraphicsPipeline =
      boundPipeline_ == pipeline.Handle() ||
      (boundPipeline_ != VK_NULL_HANDLE && boundPipeline_ == pipeline.HandleWithoutDepthStencil());
  if (bindPoint == VK_PIPELINE_BIND_POINT_GRAPHICS ? !sameGraphicsPipeline
                                                   : boundComputePipeline_ != pipeline.Handle()) {
    root.descriptorsDirty = true;
    root.changedArguments = ~uint64_t{0};
  }
  return !root.descriptorsDirty || PushDescriptors(root, call, pipeline, bindPoint);
}

namespace {

// The image layout a shader may use an image in: sampled images in read-only or general layouts, storage
// images only in the general layout (UNORDERED_ACCESS).
bool LayoutAcceptsShaderUse(VkImageLayout layout, VkDescriptorType type) {
  return type == VK_DESCRIPTOR_TYPE_STORAGE_IMAGE ? layout == VK_IMAGE_LAYOUT_GENERAL : LayoutAcceptsSampling(layout);
}

bool IsBufferType(VkDescriptorType type) {
  return type == VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER || type == VK_DESCRIPTOR_TYPE_STORAGE_BUFFER;
}

bool IsTexelBufferType(VkDescriptorType type) {
  return type == VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER || type == VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER;
}

}  // namespace

bool CommandList::WriteNullDescriptor(VkWriteDescriptorSet* write) {
  // An empty or mismatched slot reads as zero in Direct3D; Vulkan can say so only with null descriptors,
  // and has no null sampler at all.
  const VkDescriptorType type = write->descriptorType;
  if (!OwningDevice().Vulkan().HasNullDescriptors() || type == VK_DESCRIPTOR_TYPE_SAMPLER) return false;
  if (IsBufferType(type)) {
    bufferInfos_.push_back({VK_NULL_HANDLE, 0, VK_WHOLE_SIZE});
    write->pBufferInfo = &bufferInfos_.back();
  } else if (IsTexelBufferType(type)) {
    texelViews_.push_back(VK_NULL_HANDLE);
    write->pTexelBufferView = &texelViews_.back();
  } else {
    imageInfos_.push_back({VK_NULL_HANDLE, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED});
    write->pImageInfo = &imageInfos_.back();
  }
  return true;
}

bool CommandList::WriteDescriptor(const char* call, const Descriptor& descriptor, VkWriteDescriptorSet* write) {
  const VkDescriptorType type = write->descriptorType;
  if (!DescriptorFits(descriptor, type)) return WriteNullDescriptor(write);
  if (IsBufferType(type)) {
    bufferInfos_.push_back({descriptor.buffer, descriptor.offset, descriptor.range});
    write->pBufferInfo = &bufferInfos_.back();
  } else if (IsTexelBufferType(type)) {
    texelViews_.push_back(descriptor.texelView);
    write->pTexelBufferView = &texelViews_.back();
  } else if (type == VK_DESCRIPTOR_TYPE_SAMPLER) {
    imageInfos_.push_back({descriptor.sampler, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED});
    write->pImageInfo = &imageInfos_.back();
  } else {
    const VkImageLayout imageLayout = descriptor.resource->CurrentLayout();
    if (!LayoutAcceptsShaderUse(imageLayout, type)) {
      Reject(call, "a texture is in state 0x%x, not a%s state; the work was skipped",
             descriptor.resource->RecordedState(),
             type == VK_DESCRIPTOR_TYPE_STORAGE_IMAGE ? "n unordered access" : " shader resource");
      return false;
    }
    imageInfos_.push_back({VK_NULL_HANDLE, descriptor.view, imageLayout});
    write->pImageInfo = &imageInfos_.back();
  }
  return true;
}

bool CommandList::WriteCounterDescriptor(const char* call, const RootArgument& argument,
                                         const PipelineBinding& binding, VkWriteDescriptorSet* write) {
  const uint32_t index = argument.index + binding.source.offsetInTable;
  const Descriptor* view = argument.heap != nullptr && index < argument.heap->Size() ? &argument.heap->At(index) : nullptr;
  if (view == nullptr || view->type != DescriptorType::UnorderedAccess || view->counterBuffer == VK_NULL_HANDLE) {
    Reject(call, "the shader appends, consumes or counts through a UAV made without a counter resource; the work "
                 "was skipped");
    return false;
  }
  bufferInfos_.push_back({view->counterBuffer, view->counterOffset, sizeof(uint32_t)});
  write->pBufferInfo = &bufferInfos_.back();
  return true;
}

bool CommandList::PushDescriptors(RootState& root, const char* call, const PipelineState& pipeline,
                                  VkPipelineBindPoint bindPoint) {
  const PipelineBindings& bindings = pipeline.Bindings();
  writes_.clear();
  bufferInfos_.clear();
  imageInfos_.clear();
  texelViews_.clear();
  // The infos are pointed at by the writes, so they must not move while the writes are built.
  bufferInfos_.reserve(bindings.DescriptorCount());
  imageInfos_.reserve(bindings.DescriptorCount());
  texelViews_.reserve(bindings.DescriptorCount());

  const bool rejectedEarlier = rejectedCall_;
  // Push descriptors keep what a push leaves out, so while the pipeline stays, only the bindings of changed
  // root arguments are pushed again: a draw loop that changes one table writes one descriptor per draw, not
  // the pipeline's every one (which a CPU driver pays for at each draw).
  const bool onlyChanged = bindings.Pushed() && root.changedArguments != ~uint64_t{0};
  for (const PipelineBinding& binding : bindings.Bindings()) {
    if (onlyChanged &&
        (binding.source.parameter < 0 || ((root.changedArguments >> binding.source.parameter) & 1) == 0)) {
      continue;
    }
    auto write = VkInit<VkWriteDescriptorSet>(VK_STRUCTURE_TYPE_WRITE_DESCRIPTOR_SET);
    write.dstBinding = binding.binding;
    write.descriptorCount = 1;
    write.descriptorType = binding.type;
    if (binding.source.parameter < 0) {
      imageInfos_.push_back({binding.source.staticSampler, VK_NULL_HANDLE, VK_IMAGE_LAYOUT_UNDEFINED});
      write.pImageInfo = &imageInfos_.back();
      writes_.push_back(write);
      continue;
    }
    const RootArgument& argument = root.arguments[size_t(binding.source.parameter)];
    if (!argument.set) continue;
    if (binding.counter) {
      if (!WriteCounterDescriptor(call, argument, binding, &write)) return false;
      writes_.push_back(write);
      continue;
    }
    if (argument.heap == nullptr) {
      bufferInfos_.push_back({argument.buffer, argument.offset, argument.range});
      write.pBufferInfo = &bufferInfos_.back();
      writes_.push_back(write);
      continue;
    }
    // The elements' infos land side by side, so a binding whose every element has one is a single write of
    // all of them (drivers differ in how they take pushes of single array elements). Where Vulkan has no
    // null descriptor for an empty slot, the elements are written one by one around it.
    const uint32_t first = argument.index + binding.source.offsetInTable;
    const size_t firstWrite = writes_.size();
    bool everyElement = true;
    for (uint32_t element = 0; element < binding.count; ++element) {
      write.dstArrayElement = element;
      const bool inHeap = uint64_t(first) + element < argument.heap->Size();
      if (inHeap ? WriteDescriptor(call, argument.heap->At(first + element), &write) : WriteNullDescriptor(&write)) {
        writes_.push_back(write);
      } else {
        everyElement = false;
      }
      if (rejectedCall_ && !rejectedEarlier) return false;  // a texture in the wrong state
    }
    if (everyElement && binding.count > 1) {
      VkWriteDescriptorSet whole = writes_[firstWrite];
      whole.descriptorCount = binding.count;
      writes_.resize(firstWrite);
      writes_.push_back(whole);
    }
  }
  if (bindings.Pushed()) {
    if (!writes_.empty()) {
      OwningDevice().Vulkan().CmdPushDescriptorSet(commands_, bindPoint, bindings.Layout(), 0, uint32_t(writes_.size()),
                                                   writes_.data());
    }
  } else {
    const VkDescriptorSet set = allocator_->DescriptorSets().Allocate(bindings.SetLayout());
    if (set == VK_NULL_HANDLE) {
      Reject(call, "no memory for a descriptor set; the work was skipped");
      return false;
    }
    for (VkWriteDescriptorSet& write : writes_) write.dstSet = set;
    vkUpdateDescriptorSets(OwningDevice().Vulkan().Handle(), uint32_t(writes_.size()), writes_.data(), 0, nullptr);
    vkCmdBindDescriptorSets(commands_, bindPoint, bindings.Layout(), 0, 1, &set, 0, nullptr);
  }
  root.descriptorsDirty = false;
  root.changedArguments = 0;
  return true;
}

bool CommandList::UploadRootConstants(RootState& root, const char* call) {
  const std::vector<RootParameterLayout>& parameters = root.signature->Parameters();
  for (size_t p = 0; p < parameters.size(); ++p) {
    if ((root.constantsToUpload & (uint64_t{1} << p)) == 0) continue;
    const RootParameterLayout& layout = parameters[p];
    ConstantUploadArena::Slice slice;
    const VkResult result = allocator_->RootConstants().Upload(&root.constants[layout.firstConstant],
                                                               layout.constantCount * sizeof(uint32_t), &slice);
    if (result != VK_SUCCESS) {
      Reject(call, "no memory for root constants (%s); the work was skipped", DescribeVkResult(result));
      return false;
    }
    root.arguments[p] = RootArgument{true, nullptr, 0, slice.buffer, slice.offset, slice.range};
  }
  root.changedArguments |= root.constantsToUpload;
  root.constantsToUpload = 0;
  root.descriptorsDirty = true;
  return true;
}

void CommandList::DrawInstanced(UINT vertexCount, UINT instanceCount, UINT startVertex, UINT startInstance) {
  if (IsBundle()) {
    return RecordForBundle("DrawInstanced", [=](CommandList& list) {
      list.DrawInstanced(vertexCount, instanceCount, startVertex, startInstance);
    });
  }
  if (!PrepareDraw("ID3D12GraphicsCommandList::DrawInstanced", false)) return;
  vkCmdDraw(commands_, vertexCount, instanceCount, startVertex, startInstance);
}

void CommandList::DrawIndexedInstanced(UINT indexCount, UINT instanceCount, UINT startIndex, INT baseVertex,
                                       UINT startInstance) {
  if (IsBundle()) {
    return RecordForBundle("DrawIndexedInstanced", [=](CommandList& list) {
      list.DrawIndexedInstanced(indexCount, instanceCount, startIndex, baseVertex, startInstance);
    });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::DrawIndexedInstanced";
  if (!PrepareDraw(kCall, true)) return;
  if (uint64_t(startIndex) + indexCount > indexBufferCapacity_) {
    return Reject(kCall, "indices %u..%llu lie past the %u of the index buffer view; the draw was skipped", startIndex,
                  (unsigned long long)startIndex + indexCount, indexBufferCapacity_);
  }
  vkCmdDrawIndexed(commands_, indexCount, instanceCount, startIndex, baseVertex, startInstance);
}

}  // namespace d3d12vk
