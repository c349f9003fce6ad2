#include "DxgiFactory.h"

#include "CommandQueue.h"
#include "Diagnostics.h"
#include "DxgiOutput.h"
#include "PresentModes.h"
#include "SwapChain.h"
#include "VulkanStructs.h"
#include "platform_common/UnicodeText.h"

#include <win32_platform.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace d3d12vk {
namespace {

void DescribeAdapter(const AdapterInfo& adapter, DXGI_ADAPTER_DESC1* desc) {
  *desc = {};
  // Vulkan names devices in UTF-8; the description keeps its terminating NUL.
  const std::wstring name = platform::WideFromUtf8(adapter.properties.deviceName);
  std::copy_n(name.begin(), std::min(name.size(), std::size(desc->Description) - 1), desc->Description);
  desc->VendorId = adapter.properties.vendorID;
  desc->DeviceId = adapter.properties.deviceID;
  desc->AdapterLuid = adapter.luid;
  const bool discrete = adapter.properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU;
  for (uint32_t i = 0; i < adapter.memory.memoryHeapCount; ++i) {
    const VkMemoryHeap& heap = adapter.memory.memoryHeaps[i];
    // Only a discrete adapter has memory of its own; the others share the system's.
    if (discrete && (heap.flags & VK_MEMORY_HEAP_DEVICE_LOCAL_BIT)) {
      desc->DedicatedVideoMemory += SIZE_T(heap.size);
    } else {
      desc->SharedSystemMemory += SIZE_T(heap.size);
    }
  }
  desc->Flags = adapter.isSoftware ? DXGI_ADAPTER_FLAG_SOFTWARE : DXGI_ADAPTER_FLAG_NONE;
}

// How much of each Vulkan memory heap the process may use and uses. VK_EXT_memory_budget tells both;
// without it the budget is the heap's size and the usage is unknown, so it reads as none.
struct HeapBudget {
  uint64_t budget = 0;
  uint64_t usage = 0;
};

bool SupportsMemoryBudget(VkPhysicalDevice device) {
  uint32_t count = 0;
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, nullptr);
  std::vector<VkExtensionProperties> extensions(count);
  vkEnumerateDeviceExtensionProperties(device, nullptr, &count, extensions.data());
  return std::any_of(extensions.begin(), extensions.end(), [](const VkExtensionProperties& extension) {
    return std::strcmp(extension.extensionName, VK_EXT_MEMORY_BUDGET_EXTENSION_NAME) == 0;
  });
}

std::vector<HeapBudget> ReadHeapBudgets(const AdapterInfo& adapter) {
  std::vector<HeapBudget> heaps(adapter.memory.memoryHeapCount);
  if (SupportsMemoryBudget(adapter.physicalDevice)) {
    auto budget = VkInit<VkPhysicalDeviceMemoryBudgetPropertiesEXT>(
        VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MEMORY_BUDGET_PROPERTIES_EXT);
    auto properties = VkInit<VkPhysicalDeviceMemoryProperties2>(VK_STRUCTURE_TYPE_PHYSICAL_DEVICE_MEMORY_PROPERTIES_2);
    properties.pNext = &budget;
    vkGetPhysicalDeviceMemoryProperties2(adapter.physicalDevice, &properties);
    for (size_t i = 0; i < heaps.size(); ++i) heaps[i] = {budget.heapBudget[i], budget.heapUsage[i]};
  } else {
    for (size_t i = 0; i < heaps.size(); ++i) heaps[i].budget = adapter.memory.memoryHeaps[i].size;
  }
  return heaps;
}

