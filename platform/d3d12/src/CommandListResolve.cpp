// Multisample resolves of ID3D12GraphicsCommandList, and the sample-count match of targets and pipeline.
#include "CommandList.h"

#include "Device.h"
#include "Diagnostics.h"
#include "FormatTable.h"
#include "Resource.h"

namespace d3d12vk {

bool CommandList::TargetsMatchSampleCount(UINT count) const {
  for (UINT i = 0; i < renderTargetCount_; ++i) {
    if (renderTargets_[i].resource != nullptr && renderTargets_[i].resource->SampleCount() != count) return false;
  }
  return depthStencil_.resource == nullptr || depthStencil_.resource->SampleCount() == count;
}

void CommandList::ResolveSubresource(ID3D12Resource* destination, UINT destinationSubresource, ID3D12Resource* source,
                                     UINT sourceSubresource, DXGI_FORMAT format) {
  constexpr const char* kCall = "ID3D12GraphicsCommandList::ResolveSubresource";
  if (!CheckRecording(kCall)) return;
  Resource* to = AsResource(destination);
  Resource* from = AsResource(source);
  if (to == nullptr || from == nullptr) return Reject(kCall, "pDstResource and pSrcResource must not be null");
  if (to->IsBuffer() || from->IsBuffer()) return Reject(kCall, "both resources must be textures");
  if (from->SampleCount() == 1 || to->SampleCount() != 1) {
    return Reject(kCall, "the source must be multisampled and the destination not (%u and %u samples)",
                  from->SampleCount(), to->SampleCount());
  }
  if (destinationSubresource >= to->SubresourceCount() || sourceSubresource >= from->SubresourceCount()) {
    return Reject(kCall, "a subresource index is outside its texture");
  }
  const FormatInfo* resolved = FindFormat(format);
  if (resolved == nullptr || IsDepthStencil(*resolved)) {
    return Reject(kCall, "format %d cannot be resolved (colour formats only)", format);
  }
  // Vulkan resolves between images of one format; the layer keeps no typeless storage to resolve through.
  const VkFormat vkFormat = OwningDevice().Vulkan().ImageFormat(*resolved);
  if (from->ImageFormat() != vkFormat || to->ImageFormat() != vkFormat) {
    return Reject(kCall, "format %d must be the format of both textures", format);
  }
  uint32_t toMip = 0, toLayer = 0, fromMip = 0, fromLayer = 0;
  to->SplitSubresource(destinationSubresource, &toMip, &toLayer);
  from->SplitSubresource(sourceSubresource, &fromMip, &fromLayer);
  const VkExtent3D extent = from->MipExtent(fromMip);
  const VkExtent3D toExtent = to->MipExtent(toMip);
  if (extent.width != toExtent.width || extent.height != toExtent.height) {
    return Reject(kCall, "the subresources differ in size (%ux%u and %ux%u)", extent.width, extent.height,
                  toExtent.width, toExtent.height);
  }
  const VkImageLayout fromLayout = from->CurrentLayout();
  const VkImageLayout toLayout = to->CurrentLayout();
  if ((fromLayout != VK_IMAGE_LAYOUT_TRANSFER_SRC_OPTIMAL && fromLayout != VK_IMAGE_LAYOUT_GENERAL) ||
      (toLayout != VK_IMAGE_LAYOUT_TRANSFER_DST_OPTIMAL && toLayout != VK_IMAGE_LAYOUT_GENERAL)) {
    return Reject(kCall, "the textures must be in RESOLVE_SOURCE and RESOLVE_DEST (states 0x%x and 0x%x)",
                  from->RecordedState(), to->RecordedState());
  }
  // A clear of the source still waiting to become a load operation has to happen first.
  EndRendering();
  FlushPendingClears();
  const VkImageResolve region{{VK_IMAGE_ASPECT_COLOR_BIT, fromMip, fromLayer, 1},
                              {0, 0, 0},
                              {VK_IMAGE_ASPECT_COLOR_BIT, toMip, toLayer, 1},
                              {0, 0, 0},
                              extent};
  vkCmdResolveImage(commands_, from->Image(), fromLayout, to->Image(), toLayout, 1, &region);
}

}  // namespace d3d12vk
