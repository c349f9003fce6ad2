#include "Resource.h"

#include "Device.h"
#include "Diagnostics.h"
#include "Multisampling.h"
#include "ResourceInitialization.h"
#include "ResourceStates.h"
#include "VulkanStructs.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace d3d12vk {
namespace {

constexpr UINT64 kMaxTextureDimension = D3D12_REQ_TEXTURE2D_U_OR_V_DIMENSION;

uint32_t FullMipChain(UINT64 width, UINT height) { return uint32_t(std::bit_width(std::max<UINT64>(width, height))); }

HRESULT ValidateBufferDesc(const char* call, const D3D12_RESOURCE_DESC& desc) {
  if (desc.Width == 0) return Fail(call, E_INVALIDARG, "a buffer needs a Width above 0");
  if (desc.Height != 1 || desc.DepthOrArraySize != 1 || desc.MipLevels != 1) {
    return Fail(call, E_INVALIDARG, "a buffer has Height, DepthOrArraySize and MipLevels 1 (got %u, %u, %u)",
                desc.Height, desc.DepthOrArraySize, desc.MipLevels);
  }
  if (desc.Format != DXGI_FORMAT_UNKNOWN) {
    return Fail(call, E_INVALIDARG, "a buffer has format DXGI_FORMAT_UNKNOWN (got %d)", desc.Format);
  }
  if (desc.Layout != D3D12_TEXTURE_LAYOUT_ROW_MAJOR) {
    return Fail(call, E_INVALIDARG, "a buffer has layout D3D12_TEXTURE_LAYOUT_ROW_MAJOR");
  }
  if (desc.SampleDesc.Count != 1 || desc.SampleDesc.Quality != 0) {
    return Fail(call, E_INVALIDARG, "a buffer has SampleDesc 1/0");
  }
  return S_OK;
}

// Whether the adapter has the count for this format is known only with the Vulkan format (CreateImage).
HRESULT ValidateMultisampledDesc(const char* call, const D3D12_RESOURCE_DESC& desc) {
  if (SampleCountBit(desc.SampleDesc.Count) == 0) {
    return Fail(call, E_INVALIDARG, "SampleDesc.Count %u is not 1, 2, 4, 8, 16 or 32", desc.SampleDesc.Count);
  }
  if (desc.SampleDesc.Quality != 0 && desc.SampleDesc.Quality != UINT(DXGI_STANDARD_MULTISAMPLE_QUALITY_PATTERN)) {
    return Fail(call, E_INVALIDARG, "SampleDesc.Quality %u: the adapter has one quality level (0)",
                desc.SampleDesc.Quality);
  }
  if (desc.MipLevels != 1) {
    return Fail(call, E_INVALIDARG, "a multisampled texture has one mip level (got %u)", desc.MipLevels);
  }
  if (!(desc.Flags & (D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL)) ||
      (desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS)) {
    return Fail(call, E_INVALIDARG,
                "a multisampled texture is a render target or depth buffer without unordered access (flags 0x%x)",
                desc.Flags);
  }
  return S_OK;
}

HRESULT ValidateTextureDesc(const char* call, const D3D12_RESOURCE_DESC& desc) {
  if (desc.Dimension != D3D12_RESOURCE_DIMENSION_TEXTURE2D) {
    ReportNotImplementedOnce("ID3D12Device::CreateCommittedResource with 1D or 3D textures");
    return E_NOTIMPL;
  }
  if (FindFormat(desc.Format) == nullptr) return Fail(call, E_INVALIDARG, "unsupported format %d", desc.Format);
  if (desc.Width == 0 || desc.Height == 0 || desc.DepthOrArraySize == 0) {
    return Fail(call, E_INVALIDARG, "a texture of %llux%u with %u array slices is empty",
                (unsigned long long)desc.Width, desc.Height, desc.DepthOrArraySize);
  }
  if (desc.Width > kMaxTextureDimension || desc.Height > kMaxTextureDimension) {
    return Fail(call, E_INVALIDARG, "a texture of %llux%u exceeds %llu texels per side", (unsigned long long)desc.Width,
                desc.Height, (unsigned long long)kMaxTextureDimension);
  }
  if (desc.MipLevels > FullMipChain(desc.Width, desc.Height)) {
    return Fail(call, E_INVALIDARG, "%u mip levels is more than a %llux%u texture has", desc.MipLevels,
                (unsigned long long)desc.Width, desc.Height);
  }
  if (desc.SampleDesc.Count != 1) {
    HRESULT multisampled = ValidateMultisampledDesc(call, desc);
    if (FAILED(multisampled)) return multisampled;
  }
  if (desc.Layout != D3D12_TEXTURE_LAYOUT_UNKNOWN) {
    return Fail(call, E_INVALIDARG, "textures have layout D3D12_TEXTURE_LAYOUT_UNKNOWN here (got %d)", desc.Layout);
  }
  const FormatInfo& format = *FindFormat(desc.Format);
  if ((desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL) && !IsDepthStencil(format)) {
    return Fail(call, E_INVALIDARG, "ALLOW_DEPTH_STENCIL needs a depth format (got %d)", desc.Format);
  }
  if ((desc.Flags & D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET) && IsDepthStencil(format)) {
    return Fail(call, E_INVALIDARG, "ALLOW_RENDER_TARGET needs a colour format (got %d)", desc.Format);
  }
  return S_OK;
}

HRESULT ValidateHeap(const char* call, const D3D12_HEAP_PROPERTIES& heap, const D3D12_RESOURCE_DESC& desc,
                     D3D12_RESOURCE_STATES state) {
  switch (heap.Type) {
    case D3D12_HEAP_TYPE_DEFAULT:
      return S_OK;
    case D3D12_HEAP_TYPE_UPLOAD:
    case D3D12_HEAP_TYPE_READBACK:
      if (desc.Dimension != D3D12_RESOURCE_DIMENSION_BUFFER) {
        return Fail(call, E_INVALIDARG, "textures cannot live in upload or readback heaps");
      }
      if (heap.Type == D3D12_HEAP_TYPE_UPLOAD && state != D3D12_RESOURCE_STATE_GENERIC_READ) {
        return Fail(call, E_INVALIDARG, "upload-heap resources start in GENERIC_READ (got 0x%x)", state);
      }
      if (heap.Type == D3D12_HEAP_TYPE_READBACK && state != D3D12_RESOURCE_STATE_COPY_DEST) {
        return Fail(call, E_INVALIDARG, "readback-heap resources start in COPY_DEST (got 0x%x)", state);
      }
      return S_OK;
    case D3D12_HEAP_TYPE_CUSTOM:
      ReportNotImplementedOnce("ID3D12Device::CreateCommittedResource with custom heaps");
      return E_NOTIMPL;
    default:
      return Fail(call, E_INVALIDARG, "unknown heap type %d", heap.Type);
  }
}

// Window-sized targets are made again at every resize. Memory of their own goes back to the system at once
// instead of leaving holes in shared blocks; smaller targets share blocks like everything else.
constexpr VkDeviceSize kOwnMemoryTargetBytes = 1 << 20;

bool IsCpuHeap(D3D12_HEAP_TYPE type) { return type == D3D12_HEAP_TYPE_UPLOAD || type == D3D12_HEAP_TYPE_READBACK; }

MemoryKind MemoryKindFor(D3D12_HEAP_TYPE type) {
  switch (type) {
    case D3D12_HEAP_TYPE_UPLOAD:
      return MemoryKind::Upload;
    case D3D12_HEAP_TYPE_READBACK:
      return MemoryKind::Readback;
    default:
      return MemoryKind::DeviceLocal;
  }
}

}  // namespace

