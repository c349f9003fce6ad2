#include "Resource.h"

#include "Device.h"
#include "Diagnostics.h"
#include "Heap.h"
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

// Textures in heaps the CPU reaches are linear images, which Vulkan promises only in their simplest form.
HRESULT ValidateCpuTexture(const char* call, const D3D12_RESOURCE_DESC& desc) {
  if (desc.MipLevels > 1 || desc.DepthOrArraySize != 1 || desc.SampleDesc.Count != 1 ||
      (desc.Flags & (D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL))) {
    return Fail(call, E_INVALIDARG,
                "a texture in a heap the CPU reaches has one mip, one slice and one sample and is no render "
                "target or depth buffer here");
  }
  return S_OK;
}

HRESULT ValidateHeap(const char* call, const D3D12_HEAP_PROPERTIES& heap, const D3D12_RESOURCE_DESC& desc,
                     D3D12_RESOURCE_STATES state, HeapMemory* memory) {
  HRESULT result = ValidateHeapProperties(call, heap, memory);
  if (FAILED(result)) return result;
  const bool isBuffer = desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER;
  switch (heap.Type) {
    case D3D12_HEAP_TYPE_UPLOAD:
    case D3D12_HEAP_TYPE_READBACK:
      if (!isBuffer) return Fail(call, E_INVALIDARG, "textures cannot live in upload or readback heaps");
      if (heap.Type == D3D12_HEAP_TYPE_UPLOAD && state != D3D12_RESOURCE_STATE_GENERIC_READ) {
        return Fail(call, E_INVALIDARG, "upload-heap resources start in GENERIC_READ (got 0x%x)", state);
      }
      if (heap.Type == D3D12_HEAP_TYPE_READBACK && state != D3D12_RESOURCE_STATE_COPY_DEST) {
        return Fail(call, E_INVALIDARG, "readback-heap resources start in COPY_DEST (got 0x%x)", state);
      }
      return S_OK;
    case D3D12_HEAP_TYPE_CUSTOM:
      return memory->cpuAccessible && !isBuffer ? ValidateCpuTexture(call, desc) : S_OK;
    default:
      return S_OK;
  }
}

VkDeviceSize AlignUp(VkDeviceSize value, VkDeviceSize alignment) { return (value + alignment - 1) / alignment * alignment; }

// The alignment Direct3D 12 grants a placed resource that asked for `desc.Alignment`: small alignments where
// the resource is small enough for them (Vulkan's own alignment and size decide), the default otherwise.
UINT64 PlacementAlignment(const D3D12_RESOURCE_DESC& desc, const VkMemoryRequirements& requirements) {
  const bool multisampled = desc.SampleDesc.Count > 1;
  const UINT64 standard = multisampled ? kMultisamplePlacementAlignment : kDefaultPlacementAlignment;
  const UINT64 small = multisampled ? kDefaultPlacementAlignment : kSmallPlacementAlignment;
  const bool target =
      desc.Flags & (D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  const bool smallFits = desc.Dimension != D3D12_RESOURCE_DIMENSION_BUFFER && (multisampled || !target) &&
                         requirements.size <= small * 16 && requirements.alignment <= small;
  UINT64 alignment = desc.Alignment == small && smallFits ? small : standard;
  if (desc.Alignment > standard) alignment = desc.Alignment;
  return std::max<UINT64>(alignment, std::bit_ceil(requirements.alignment));
}

bool SupportsLinearFeatures(const VulkanDevice& vulkan, VkFormat format, VkFormatFeatureFlags features) {
  VkFormatProperties properties{};
  vkGetPhysicalDeviceFormatProperties(vulkan.Adapter().physicalDevice, format, &properties);
  return (properties.linearTilingFeatures & features) == features;
}

bool IsKnownAlignment(UINT64 alignment) {
  return alignment == 0 || alignment == kSmallPlacementAlignment || alignment == kDefaultPlacementAlignment ||
         alignment == kMultisamplePlacementAlignment;
}

// Window-sized targets are made again at every resize. Memory of their own goes back to the system at once
// instead of leaving holes in shared blocks; smaller targets share blocks like everything else.
constexpr VkDeviceSize kOwnMemoryTargetBytes = 1 << 20;

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
  if (placedIn_ != nullptr) {
    placedIn_->Release();
  } else {
    OwningDevice().Memory().Free(memory_);
  }
}

