#include "GpuAddressSpace.h"

namespace d3d12vk {
namespace {

// Direct3D 12 places buffers at 64 KiB boundaries; programs may rely on that alignment.
constexpr UINT64 kPlacementAlignment = D3D12_DEFAULT_RESOURCE_PLACEMENT_ALIGNMENT;

UINT64 AlignUp(UINT64 value, UINT64 alignment) { return (value + alignment - 1) / alignment * alignment; }

}  // namespace

D3D12_GPU_VIRTUAL_ADDRESS GpuAddressSpace::Reserve(Resource* resource, VkBuffer buffer, UINT64 size) {
  std::lock_guard lock(mutex_);
  const D3D12_GPU_VIRTUAL_ADDRESS base = next_;
  next_ = AlignUp(base + (size == 0 ? 1 : size), kPlacementAlignment);
  ranges_.emplace(base, Range{resource, buffer, size});
  return base;
}

void GpuAddressSpace::Release(D3D12_GPU_VIRTUAL_ADDRESS base) {
  std::lock_guard lock(mutex_);
  ranges_.erase(base);
}

bool GpuAddressSpace::Resolve(D3D12_GPU_VIRTUAL_ADDRESS address, ResolvedAddress* resolved) const {
  std::lock_guard lock(mutex_);
  auto next = ranges_.upper_bound(address);
  if (next == ranges_.begin()) return false;
  const auto& [base, range] = *std::prev(next);
  const UINT64 offset = address - base;
  if (offset >= range.size) return false;
  *resolved = ResolvedAddress{range.resource, range.buffer, offset, range.size - offset};
  return true;
}

}  // namespace d3d12vk
