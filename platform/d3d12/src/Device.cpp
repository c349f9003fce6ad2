#include "Device.h"

#include "CommandAllocator.h"
#include "CommandList.h"
#include "CommandQueue.h"
#include "CopyableFootprints.h"
#include "Diagnostics.h"
#include "Fence.h"
#include "FormatTable.h"
#include "Multisampling.h"
#include "PipelineState.h"
#include "Heap.h"
#include "QueryHeap.h"
#include "Resource.h"
#include "RootSignature.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>

namespace d3d12vk {
namespace {

// One device per physical device. Entries are plain pointers: a device removes itself when destroyed.
std::mutex registryMutex;
std::map<VkPhysicalDevice, Device*> registry;

bool IsKnownListType(D3D12_COMMAND_LIST_TYPE type) {
  return type == D3D12_COMMAND_LIST_TYPE_DIRECT || type == D3D12_COMMAND_LIST_TYPE_COMPUTE ||
         type == D3D12_COMMAND_LIST_TYPE_COPY;
}

// Bundles have allocators and lists but no queue: they run inside a direct list.
bool IsKnownRecordingType(D3D12_COMMAND_LIST_TYPE type) {
  return IsKnownListType(type) || type == D3D12_COMMAND_LIST_TYPE_BUNDLE;
}

}  // namespace

HRESULT Device::GetOrCreate(const std::shared_ptr<VulkanInstance>& instance, size_t adapterIndex, Device** device) {
  constexpr const char* kCall = "D3D12CreateDevice";
  const AdapterInfo& adapter = instance->Adapters().at(adapterIndex);
  std::lock_guard lock(registryMutex);
  auto existing = registry.find(adapter.physicalDevice);
  // A device whose last reference is being dropped is not handed out again; a new one takes its place.
  if (existing != registry.end() && existing->second->TryAddRef()) {
    *device = existing->second;
    return S_OK;
  }
  std::unique_ptr<VulkanDevice> vulkan = VulkanDevice::Create(instance, adapter, kCall);
  if (vulkan == nullptr) return E_FAIL;
  auto submissions = std::make_unique<SubmissionQueue>(*vulkan);
  if (!submissions->IsValid()) return Fail(kCall, E_OUTOFMEMORY, "cannot create the device's submission queue");

  Device* created = new Device();
  created->vulkan_ = std::move(vulkan);
  created->samplers_.SetDevice(created->vulkan_->Handle());
  created->memory_ = std::make_unique<MemoryAllocator>(*created->vulkan_);
  created->indirect_ = std::make_unique<IndirectSlots>(*created->vulkan_);
  created->submissions_ = std::move(submissions);
  registry[adapter.physicalDevice] = created;
  *device = created;
  return S_OK;
}

Device::~Device() {
  std::lock_guard lock(registryMutex);
  auto entry = registry.find(vulkan_->PhysicalDevice());
  if (entry != registry.end() && entry->second == this) registry.erase(entry);
}

HRESULT Device::CreateCommandQueue(const D3D12_COMMAND_QUEUE_DESC* desc, REFIID riid, void** queue) {
  constexpr const char* kCall = "ID3D12Device::CreateCommandQueue";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  if (queue == nullptr) return Fail(kCall, E_POINTER, "ppCommandQueue is null");
  if (!IsKnownListType(desc->Type)) return Fail(kCall, E_INVALIDARG, "unsupported queue type %d", desc->Type);
  return HandOut(new CommandQueue(*this, *desc), riid, queue);
}

HRESULT Device::CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE type, REFIID riid, void** allocator) {
  constexpr const char* kCall = "ID3D12Device::CreateCommandAllocator";
  if (allocator == nullptr) return Fail(kCall, E_POINTER, "ppCommandAllocator is null");
  if (!IsKnownRecordingType(type)) return Fail(kCall, E_INVALIDARG, "unsupported command list type %d", type);
  CommandAllocator* created = nullptr;
  const HRESULT result = CommandAllocator::Create(*this, type, &created);
  return FAILED(result) ? result : HandOut(created, riid, allocator);
}

HRESULT Device::CreateCommandList(UINT, D3D12_COMMAND_LIST_TYPE type, ID3D12CommandAllocator* allocator,
                                  ID3D12PipelineState* initialState, REFIID riid, void** commandList) {
  constexpr const char* kCall = "ID3D12Device::CreateCommandList";
  if (commandList == nullptr) return Fail(kCall, E_POINTER, "ppCommandList is null");
  if (allocator == nullptr) return Fail(kCall, E_INVALIDARG, "pCommandAllocator is null");
  if (!IsKnownRecordingType(type)) return Fail(kCall, E_INVALIDARG, "unsupported command list type %d", type);
  CommandList* created = nullptr;
  const HRESULT result = CommandList::Create(*this, type, static_cast<CommandAllocator*>(allocator),
                                             static_cast<PipelineState*>(initialState), &created);
  return FAILED(result) ? result : HandOut(created, riid, commandList);
}