HRESULT Resource::CreateUnbound(Device& device, const char* call, const D3D12_HEAP_PROPERTIES& heap,
                                D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                                D3D12_RESOURCE_STATES initialState, Resource** resource) {
  const bool isBuffer = desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER;
  HRESULT result = isBuffer ? ValidateBufferDesc(call, desc) : ValidateTextureDesc(call, desc);
  if (FAILED(result)) return result;
  if (!IsKnownAlignment(desc.Alignment)) {
    return Fail(call, E_INVALIDARG, "Alignment %llu is not 0, 4 KiB, 64 KiB or 4 MiB",
                (unsigned long long)desc.Alignment);
  }
  HeapMemory memory;
  result = ValidateHeap(call, heap, desc, initialState, &memory);
  if (FAILED(result)) return result;
  if (!IsKnownState(initialState)) return Fail(call, E_INVALIDARG, "unknown resource state 0x%x", initialState);

  Resource* created = new Resource(device);
  created->desc_ = desc;
  created->heap_ = heap;
  created->heapFlags_ = heapFlags;
  created->recordedState_ = initialState;
  created->cpuAccessible_ = memory.cpuAccessible;
  created->memoryKind_ = memory.kind;
  if (isBuffer) {
    result = created->CreateBuffer(call);
  } else {
    if (created->desc_.MipLevels == 0) created->desc_.MipLevels = UINT16(FullMipChain(desc.Width, desc.Height));
    result = created->CreateImage(call);
  }
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  bool ownMemory = false;
  created->desc_.Alignment = PlacementAlignment(desc, created->Requirements(&ownMemory));
  *resource = created;
  return S_OK;
}

HRESULT Resource::CreateCommitted(Device& device, const char* call, const D3D12_HEAP_PROPERTIES& heap,
                                  D3D12_HEAP_FLAGS heapFlags, const D3D12_RESOURCE_DESC& desc,
                                  D3D12_RESOURCE_STATES initialState, Resource** resource) {
  Resource* created = nullptr;
  HRESULT result = CreateUnbound(device, call, heap, heapFlags, desc, initialState, &created);
  if (FAILED(result)) return result;
  result = created->BindCommitted(call);
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *resource = created;
  return S_OK;
}

HRESULT Resource::CreatePlaced(Device& device, const char* call, Heap& heap, UINT64 offset,
                               const D3D12_RESOURCE_DESC& desc, D3D12_RESOURCE_STATES initialState,
                               Resource** resource) {
  const D3D12_HEAP_DESC heapDesc = heap.GetDesc();
  if (heapDesc.Flags & DenyingFlagFor(desc)) {
    return Fail(call, E_INVALIDARG, "the heap's flags 0x%x deny resources of this kind", heapDesc.Flags);
  }
  Resource* created = nullptr;
  HRESULT result = CreateUnbound(device, call, heapDesc.Properties, heapDesc.Flags, desc, initialState, &created);
  if (FAILED(result)) return result;
  result = created->BindPlaced(call, heap, offset);
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  *resource = created;
  return S_OK;
}

D3D12_RESOURCE_ALLOCATION_INFO Resource::AllocationInfo(Device& device, const char* call,
                                                        const D3D12_RESOURCE_DESC& desc) {
  const D3D12_HEAP_PROPERTIES heap{D3D12_HEAP_TYPE_DEFAULT, D3D12_CPU_PAGE_PROPERTY_UNKNOWN, D3D12_MEMORY_POOL_UNKNOWN,
                                   1, 1};
  Resource* probe = nullptr;
  if (FAILED(CreateUnbound(device, call, heap, D3D12_HEAP_FLAG_NONE, desc, D3D12_RESOURCE_STATE_COMMON, &probe))) {
    return {UINT64_MAX, kDefaultPlacementAlignment};
  }
  bool ownMemory = false;
  const VkMemoryRequirements requirements = probe->Requirements(&ownMemory);
  const UINT64 alignment = probe->desc_.Alignment;
  probe->Release();
  return {AlignUp(requirements.size, alignment), alignment};
}

