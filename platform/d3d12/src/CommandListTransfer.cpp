// Resource barriers and copies of ID3D12GraphicsCommandList.
#include "CommandList.h"

#include "Device.h"
#include "Diagnostics.h"
#include "FormatTable.h"
#include "Resource.h"
#include "ResourceStates.h"
#include "VulkanStructs.h"

#include <algorithm>
#include <vector>

namespace d3d12vk {
namespace {

VkImageSubresourceRange SubresourceRange(const Resource& resource, UINT subresource) {
  if (subresource == D3D12_RESOURCE_BARRIER_ALL_SUBRESOURCES) {
    return {resource.Aspects(), 0, VK_REMAINING_MIP_LEVELS, 0, VK_REMAINING_ARRAY_LAYERS};
  }
  uint32_t mip = 0, layer = 0;
  resource.SplitSubresource(subresource, &mip, &layer);
  return {resource.Aspects(), mip, 1, layer, 1};
}

bool LayoutAllowsCopy(VkImageLayout layout, bool destination) {
  return layout == VK_IMAGE_LAYOUT_GENERAL ||
         layout == (destination ? VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL : VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL);
}

// One buffer <-> texture copy: the footprint side starts `footprintTexel` texels into the placed footprint, the
// texture side is `extent` texels at `textureOffset` of `subresource`.
struct FootprintCopy {
  VkBufferImageCopy region{};
  const char* problem = nullptr;
};

FootprintCopy FootprintRegion(const Resource& texture, UINT subresource, const Resource& buffer,
                              const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& placed, VkOffset2D footprintTexel,
                              VkOffset3D textureOffset, VkExtent3D extent) {
  FootprintCopy copy;
  const FormatInfo& format = *texture.Format();
  const D3D12_SUBRESOURCE_FOOTPRINT& footprint = placed.Footprint;
  const FormatInfo* footprintFormat = FindFormat(footprint.Format);
  if (footprintFormat == nullptr || footprintFormat->bytesPerBlock != format.bytesPerBlock ||
      footprintFormat->blockSize != format.blockSize) {
    copy.problem = "the footprint's format does not fit the texture's";
    return copy;
  }
  if (footprint.RowPitch % D3D12_TEXTURE_DATA_PITCH_ALIGNMENT != 0 ||
      placed.Offset % D3D12_TEXTURE_DATA_PLACEMENT_ALIGNMENT != 0) {
    copy.problem = "the footprint's RowPitch must be a multiple of 256 and its Offset of 512";
    return copy;
  }
  if (footprint.RowPitch % format.bytesPerBlock != 0) {
    copy.problem = "the row pitch is not a whole number of texels of this format";
    return copy;
  }
  if (subresource >= texture.SubresourceCount()) {
    copy.problem = "the subresource index is outside the texture";
    return copy;
  }
  uint32_t mip = 0, layer = 0;
  texture.SplitSubresource(subresource, &mip, &layer);
  const VkExtent3D mipExtent = texture.MipExtent(mip);
  if (textureOffset.x < 0 || textureOffset.y < 0 || uint32_t(textureOffset.x) + extent.width > mipExtent.width ||
      uint32_t(textureOffset.y) + extent.height > mipExtent.height) {
    copy.problem = "the copied region lies outside the subresource";
    return copy;
  }
  const UINT64 block = format.blockSize;
  const UINT64 rowsOfBlocks = (extent.height + block - 1) / block;
  const UINT64 blocksPerRow = (extent.width + block - 1) / block;
  copy.region.bufferOffset = placed.Offset + UINT64(footprintTexel.y) / block * footprint.RowPitch +
                             UINT64(footprintTexel.x) / block * format.bytesPerBlock;
  const UINT64 end =
      copy.region.bufferOffset + (rowsOfBlocks - 1) * footprint.RowPitch + blocksPerRow * format.bytesPerBlock;
  if (end > buffer.Desc().Width) {
    copy.problem = "the footprint runs past the end of the buffer";
    return copy;
  }
  copy.region.bufferRowLength = footprint.RowPitch / format.bytesPerBlock * format.blockSize;
  copy.region.bufferImageHeight = footprint.Height;
  // Copies of depth formats move the depth aspect, as Direct3D's plane 0.
  const VkImageAspectFlags aspect =
      texture.Aspects() & VK_IMAGE_ASPECT_DEPTH_BIT ? VkImageAspectFlags(VK_IMAGE_ASPECT_DEPTH_BIT) : texture.Aspects();
  copy.region.imageSubresource = {aspect, mip, layer, 1};
  copy.region.imageOffset = textureOffset;
  copy.region.imageExtent = extent;
  return copy;
}

VkExtent3D BoxExtent(const D3D12_BOX& box) { return {box.right - box.left, box.bottom - box.top, 1}; }

}  // namespace

void CommandList::ResourceBarrier(UINT count, const D3D12_RESOURCE_BARRIER* barriers) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::ResourceBarrier");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ResourceBarrier";
  if (!CheckRecording(kCall)) return;
  if (count == 0) return;
  if (barriers == nullptr) return Reject(kCall, "pBarriers is null");
  // Clears still waiting must land in the layout the image has now.
  EndRendering();
  FlushPendingClears();