// Which heaps make up a segment group. A discrete adapter's local segment is its device-local memory and
// the non-local one the system memory it reaches; an adapter that shares the system's memory (integrated,
// CPU) has everything in the local segment and an empty non-local one, as DXGI reports for such adapters.
bool HeapInSegment(const AdapterInfo& adapter, uint32_t heap, DXGI_MEMORY_SEGMENT_GROUP group) {
  const bool discrete = adapter.properties.deviceType == VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU;
  if (!discrete) return group == DXGI_MEMORY_SEGMENT_GROUP_LOCAL;
  const bool deviceLocal = adapter.memory.memoryHeaps[heap].flags & VK_MEMORY_HEAP_DEVICE_LOCAL_BIT;
  return deviceLocal == (group == DXGI_MEMORY_SEGMENT_GROUP_LOCAL);
}

// Orders adapters for EnumAdapterByGpuPreference; lower comes first.
int PreferenceRank(const AdapterInfo& adapter, DXGI_GPU_PREFERENCE preference) {
  if (adapter.isSoftware) return 4;  // WARP's counterpart comes last either way
  switch (adapter.properties.deviceType) {
    case VK_PHYSICAL_DEVICE_TYPE_DISCRETE_GPU:
      return preference == DXGI_GPU_PREFERENCE_MINIMUM_POWER ? 1 : 0;
    case VK_PHYSICAL_DEVICE_TYPE_INTEGRATED_GPU:
      return preference == DXGI_GPU_PREFERENCE_MINIMUM_POWER ? 0 : 1;
    case VK_PHYSICAL_DEVICE_TYPE_VIRTUAL_GPU:
      return 2;
    default:
      return 3;
  }
}

}  // namespace

Adapter::Adapter(Factory& factory, std::shared_ptr<VulkanInstance> instance, size_t index)
    : factory_(factory), instance_(std::move(instance)), index_(index) {
  factory_.AddRef();
}

Adapter::~Adapter() { factory_.Release(); }

HRESULT Adapter::GetParent(REFIID riid, void** parent) {
  if (parent == nullptr) return E_POINTER;
  return factory_.QueryInterface(riid, parent);
}

HRESULT Adapter::EnumOutputs(UINT index, IDXGIOutput** output) {
  if (output == nullptr) return Fail("IDXGIAdapter::EnumOutputs", DXGI_ERROR_INVALID_CALL, "ppOutput is null");
  *output = nullptr;
  if (index >= win32_platform::Displays().size()) return DXGI_ERROR_NOT_FOUND;
  return HandOut(new Output(this, index), __uuidof(IDXGIOutput), reinterpret_cast<void**>(output));
}

HRESULT Adapter::GetDesc(DXGI_ADAPTER_DESC* desc) {
  if (desc == nullptr) return E_INVALIDARG;
  DXGI_ADAPTER_DESC1 full;
  DescribeAdapter(instance_->Adapters()[index_], &full);
  std::memcpy(desc, &full, sizeof(*desc));
  return S_OK;
}

HRESULT Adapter::GetDesc1(DXGI_ADAPTER_DESC1* desc) {
  if (desc == nullptr) return E_INVALIDARG;
  DescribeAdapter(instance_->Adapters()[index_], desc);
  return S_OK;
}

HRESULT Adapter::GetDesc2(DXGI_ADAPTER_DESC2* desc) {
  if (desc == nullptr) return E_INVALIDARG;
  DXGI_ADAPTER_DESC1 full;
  DescribeAdapter(Info(), &full);
  *desc = {};
  std::memcpy(desc, &full, sizeof(full));  // DESC2 starts with DESC1's fields
  // Vulkan does not say how finely the device can be interrupted; the coarsest answer is the safe one.
  desc->GraphicsPreemptionGranularity = DXGI_GRAPHICS_PREEMPTION_DMA_BUFFER_BOUNDARY;
  desc->ComputePreemptionGranularity = DXGI_COMPUTE_PREEMPTION_DMA_BUFFER_BOUNDARY;
  return S_OK;
}

