// ID3D12Resource: a buffer or 2D texture, committed (in a shared memory block or in memory of its own from the
// MemoryAllocator, zeroed unless the heap flags say not to) or placed at an offset of an ID3D12Heap (keeping
// the heap alive). Buffers get a GPU virtual address; memory the CPU may reach stays mapped for its whole life.
// Textures in heaps the CPU reaches are linear images, so WriteToSubresource and ReadFromSubresource can reach
// their texels.
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

class Heap;

class Resource final : public DeviceChild<ID3D12Resource, ID3D12Pageable> {
 public:
  // Validates the arguments as Direct3D 12 does and creates the resource; failures are reported with `call`.
  // `extraUsage` lets the swap chain ask for more than the flags say.
  static HRESULT CreateCommitted(Device& device, const char* call, const D3D12_HEAP_PROPERTIES& heap,
                                 D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                                 D3D12_RESOURCE_STATES initialState, Resource** resource);
  // A resource bound at `offset` of `heap`; its bytes are the heap's.
  static HRESULT CreatePlaced(Device& device, const char* call, Heap& heap, UINT64 offset,
                              const D3D12_RESOURCE_DESC& desc, D3D12_RESOURCE_STATES initialState,
                              Resource** resource);
  // The size and alignment a placed resource of `desc` takes; {UINT64_MAX, ...} when `desc` is invalid.
  static D3D12_RESOURCE_ALLOCATION_INFO AllocationInfo(Device& device, const char* call,
                                                       const D3D12_RESOURCE_DESC& desc);

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
  // Whether the image can be a colour attachment (render targets, and UAV textures whose format allows it).
  bool IsAttachment() const { return attachment_; }

  // A view of the image, created on first request; VK_NULL_HANDLE if Vulkan refuses it.
  VkImageView View(const ImageViewKey& key);
  // A typed view of bytes of the buffer (Buffer<T>, RWBuffer<T>), likewise.
  VkBufferView TexelView(VkFormat format, VkDeviceSize offset, VkDeviceSize range);

 private:
  explicit Resource(Device& device);
  ~Resource() override;
  // Validates `desc` and the heap and creates the Vulkan buffer or image, without memory.
  static HRESULT CreateUnbound(Device& device, const char* call, const D3D12_HEAP_PROPERTIES& heap,
                               D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                               D3D12_RESOURCE_STATES initialState, Resource** resource);
  HRESULT CreateBuffer(const char* call);
  HRESULT CreateImage(const char* call);
  VkMemoryRequirements Requirements(bool* wantsOwnMemory) const;
  // Memory for the buffer or image from the device's allocator, bound; then the first contents.
  HRESULT BindCommitted(const char* call);
  // Binds at `offset` of `heap` when the requirements fit there.
  HRESULT BindPlaced(const char* call, Heap& heap, UINT64 offset);
  HRESULT Bind(const char* call);
  bool ZeroesMemory() const { return placedIn_ == nullptr && !(heapFlags_ & D3D12_HEAP_FLAG_CREATE_NOT_ZEROED); }
  void ZeroBuffer();
  void StartImage();
  // The CPU's view of a subresource of a linear texture (row and depth pitch in `layout`); null when the CPU
  // cannot reach it, after reporting `call`.
  std::byte* SubresourceBytes(const char* call, UINT subresource, VkSubresourceLayout* layout);

  D3D12_RESOURCE_DESC desc_{};
  D3D12_HEAP_PROPERTIES heap_{};
  D3D12_HEAP_FLAGS heapFlags_ = D3D12_HEAP_FLAG_NONE;
  const FormatInfo* format_ = nullptr;
  VkFormat imageFormat_ = VK_FORMAT_UNDEFINED;
  VkImageAspectFlags aspects_ = 0;
  VkBuffer buffer_ = VK_NULL_HANDLE;
  VkImage image_ = VK_NULL_HANDLE;
  MemoryPlacement memory_;
  Heap* placedIn_ = nullptr;
  bool cpuAccessible_ = false;
  bool attachment_ = false;
  MemoryKind memoryKind_ = MemoryKind::DeviceLocal;
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