  std::vector<VkImageMemoryBarrier2> imageBarriers;
  std::vector<VkBufferMemoryBarrier2> bufferBarriers;
  std::vector<VkMemoryBarrier2> memoryBarriers;
  for (UINT i = 0; i < count; ++i) {
    const D3D12_RESOURCE_BARRIER& barrier = barriers[i];
    if (barrier.Flags & D3D12_RESOURCE_BARRIER_FLAG_BEGIN_ONLY) continue;  // the END_ONLY half does the work
    if (barrier.Type == D3D12_RESOURCE_BARRIER_TYPE_UAV || barrier.Type == D3D12_RESOURCE_BARRIER_TYPE_ALIASING) {
      memoryBarriers.push_back({VK_STRUCTURE_TYPE_MEMORY_BARRIER_2, nullptr, kEveryWorkStage, kEveryWorkWrite,
                                kEveryWorkStage, kEveryWorkAccess});
      continue;
    }
    if (barrier.Type != D3D12_RESOURCE_BARRIER_TYPE_TRANSITION) return Reject(kCall, "barrier %u has unknown type", i);
    const D3D12_RESOURCE_TRANSITION_BARRIER& transition = barrier.Transition;
    Resource* resource = AsResource(transition.pResource);
    if (resource == nullptr) return Reject(kCall, "barrier %u has no resource", i);
    if (!IsKnownState(transition.StateBefore) || !IsKnownState(transition.StateAfter)) {
      return Reject(kCall, "barrier %u has an unknown state", i);
    }
    if (transition.Subresource != D3D12_RESOURCE_BARRIER_ALL_SUBRESOURCES &&
        transition.Subresource >= resource->SubresourceCount()) {
      return Reject(kCall, "barrier %u names subresource %u of %u", i, transition.Subresource,
                    resource->SubresourceCount());
    }
    if (resource->RecordedState() != transition.StateBefore) {
      Report(kCall, "barrier %u: the resource is in state 0x%x, not StateBefore 0x%x", i, resource->RecordedState(),
             transition.StateBefore);
    }
    const StageAccess before = StageAccessFor(transition.StateBefore);
    const StageAccess after = StageAccessFor(transition.StateAfter);
    if (resource->IsBuffer()) {
      bufferBarriers.push_back({VK_STRUCTURE_TYPE_BUFFER_MEMORY_BARRIER_2, nullptr, before.stages, before.access,
                                after.stages, after.access, VK_QUEUE_FAMILY_IGNORED, VK_QUEUE_FAMILY_IGNORED,
                                resource->Buffer(), 0, VK_WHOLE_SIZE});
    } else {
      imageBarriers.push_back({VK_STRUCTURE_TYPE_IMAGE_MEMORY_BARRIER_2, nullptr, before.stages, before.access,
                               after.stages, after.access, ImageLayoutFor(transition.StateBefore, resource->Aspects()),
                               ImageLayoutFor(transition.StateAfter, resource->Aspects()), VK_QUEUE_FAMILY_IGNORED,
                               VK_QUEUE_FAMILY_IGNORED, resource->Image(),
                               SubresourceRange(*resource, transition.Subresource)});
    }
    resource->SetRecordedState(transition.StateAfter);
  }
  auto dependency = VkInit<VkDependencyInfo>(VK_STRUCTURE_TYPE_DEPENDENCY_INFO);
  dependency.memoryBarrierCount = uint32_t(memoryBarriers.size());
  dependency.pMemoryBarriers = memoryBarriers.data();
  dependency.bufferMemoryBarrierCount = uint32_t(bufferBarriers.size());
  dependency.pBufferMemoryBarriers = bufferBarriers.data();
  dependency.imageMemoryBarrierCount = uint32_t(imageBarriers.size());
  dependency.pImageMemoryBarriers = imageBarriers.data();
  if (!memoryBarriers.empty() || !bufferBarriers.empty() || !imageBarriers.empty()) {
    OwningDevice().Vulkan().Commands().CmdPipelineBarrier2(commands_, &dependency);
  }
}

