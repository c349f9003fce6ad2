// ID3D12Resource: a committed buffer or 2D texture, in a shared memory block or in memory of its own
// (MemoryAllocator), zeroed unless the heap flags say not to. Buffers get a GPU virtual address; buffers in
// upload and readback heaps stay mapped for their whole life.
#pragma once

#include "ComObject.h"
#include "FormatTable.h"
#include "MemoryAllocator.h"

#include <vulkan/vulkan.h>

#include <mutex>
#include <vector>

namespace d3d12vk {

// Identifies one image view of a resource; views are made on first use and live as long as the resource.
struct ImageViewKey {
  VkImageViewType type;
  VkFormat format;
  VkImageAspectFlags aspects;
  uint32_t baseMip;
  uint32_t mipCount;
  uint32_t baseLayer;
  uint32_t layerCount;
  VkComponentMapping swizzle;
  bool operator==(const ImageViewKey& other) const;
};

class Resource final : public DeviceChild<ID3D12Resource, ID3D12Pageable> {
 public:
  // Validates the arguments as Direct3D 12 does and creates the resource; failures are reported with `call`.
  // `extraUsage` lets the swap chain ask for more than the flags say.
  static HRESULT CreateCommitted(Device& device, const char* call, const D3D12_HEAP_PROPERTIES& heap,
                                 D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                                 D3D12_RESOURCE_STATES initialState, Resource** resource);

  // ID3D12Resource
  HRESULT STDMETHODCALLTYPE Map(UINT subresource, const D3D12_RANGE* readRange, void** data) override;
  void STDMETHODCALLTYPE Unmap(UINT subresource, const D3D12_RANGE* writtenRange) override;
  D3D12_RESOURCE_DESC STDMETHODCALLTYPE GetDesc() override { return desc_; }
  D3D12_GPU_VIRTUAL_ADDRESS STDMETHODCALLTYPE GetGPUVirtualAddress() override { return gpuAddress_; }
  HRESULT STDMETHODCALLTYPE WriteToSubresource(UINT, const D3D12_BOX*, const void*, UINT, UINT) override;
  HRESULT STDMETHODCALLTYPE ReadFromSubresource(void*, UINT, UINT, UINT, const D3D12_BOX*) override;
  HRESULT STDMETHODCALLTYPE GetHeapProperties(D3D12_HEAP_PROPERTIES* properties, D3D12_HEAP_FLAGS* flags) override;

  const D3D12_RESOURCE_DESC& Desc() const { return desc_; }
  bool IsBuffer() const { return desc_.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER; }
  VkBuffer Buffer() const { return buffer_; }
  VkImage Image() const { return image_; }
  // The format entry of a texture; null for buffers.
  const FormatInfo* Format() const { return format_; }
  VkFormat ImageFormat() const { return imageFormat_; }
  VkImageAspectFlags Aspects() const { return aspects_; }
  const MemoryPlacement& Memory() const { return memory_; }
  uint32_t MipLevels() const { return desc_.MipLevels; }
  uint32_t ArrayLayers() const { return desc_.DepthOrArraySize; }
  UINT SampleCount() const { return desc_.SampleDesc.Count; }
  VkExtent3D MipExtent(uint32_t mip) const;
  // Subresource index -> mip level and array layer.
  void SplitSubresource(UINT subresource, uint32_t* mip, uint32_t* layer) const;
  uint32_t SubresourceCount() const { return IsBuffer() ? 1 : MipLevels() * ArrayLayers(); }

  // The state the last recorded barrier left the resource in; command lists use it to pick image layouts.
  D3D12_RESOURCE_STATES RecordedState() const { return recordedState_; }
  void SetRecordedState(D3D12_RESOURCE_STATES state) { recordedState_ = state; }
  VkImageLayout CurrentLayout() const;

  // A view of the image, created on first request; VK_NULL_HANDLE if Vulkan refuses it.
  VkImageView View(const ImageViewKey& key);
  // A typed view of bytes of the buffer (Buffer<T>, RWBuffer<T>), likewise.
  VkBufferView TexelView(VkFormat format, VkDeviceSize offset, VkDeviceSize range);

 private:
  explicit Resource(Device& device);
  ~Resource() override;
  HRESULT CreateBuffer(const char* call, D3D12_HEAP_TYPE heapType);
  HRESULT CreateImage(const char* call);
  // Memory for the buffer or image from the device's allocator; not yet bound.
  HRESULT AllocateMemory(const char* call, D3D12_HEAP_TYPE heapType);
  bool ZeroesMemory() const { return !(heapFlags_ & D3D12_HEAP_FLAG_CREATE_NOT_ZEROED); }
  void ZeroBuffer();
  void StartImage();

  D3D12_RESOURCE_DESC desc_{};
  D3D12_HEAP_PROPERTIES heap_{};
  D3D12_HEAP_FLAGS heapFlags_ = D3D12_HEAP_FLAG_NONE;
  const FormatInfo* format_ = nullptr;
  VkFormat imageFormat_ = VK_FORMAT_UNDEFINED;
  VkImageAspectFlags aspects_ = 0;
  VkBuffer buffer_ = VK_NULL_HANDLE;
  VkImage image_ = VK_NULL_HANDLE;
  MemoryPlacement memory_;
  D3D12_GPU_VIRTUAL_ADDRESS gpuAddress_ = 0;
  D3D12_RESOURCE_STATES recordedState_ = D3D12_RESOURCE_STATE_COMMON;
  uint64_t initializationSerial_ = 0;

  std::mutex viewMutex_;
  std::vector<std::pair<ImageViewKey, VkImageView>> views_;
  struct TexelViewKey {
    VkFormat format;
    VkDeviceSize offset, range;
    VkBufferView view;
  };
  std::vector<TexelViewKey> texelViews_;
};

// The Resource behind an ID3D12Resource pointer the program passed in; null for null.
inline Resource* AsResource(ID3D12Resource* resource) { return static_cast<Resource*>(resource); }

}  // namespace d3d12vk
