#include "DxgiFactory.h"

#include "CommandQueue.h"
#include "Diagnostics.h"
#include "SwapChain.h"

#include <cstring>

namespace d3d12vk {
namespace {

void DescribeAdapter(const AdapterInfo& adapter, DXGI_ADAPTER_DESC1* desc) {
  *desc = {};
  const char* name = adapter.properties.deviceName;
  for (size_t i = 0; i + 1 < std::size(desc->Description) && name[i] != '\0'; ++i) {
    desc->Description[i] = WCHAR(static_cast<unsigned char>(name[i]));
  }
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

HRESULT Adapter::EnumOutputs(UINT, IDXGIOutput** output) {
  // Displays are not enumerated; adapters without outputs answer this way on Windows too.
  if (output != nullptr) *output = nullptr;
  return DXGI_ERROR_NOT_FOUND;
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
  if (adapter == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, "IDXGIFactory::EnumAdapters", "ppAdapter is null");
  *adapter = nullptr;
  if (index >= instance_->Adapters().size()) return DXGI_ERROR_NOT_FOUND;
  return HandOutAdapter(index, __uuidof(IDXGIAdapter), reinterpret_cast<void**>(adapter));
}

HRESULT Factory::EnumAdapters1(UINT index, IDXGIAdapter1** adapter) {
  if (adapter == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, "IDXGIFactory1::EnumAdapters1", "ppAdapter is null");
  *adapter = nullptr;
  if (index >= instance_->Adapters().size()) return DXGI_ERROR_NOT_FOUND;
  return HandOutAdapter(index, __uuidof(IDXGIAdapter1), reinterpret_cast<void**>(adapter));
}

HRESULT Factory::EnumAdapterByLuid(LUID luid, REFIID riid, void** adapter) {
  if (adapter == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, "IDXGIFactory4::EnumAdapterByLuid", "ppvAdapter is null");
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
  if (adapter == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, "IDXGIFactory4::EnumWarpAdapter", "ppvAdapter is null");
  *adapter = nullptr;
  // WARP is Windows' CPU rasterizer: a CPU Vulkan implementation is its counterpart.
  const auto& adapters = instance_->Adapters();
  for (size_t i = 0; i < adapters.size(); ++i) {
    if (adapters[i].isSoftware) return HandOutAdapter(i, riid, adapter);
  }
  return DXGI_ERROR_NOT_FOUND;
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
  if (desc == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, kCall, "pDesc is null");
  return CreateSwapChainFor(kCall, device, *desc, swapChain);
}

HRESULT Factory::CreateSwapChainForHwnd(IUnknown* device, HWND window, const DXGI_SWAP_CHAIN_DESC1* desc,
                                        const DXGI_SWAP_CHAIN_FULLSCREEN_DESC* fullscreenDesc, IDXGIOutput*,
                                        IDXGISwapChain1** swapChain) {
  constexpr const char* kCall = "IDXGIFactory2::CreateSwapChainForHwnd";
  if (desc == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, kCall, "pDesc is null");
  if (desc->Stereo) return Fail(DXGI_ERROR_INVALID_CALL, kCall, "stereo swap chains are not available");
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
  if (swapChain == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, call, "ppSwapChain is null");
  *swapChain = nullptr;
  if (device == nullptr) return Fail(DXGI_ERROR_INVALID_CALL, call, "pDevice is null");
  ID3D12CommandQueue* queue = nullptr;
  if (FAILED(device->QueryInterface(__uuidof(ID3D12CommandQueue), reinterpret_cast<void**>(&queue)))) {
    return Fail(DXGI_ERROR_INVALID_CALL, call, "Direct3D 12 swap chains are created on a command queue");
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

void Factory::UnregisterStereoStatus(DWORD) { ReportUnsupportedOnce("IDXGIFactory2::UnregisterStereoStatus"); }

HRESULT Factory::RegisterOcclusionStatusWindow(HWND, UINT, DWORD*) {
  return NotImplemented("IDXGIFactory2::RegisterOcclusionStatusWindow");
}

HRESULT Factory::RegisterOcclusionStatusEvent(HANDLE, DWORD*) {
  return NotImplemented("IDXGIFactory2::RegisterOcclusionStatusEvent");
}

void Factory::UnregisterOcclusionStatus(DWORD) { ReportUnsupportedOnce("IDXGIFactory2::UnregisterOcclusionStatus"); }

}  // namespace d3d12vk