bool ImageViewKey::operator==(const ImageViewKey& other) const {
  return type == other.type && format == other.format && aspects == other.aspects && baseMip == other.baseMip &&
         mipCount == other.mipCount && baseLayer == other.baseLayer && layerCount == other.layerCount &&
         swizzle.r == other.swizzle.r && swizzle.g == other.swizzle.g && swizzle.b == other.swizzle.b &&
         swizzle.a == other.swizzle.a;
}

Resource::Resource(Device& device) : DeviceChild(device) {}

Resource::~Resource() {
  if (initializationSerial_ != 0) OwningDevice().Submissions().FinishInitialization(initializationSerial_);
  VkDevice device = OwningDevice().Vulkan().Handle();
  for (auto& [key, view] : views_) vkDestroyImageView(device, view, nullptr);
  for (const TexelViewKey& texel : texelViews_) vkDestroyBufferView(device, texel.view, nullptr);
  if (gpuAddress_ != 0) OwningDevice().Addresses().Release(gpuAddress_);
  if (buffer_ != VK_NULL_HANDLE) vkDestroyBuffer(device, buffer_, nullptr);
  if (image_ != VK_NULL_HANDLE) vkDestroyImage(device, image_, nullptr);
  OwningDevice().Memory().Free(memory_);
}

