// Where each subresource of a resource lies when its data sits in a buffer, by Direct3D 12's rules: rows
// aligned to 256 bytes, subresources to 512 bytes, block-compressed formats in rows of 4 x 4 blocks.
#pragma once

#include <windows.h>

#include <d3d12.h>

#include <string>

namespace d3d12vk {

struct FootprintRequest {
  const D3D12_RESOURCE_DESC* desc;
  UINT firstSubresource;
  UINT subresourceCount;
  UINT64 baseOffset;
};

struct FootprintOutputs {
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts = nullptr;
  UINT* rowCounts = nullptr;
  UINT64* rowSizes = nullptr;
  UINT64* totalBytes = nullptr;
};

// Fills every output that is not null. On a request without a layout (unknown format, subresources out of
// range) the outputs are set to all ones, as Direct3D 12 does, and `error` says why.
bool ComputeCopyableFootprints(const FootprintRequest& request, const FootprintOutputs& outputs, std::string* error);

}  // namespace d3d12vk