void CommandList::CopyBufferRegion(ID3D12Resource* destination, UINT64 destinationOffset, ID3D12Resource* source,
                                   UINT64 sourceOffset, UINT64 byteCount) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::CopyBufferRegion");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::CopyBufferRegion";
  if (!CheckRecording(kCall)) return;
  Resource* to = AsResource(destination);
  Resource* from = AsResource(source);
  if (to == nullptr || from == nullptr) return Reject(kCall, "a resource is null");
  if (!to->IsBuffer() || !from->IsBuffer()) return Reject(kCall, "both resources must be buffers");
  if (byteCount == 0) return;
  if (destinationOffset + byteCount > to->Desc().Width || sourceOffset + byteCount > from->Desc().Width) {
    return Reject(kCall, "copying %llu bytes runs past the end of a buffer", (unsigned long long)byteCount);
  }
  if (to == from && destinationOffset < sourceOffset + byteCount && sourceOffset < destinationOffset + byteCount) {
    return Reject(kCall, "the source and destination ranges overlap");
  }
  EndRendering();
  FlushPendingClears();
  const VkBufferCopy region{sourceOffset, destinationOffset, byteCount};
  vkCmdCopyBuffer(commands_, from->Buffer(), to->Buffer(), 1, &region);
}

void CommandList::CopyTextureRegion(const D3D12_TEXTURE_COPY_LOCATION* destination, UINT x, UINT y, UINT z,
                                    const D3D12_TEXTURE_COPY_LOCATION* source, const D3D12_BOX* box) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::CopyTextureRegion");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::CopyTextureRegion";
  if (!CheckRecording(kCall)) return;
  if (destination == nullptr || source == nullptr) return Reject(kCall, "a copy location is null");
  Resource* to = AsResource(destination->pResource);
  Resource* from = AsResource(source->pResource);
  if (to == nullptr || from == nullptr) return Reject(kCall, "a copy location has no resource");
  if (z != 0 || (box != nullptr && (box->front != 0 || box->back != 1))) {
    return Reject(kCall, "2D textures have a single depth slice (DstZ 0, box front 0 and back 1)");
  }
  const bool toImage = destination->Type == D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX;
  const bool fromImage = source->Type == D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX;
  if ((toImage && to->IsBuffer()) || (fromImage && from->IsBuffer()) || (!toImage && !to->IsBuffer()) ||
      (!fromImage && !from->IsBuffer())) {
    return Reject(kCall, "SUBRESOURCE_INDEX locations need textures and PLACED_FOOTPRINT locations need buffers");
  }
  if (!toImage && !fromImage) return Reject(kCall, "copies between two footprints are buffer copies");
  if ((toImage ? to->SampleCount() : 1) != (fromImage ? from->SampleCount() : 1)) {
    return Reject(kCall, "multisampled textures copy only to textures of their sample count (resolve them instead)");
  }
  if (box != nullptr && (box->right <= box->left || box->bottom <= box->top)) return;
  EndRendering();
  FlushPendingClears();

  if (toImage && fromImage) {
    CopyBetweenTextures(kCall, *to, destination->SubresourceIndex, x, y, *from, source->SubresourceIndex, box);
  } else if (toImage) {
    CopyBufferToTexture(kCall, *from, source->PlacedFootprint, *to, destination->SubresourceIndex, x, y, box);
  } else {
    CopyTextureToBuffer(kCall, *from, source->SubresourceIndex, box, *to, destination->PlacedFootprint, x, y);
  }
}

void CommandList::CopyBetweenTextures(const char* call, Resource& to, UINT toSubresource, UINT x, UINT y,
                                      Resource& from, UINT fromSubresource, const D3D12_BOX* box) {
  if (toSubresource >= to.SubresourceCount() || fromSubresource >= from.SubresourceCount()) {
    return Reject(call, "a subresource index is outside its texture");
  }
  if (!LayoutAllowsCopy(to.CurrentLayout(), true) || !LayoutAllowsCopy(from.CurrentLayout(), false)) {
    return Reject(call, "the textures must be in COPY_DEST and COPY_SOURCE");
  }
  uint32_t toMip = 0, toLayer = 0, fromMip = 0, fromLayer = 0;
  to.SplitSubresource(toSubresource, &toMip, &toLayer);
  from.SplitSubresource(fromSubresource, &fromMip, &fromLayer);
  const VkOffset3D sourceOffset{box != nullptr ? int32_t(box->left) : 0, box != nullptr ? int32_t(box->top) : 0, 0};
  const VkImageCopy region{{from.Aspects(), fromMip, fromLayer, 1},
                           sourceOffset,
                           {to.Aspects(), toMip, toLayer, 1},
                           {int32_t(x), int32_t(y), 0},
                           box != nullptr ? BoxExtent(*box) : from.MipExtent(fromMip)};
  vkCmdCopyImage(commands_, from.Image(), from.CurrentLayout(), to.Image(), to.CurrentLayout(), 1, &region);
}