HRESULT Adapter::GetDesc3(DXGI_ADAPTER_DESC3* desc) {
  if (desc == nullptr) return E_INVALIDARG;
  DXGI_ADAPTER_DESC2 desc2;
  GetDesc2(&desc2);
  static_assert(sizeof(DXGI_ADAPTER_DESC3) == sizeof(DXGI_ADAPTER_DESC2));
  std::memcpy(desc, &desc2, sizeof(*desc));
  // Direct3D 12 fences are Vulkan timeline semaphores, which the device watches: monitored fences.
  desc->Flags = DXGI_ADAPTER_FLAG3(DXGI_ADAPTER_FLAG3_SUPPORT_MONITORED_FENCES |
                                   (Info().isSoftware ? DXGI_ADAPTER_FLAG3_SOFTWARE : DXGI_ADAPTER_FLAG3_NONE));
  return S_OK;
}

bool Adapter::CheckSegment(const char* call, UINT nodeIndex, DXGI_MEMORY_SEGMENT_GROUP group) const {
  if (nodeIndex != 0) {
    Fail(call, E_INVALIDARG, "node %u does not exist; the adapter has one node", nodeIndex);
    return false;
  }
  if (group != DXGI_MEMORY_SEGMENT_GROUP_LOCAL && group != DXGI_MEMORY_SEGMENT_GROUP_NON_LOCAL) {
    Fail(call, E_INVALIDARG, "%d is not a memory segment group", group);
    return false;
  }
  return true;
}

HRESULT Adapter::QueryVideoMemoryInfo(UINT nodeIndex, DXGI_MEMORY_SEGMENT_GROUP group,
                                      DXGI_QUERY_VIDEO_MEMORY_INFO* info) {
  constexpr const char* kCall = "IDXGIAdapter3::QueryVideoMemoryInfo";
  if (info == nullptr) return Fail(kCall, E_INVALIDARG, "pVideoMemoryInfo is null");
  if (!CheckSegment(kCall, nodeIndex, group)) return E_INVALIDARG;
  *info = {};
  const std::vector<HeapBudget> heaps = ReadHeapBudgets(Info());
  for (uint32_t i = 0; i < heaps.size(); ++i) {
    if (!HeapInSegment(Info(), i, group)) continue;
    info->Budget += heaps[i].budget;
    info->CurrentUsage += heaps[i].usage;
  }
  info->AvailableForReservation = info->Budget;
  info->CurrentReservation = reservations_[group];
  return S_OK;
}

HRESULT Adapter::SetVideoMemoryReservation(UINT nodeIndex, DXGI_MEMORY_SEGMENT_GROUP group, UINT64 reservation) {
  constexpr const char* kCall = "IDXGIAdapter3::SetVideoMemoryReservation";
  if (!CheckSegment(kCall, nodeIndex, group)) return E_INVALIDARG;
  DXGI_QUERY_VIDEO_MEMORY_INFO info;
  QueryVideoMemoryInfo(nodeIndex, group, &info);
  if (reservation > info.AvailableForReservation) {
    return Fail(kCall, E_INVALIDARG, "%llu bytes is more than the %llu available for reservation",
                static_cast<unsigned long long>(reservation),
                static_cast<unsigned long long>(info.AvailableForReservation));
  }
  // Vulkan has no reservations; the amount is remembered and reported back, which is all a program sees.
  reservations_[group] = reservation;
  return S_OK;
}

HRESULT Adapter::RegisterHardwareContentProtectionTeardownStatusEvent(HANDLE, DWORD*) {
  return NotImplemented("IDXGIAdapter3::RegisterHardwareContentProtectionTeardownStatusEvent");
}

void Adapter::UnregisterHardwareContentProtectionTeardownStatus(DWORD) {
  ReportNotImplementedOnce("IDXGIAdapter3::UnregisterHardwareContentProtectionTeardownStatus");
}

HRESULT Adapter::RegisterVideoMemoryBudgetChangeNotificationEvent(HANDLE, DWORD*) {
  return NotImplemented("IDXGIAdapter3::RegisterVideoMemoryBudgetChangeNotificationEvent");
}

