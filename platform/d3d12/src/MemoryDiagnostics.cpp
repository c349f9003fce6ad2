// The memory hooks of <d3d12_vk_diagnostics.h>: where resources were placed, and how many Vulkan memory
// objects a device holds, for tests of the allocator.
#include <d3d12_vk_diagnostics.h>

#include "Device.h"
#include "Diagnostics.h"
#include "Resource.h"

namespace d3d12_vk {

HRESULT ResourceMemoryRange(ID3D12Resource* resource, uint64_t* memory, uint64_t* offset, uint64_t* size) {
  if (resource == nullptr || memory == nullptr || offset == nullptr || size == nullptr) {
    return d3d12vk::Fail("ResourceMemoryRange", E_INVALIDARG, "an argument is null");
  }
  const d3d12vk::MemoryPlacement& placement = d3d12vk::AsResource(resource)->Memory();
  *memory = uint64_t(placement.memory);
  *offset = placement.offset;
  *size = placement.size;
  return S_OK;
}

size_t DeviceMemoryObjectCount(ID3D12Device* device) {
  return device == nullptr ? 0 : static_cast<d3d12vk::Device*>(device)->Memory().MemoryObjectCount();
}

}  // namespace d3d12_vk