HRESULT Resource::CreateBuffer(const char* call) {
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
  return S_OK;
}

HRESULT Resource::Bind(const char* call) {
  VkDevice device = OwningDevice().Vulkan().Handle();
  if (cpuAccessible_ && memory_.mapped == nullptr) {
    return Fail(call, E_OUTOFMEMORY, "the memory of a resource of %llu bytes cannot be mapped",
                (unsigned long long)desc_.Width);
  }
  if (buffer_ != VK_NULL_HANDLE) {
    vkBindBufferMemory(device, buffer_, memory_.memory, memory_.offset);
    if (ZeroesMemory()) ZeroBuffer();
    gpuAddress_ = OwningDevice().Addresses().Reserve(this, buffer_, desc_.Width);
    return S_OK;
  }
  vkBindImageMemory(device, image_, memory_.memory, memory_.offset);
  StartImage();
  return S_OK;
}

HRESULT Resource::CreateImage(const char* call) {
  VulkanDevice& vulkan = OwningDevice().Vulkan();
  format_ = FindFormat(desc_.Format);
  imageFormat_ = vulkan.ImageFormat(*format_);
  aspects_ = format_->aspects;

  // The CPU reaches the texels of textures in its heaps only through a linear layout.
  const bool linear = cpuAccessible_;
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
    // ClearUnorderedAccessView* with rectangles clears them as attachments.
    if (!linear && vulkan.SupportsImageFeatures(imageFormat_, needed | VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT)) {
      usage |= VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT;
    }
  }
  if (linear ? !SupportsLinearFeatures(vulkan, imageFormat_, needed)
             : !vulkan.SupportsImageFeatures(imageFormat_, needed)) {
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
  info.tiling = linear ? VK_IMAGE_TILING_LINEAR : VK_IMAGE_TILING_OPTIMAL;
  info.usage = usage;
  attachment_ = (usage & VK_IMAGE_USAGE_COLOR_ATTACHMENT_BIT) != 0;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  info.initialLayout = linear ? VK_IMAGE_LAYOUT_PREINITIALIZED : VK_IMAGE_LAYOUT_UNDEFINED;
  const VkResult result = vkCreateImage(vulkan.Handle(), &info, nullptr, &image_);
  if (result != VK_SUCCESS) {
    return Fail(call, E_OUTOFMEMORY, "cannot create a %llux%u texture: %s", (unsigned long long)desc_.Width,
                desc_.Height, DescribeVkResult(result));
  }
  return S_OK;
}

VkMemoryRequirements Resource::Requirements(bool* wantsOwnMemory) const {
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
  *wantsOwnMemory = dedicated.prefersDedicatedAllocation || dedicated.requiresDedicatedAllocation;
  return requirements.memoryRequirements;
}

