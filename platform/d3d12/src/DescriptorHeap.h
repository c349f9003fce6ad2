// ID3D12DescriptorHeap: an array of small view records in CPU memory. Handles encode the heap and the
// index, so a handle outside every live heap is recognised and reported instead of followed.
#pragma once

#include "ComObject.h"

#include <vulkan/vulkan.h>

#include <mutex>
#include <vector>

namespace d3d12vk {

class Resource;

// The handle increment of every heap type. Handles are not addresses, so any stride would do.
constexpr UINT kDescriptorHandleIncrement = 32;

enum class DescriptorType : uint8_t {
  Empty,
  ConstantBuffer,
  ShaderResource,
  RenderTarget,
  DepthStencil,
  UnorderedAccess,
  Sampler
};

// One view, as written by CreateConstantBufferView, CreateShaderResourceView, CreateUnorderedAccessView,
// CreateRenderTargetView, CreateDepthStencilView or CreateSampler. Records are plain values: CopyDescriptors
// copies them.
struct Descriptor {
  DescriptorType type = DescriptorType::Empty;
  // Constant buffer views and buffer SRVs and UAVs (the bytes the view covers).
  VkBuffer buffer = VK_NULL_HANDLE;
  VkDeviceSize offset = 0;
  VkDeviceSize range = 0;
  // Buffer SRVs and UAVs: the bytes of one element (a structure, a typed texel, or 4 for raw views).
  uint32_t elementBytes = 4;
  // Texture views. The view belongs to the resource, which must outlive every use of the descriptor.
  Resource* resource = nullptr;
  VkImageView view = VK_NULL_HANDLE;
  VkFormat format = VK_FORMAT_UNDEFINED;
  VkExtent2D extent{};
  VkImageAspectFlags aspects = 0;
  // Typed buffer views (Buffer<T>, RWBuffer<T>); owned by the resource like image views.
  VkBufferView texelView = VK_NULL_HANDLE;
  // The counter of a structured buffer UAV (AppendStructuredBuffer, IncrementCounter): 4 bytes of a buffer.
  VkBuffer counterBuffer = VK_NULL_HANDLE;
  VkDeviceSize counterOffset = 0;
  // Samplers; owned by the device's sampler cache.
  VkSampler sampler = VK_NULL_HANDLE;
};

// Whether a descriptor can be written to a Vulkan descriptor of `type`: the view's kind must be what the
// shader declared (a structured buffer SRV for a StructuredBuffer, a texture SRV for a Texture2D).
bool DescriptorFits(const Descriptor& descriptor, VkDescriptorType type);

class DescriptorHeap final : public DeviceChild<ID3D12DescriptorHeap, ID3D12Pageable> {
 public:
  static HRESULT Create(Device& device, const D3D12_DESCRIPTOR_HEAP_DESC& desc, DescriptorHeap** heap);

  // ID3D12DescriptorHeap
  D3D12_DESCRIPTOR_HEAP_DESC STDMETHODCALLTYPE GetDesc() override { return desc_; }
  D3D12_CPU_DESCRIPTOR_HANDLE STDMETHODCALLTYPE GetCPUDescriptorHandleForHeapStart() override;
  D3D12_GPU_DESCRIPTOR_HANDLE STDMETHODCALLTYPE GetGPUDescriptorHandleForHeapStart() override;

  D3D12_DESCRIPTOR_HEAP_TYPE Type() const { return desc_.Type; }
  bool IsShaderVisible() const { return (desc_.Flags & D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE) != 0; }
  uint32_t Size() const { return uint32_t(descriptors_.size()); }
  Descriptor& At(uint32_t index) { return descriptors_[index]; }

 private:
  explicit DescriptorHeap(Device& device);
  ~DescriptorHeap() override;

  D3D12_DESCRIPTOR_HEAP_DESC desc_{};
  uint32_t serial_ = 0;
  std::vector<Descriptor> descriptors_;
};

// The live heaps of a device, by the serial number their handles carry.
class DescriptorHeapRegistry {
 public:
  uint32_t Add(DescriptorHeap* heap);
  void Remove(uint32_t serial);

  // The descriptor a CPU handle names, in a heap of `type`. Null, with one stderr line naming `call`, when the
  // handle lies outside every live heap of that type.
  Descriptor* Resolve(D3D12_CPU_DESCRIPTOR_HANDLE handle, D3D12_DESCRIPTOR_HEAP_TYPE type, const char* call) const;

  // The heap and index a GPU handle names; false, with one stderr line naming `call`, when it names none.
  bool Resolve(D3D12_GPU_DESCRIPTOR_HANDLE handle, const char* call, DescriptorHeap** heap, uint32_t* index) const;

 private:
  DescriptorHeap* Find(uint32_t serial) const;

  mutable std::mutex mutex_;
  std::vector<DescriptorHeap*> heaps_;  // index = serial - 1; null once released
};

}  // namespace d3d12vk
