#include "CopyableFootprints.h"

#include "FormatTable.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace d3d12vk {
namespace {

UINT64 AlignUp(UINT64 value, UINT64 alignment) { return (value + alignment - 1) / alignment * alignment; }

void FillInvalid(const FootprintRequest& request, const FootprintOutputs& outputs) {
  for (UINT i = 0; i < request.subresourceCount; ++i) {
    if (outputs.layouts != nullptr) std::memset(&outputs.layouts[i], 0xFF, sizeof(outputs.layouts[i]));
    if (outputs.rowCounts != nullptr) outputs.rowCounts[i] = UINT_MAX;
    if (outputs.rowSizes != nullptr) outputs.rowSizes[i] = UINT64_MAX;
  }
  if (outputs.totalBytes != nullptr) *outputs.totalBytes = UINT64_MAX;
}

bool Reject(const FootprintRequest& request, const FootprintOutputs& outputs, std::string* error, std::string reason) {
  FillInvalid(request, outputs);
  if (error != nullptr) *error = std::move(reason);
  return false;
}

void BufferFootprint(const FootprintRequest& request, const FootprintOutputs& outputs) {
  const UINT64 width = request.desc->Width;
  if (outputs.layouts != nullptr) {
    outputs.layouts[0].Offset = request.baseOffset;
    outputs.layouts[0].Footprint = {DXGI_FORMAT_UNKNOWN, UINT(width), 1, 1,
                                    UINT(AlignUp(width, D3D12_TEXTURE_DATA_PITCH_ALIGNMENT))};
  }
  if (outputs.rowCounts != nullptr) outputs.rowCounts[0] = 1;
  if (outputs.rowSizes != nullptr) outputs.rowSizes[0] = width;
  if (outputs.totalBytes != nullptr) *outputs.totalBytes = width;
}

}  // namespace

bool ComputeCopyableFootprints(const FootprintRequest& request, const FootprintOutputs& outputs, std::string* error) {
  const D3D12_RESOURCE_DESC& desc = *request.desc;
  if (desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER) {
    if (request.firstSubresource != 0 || request.subresourceCount != 1) {
      return Reject(request, outputs, error, "a buffer has exactly one subresource");
    }
    BufferFootprint(request, outputs);
    return true;
  }
  if (desc.Dimension != D3D12_RESOURCE_DIMENSION_TEXTURE2D) {
    return Reject(request, outputs, error, "only buffers and 2D textures have footprints here");
  }
  const FormatInfo* format = FindFormat(desc.Format);
  if (format == nullptr) return Reject(request, outputs, error, "unsupported format " + std::to_string(desc.Format));
  if (IsDepthStencil(*format) && (format->aspects & VK_IMAGE_ASPECT_STENCIL_BIT)) {
    return Reject(request, outputs, error, "depth-stencil formats with two planes have no footprints here");
  }
  if (desc.Width == 0 || desc.Height == 0 || desc.DepthOrArraySize == 0) {
    return Reject(request, outputs, error, "the texture is empty");
  }
  const UINT mipLevels =
      desc.MipLevels != 0 ? desc.MipLevels : UINT(std::bit_width(std::max<UINT64>(desc.Width, desc.Height)));
  const UINT64 subresources = UINT64(mipLevels) * desc.DepthOrArraySize;
  if (UINT64(request.firstSubresource) + request.subresourceCount > subresources) {
    return Reject(request, outputs, error,
                  "subresources " + std::to_string(request.firstSubresource) + ".." +
                      std::to_string(UINT64(request.firstSubresource) + request.subresourceCount) +
                      " exceed the texture's " + std::to_string(subresources));
  }

  UINT64 offset = request.baseOffset;
  UINT64 end = request.baseOffset;
  for (UINT i = 0; i < request.subresourceCount; ++i) {
    const UINT mip = (request.firstSubresource + i) % mipLevels;
    const UINT width = std::max<UINT>(1, UINT(desc.Width >> mip));
    const UINT height = std::max<UINT>(1, desc.Height >> mip);
    const UINT block = format->blockSize;
    const UINT blocksWide = (width + block - 1) / block;
    const UINT blocksHigh = (height + block - 1) / block;
    const UINT64 rowSize = UINT64(blocksWide) * format->bytesPerBlock;
    const UINT64 rowPitch = AlignUp(rowSize, D3D12_TEXTURE_DATA_PITCH_ALIGNMENT);
    if (i > 0) offset = AlignUp(end, D3D12_TEXTURE_DATA_PLACEMENT_ALIGNMENT);
    if (outputs.layouts != nullptr) {
      outputs.layouts[i].Offset = offset;
      outputs.layouts[i].Footprint = {desc.Format, blocksWide * block, blocksHigh * block, 1, UINT(rowPitch)};
    }
    if (outputs.rowCounts != nullptr) outputs.rowCounts[i] = blocksHigh;
    if (outputs.rowSizes != nullptr) outputs.rowSizes[i] = rowSize;
    end = offset + rowPitch * (blocksHigh - 1) + rowSize;
  }
  if (outputs.totalBytes != nullptr) *outputs.totalBytes = end - request.baseOffset;
  return true;
}

}  // namespace d3d12vk
