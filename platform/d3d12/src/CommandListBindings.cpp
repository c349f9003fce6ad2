// Pipeline state, input assembly, rasterizer state and root arguments of ID3D12GraphicsCommandList.
#include "CommandList.h"

#include "D3D12ToVulkan.h"
#include "Device.h"
#include "Diagnostics.h"
#include "FormatTable.h"
#include "PipelineState.h"
#include "RootSignature.h"

#include <algorithm>
#include <cstring>

namespace d3d12vk {

void CommandList::SetPipelineState(ID3D12PipelineState* pipelineState) {
  if (IsBundle()) {
    return RecordForBundle("SetPipelineState", [=](CommandList& list) { list.SetPipelineState(pipelineState); });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::SetPipelineState";
  if (!CheckRecording(kCall)) return;
  if (pipelineState == nullptr) return Reject(kCall, "pPipelineState is null");
  pipeline_ = static_cast<PipelineState*>(pipelineState);
}

void CommandList::IASetPrimitiveTopology(D3D12_PRIMITIVE_TOPOLOGY topology) {
  if (IsBundle()) {
    return RecordForBundle("IASetPrimitiveTopology", [=](CommandList& list) { list.IASetPrimitiveTopology(topology); });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::IASetPrimitiveTopology";
  if (!CheckRecording(kCall)) return;
  VkPrimitiveTopology vkTopology;
  if (!ToPrimitiveTopology(topology, &vkTopology)) return Reject(kCall, "unsupported topology %d", topology);
  bundleSetTopology_ = true;
  if (topology == topology_) return;
  topology_ = topology;
  OwningDevice().Vulkan().Commands().CmdSetPrimitiveTopology(commands_, vkTopology);
}

void CommandList::IASetVertexBuffers(UINT startSlot, UINT count, const D3D12_VERTEX_BUFFER_VIEW* views) {
  if (IsBundle()) {
    std::vector<D3D12_VERTEX_BUFFER_VIEW> copies(views, views == nullptr ? views : views + count);
    return RecordForBundle("IASetVertexBuffers", [=](CommandList& list) {
      list.IASetVertexBuffers(startSlot, count, copies.empty() ? nullptr : copies.data());
    });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::IASetVertexBuffers";
  if (!CheckRecording(kCall)) return;
  if (count == 0) return;
  if (UINT64(startSlot) + count > D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT) {
    return Reject(kCall, "slots %u..%u exceed the %u input slots", startSlot, startSlot + count - 1,
                  D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT);
  }
  if (views != nullptr && vertexBuffersSet_ &&
      std::memcmp(views, &vertexBufferViews_[startSlot], count * sizeof(D3D12_VERTEX_BUFFER_VIEW)) == 0) {
    return;
  }
  VkBuffer buffers[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  VkDeviceSize offsets[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  VkDeviceSize sizes[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  VkDeviceSize strides[D3D12_IA_VERTEX_INPUT_RESOURCE_SLOT_COUNT];
  const bool nullBuffers = OwningDevice().Vulkan().HasNullDescriptors();
  for (UINT i = 0; i < count; ++i) {
    const D3D12_VERTEX_BUFFER_VIEW* view = views != nullptr ? &views[i] : nullptr;
    ResolvedAddress address;
    if (view == nullptr || view->BufferLocation == 0) {
      // Unbinding a slot: Vulkan can only express it with null descriptors; otherwise the old buffer stays.
      if (!nullBuffers) return;
      buffers[i] = VK_NULL_HANDLE;
      offsets[i] = 0;
      sizes[i] = VK_WHOLE_SIZE;
      strides[i] = 0;
      continue;
    }
    if (!OwningDevice().Addresses().Resolve(view->BufferLocation, &address)) {
      return Reject(kCall, "slot %u: address 0x%llx is not inside a live buffer", startSlot + i,
                    (unsigned long long)view->BufferLocation);
    }
    if (view->StrideInBytes > OwningDevice().Vulkan().Limits().maxVertexInputBindingStride) {
      return Reject(kCall, "slot %u: stride %u is too large", startSlot + i, view->StrideInBytes);
    }
    buffers[i] = address.buffer;
    offsets[i] = address.offset;
    // Vulkan has no empty vertex buffer binding; a view of 0 bytes reaches to the end of its buffer.
    sizes[i] = view->SizeInBytes == 0 ? VK_WHOLE_SIZE : std::min<VkDeviceSize>(view->SizeInBytes, address.remaining);
    strides[i] = view->StrideInBytes;
  }
  OwningDevice().Vulkan().Commands().CmdBindVertexBuffers2(commands_, startSlot, count, buffers, offsets, sizes,
                                                           strides);
  vertexBuffersSet_ = true;
  for (UINT i = 0; i < count; ++i)
    vertexBufferViews_[startSlot + i] = views != nullptr ? views[i] : D3D12_VERTEX_BUFFER_VIEW{};
}

void CommandList::IASetIndexBuffer(const D3D12_INDEX_BUFFER_VIEW* view) {
  if (IsBundle()) {
    const bool unbind = view == nullptr;
    const D3D12_INDEX_BUFFER_VIEW copy = unbind ? D3D12_INDEX_BUFFER_VIEW{} : *view;
    return RecordForBundle("IASetIndexBuffer",
                           [=](CommandList& list) { list.IASetIndexBuffer(unbind ? nullptr : &copy); });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::IASetIndexBuffer";
  if (!CheckRecording(kCall)) return;
  if (view == nullptr || view->BufferLocation == 0) {
    indexBufferSet_ = false;
    indexBufferCapacity_ = 0;
    indexBufferView_ = {};
    return;
  }
  if (indexBufferSet_ && std::memcmp(view, &indexBufferView_, sizeof(*view)) == 0) return;
  VkIndexType type;
  if (view->Format == DXGI_FORMAT_R16_UINT) {
    type = VK_INDEX_TYPE_UINT16;
  } else if (view->Format == DXGI_FORMAT_R32_UINT) {
    type = VK_INDEX_TYPE_UINT32;
  } else {
    return Reject(kCall, "index format %d is neither R16_UINT nor R32_UINT", view->Format);
  }
  ResolvedAddress address;
  if (!OwningDevice().Addresses().Resolve(view->BufferLocation, &address)) {
    return Reject(kCall, "address 0x%llx is not inside a live buffer", (unsigned long long)view->BufferLocation);
  }
  vkCmdBindIndexBuffer(commands_, address.buffer, address.offset, type);
  indexBufferSet_ = true;
  indexBufferView_ = *view;
  const VkDeviceSize bytes = std::min<VkDeviceSize>(view->SizeInBytes, address.remaining);
  indexBufferCapacity_ = UINT(bytes / (type == VK_INDEX_TYPE_UINT16 ? 2 : 4));
}

void CommandList::RSSetViewports(UINT count, const D3D12_VIEWPORT* viewports) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::RSSetViewports");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::RSSetViewports";
  if (!CheckRecording(kCall)) return;
  if (count == 0) return;
  if (viewports == nullptr) return Reject(kCall, "pViewports is null");
  if (count > 1) ReportNotImplementedOnce("ID3D12GraphicsCommandList::RSSetViewports with more than one viewport");
  const D3D12_VIEWPORT& viewport = viewports[0];
  if (!(viewport.Width > 0.0f) || !(viewport.Height > 0.0f)) {
    return Reject(kCall, "viewport of %g x %g is empty", viewport.Width, viewport.Height);
  }
  // A negative height flips Vulkan's y-down framebuffer into Direct3D's y-up clip space.
  const VkViewport flipped{viewport.TopLeftX, viewport.TopLeftY + viewport.Height,
                           viewport.Width,    -viewport.Height,
                           viewport.MinDepth, viewport.MaxDepth};
  vkCmdSetViewport(commands_, 0, 1, &flipped);
  viewportSet_ = true;
}

void CommandList::RSSetScissorRects(UINT count, const D3D12_RECT* rects) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::RSSetScissorRects");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::RSSetScissorRects";
  if (!CheckRecording(kCall)) return;
  if (count == 0) return;
  if (rects == nullptr) return Reject(kCall, "pRects is null");
  if (count > 1) ReportNotImplementedOnce("ID3D12GraphicsCommandList::RSSetScissorRects with more than one rectangle");
  const D3D12_RECT& rect = rects[0];
  const int32_t left = std::max(0, int32_t(rect.left));
  const int32_t top = std::max(0, int32_t(rect.top));
  const VkRect2D scissor{
      {left, top},
      {uint32_t(std::max(0, int32_t(rect.right) - left)), uint32_t(std::max(0, int32_t(rect.bottom) - top))}};
  vkCmdSetScissor(commands_, 0, 1, &scissor);
  scissorSet_ = true;
}

void CommandList::OMSetBlendFactor(const FLOAT blendFactor[4]) {
  if (IsBundle()) {
    const bool byDefault = blendFactor == nullptr;
    std::array<FLOAT, 4> copy{};
    if (!byDefault) std::copy(blendFactor, blendFactor + 4, copy.begin());
    return RecordForBundle("OMSetBlendFactor",
                           [=](CommandList& list) { list.OMSetBlendFactor(byDefault ? nullptr : copy.data()); });
  }
  if (!CheckRecording("ID3D12GraphicsCommandList::OMSetBlendFactor")) return;
  const float ones[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  vkCmdSetBlendConstants(commands_, blendFactor != nullptr ? blendFactor : ones);
}

void CommandList::OMSetStencilRef(UINT stencilRef) {
  if (IsBundle()) {
    return RecordForBundle("OMSetStencilRef", [=](CommandList& list) { list.OMSetStencilRef(stencilRef); });
  }
  if (!CheckRecording("ID3D12GraphicsCommandList::OMSetStencilRef")) return;
  vkCmdSetStencilReference(commands_, VK_STENCIL_FACE_FRONT_AND_BACK, stencilRef);
}

void CommandList::SetDescriptorHeaps(UINT count, ID3D12DescriptorHeap* const* heaps) {
  if (IsBundle()) {
    std::array<DescriptorHeap*, 2> named{};
    for (UINT i = 0; heaps != nullptr && i < count && i < 2; ++i) named[i] = static_cast<DescriptorHeap*>(heaps[i]);
    return RecordForBundle("SetDescriptorHeaps", [=](CommandList& list) { list.CheckBundleHeaps(named); });
  }
  constexpr const char* kCall = "ID3D12GraphicsCommandList::SetDescriptorHeaps";
  if (!CheckRecording(kCall)) return;
  if (count > 2 || (count > 0 && heaps == nullptr)) return Reject(kCall, "expected up to 2 heaps");
  descriptorHeaps_.fill(nullptr);
  for (UINT i = 0; i < count; ++i) {
    auto* heap = static_cast<DescriptorHeap*>(heaps[i]);
    if (heap == nullptr || !heap->IsShaderVisible()) return Reject(kCall, "heap %u is not shader visible", i);
    descriptorHeaps_[i] = heap;
  }
}

void CommandList::SetGraphicsRootSignature(ID3D12RootSignature* rootSignature) {
  if (IsBundle()) {
    return RecordForBundle("SetGraphicsRootSignature",
                           [=](CommandList& list) { list.SetGraphicsRootSignature(rootSignature); });
  }
  SetRootSignature(graphics_, "ID3D12GraphicsCommandList::SetGraphicsRootSignature", rootSignature);
}

void CommandList::SetRootSignature(RootState& root, const char* call, ID3D12RootSignature* rootSignature) {
  if (!CheckRecording(call)) return;
  auto* signature = static_cast<RootSignature*>(rootSignature);
  if (signature == root.signature) return;
  // A new root signature starts without arguments, as in Direct3D 12.
  root = RootState{};
  root.signature = signature;
}

const RootParameterLayout* CommandList::RootParameter(const RootState& root, const char* call, UINT parameter,
                                                      D3D12_ROOT_PARAMETER_TYPE type, const char* kind) {
  if (root.signature == nullptr) {
    Reject(call, "no root signature is set");
    return nullptr;
  }
  if (parameter >= root.signature->Parameters().size()) {
    Reject(call, "root parameter %u is outside the root signature's %zu parameters", parameter,
           root.signature->Parameters().size());
    return nullptr;
  }
  const RootParameterLayout& layout = root.signature->Parameters()[parameter];
  if (layout.type != type) {
    Reject(call, "root parameter %u is not %s", parameter, kind);
    return nullptr;
  }
  return &layout;
}

void CommandList::SetGraphicsRoot32BitConstant(UINT parameter, UINT value, UINT offset) {
  if (IsBundle()) {
    return RecordForBundle("SetGraphicsRoot32BitConstant",
                           [=](CommandList& list) { list.SetGraphicsRoot32BitConstant(parameter, value, offset); });
  }
  SetRootConstants(graphics_, "ID3D12GraphicsCommandList::SetGraphicsRoot32BitConstant", parameter, 1, &value, offset);
}

void CommandList::SetGraphicsRoot32BitConstants(UINT parameter, UINT count, const void* values, UINT offset) {
  if (IsBundle()) {
    const auto* words = static_cast<const uint32_t*>(values);
    std::vector<uint32_t> copies(words, words == nullptr ? words : words + count);
    return RecordForBundle("SetGraphicsRoot32BitConstants", [=](CommandList& list) {
      list.SetGraphicsRoot32BitConstants(parameter, count, copies.empty() ? nullptr : copies.data(), offset);
    });
  }
  SetRootConstants(graphics_, "ID3D12GraphicsCommandList::SetGraphicsRoot32BitConstants", parameter, count, values,
                   offset);
}

void CommandList::SetRootConstants(RootState& root, const char* call, UINT parameter, UINT count, const void* values,
                                   UINT offset) {
  if (!CheckRecording(call)) return;
  const RootParameterLayout* layout =
      RootParameter(root, call, parameter, D3D12_ROOT_PARAMETER_TYPE_32BIT_CONSTANTS, "a set of root constants");
  if (layout == nullptr) return;
  if (uint64_t(offset) + count > layout->constantCount) {
    return Reject(call, "%u values from offset %u run past the parameter's %u constants", count, offset,
                  layout->constantCount);
  }
  if (count > 0 && values == nullptr) return Reject(call, "pSrcData is null");
  if (count > 0) std::memcpy(&root.constants[layout->firstConstant + offset], values, count * sizeof(uint32_t));
  root.constantsToUpload |= uint64_t{1} << parameter;
}

void CommandList::SetGraphicsRootDescriptorTable(UINT parameter, D3D12_GPU_DESCRIPTOR_HANDLE base) {
  if (IsBundle()) {
    return RecordForBundle("SetGraphicsRootDescriptorTable",
                           [=](CommandList& list) { list.SetGraphicsRootDescriptorTable(parameter, base); });
  }
  SetRootDescriptorTable(graphics_, "ID3D12GraphicsCommandList::SetGraphicsRootDescriptorTable", parameter, base);
}

void CommandList::SetRootDescriptorTable(RootState& root, const char* call, UINT parameter,
                                         D3D12_GPU_DESCRIPTOR_HANDLE base) {
  if (!CheckRecording(call)) return;
  const RootParameterLayout* layout =
      RootParameter(root, call, parameter, D3D12_ROOT_PARAMETER_TYPE_DESCRIPTOR_TABLE, "a descriptor table");
  if (layout == nullptr) return;
  DescriptorHeap* heap = nullptr;
  uint32_t index = 0;
  if (!OwningDevice().DescriptorHeaps().Resolve(base, call, &heap, &index)) {
    rejectedCall_ = true;
    return;
  }
  if (heap != descriptorHeaps_[0] && heap != descriptorHeaps_[1]) {
    return Reject(call, "the table's heap is not among those set with SetDescriptorHeaps");
  }
  const bool samplerTable = layout->samplerTable;
  if (samplerTable != (heap->Type() == D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER)) {
    return Reject(call, "a %s table needs a %s heap", samplerTable ? "sampler" : "CBV/SRV/UAV",
                  samplerTable ? "SAMPLER" : "CBV_SRV_UAV");
  }
  if (uint64_t(index) + layout->tableSpan > heap->Size()) {
    return Reject(call, "a table of %u descriptors at index %u runs past its heap of %u", layout->tableSpan, index,
                  heap->Size());
  }
  RootArgument& argument = root.arguments[parameter];
  if (argument.set && argument.heap == heap && argument.index == index) return;
  argument = RootArgument{true, heap, index};
  root.descriptorsDirty = true;
  root.changedArguments |= uint64_t{1} << parameter;
}

void CommandList::SetGraphicsRootConstantBufferView(UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address) {
  if (IsBundle()) {
    return RecordForBundle("SetGraphicsRootConstantBufferView",
                           [=](CommandList& list) { list.SetGraphicsRootConstantBufferView(parameter, address); });
  }
  SetRootView(graphics_, "ID3D12GraphicsCommandList::SetGraphicsRootConstantBufferView", parameter, address,
              D3D12_ROOT_PARAMETER_TYPE_CBV);
}

void CommandList::SetRootView(RootState& root, const char* call, UINT parameter, D3D12_GPU_VIRTUAL_ADDRESS address,
                              D3D12_ROOT_PARAMETER_TYPE type) {
  if (!CheckRecording(call)) return;
  const char* kind = type == D3D12_ROOT_PARAMETER_TYPE_CBV   ? "a root constant buffer view"
                     : type == D3D12_ROOT_PARAMETER_TYPE_SRV ? "a root shader resource view"
                                                             : "a root unordered access view";
  if (RootParameter(root, call, parameter, type, kind) == nullptr) return;
  ResolvedAddress resolved;
  if (!OwningDevice().Addresses().Resolve(address, &resolved)) {
    return Reject(call, "address 0x%llx is not inside a live buffer", (unsigned long long)address);
  }
  if (type != D3D12_ROOT_PARAMETER_TYPE_CBV && resolved.offset % 4 != 0) {
    return Reject(call, "address 0x%llx is not 4-byte aligned", (unsigned long long)address);
  }
  const VkDeviceSize alignment = type == D3D12_ROOT_PARAMETER_TYPE_CBV
                                     ? OwningDevice().Vulkan().Limits().minUniformBufferOffsetAlignment
                                     : OwningDevice().Vulkan().Limits().minStorageBufferOffsetAlignment;
  if (resolved.offset % alignment != 0) {
    ReportNotImplementedOnce("root views at buffer offsets the adapter cannot bind (see its minimum offset alignment)");
    rejectedCall_ = true;
    return;
  }
  // A root view has no size: it reaches to the end of its buffer, within what one descriptor can see.
  const VulkanDevice& vulkan = OwningDevice().Vulkan();
  const VkDeviceSize limit = type == D3D12_ROOT_PARAMETER_TYPE_CBV ? vulkan.Limits().maxUniformBufferRange
                                                                   : vulkan.Limits().maxStorageBufferRange;
  const VkDeviceSize range = std::min<VkDeviceSize>(resolved.remaining, limit);
  root.arguments[parameter] = RootArgument{true, nullptr, 0, resolved.buffer, resolved.offset, range};
  root.descriptorsDirty = true;
  root.changedArguments |= uint64_t{1} << parameter;
}

}  // namespace d3d12vk