HRESULT Device::CreateQueryHeap(const D3D12_QUERY_HEAP_DESC* desc, REFIID riid, void** heap) {
  constexpr const char* kCall = "ID3D12Device::CreateQueryHeap";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  if (heap == nullptr) return Fail(kCall, E_POINTER, "ppvHeap is null");
  QueryHeap* created = nullptr;
  const HRESULT result = QueryHeap::Create(*this, *desc, &created);
  return FAILED(result) ? result : HandOut(created, riid, heap);
}

HRESULT Device::CreateGraphicsPipelineState(const D3D12_GRAPHICS_PIPELINE_STATE_DESC* desc, REFIID riid,
                                            void** pipelineState) {
  constexpr const char* kCall = "ID3D12Device::CreateGraphicsPipelineState";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  if (pipelineState == nullptr) return Fail(kCall, E_POINTER, "ppPipelineState is null");
  PipelineState* created = nullptr;
  const HRESULT result = PipelineState::CreateGraphics(*this, *desc, &created);
  return FAILED(result) ? result : HandOut(created, riid, pipelineState);
}

HRESULT Device::CreateComputePipelineState(const D3D12_COMPUTE_PIPELINE_STATE_DESC* desc, REFIID riid,
                                           void** pipelineState) {
  constexpr const char* kCall = "ID3D12Device::CreateComputePipelineState";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  if (pipelineState == nullptr) return Fail(kCall, E_POINTER, "ppPipelineState is null");
  PipelineState* created = nullptr;
  const HRESULT result = PipelineState::CreateCompute(*this, *desc, &created);
  return FAILED(result) ? result : HandOut(created, riid, pipelineState);
}

HRESULT Device::CreateRootSignature(UINT, const void* blob, SIZE_T blobSize, REFIID riid, void** rootSignature) {
  constexpr const char* kCall = "ID3D12Device::CreateRootSignature";
  if (blob == nullptr || blobSize == 0) return Fail(kCall, E_INVALIDARG, "the serialized root signature is empty");
  if (rootSignature == nullptr) return Fail(kCall, E_POINTER, "ppvRootSignature is null");
  RootSignature* created = nullptr;
  const HRESULT result = RootSignature::Create(*this, blob, blobSize, &created);
  return FAILED(result) ? result : HandOut(created, riid, rootSignature);
}

HRESULT Device::CreateFence(UINT64 initialValue, D3D12_FENCE_FLAGS flags, REFIID riid, void** fence) {
  constexpr const char* kCall = "ID3D12Device::CreateFence";
  if (fence == nullptr) return Fail(kCall, E_POINTER, "ppFence is null");
  if (flags != D3D12_FENCE_FLAG_NONE) ReportNotImplementedOnce("ID3D12Device::CreateFence with shared fences");
  Fence* created = nullptr;
  const HRESULT result = Fence::Create(*this, initialValue, &created);
  return FAILED(result) ? result : HandOut(created, riid, fence);
}

HRESULT Device::CreateDescriptorHeap(const D3D12_DESCRIPTOR_HEAP_DESC* desc, REFIID riid, void** heap) {
  constexpr const char* kCall = "ID3D12Device::CreateDescriptorHeap";
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDescriptorHeapDesc is null");
  if (heap == nullptr) return Fail(kCall, E_POINTER, "ppvHeap is null");
  DescriptorHeap* created = nullptr;
  const HRESULT result = DescriptorHeap::Create(*this, *desc, &created);
  return FAILED(result) ? result : HandOut(created, riid, heap);
}

UINT Device::GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE type) {
  if (type < D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV || type > D3D12_DESCRIPTOR_HEAP_TYPE_DSV) {
    Report("ID3D12Device::GetDescriptorHandleIncrementSize", "unknown heap type %d", type);
    return 0;
  }
  return kDescriptorHandleIncrement;
}