void Adapter::UnregisterVideoMemoryBudgetChangeNotification(DWORD) {
  ReportNotImplementedOnce("IDXGIAdapter3::UnregisterVideoMemoryBudgetChangeNotification");
}

HRESULT Adapter::CheckInterfaceSupport(REFGUID, LARGE_INTEGER*) {
  // Direct3D 12 adapters answer this Direct3D 10/11 question with "unsupported".
  return DXGI_ERROR_UNSUPPORTED;
}

Factory* Factory::Create(const char* call, UINT flags) {
  std::shared_ptr<VulkanInstance> instance = VulkanInstance::Acquire(call);
  if (instance == nullptr) return nullptr;
  Factory* factory = new Factory();
  factory->instance_ = std::move(instance);
  factory->flags_ = flags;
  return factory;
}

HRESULT Factory::GetParent(REFIID, void** parent) {
  if (parent != nullptr) *parent = nullptr;
  return E_NOINTERFACE;
}

HRESULT Factory::HandOutAdapter(size_t index, REFIID riid, void** adapter) {
  return HandOut(new Adapter(*this, instance_, index), riid, adapter);
}

HRESULT Factory::EnumAdapters(UINT index, IDXGIAdapter** adapter) {
  if (adapter == nullptr) return Fail("IDXGIFactory::EnumAdapters", DXGI_ERROR_INVALID_CALL, "ppAdapter is null");
  *adapter = nullptr;
  if (index >= instance_->Adapters().size()) return DXGI_ERROR_NOT_FOUND;
  return HandOutAdapter(index, __uuidof(IDXGIAdapter), reinterpret_cast<void**>(adapter));
}

HRESULT Factory::EnumAdapters1(UINT index, IDXGIAdapter1** adapter) {
  if (adapter == nullptr) return Fail("IDXGIFactory1::EnumAdapters1", DXGI_ERROR_INVALID_CALL, "ppAdapter is null");
  *adapter = nullptr;
  if (index >= instance_->Adapters().size()) return DXGI_ERROR_NOT_FOUND;
  return HandOutAdapter(index, __uuidof(IDXGIAdapter1), reinterpret_cast<void**>(adapter));
}

HRESULT Factory::EnumAdapterByLuid(LUID luid, REFIID riid, void** adapter) {
  if (adapter == nullptr)
    return Fail("IDXGIFactory4::EnumAdapterByLuid", DXGI_ERROR_INVALID_CALL, "ppvAdapter is null");
  *adapter = nullptr;
  const auto& adapters = instance_->Adapters();
  for (size_t i = 0; i < adapters.size(); ++i) {
    if (adapters[i].luid.LowPart == luid.LowPart && adapters[i].luid.HighPart == luid.HighPart) {
      return HandOutAdapter(i, riid, adapter);
    }
  }
  return DXGI_ERROR_NOT_FOUND;
}

HRESULT Factory::EnumWarpAdapter(REFIID riid, void** adapter) {
  if (adapter == nullptr) return Fail("IDXGIFactory4::EnumWarpAdapter", DXGI_ERROR_INVALID_CALL, "ppvAdapter is null");
  *adapter = nullptr;
  // WARP is Windows' CPU rasterizer: a CPU Vulkan implementation is its counterpart.
  const auto& adapters = instance_->Adapters();
  for (size_t i = 0; i < adapters.size(); ++i) {
    if (adapters[i].isSoftware) return HandOutAdapter(i, riid, adapter);
  }
  return DXGI_ERROR_NOT_FOUND;
}