HRESULT Resource::CreateCommitted(Device& device, const char* call, const D3D12_HEAP_PROPERTIES& heap,
                                  D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                                  D3D12_RESOURCE_STATES initialState, Resource** resource) {
  const bool isBuffer = desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER;
  HRESULT result = isBuffer ? ValidateBufferDesc(call, desc) : ValidateTextureDesc(call, desc);
  if (FAILED(result)) return result;
  result = ValidateHeap(call, heap, desc, initialState);
  if (FAILED(result)) return result;
  if (!IsKnownState(initialState)) return Fail(call, E_INVALIDARG, "unknown resource state 0x%x", initialState);

  Resource* created = new Resource(device);
  created->desc_ = desc;
  created->heap_ = heap;
  created->heapFlags_ = heapFlags;
  created->recordedState_ = initialState;
  if (isBuffer) {
    created->desc_.Alignment = D3D12_DEFAULT_RESOURCE_PLACEMENT_ALIGNMENT;
    result = created->CreateBuffer(call, heap.Type);
  } else {
    if (created->desc_.MipLevels == 0) created->desc_.MipLevels = UINT16(FullMipChain(desc.Width, desc.Height));
    created->desc_.Alignment = D3D12_DEFAULT_RESOURCE_PLACEMENT_ALIGNMENT;
    result = created->CreateImage(call);
  }
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *resource = created;
  return S_OK;
}

HRESULT Resource::CreateBuffer(const char* call, D3D12_HEAP_TYPE heapType) {
  VkDevice device = OwningDevice().Vulkan().Handle();
  auto info = VkInit<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
  // Whole words, so the zero fill reaches the last byte.
  info.size = (desc_.Width + 3) & ~UINT64(3);
  // A D3D12 buffer can be bound as anything; the usage must allow all of it.
  info.usage = VK_BUFFER_USAGE_TRANSFER_SRC_BIT | VK_BUFFER_USAGE_TRANSFER_DST_BIT | VK_BUFFER_USAGE_VERTEX_BUFFER_BIT |
               VK_BUFFER_USAGE_INDEX_BUFFER_BIT | VK_BUFFER_USAGE_UNIFORM_BUFFER_BIT |
               VK_BUFFER_USAGE_STORAGE_BUFFER_BIT | VK_BUFFER_USAGE_INDIRECT_BUFFER_BIT |
               VK_BUFFER_USAGE_UNIFORM_TEXEL_BUFFER_BIT | VK_BUFFER_USAGE_STORAGE_TEXEL_BUFFER_BIT;
  if (OwningDevice().Vulkan().HasConditionalRendering()) info.usage |= VK_BUFFER_USAGE_CONDITIONAL_RENDERING_BIT_EXT;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  const VkResult result = vkCreateBuffer(device, &info, nullptr, &buffer_);
  if (result != VK_SUCCESS) {
    return Fail(call, E_OUTOFMEMORY, "cannot create a buffer of %llu bytes: %s", (unsigned long long)desc_.Width,
                DescribeVkResult(result));
  }
  HRESULT allocated = AllocateMemory(call, heapType);
  if (FAILED(allocated)) return allocated;
  vkBindBufferMemory(device, buffer_, memory_.memory, memory_.offset);
  if (IsCpuHeap(heapType) && memory_.mapped == nullptr) {
    return Fail(call, E_OUTOFMEMORY, "the memory of a buffer of %llu bytes cannot be mapped",
                (unsigned long long)desc_.Width);
  }
  if (ZeroesMemory()) ZeroBuffer();
  gpuAddress_ = OwningDevice().Addresses().Reserve(this, buffer_, desc_.Width);
  return S_OK;
}