HRESULT Device::CreateCommittedResource(const D3D12_HEAP_PROPERTIES* heapProperties, D3D12_HEAP_FLAGS heapFlags,
                                        const D3D12_RESOURCE_DESC* desc, D3D12_RESOURCE_STATES initialState,
                                        const D3D12_CLEAR_VALUE*, REFIID riid, void** resource) {
  constexpr const char* kCall = "ID3D12Device::CreateCommittedResource";
  if (heapProperties == nullptr) return Fail(kCall, E_INVALIDARG, "pHeapProperties is null");
  if (desc == nullptr) return Fail(kCall, E_INVALIDARG, "pDesc is null");
  Resource* created = nullptr;
  const HRESULT result =
      Resource::CreateCommitted(*this, kCall, *heapProperties, heapFlags, *desc, initialState, &created);
  if (FAILED(result)) return result;
  if (resource == nullptr) {
    // A null output asks only whether the arguments are valid.
    created->Release();
    return S_FALSE;
  }
  return HandOut(created, riid, resource);
}

D3D12_HEAP_PROPERTIES Device::GetCustomHeapProperties(UINT, D3D12_HEAP_TYPE heapType) {
  // What the standard heap types are on a cache-coherent, non-UMA adapter.
  switch (heapType) {
    case D3D12_HEAP_TYPE_UPLOAD:
      return {D3D12_HEAP_TYPE_CUSTOM, D3D12_CPU_PAGE_PROPERTY_WRITE_COMBINE, D3D12_MEMORY_POOL_L0, 1, 1};
    case D3D12_HEAP_TYPE_READBACK:
      return {D3D12_HEAP_TYPE_CUSTOM, D3D12_CPU_PAGE_PROPERTY_WRITE_BACK, D3D12_MEMORY_POOL_L0, 1, 1};
    default:
      return {D3D12_HEAP_TYPE_CUSTOM, D3D12_CPU_PAGE_PROPERTY_NOT_AVAILABLE, D3D12_MEMORY_POOL_L1, 1, 1};
  }
}