HRESULT Resource::BindCommitted(const char* call) {
  MemoryRequest request;
  bool wantsOwnMemory = false;
  request.requirements = Requirements(&wantsOwnMemory);
  const bool isTarget =
      desc_.Flags & (D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  request.dedicated = wantsOwnMemory || (isTarget && request.requirements.size >= kOwnMemoryTargetBytes);
  request.kind = memoryKind_;
  request.tiling = buffer_ != VK_NULL_HANDLE || cpuAccessible_ ? Tiling::Linear : Tiling::Optimal;
  request.buffer = buffer_;
  request.image = image_;
  const HRESULT allocated = OwningDevice().Memory().Allocate(call, request, &memory_);
  if (FAILED(allocated)) return allocated;
  return Bind(call);
}

HRESULT Resource::BindPlaced(const char* call, Heap& heap, UINT64 offset) {
  bool wantsOwnMemory = false;
  const VkMemoryRequirements requirements = Requirements(&wantsOwnMemory);
  const MemoryPlacement& heapMemory = heap.Memory();
  if (offset % desc_.Alignment != 0) {
    return Fail(call, E_INVALIDARG, "HeapOffset %llu is not a multiple of the resource's alignment %llu",
                (unsigned long long)offset, (unsigned long long)desc_.Alignment);
  }
  if (offset > heapMemory.size || heapMemory.size - offset < requirements.size) {
    return Fail(call, E_INVALIDARG, "%llu bytes at HeapOffset %llu run past the heap's %llu bytes",
                (unsigned long long)requirements.size, (unsigned long long)offset,
                (unsigned long long)heapMemory.size);
  }
  if (!(requirements.memoryTypeBits & (1u << heap.MemoryType()))) {
    return Fail(call, E_INVALIDARG, "the heap's memory cannot hold this resource on this adapter (types 0x%x)",
                requirements.memoryTypeBits);
  }
  memory_ = heapMemory;
  memory_.offset = offset;
  memory_.size = requirements.size;
  memory_.mapped = heapMemory.mapped != nullptr ? heapMemory.mapped + offset : nullptr;
  memory_.block = nullptr;
  placedIn_ = &heap;
  placedIn_->AddRef();
  return Bind(call);
}

void Resource::ZeroBuffer() {
  if (cpuAccessible_) {
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
  if (cpuAccessible_ && ZeroesMemory()) {
    // A linear image's bytes are the CPU's to clear; a clear on the GPU would land after its first writes.
    std::memset(memory_.mapped, 0, memory_.size);
    OwningDevice().Memory().Flush(memory_);
  }
  // Block-compressed images cannot be cleared in Vulkan; programs fill them whole from their files.
  const ImageStart start{image_,
                         aspects_,
                         !cpuAccessible_ && ZeroesMemory() && format_->blockSize == 1,
                         CurrentLayout(),
                         StageAccessFor(recordedState_),
                         cpuAccessible_ ? VK_IMAGE_LAYOUT_PREINITIALIZED : VK_IMAGE_LAYOUT_UNDEFINED};
  initializationSerial_ = OwningDevice().Submissions().RecordInitialization(
      [&vk = OwningDevice().Vulkan().Commands(), &start](VkCommandBuffer commands) {
        RecordImageStart(vk, commands, start);
      });
}

HRESULT Resource::Map(UINT subresource, const D3D12_RANGE* readRange, void** data) {
  constexpr const char* kCall = "ID3D12Resource::Map";
  if (!cpuAccessible_) {
    return Fail(kCall, E_INVALIDARG, "the resource is in a heap the CPU cannot reach (heap type %d)", heap_.Type);
  }
  if (!IsBuffer()) {
    // A texture's layout is the adapter's: it may be mapped, but its bytes are reached through
    // WriteToSubresource and ReadFromSubresource.
    if (data != nullptr) return Fail(kCall, E_INVALIDARG, "textures of unknown layout map with a null ppData");
    return subresource < SubresourceCount() ? S_OK : Fail(kCall, E_INVALIDARG, "no subresource %u", subresource);
  }
  if (subresource != 0) return Fail(kCall, E_INVALIDARG, "buffers have only subresource 0 (got %u)", subresource);
  const bool readsData = readRange == nullptr || readRange->End > readRange->Begin;
  if (readsData) OwningDevice().Memory().Invalidate(memory_);
  if (data != nullptr) *data = memory_.mapped;
  return S_OK;
}

void Resource::Unmap(UINT subresource, const D3D12_RANGE* writtenRange) {
  if (!IsBuffer() && cpuAccessible_ && subresource < SubresourceCount()) return;
  if (!cpuAccessible_ || subresource != 0) {
    Report("ID3D12Resource::Unmap", "subresource %u of this resource is not mapped", subresource);
    return;
  }
  const bool wroteData = writtenRange == nullptr || writtenRange->End > writtenRange->Begin;
  if (wroteData) OwningDevice().Memory().Flush(memory_);
  // The memory stays mapped: Direct3D 12 allows using the pointer while the GPU works, and so do we.
}

std::byte* Resource::SubresourceBytes(const char* call, UINT subresource, VkSubresourceLayout* layout) {
  if (!cpuAccessible_) {
    Report(call, "the resource is in a heap the CPU cannot reach (heap type %d)", heap_.Type);
    return nullptr;
  }
  if (subresource >= SubresourceCount()) {
    Report(call, "subresource %u of %u", subresource, SubresourceCount());
    return nullptr;
  }
  if (IsBuffer()) {
    *layout = {0, desc_.Width, desc_.Width, desc_.Width, desc_.Width};
    return memory_.mapped;
  }
  const VkImageSubresource which{aspects_, 0, 0};
  vkGetImageSubresourceLayout(OwningDevice().Vulkan().Handle(), image_, &which, layout);
  return memory_.mapped + layout->offset;
}

namespace {

// The texels of `box` (the whole subresource when null) in bytes: rows of blocks, their byte width, and the
// byte offset of the box's corner in a subresource of `layout`. False when the box lies outside `extent`.
struct BoxBytes {
  UINT64 rowBytes = 0, rows = 0, depth = 0, start = 0;
};

bool MeasureBox(const D3D12_BOX* box, VkExtent3D extent, const FormatInfo* format, const VkSubresourceLayout& layout,
                BoxBytes* bytes) {
  const D3D12_BOX whole{0, 0, 0, extent.width, extent.height, extent.depth};
  const D3D12_BOX& region = box != nullptr ? *box : whole;
  if (region.left >= region.right || region.top >= region.bottom || region.front >= region.back ||
      region.right > extent.width || region.bottom > extent.height || region.back > extent.depth) {
    return false;
  }
  const UINT64 block = format != nullptr ? format->blockSize : 1;
  const UINT64 blockBytes = format != nullptr ? format->bytesPerBlock : 1;
  bytes->rowBytes = (region.right - region.left + block - 1) / block * blockBytes;
  bytes->rows = (region.bottom - region.top + block - 1) / block;
  bytes->depth = region.back - region.front;
  bytes->start = region.front * layout.depthPitch + region.top / block * layout.rowPitch + region.left / block * blockBytes;
  return true;
}

}  // namespace

HRESULT Resource::WriteToSubresource(UINT subresource, const D3D12_BOX* box, const void* source, UINT sourceRowPitch,
                                     UINT sourceDepthPitch) {
  constexpr const char* kCall = "ID3D12Resource::WriteToSubresource";
  if (source == nullptr) return Fail(kCall, E_INVALIDARG, "pSrcData is null");
  VkSubresourceLayout layout{};
  std::byte* bytes = SubresourceBytes(kCall, subresource, &layout);
  if (bytes == nullptr) return E_INVALIDARG;
  const VkExtent3D extent = IsBuffer() ? VkExtent3D{uint32_t(desc_.Width), 1, 1} : MipExtent(0);
  BoxBytes region;
  if (!MeasureBox(box, extent, format_, layout, &region)) return Fail(kCall, E_INVALIDARG, "the box is empty or outside");
  const auto* from = static_cast<const std::byte*>(source);
  for (UINT64 z = 0; z < region.depth; ++z) {
    for (UINT64 row = 0; row < region.rows; ++row) {
      std::memcpy(bytes + region.start + z * layout.depthPitch + row * layout.rowPitch,
                  from + z * sourceDepthPitch + row * sourceRowPitch, region.rowBytes);
    }
  }
  OwningDevice().Memory().Flush(memory_);
  return S_OK;
}

HRESULT Resource::ReadFromSubresource(void* destination, UINT destinationRowPitch, UINT destinationDepthPitch,
                                      UINT subresource, const D3D12_BOX* box) {
  constexpr const char* kCall = "ID3D12Resource::ReadFromSubresource";
  if (destination == nullptr) return Fail(kCall, E_INVALIDARG, "pDstData is null");
  VkSubresourceLayout layout{};
  std::byte* bytes = SubresourceBytes(kCall, subresource, &layout);
  if (bytes == nullptr) return E_INVALIDARG;
  const VkExtent3D extent = IsBuffer() ? VkExtent3D{uint32_t(desc_.Width), 1, 1} : MipExtent(0);
  BoxBytes region;
  if (!MeasureBox(box, extent, format_, layout, &region)) return Fail(kCall, E_INVALIDARG, "the box is empty or outside");
  OwningDevice().Memory().Invalidate(memory_);
  auto* to = static_cast<std::byte*>(destination);
  for (UINT64 z = 0; z < region.depth; ++z) {
    for (UINT64 row = 0; row < region.rows; ++row) {
      std::memcpy(to + z * destinationDepthPitch + row * destinationRowPitch,
                  bytes + region.start + z * layout.depthPitch + row * layout.rowPitch, region.rowBytes);
    }
  }
  return S_OK;
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