HRESULT Factory::EnumAdapterByGpuPreference(UINT index, DXGI_GPU_PREFERENCE preference, REFIID riid, void** adapter) {
  constexpr const char* kCall = "IDXGIFactory6::EnumAdapterByGpuPreference";
  if (adapter == nullptr) return Fail(kCall, E_INVALIDARG, "ppvAdapter is null");
  *adapter = nullptr;
  if (preference != DXGI_GPU_PREFERENCE_UNSPECIFIED && preference != DXGI_GPU_PREFERENCE_MINIMUM_POWER &&
      preference != DXGI_GPU_PREFERENCE_HIGH_PERFORMANCE) {
    return Fail(kCall, E_INVALIDARG, "%d is not a GPU preference", preference);
  }
  const auto& adapters = instance_->Adapters();
  if (index >= adapters.size()) return DXGI_ERROR_NOT_FOUND;
  // Without a preference the order is EnumAdapters', which already puts the best adapter first.
  std::vector<size_t> order(adapters.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (preference != DXGI_GPU_PREFERENCE_UNSPECIFIED) {
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      return PreferenceRank(adapters[a], preference) < PreferenceRank(adapters[b], preference);
    });
  }
  return HandOutAdapter(order[index], riid, adapter);
}

HRESULT Factory::CheckFeatureSupport(DXGI_FEATURE feature, void* data, UINT dataSize) {
  constexpr const char* kCall = "IDXGIFactory5::CheckFeatureSupport";
  // Read as the number the program passed: a feature of a later DXGI is outside this enumeration's values, and
  // must be answered rather than assumed impossible.
  UINT featureNumber = 0;
  static_assert(sizeof(feature) == sizeof(featureNumber));
  std::memcpy(&featureNumber, &feature, sizeof(featureNumber));
  if (featureNumber != DXGI_FEATURE_PRESENT_ALLOW_TEARING) {
    return Fail(kCall, E_INVALIDARG, "%u is not a feature", featureNumber);
  }
  if (data == nullptr || dataSize != sizeof(BOOL)) {
    return Fail(kCall, E_INVALIDARG, "DXGI_FEATURE_PRESENT_ALLOW_TEARING answers in a BOOL (%zu bytes, %u given)",
                sizeof(BOOL), data == nullptr ? 0 : dataSize);
  }
  // Tearing is the display's immediate present mode; the default adapter is the one programs present with.
  std::call_once(tearingChecked_, [this] {
    tearingSupported_ = !instance_->Adapters().empty() && AdapterCanTear(*instance_, instance_->Adapters().front());
  });
  *static_cast<BOOL*>(data) = tearingSupported_ ? TRUE : FALSE;
  return S_OK;
}

HRESULT Factory::MakeWindowAssociation(HWND window, UINT) {
  associatedWindow_ = window;
  return S_OK;
}

HRESULT Factory::GetWindowAssociation(HWND* window) {
  if (window == nullptr) return DXGI_ERROR_INVALID_CALL;
  *window = associatedWindow_;
  return S_OK;
}

HRESULT Factory::CreateSwapChain(IUnknown* device, DXGI_SWAP_CHAIN_DESC* desc, IDXGISwapChain** swapChain) {
  constexpr const char* kCall = "IDXGIFactory::CreateSwapChain";
  if (desc == nullptr) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "pDesc is null");
  return CreateSwapChainFor(kCall, device, *desc, swapChain);
}

HRESULT Factory::CreateSwapChainForHwnd(IUnknown* device, HWND window, const DXGI_SWAP_CHAIN_DESC1* desc,
                                        const DXGI_SWAP_CHAIN_FULLSCREEN_DESC* fullscreenDesc, IDXGIOutput*,
                                        IDXGISwapChain1** swapChain) {
  constexpr const char* kCall = "IDXGIFactory2::CreateSwapChainForHwnd";
  if (desc == nullptr) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "pDesc is null");
  if (desc->Stereo) return Fail(kCall, DXGI_ERROR_INVALID_CALL, "stereo swap chains are not available");
  DXGI_SWAP_CHAIN_DESC classic{};
  classic.BufferDesc.Width = desc->Width;
  classic.BufferDesc.Height = desc->Height;
  classic.BufferDesc.Format = desc->Format;
  classic.SampleDesc = desc->SampleDesc;
  classic.BufferUsage = desc->BufferUsage;
  classic.BufferCount = desc->BufferCount;
  classic.OutputWindow = window;
  classic.Windowed = fullscreenDesc == nullptr || fullscreenDesc->Windowed;
  classic.SwapEffect = desc->SwapEffect;
  classic.Flags = desc->Flags;
  IDXGISwapChain* created = nullptr;
  const HRESULT result = CreateSwapChainFor(kCall, device, classic, &created);
  if (FAILED(result)) return result;
  return HandOut(created, __uuidof(IDXGISwapChain1), reinterpret_cast<void**>(swapChain));
}