HRESULT Resource::CreateImage(const char* call) {
  VulkanDevice& vulkan = OwningDevice().Vulkan();
  format_ = FindFormat(desc_.Format);
  imageFormat_ = vulkan.ImageFormat(*format_);
  aspects_ = format_->aspects;

  VkImageUsageFlags usage = VK_IMAGE_USAGE_TRANSFER_SRC_BIT | VK_IMAGE_USAGE_TRANSFER_DST_BIT;
  VkFormatFeatureFlags needed = VK_FORMAT_FEATURE_TRANSFER_SRC_BIT | VK_FORMAT_FEATURE_TRANSFER_DST_BIT;
  if (!(desc_.Flags & D3D12_RESOURCE_FLAG_DENY_SHADER_RESOURCE)) {
    usage |= VK_IMAGE_USAGE_SAMPLED_BIT;
    needed |= VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT;
  }
  if (desc_.Flags & D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET) {
    usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    needed |= VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT;
  }
  if (desc_.Flags & D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL) {
    usage |= VK_IMAGE_USAGE_DEPTH_STENCIL_ATTACHMENT_BIT;
    needed |= VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT;
  }
  if (desc_.Flags & D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS) {
    usage |= VK_IMAGE_USAGE_STORAGE_BIT;
    needed |= VK_FORMAT_FEATURE_STORAGE_IMAGE_BIT;
  }
  if (!vulkan.SupportsImageFeatures(imageFormat_, needed)) {
    return Fail(call, E_INVALIDARG, "format %d cannot be used with resource flags 0x%x on this adapter", desc_.Format,
                desc_.Flags);
  }

  const VkSampleCountFlagBits samples = SampleCountBit(desc_.SampleDesc.Count);
  if (samples != VK_SAMPLE_COUNT_1_BIT) {
    // Shaders reading multisampled images is optional in Vulkan; without it the texture is only a target.
    if (!(SupportedSampleCounts(vulkan, imageFormat_, usage) & samples)) usage &= ~VK_IMAGE_USAGE_SAMPLED_BIT;
    if (!(SupportedSampleCounts(vulkan, imageFormat_, usage) & samples)) {
      return Fail(call, E_INVALIDARG, "format %d cannot have %u samples on this adapter", desc_.Format,
                  desc_.SampleDesc.Count);
    }
  }

  auto info = VkInit<VkImageCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_CREATE_INFO);
  info.flags = format_->typeless ? VK_IMAGE_CREATE_MUTABLE_FORMAT_BIT : 0;
  info.imageType = VK_IMAGE_TYPE_2D;
  info.format = imageFormat_;
  info.extent = {uint32_t(desc_.Width), desc_.Height, 1};
  info.mipLevels = desc_.MipLevels;
  info.arrayLayers = desc_.DepthOrArraySize;
  info.samples = samples;
  info.tiling = VK_IMAGE_TILING_OPTIMAL;
  info.usage = usage;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  info.initialLayout = VK_IMAGE_LAYOUT_UNDEFINED;
  const VkResult result = vkCreateImage(vulkan.Handle(), &info, nullptr, &image_);
  if (result != VK_SUCCESS) {
    return Fail(call, E_OUTOFMEMORY, "cannot create a %llux%u texture: %s", (unsigned long long)desc_.Width,
                desc_.Height, DescribeVkResult(result));
  }
  HRESULT allocated = AllocateMemory(call, D3D12_HEAP_TYPE_DEFAULT);
  if (FAILED(allocated)) return allocated;
  vkBindImageMemory(vulkan.Handle(), image_, memory_.memory, memory_.offset);
  StartImage();
  return S_OK;
}