HRESULT Device::CheckFeatureSupport(D3D12_FEATURE feature, void* data, UINT dataSize) {
  constexpr const char* kCall = "ID3D12Device::CheckFeatureSupport";
  if (data == nullptr) return Fail(kCall, E_INVALIDARG, "pFeatureSupportData is null");
  auto expect = [&](size_t size) {
    if (dataSize == size) return true;
    Report(kCall, "feature %d takes %zu bytes of data, not %u", feature, size, dataSize);
    return false;
  };
  switch (feature) {
    case D3D12_FEATURE_D3D12_OPTIONS: {
      if (!expect(sizeof(D3D12_FEATURE_DATA_D3D12_OPTIONS))) return E_INVALIDARG;
      auto* options = static_cast<D3D12_FEATURE_DATA_D3D12_OPTIONS*>(data);
      *options = {};
      options->ResourceBindingTier = D3D12_RESOURCE_BINDING_TIER_1;
      options->TiledResourcesTier = D3D12_TILED_RESOURCES_TIER_NOT_SUPPORTED;
      options->ResourceHeapTier = ResourceHeapTier(*vulkan_);
      return S_OK;
    }
    case D3D12_FEATURE_ARCHITECTURE: {
      if (!expect(sizeof(D3D12_FEATURE_DATA_ARCHITECTURE))) return E_INVALIDARG;
      auto* architecture = static_cast<D3D12_FEATURE_DATA_ARCHITECTURE*>(data);
      const VkPhysicalDeviceType type = vulkan_->Adapter().properties.deviceType;
      const bool uma = type != VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU;
      architecture->TileBasedRenderer = FALSE;
      architecture->UMA = uma;
      architecture->CacheCoherentUMA = uma;
      return S_OK;
    }
    case D3D12_FEATURE_FEATURE_LEVELS: {
      if (!expect(sizeof(D3D12_FEATURE_DATA_FEATURE_LEVELS))) return E_INVALIDARG;
      auto* levels = static_cast<D3D12_FEATURE_DATA_FEATURE_LEVELS*>(data);
      if (levels->pFeatureLevelsRequested == nullptr) return E_INVALIDARG;
      levels->MaxSupportedFeatureLevel = D3D_FEATURE_LEVEL_11_0;
      for (UINT i = 0; i < levels->NumFeatureLevels; ++i) {
        const D3D_FEATURE_LEVEL level = levels->pFeatureLevelsRequested[i];
        if (level <= D3D_FEATURE_LEVEL_12_0) {
          levels->MaxSupportedFeatureLevel = std::max(levels->MaxSupportedFeatureLevel, level);
        }
      }
      return S_OK;
    }
    case D3D12_FEATURE_ROOT_SIGNATURE: {
      if (!expect(sizeof(D3D12_FEATURE_DATA_ROOT_SIGNATURE))) return E_INVALIDARG;
      auto* rootSignature = static_cast<D3D12_FEATURE_DATA_ROOT_SIGNATURE*>(data);
      // Asked with the highest version the program knows, answered with the highest both know. Read as a
      // plain number: a later version may be one this enumeration does not have.
      UINT asked = 0;
      std::memcpy(&asked, &rootSignature->HighestVersion, sizeof(asked));
      if (asked < D3D_ROOT_SIGNATURE_VERSION_1_0) {
        return Fail(kCall, E_INVALIDARG, "root signature version 0x%x is unknown", asked);
      }
      rootSignature->HighestVersion =
          asked >= D3D_ROOT_SIGNATURE_VERSION_1_1 ? D3D_ROOT_SIGNATURE_VERSION_1_1 : D3D_ROOT_SIGNATURE_VERSION_1_0;
      return S_OK;
    }
    case D3D12_FEATURE_FORMAT_SUPPORT: {
      if (!expect(sizeof(D3D12_FEATURE_DATA_FORMAT_SUPPORT))) return E_INVALIDARG;
      auto* support = static_cast<D3D12_FEATURE_DATA_FORMAT_SUPPORT*>(data);
      support->Support1 = D3D12_FORMAT_SUPPORT1_NONE;
      support->Support2 = D3D12_FORMAT_SUPPORT2_NONE;
      const FormatInfo* format = FindFormat(support->Format);
      if (format == nullptr) return E_FAIL;
      const VkFormat vkFormat = vulkan_->ImageFormat(*format);
      UINT bits = D3D12_FORMAT_SUPPORT1_BUFFER;
      if (vulkan_->SupportsImageFeatures(vkFormat, VK_FORMAT_FEATURE_SAMPLED_IMAGE_BIT)) {
        bits |=
            D3D12_FORMAT_SUPPORT1_TEXTURE2D | D3D12_FORMAT_SUPPORT1_SHADER_LOAD | D3D12_FORMAT_SUPPORT1_SHADER_SAMPLE;
      }
      if (vulkan_->SupportsImageFeatures(vkFormat, VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BIT)) {
        bits |= D3D12_FORMAT_SUPPORT1_RENDER_TARGET;
      }
      if (vulkan_->SupportsImageFeatures(vkFormat, VK_FORMAT_FEATURE_COLOR_ATTACHMENT_BLEND_BIT)) {
        bits |= D3D12_FORMAT_SUPPORT1_BLENDABLE;
      }
      if (vulkan_->SupportsImageFeatures(vkFormat, VK_FORMAT_FEATURE_DEPTH_STENCIL_ATTACHMENT_BIT)) {
        bits |= D3D12_FORMAT_SUPPORT1_DEPTH_STENCIL;
      }
      bits |= MultisampleFormatSupport(*vulkan_, *format);
      support->Support1 = D3D12_FORMAT_SUPPORT1(bits);
      return S_OK;
    }
    case D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS:
      if (!expect(sizeof(D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS))) return E_INVALIDARG;
      return AnswerMultisampleQualityLevels(*vulkan_,
                                            *static_cast<D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS*>(data));
    default: {
      HRESULT answered = E_INVALIDARG;
      if (AnswerLaterOptions(feature, data, dataSize, &answered)) return answered;
      ReportNotImplementedOnce("ID3D12Device::CheckFeatureSupport for this feature");
      return E_INVALIDARG;
    }
  }
}

void Device::GetCopyableFootprints(const D3D12_RESOURCE_DESC* desc, UINT firstSubresource, UINT subresourceCount,
                                   UINT64 baseOffset, D3D12_PLACED_SUBRESOURCE_FOOTPRINT* layouts, UINT* rowCounts,
                                   UINT64* rowSizes, UINT64* totalBytes) {
  constexpr const char* kCall = "ID3D12Device::GetCopyableFootprints";
  if (desc == nullptr) {
    Report(kCall, "pResourceDesc is null");
    if (totalBytes != nullptr) *totalBytes = UINT64_MAX;
    return;
  }
  std::string error;
  if (!ComputeCopyableFootprints({desc, firstSubresource, subresourceCount, baseOffset},
                                 {layouts, rowCounts, rowSizes, totalBytes}, &error)) {
    Report(kCall, "%s", error.c_str());
  }
}

HRESULT Device::MakeResident(UINT, ID3D12Pageable* const*) {
  // Nothing is ever evicted, so everything is resident.
  return S_OK;
}

HRESULT Device::Evict(UINT, ID3D12Pageable* const*) { return S_OK; }

HRESULT Device::GetDeviceRemovedReason() { return submissions_->DeviceLost() ? DXGI_ERROR_DEVICE_REMOVED : S_OK; }

}  // namespace d3d12vk