void CommandList::CopyBufferToTexture(const char* call, Resource& from,
                                      const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& placed, Resource& to, UINT subresource,
                                      UINT x, UINT y, const D3D12_BOX* box) {
  if (!LayoutAllowsCopy(to.CurrentLayout(), true)) {
    return Reject(call, "the texture is in state 0x%x, not COPY_DEST", to.RecordedState());
  }
  // The box selects texels of the footprint; they land at (x, y) of the texture.
  const VkOffset2D footprintTexel{box != nullptr ? int32_t(box->left) : 0, box != nullptr ? int32_t(box->top) : 0};
  const VkExtent3D extent =
      box != nullptr ? BoxExtent(*box) : VkExtent3D{placed.Footprint.Width, placed.Footprint.Height, 1};
  const FootprintCopy copy =
      FootprintRegion(to, subresource, from, placed, footprintTexel, {int32_t(x), int32_t(y), 0}, extent);
  if (copy.problem != nullptr) return Reject(call, "%s", copy.problem);
  vkCmdCopyBufferToImage(commands_, from.Buffer(), to.Image(), to.CurrentLayout(), 1, &copy.region);
}

void CommandList::CopyTextureToBuffer(const char* call, Resource& from, UINT subresource, const D3D12_BOX* box,
                                      Resource& to, const D3D12_PLACED_SUBRESOURCE_FOOTPRINT& placed, UINT x, UINT y) {
  if (!LayoutAllowsCopy(from.CurrentLayout(), false)) {
    return Reject(call, "the texture is in state 0x%x, not COPY_SOURCE", from.RecordedState());
  }
  if (subresource >= from.SubresourceCount()) return Reject(call, "the subresource index is outside the texture");
  // The box selects texels of the texture; they land at (x, y) of the footprint.
  uint32_t mip = 0, layer = 0;
  from.SplitSubresource(subresource, &mip, &layer);
  const VkExtent3D mipExtent = from.MipExtent(mip);
  const VkExtent3D extent = box != nullptr ? BoxExtent(*box)
                                           : VkExtent3D{std::min(placed.Footprint.Width, mipExtent.width),
                                                        std::min(placed.Footprint.Height, mipExtent.height), 1};
  const VkOffset3D textureOffset{box != nullptr ? int32_t(box->left) : 0, box != nullptr ? int32_t(box->top) : 0, 0};
  const FootprintCopy copy =
      FootprintRegion(from, subresource, to, placed, {int32_t(x), int32_t(y)}, textureOffset, extent);
  if (copy.problem != nullptr) return Reject(call, "%s", copy.problem);
  vkCmdCopyImageToBuffer(commands_, from.Image(), from.CurrentLayout(), to.Buffer(), 1, &copy.region);
}

void CommandList::CopyResource(ID3D12Resource* destination, ID3D12Resource* source) {
  if (IsBundle()) return RejectInBundle("ID3D12GraphicsCommandList::CopyResource");
  constexpr const char* kCall = "ID3D12GraphicsCommandList::CopyResource";
  if (!CheckRecording(kCall)) return;
  Resource* to = AsResource(destination);
  Resource* from = AsResource(source);
  if (to == nullptr || from == nullptr) return Reject(kCall, "a resource is null");
  const D3D12_RESOURCE_DESC& a = to->Desc();
  const D3D12_RESOURCE_DESC& b = from->Desc();
  if (a.Dimension != b.Dimension || a.Width != b.Width || a.Height != b.Height ||
      a.DepthOrArraySize != b.DepthOrArraySize || a.MipLevels != b.MipLevels || to == from) {
    return Reject(kCall, "the resources must be distinct and have the same size and shape");
  }
  if (to->IsBuffer()) {
    CopyBufferRegion(destination, 0, source, 0, a.Width);
    return;
  }
  for (UINT subresource = 0; subresource < to->SubresourceCount(); ++subresource) {
    const D3D12_TEXTURE_COPY_LOCATION toLocation{destination, D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX, {}};
    D3D12_TEXTURE_COPY_LOCATION toIndexed = toLocation;
    toIndexed.SubresourceIndex = subresource;
    D3D12_TEXTURE_COPY_LOCATION fromIndexed{source, D3D12_TEXTURE_COPY_TYPE_SUBRESOURCE_INDEX, {}};
    fromIndexed.SubresourceIndex = subresource;
    CopyTextureRegion(&toIndexed, 0, 0, 0, &fromIndexed, nullptr);
  }
}

}  // namespace d3d12vk
