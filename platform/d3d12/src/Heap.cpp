#include "Heap.h"

#include "Device.h"
#include "Diagnostics.h"
#include "ResourceInitialization.h"
#include "VulkanStructs.h"

#include <cstring>

namespace d3d12vk {
namespace {

constexpr D3D12_HEAP_FLAGS kCategoryFlags =
    D3D12_HEAP_FLAG_DENY_BUFFERS | D3D12_HEAP_FLAG_DENY_RT_DS_TEXTURES | D3D12_HEAP_FLAG_DENY_NON_RT_DS_TEXTURES;

// Flags with a meaning this layer honours or may ignore (sharing and residency hints have nothing to act on).
constexpr D3D12_HEAP_FLAGS kKnownFlags =
    kCategoryFlags | D3D12_HEAP_FLAG_SHARED | D3D12_HEAP_FLAG_SHARED_CROSS_ADAPTER | D3D12_HEAP_FLAG_ALLOW_DISPLAY |
    D3D12_HEAP_FLAG_ALLOW_WRITE_WATCH | D3D12_HEAP_FLAG_HARDWARE_PROTECTED | D3D12_HEAP_FLAG_ALLOW_SHADER_ATOMICS |
    D3D12_HEAP_FLAG_CREATE_NOT_RESIDENT | D3D12_HEAP_FLAG_CREATE_NOT_ZEROED;

UINT PopCount(UINT bits) { return UINT(__builtin_popcount(bits)); }

}  // namespace

HRESULT ValidateHeapProperties(const char* call, const D3D12_HEAP_PROPERTIES& properties, HeapMemory* memory) {
  const bool namesPage = properties.CPUPageProperty != D3D12_CPU_PAGE_PROPERTY_UNKNOWN;
  const bool namesPool = properties.MemoryPoolPreference != D3D12_MEMORY_POOL_UNKNOWN;
  switch (properties.Type) {
    case D3D12_HEAP_TYPE_DEFAULT:
    case D3D12_HEAP_TYPE_UPLOAD:
    case D3D12_HEAP_TYPE_READBACK:
      if (namesPage || namesPool) {
        return Fail(call, E_INVALIDARG, "heap type %d takes CPUPageProperty and MemoryPoolPreference UNKNOWN",
                    properties.Type);
      }
      memory->kind = properties.Type == D3D12_HEAP_TYPE_UPLOAD     ? MemoryKind::Upload
                     : properties.Type == D3D12_HEAP_TYPE_READBACK ? MemoryKind::Readback
                                                                   : MemoryKind::DeviceLocal;
      memory->cpuAccessible = properties.Type != D3D12_HEAP_TYPE_DEFAULT;
      return S_OK;
    case D3D12_HEAP_TYPE_CUSTOM:
      break;
    default:
      return Fail(call, E_INVALIDARG, "unknown heap type %d", properties.Type);
  }
  if (!namesPage || !namesPool) {
    return Fail(call, E_INVALIDARG, "a custom heap names its CPUPageProperty and MemoryPoolPreference");
  }
  if (properties.CPUPageProperty > D3D12_CPU_PAGE_PROPERTY_WRITE_BACK ||
      properties.MemoryPoolPreference > D3D12_MEMORY_POOL_L1) {
    return Fail(call, E_INVALIDARG, "unknown CPUPageProperty %d or MemoryPoolPreference %d",
                properties.CPUPageProperty, properties.MemoryPoolPreference);
  }
  const bool cpu = properties.CPUPageProperty != D3D12_CPU_PAGE_PROPERTY_NOT_AVAILABLE;
  if (cpu && properties.MemoryPoolPreference == D3D12_MEMORY_POOL_L1) {
    return Fail(call, E_INVALIDARG, "the CPU cannot reach memory pool L1 (CPUPageProperty %d)",
                properties.CPUPageProperty);
  }
  memory->cpuAccessible = cpu;
  memory->kind = !cpu ? MemoryKind::DeviceLocal
                 : properties.CPUPageProperty == D3D12_CPU_PAGE_PROPERTY_WRITE_BACK ? MemoryKind::Readback
                                                                                   : MemoryKind::Upload;
  return S_OK;
}

D3D12_RESOURCE_HEAP_TIER ResourceHeapTier(const VulkanDevice& device) {
  return device.Limits().bufferImageGranularity <= kSmallPlacementAlignment ? D3D12_RESOURCE_HEAP_TIER_2
                                                                            : D3D12_RESOURCE_HEAP_TIER_1;
}

D3D12_HEAP_FLAGS DenyingFlagFor(const D3D12_RESOURCE_DESC& desc) {
  if (desc.Dimension == D3D12_RESOURCE_DIMENSION_BUFFER) return D3D12_HEAP_FLAG_DENY_BUFFERS;
  const bool target =
      desc.Flags & (D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  return target ? D3D12_HEAP_FLAG_DENY_RT_DS_TEXTURES : D3D12_HEAP_FLAG_DENY_NON_RT_DS_TEXTURES;
}

HRESULT Heap::Create(Device& device, const char* call, const D3D12_HEAP_DESC& desc, Heap** heap) {
  HeapMemory memory;
  HRESULT result = ValidateHeapProperties(call, desc.Properties, &memory);
  if (FAILED(result)) return result;
  if (desc.SizeInBytes == 0) return Fail(call, E_INVALIDARG, "SizeInBytes is 0");
  const UINT64 alignment = desc.Alignment == 0 ? kDefaultPlacementAlignment : desc.Alignment;
  if (alignment != kDefaultPlacementAlignment && alignment != kMultisamplePlacementAlignment) {
    return Fail(call, E_INVALIDARG, "Alignment %llu is not 0, 64 KiB or 4 MiB", (unsigned long long)desc.Alignment);
  }
  if ((UINT(desc.Flags) & ~UINT(kKnownFlags)) != 0) {
    return Fail(call, E_INVALIDARG, "unknown heap flags 0x%x", desc.Flags);
  }
  if (PopCount(desc.Flags & kCategoryFlags) == 3) {
    return Fail(call, E_INVALIDARG, "the heap flags deny buffers and both kinds of textures");
  }
  if (ResourceHeapTier(device.Vulkan()) == D3D12_RESOURCE_HEAP_TIER_1 && PopCount(desc.Flags & kCategoryFlags) < 2) {
    return Fail(call, E_INVALIDARG,
                "resource heap tier 1 holds one category per heap: use ALLOW_ONLY_BUFFERS, ALLOW_ONLY_RT_DS_TEXTURES "
                "or ALLOW_ONLY_NON_RT_DS_TEXTURES (flags 0x%x)",
                desc.Flags);
  }

  Heap* created = new Heap(device);
  created->desc_ = desc;
  created->desc_.Alignment = alignment;
  created->cpuAccessible_ = memory.cpuAccessible;
  result = device.Memory().AllocateHeap(call, desc.SizeInBytes, memory.kind, ~0u, &created->memory_,
                                        &created->memoryType_);
  if (FAILED(result)) {
    created->Release();
    return result;
  }
  if (memory.cpuAccessible && created->memory_.mapped == nullptr) {
    created->Release();
    return Fail(call, E_OUTOFMEMORY, "the memory of a heap of %llu bytes cannot be mapped",
                (unsigned long long)desc.SizeInBytes);
  }
  if (!(desc.Flags & D3D12_HEAP_FLAG_CREATE_NOT_ZEROED)) created->Zero();
  *heap = created;
  return S_OK;
}

Heap::~Heap() {
  if (initializationSerial_ != 0) OwningDevice().Submissions().FinishInitialization(initializationSerial_);
  if (zeroingBuffer_ != VK_NULL_HANDLE) vkDestroyBuffer(OwningDevice().Vulkan().Handle(), zeroingBuffer_, nullptr);
  OwningDevice().Memory().Free(memory_);
}

void Heap::Zero() {
  if (memory_.mapped != nullptr) {
    std::memset(memory_.mapped, 0, desc_.SizeInBytes);
    OwningDevice().Memory().Flush(memory_);
    return;
  }
  VkDevice device = OwningDevice().Vulkan().Handle();
  auto info = VkInit<VkBufferCreateInfo>(VK_STRUCTURE_TYPE_BUFFER_CREATE_INFO);
  info.size = desc_.SizeInBytes & ~UINT64(3);
  info.usage = VK_BUFFER_USAGE_TRANSFER_DST_BIT;
  info.sharingMode = VK_SHARING_MODE_EXCLUSIVE;
  if (info.size == 0 || vkCreateBuffer(device, &info, nullptr, &zeroingBuffer_) != VK_SUCCESS) return;
  VkMemoryRequirements requirements{};
  vkGetBufferMemoryRequirements(device, zeroingBuffer_, &requirements);
  if (!(requirements.memoryTypeBits & (1u << memoryType_)) || requirements.size > memory_.size ||
      vkBindBufferMemory(device, zeroingBuffer_, memory_.memory, 0) != VK_SUCCESS) {
    Report("ID3D12Device::CreateHeap", "the heap's memory cannot be cleared; it starts with unknown bytes");
    vkDestroyBuffer(device, zeroingBuffer_, nullptr);
    zeroingBuffer_ = VK_NULL_HANDLE;
    return;
  }
  VkBuffer buffer = zeroingBuffer_;
  const VulkanDispatch& vk = OwningDevice().Vulkan().Commands();
  initializationSerial_ = OwningDevice().Submissions().RecordInitialization(
      [&vk, buffer](VkCommandBuffer commands) { RecordBufferZeroing(vk, commands, buffer); });
}

}  // namespace d3d12vk