HRESULT Factory::CreateSwapChainFor(const char* call, IUnknown* device, const DXGI_SWAP_CHAIN_DESC& desc,
                                    IDXGISwapChain** swapChain) {
  if (swapChain == nullptr) return Fail(call, DXGI_ERROR_INVALID_CALL, "ppSwapChain is null");
  *swapChain = nullptr;
  if (device == nullptr) return Fail(call, DXGI_ERROR_INVALID_CALL, "pDevice is null");
  ID3D12CommandQueue* queue = nullptr;
  if (FAILED(device->QueryInterface(__uuidof(ID3D12CommandQueue), reinterpret_cast<void**>(&queue)))) {
    return Fail(call, DXGI_ERROR_INVALID_CALL, "Direct3D 12 swap chains are created on a command queue");
  }
  SwapChain* created = nullptr;
  const HRESULT result = SwapChain::Create(call, *this, *static_cast<CommandQueue*>(queue), desc, &created);
  queue->Release();
  if (FAILED(result)) return result;
  *swapChain = created;
  return S_OK;
}

HRESULT Factory::CreateSoftwareAdapter(HMODULE, IDXGIAdapter**) {
  return NotImplemented("IDXGIFactory::CreateSoftwareAdapter");
}

HRESULT Factory::CreateSwapChainForCoreWindow(IUnknown*, IUnknown*, const DXGI_SWAP_CHAIN_DESC1*, IDXGIOutput*,
                                              IDXGISwapChain1**) {
  return NotImplemented("IDXGIFactory2::CreateSwapChainForCoreWindow");
}

HRESULT Factory::CreateSwapChainForComposition(IUnknown*, const DXGI_SWAP_CHAIN_DESC1*, IDXGIOutput*,
                                               IDXGISwapChain1**) {
  return NotImplemented("IDXGIFactory2::CreateSwapChainForComposition");
}

HRESULT Factory::GetSharedResourceAdapterLuid(HANDLE, LUID*) {
  return NotImplemented("IDXGIFactory2::GetSharedResourceAdapterLuid");
}

HRESULT Factory::RegisterStereoStatusWindow(HWND, UINT, DWORD*) {
  return NotImplemented("IDXGIFactory2::RegisterStereoStatusWindow");
}

HRESULT Factory::RegisterStereoStatusEvent(HANDLE, DWORD*) {
  return NotImplemented("IDXGIFactory2::RegisterStereoStatusEvent");
}

void Factory::UnregisterStereoStatus(DWORD) { ReportNotImplementedOnce("IDXGIFactory2::UnregisterStereoStatus"); }

HRESULT Factory::RegisterOcclusionStatusWindow(HWND, UINT, DWORD*) {
  return NotImplemented("IDXGIFactory2::RegisterOcclusionStatusWindow");
}

HRESULT Factory::RegisterOcclusionStatusEvent(HANDLE, DWORD*) {
  return NotImplemented("IDXGIFactory2::RegisterOcclusionStatusEvent");
}

void Factory::UnregisterOcclusionStatus(DWORD) { ReportNotImplementedOnce("IDXGIFactory2::UnregisterOcclusionStatus"); }

}  // namespace d3d12vk
