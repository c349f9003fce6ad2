// GPU virtual addresses for buffers. Vulkan buffers have none the program could do arithmetic on, so the
// layer gives every buffer a range of its own and resolves addresses back to (buffer, offset) when a view
// or a root descriptor names one.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>

#include <map>
#include <mutex>

namespace d3d12vk {

class Resource;

struct ResolvedAddress {
  Resource* resource = nullptr;
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceSize offset = 0;
  // Bytes from the address to the end of the buffer.
  VkDeviceSize remaining = 0;
};

class GpuAddressSpace {
 public:
  D3D12_GPU_VIRTUAL_ADDRESS Reserve(Resource* resource, VkBuffer buffer, UINT64 size);
  void Release(D3D12_GPU_VIRTUAL_ADDRESS base);

  // The buffer containing `address`; false when no live buffer does.
  bool Resolve(D3D12_GPU_VIRTUAL_ADDRESS address, ResolvedAddress* resolved) const;

 private:
  struct Range {
    Resource* resource;
    VkBuffer buffer;
    UINT64 size;
  };

  mutable std::mutex mutex_;
  std::map<D3D12_GPU_VIRTUAL_ADDRESS, Range> ranges_;
  // Addresses are never reused, so a stale address cannot silently reach a newer buffer.
  D3D12_GPU_VIRTUAL_ADDRESS next_ = 0x100000000ull;
};

}  // namespace d3d12vk