HRESULT Resource::AllocateMemory(const char* call, D3D12_HEAP_TYPE heapType) {
  VkDevice device = OwningDevice().Vulkan().Handle();
  auto dedicated = VkInit<VkMemoryDedicatedRequirements>(VK_STRUCTURE_TYPE_MEMORY_DEDICATED_REQUIREMENTS);
  auto requirements = VkInit<VkMemoryRequirements2>(VK_STRUCTURE_TYPE_MEMORY_REQUIREMENTS_2, &dedicated);
  if (buffer_ != VK_NULL_HANDLE) {
    auto info = VkInit<VkBufferMemoryRequirementsInfo2>(VK_STRUCTURE_TYPE_BUFFER_MEMORY_REQUIREMENTS_INFO_2);
    info.buffer = buffer_;
    vkGetBufferMemoryRequirements2(device, &info, &requirements);
  } else {
    auto info = VkInit<VkImageMemoryRequirementsInfo2>(VK_STRUCTURE_TYPE_IMAGE_MEMORY_REQUIREMENTS_INFO_2);
    info.image = image_;
    vkGetImageMemoryRequirements2(device, &info, &requirements);
  }
  MemoryRequest request;
  request.requirements = requirements.memoryRequirements;
  const bool isTarget =
      desc_.Flags & (D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  request.dedicated = dedicated.prefersDedicatedAllocation || dedicated.requiresDedicatedAllocation ||
                      (isTarget && request.requirements.size >= kOwnMemoryTargetBytes);
  request.kind = MemoryKindFor(heapType);
  request.tiling = buffer_ != VK_NULL_HANDLE ? Tiling::Linear : Tiling::Optimal;
  request.buffer = buffer_;
  request.image = image_;
  return OwningDevice().Memory().Allocate(call, request, &memory_);
}

void Resource::ZeroBuffer() {
  if (IsCpuHeap(heap_.Type)) {
    // The CPU reaches these bytes directly; nothing of the GPU's has touched them since their last owner.
    std::memset(memory_.mapped, 0, desc_.Width);
    OwningDevice().Memory().Flush(memory_);
    return;
  }
  VkBuffer buffer = buffer_;
  const VulkanDispatch& vk = OwningDevice().Vulkan().Commands();
  initializationSerial_ = OwningDevice().Submissions().RecordInitialization(
      [&vk, buffer](VkCommandBuffer commands) { RecordBufferZeroing(vk, commands, buffer); });
}

void Resource::StartImage() {
  // Block-compressed images cannot be cleared in Vulkan; programs fill them whole from their files.
  const ImageStart start{image_, aspects_, ZeroesMemory() && format_->blockSize == 1, CurrentLayout(),
                         StageAccessFor(recordedState_)};
  initializationSerial_ = OwningDevice().Submissions().RecordInitialization(
      [&vk = OwningDevice().Vulkan().Commands(), &start](VkCommandBuffer commands) {
        RecordImageStart(vk, commands, start);
      });
}

HRESULT Resource::Map(UINT subresource, const D3D12_RANGE* readRange, void** data) {
  constexpr const char* kCall = "ID3D12Resource::Map";
  if (!IsCpuHeap(heap_.Type)) {
    return Fail(kCall, E_INVALIDARG, "the resource is in a heap the CPU cannot reach (heap type %d)", heap_.Type);
  }
  if (subresource != 0) return Fail(kCall, E_INVALIDARG, "buffers have only subresource 0 (got %u)", subresource);
  const bool readsData = readRange == nullptr || readRange->End > readRange->Begin;
  if (readsData) OwningDevice().Memory().Invalidate(memory_);
  if (data != nullptr) *data = memory_.mapped;
  return S_OK;
}

void Resource::Unmap(UINT subresource, const D3D12_RANGE* writtenRange) {
  if (!IsCpuHeap(heap_.Type) || subresource != 0) {
    Report("ID3D12Resource::Unmap", "subresource %u of this resource is not mapped", subresource);
    return;
  }
  const bool wroteData = writtenRange == nullptr || writtenRange->End > writtenRange->Begin;
  if (wroteData) OwningDevice().Memory().Flush(memory_);
  // The memory stays mapped: Direct3D 12 allows using the pointer while the GPU works, and so do we.
}

HRESULT Resource::WriteToSubresource(UINT, const D3D12_BOX*, const void*, UINT, UINT) {
  return NotImplemented("ID3D12Resource::WriteToSubresource");
}

HRESULT Resource::ReadFromSubresource(void*, UINT, UINT, UINT, const D3D12_BOX*) {
  return NotImplemented("ID3D12Resource::ReadFromSubresource");
}

HRESULT Resource::GetHeapProperties(D3D12_HEAP_PROPERTIES* properties, D3D12_HEAP_FLAGS* flags) {
  if (properties != nullptr) *properties = heap_;
  if (flags != nullptr) *flags = heapFlags_;
  return S_OK;
}

VkExtent3D Resource::MipExtent(uint32_t mip) const {
  return {std::max(1u, uint32_t(desc_.Width) >> mip), std::max(1u, desc_.Height >> mip), 1};
}

void Resource::SplitSubresource(UINT subresource, uint32_t* mip, uint32_t* layer) const {
  *mip = subresource % MipLevels();
  *layer = subresource / MipLevels();
}

VkImageLayout Resource::CurrentLayout() const { return ImageLayoutFor(recordedState_, aspects_); }

VkImageView Resource::View(const ImageViewKey& key) {
  std::lock_guard lock(viewMutex_);
  for (const auto& [existing, view] : views_) {
    if (existing == key) return view;
  }
  auto info = VkInit<VkImageViewCreateInfo>(VK_STRUCTURE_TYPE_IMAGE_VIEW_CREATE_INFO);
  info.image = image_;
  info.viewType = key.type;
  info.format = key.format;
  info.components = key.swizzle;
  info.subresourceRange = {key.aspects, key.baseMip, key.mipCount, key.baseLayer, key.layerCount};
  VkImageView view = VK_NULL_HANDLE;
  const VkResult result = vkCreateImageView(OwningDevice().Vulkan().Handle(), &info, nullptr, &view);
  if (result != VK_SUCCESS) {
    Report("ID3D12Device::CreateView", "cannot create an image view: %s", DescribeVkResult(result));
    return VK_NULL_HANDLE;
  }
  views_.emplace_back(key, view);
  return view;
}

VkBufferView Resource::TexelView(VkFormat format, VkDeviceSize offset, VkDeviceSize range) {
  std::lock_guard lock(viewMutex_);
  for (const TexelViewKey& existing : texelViews_) {
    if (existing.format == format && existing.offset == offset && existing.range == range) return existing.view;
  }
  auto info = VkInit<VkBufferViewCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_VIEW_CREATE_INFO);
  info.buffer = buffer_;
  info.format = format;
  info.offset = offset;
  info.range = range;
  VkBufferView view = VK_NULL_HANDLE;
  if (vkCreateBufferView(OwningDevice().Vulkan().Handle(), &info, nullptr, &view) != VK_SUCCESS) return VK_NULL_HANDLE;
  texelViews_.push_back({format, offset, range, view});
  return view;
}

}  // namespace d3d12vk
