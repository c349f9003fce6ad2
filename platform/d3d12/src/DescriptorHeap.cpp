#include "DescriptorHeap.h"

#include "Device.h"
#include "Diagnostics.h"

namespace d3d12vk {
namespace {

// Handle layout: tag | serial << 32 | index * increment. The tags keep CPU and GPU handles apart.
constexpr uint64_t kCpuTag = 1ull << 56;
constexpr uint64_t kGpuTag = 2ull << 56;
constexpr uint64_t kTagMask = 0xFFull << 56;
constexpr uint64_t kMaxSerial = (1ull << 24) - 1;
// Direct3D 12's own limit for shader-visible CBV/SRV/UAV heaps (resource binding tier 2).
constexpr UINT kMaxDescriptors = 1000000;

uint64_t Encode(uint64_t tag, uint32_t serial, uint32_t index) {
  return tag | (uint64_t(serial) << 32) | uint64_t(index) * kDescriptorHandleIncrement;
}

bool Decode(uint64_t handle, uint64_t tag, uint32_t* serial, uint32_t* index) {
  if ((handle & kTagMask) != tag) return false;
  const uint64_t offset = handle & 0xFFFFFFFFull;
  if (offset % kDescriptorHandleIncrement != 0) return false;
  *serial = uint32_t((handle >> 32) & kMaxSerial);
  *index = uint32_t(offset / kDescriptorHandleIncrement);
  return true;
}

const char* HeapTypeName(D3D12_DESCRIPTOR_HEAP_TYPE type) {
  switch (type) {
    case D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV:
      return "CBV_SRV_UAV";
    case D3D12_DESCRIPTOR_HEAP_TYPE_SAMPLER:
      return "SAMPLER";
    case D3D12_DESCRIPTOR_HEAP_TYPE_RTV:
      return "RTV";
    case D3D12_DESCRIPTOR_HEAP_TYPE_DSV:
      return "DSV";
    default:
      return "unknown";
  }
}

}  // namespace

DescriptorHeap::DescriptorHeap(Device& device) : DeviceChild(device) {}

DescriptorHeap::~DescriptorHeap() {
  if (serial_ != 0) OwningDevice().DescriptorHeaps().Remove(serial_);
}

HRESULT DescriptorHeap::Create(Device& device, const D3D12_DESCRIPTOR_HEAP_DESC& desc, DescriptorHeap** heap) {
  constexpr const char* kCall = "ID3D12Device::CreateDescriptorHeap";
  if (desc.Type < D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV || desc.Type > D3D12_DESCRIPTOR_HEAP_TYPE_DSV) {
    return Fail(kCall, E_INVALIDARG, "unknown heap type %d", desc.Type);
  }
  if (desc.NumDescriptors == 0 || desc.NumDescriptors > kMaxDescriptors) {
    return Fail(kCall, E_INVALIDARG, "NumDescriptors %u is outside 1..%u", desc.NumDescriptors, kMaxDescriptors);
  }
  const bool shaderVisible = (desc.Flags & D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE) != 0;
  if (shaderVisible && (desc.Type == D3D12_DESCRIPTOR_HEAP_TYPE_RTV || desc.Type == D3D12_DESCRIPTOR_HEAP_TYPE_DSV)) {
    return Fail(kCall, E_INVALIDARG, "%s heaps cannot be shader visible", HeapTypeName(desc.Type));
  }
  DescriptorHeap* created = new DescriptorHeap(device);
  created->desc_ = desc;
  created->descriptors_.resize(desc.NumDescriptors);
  created->serial_ = device.DescriptorHeaps().Add(created);
  if (created->serial_ == 0) {
    created->Release();
    return Fail(kCall, E_OUTOFMEMORY, "too many descriptor heaps");
  }
  *heap = created;
  return S_OK;
}

D3D12_CPU_DESCRIPTOR_HANDLE DescriptorHeap::GetCPUDescriptorHandleForHeapStart() {
  return {SIZE_T(Encode(kCpuTag, serial_, 0))};
}

D3D12_GPU_DESCRIPTOR_HANDLE DescriptorHeap::GetGPUDescriptorHandleForHeapStart() {
  // Like Direct3D 12: a heap the shaders cannot see has no GPU handles.
  if (!IsShaderVisible()) return {0};
  return {Encode(kGpuTag, serial_, 0)};
}

uint32_t DescriptorHeapRegistry::Add(DescriptorHeap* heap) {
  std::lock_guard lock(mutex_);
  if (heaps_.size() >= kMaxSerial) return 0;
  heaps_.push_back(heap);
  return uint32_t(heaps_.size());
}

void DescriptorHeapRegistry::Remove(uint32_t serial) {
  std::lock_guard lock(mutex_);
  if (serial >= 1 && serial <= heaps_.size()) heaps_[serial - 1] = nullptr;
}

DescriptorHeap* DescriptorHeapRegistry::Find(uint32_t serial) const {
  std::lock_guard lock(mutex_);
  return serial >= 1 && serial <= heaps_.size() ? heaps_[serial - 1] : nullptr;
}

Descriptor* DescriptorHeapRegistry::Resolve(D3D12_CPU_DESCRIPTOR_HANDLE handle, D3D12_DESCRIPTOR_HEAP_TYPE type,
                                            const char* call) const {
  uint32_t serial = 0;
  uint32_t index = 0;
  DescriptorHeap* heap = Decode(handle.ptr, kCpuTag, &serial, &index) ? Find(serial) : nullptr;
  if (heap == nullptr) {
    Report(call, "descriptor handle 0x%llx is not in a live descriptor heap", (unsigned long long)handle.ptr);
    return nullptr;
  }
  if (heap->Type() != type) {
    Report(call, "descriptor handle 0x%llx is in a %s heap, not a %s heap", (unsigned long long)handle.ptr,
           HeapTypeName(heap->Type()), HeapTypeName(type));
    return nullptr;
  }
  if (index >= heap->Size()) {
    Report(call, "descriptor index %u is outside its heap of %u descriptors", index, heap->Size());
    return nullptr;
  }
  return &heap->At(index);
}

bool DescriptorHeapRegistry::Resolve(D3D12_GPU_DESCRIPTOR_HANDLE handle, const char* call, DescriptorHeap** heap,
                                     uint32_t* index) const {
  uint32_t serial = 0;
  DescriptorHeap* found = Decode(handle.ptr, kGpuTag, &serial, index) ? Find(serial) : nullptr;
  if (found == nullptr) {
    Report(call, "GPU descriptor handle 0x%llx is not in a live shader-visible heap", (unsigned long long)handle.ptr);
    return false;
  }
  if (*index >= found->Size()) {
    Report(call, "descriptor index %u is outside its heap of %u descriptors", *index, found->Size());
    return false;
  }
  *heap = found;
  return true;
}

bool DescriptorFits(const Descriptor& descriptor, VkDescriptorType type) {
  const bool view =
      descriptor.type == DescriptorType::ShaderResource || descriptor.type == DescriptorType::UnorderedAccess;
  const bool writable = descriptor.type == DescriptorType::UnorderedAccess;
  const bool rawOrStructured = descriptor.buffer != VK_NULL_HANDLE && descriptor.texelView == VK_NULL_HANDLE;
  switch (type) {
    case VK_DESCRIPTOR_TYPE_UNIFORM_BUFFER:
      return descriptor.type == DescriptorType::ConstantBuffer;
    case VK_DESCRIPTOR_TYPE_STORAGE_BUFFER:
      return view && rawOrStructured;
    case VK_DESCRIPTOR_TYPE_UNIFORM_TEXEL_BUFFER:
      return view && !writable && descriptor.texelView != VK_NULL_HANDLE;
    case VK_DESCRIPTOR_TYPE_STORAGE_TEXEL_BUFFER:
      return writable && descriptor.texelView != VK_NULL_HANDLE;
    case VK_DESCRIPTOR_TYPE_SAMPLED_IMAGE:
      return view && !writable && descriptor.view != VK_NULL_HANDLE;
    case VK_DESCRIPTOR_TYPE_STORAGE_IMAGE:
      return writable && descriptor.view != VK_NULL_HANDLE;
    case VK_DESCRIPTOR_TYPE_SAMPLER:
      return descriptor.type == DescriptorType::Sampler;
    default:
      return false;
  }
}

}  // namespace d3d12vk
