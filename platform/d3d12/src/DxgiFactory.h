// IDXGIFactory6 and IDXGIAdapter4: the adapters are the usable Vulkan physical devices, best first.
#pragma once

#include "DxgiObject.h"
#include "VulkanInstance.h"

#include <memory>
#include <mutex>
#include <optional>

namespace d3d12vk {

class Factory;

class Adapter final : public DxgiObject<IDXGIAdapter4, IDXGIAdapter3, IDXGIAdapter2, IDXGIAdapter1, IDXGIAdapter> {
 public:
  Adapter(Factory& factory, std::shared_ptr<VulkanInstance> instance, size_t index);

  // IDXGIObject
  HRESULT STDMETHODCALLTYPE GetParent(REFIID riid, void** parent) override;
  // IDXGIAdapter
  HRESULT STDMETHODCALLTYPE EnumOutputs(UINT output, IDXGIOutput** outputObject) override;
  HRESULT STDMETHODCALLTYPE GetDesc(DXGI_ADAPTER_DESC* desc) override;
  HRESULT STDMETHODCALLTYPE CheckInterfaceSupport(REFGUID interfaceName, LARGE_INTEGER* version) override;
  // IDXGIAdapter1
  HRESULT STDMETHODCALLTYPE GetDesc1(DXGI_ADAPTER_DESC1* desc) override;
  // IDXGIAdapter2
  HRESULT STDMETHODCALLTYPE GetDesc2(DXGI_ADAPTER_DESC2* desc) override;
  // IDXGIAdapter3
  HRESULT STDMETHODCALLTYPE RegisterHardwareContentProtectionTeardownStatusEvent(HANDLE event, DWORD* cookie) override;
  void STDMETHODCALLTYPE UnregisterHardwareContentProtectionTeardownStatus(DWORD cookie) override;
  HRESULT STDMETHODCALLTYPE QueryVideoMemoryInfo(UINT nodeIndex, DXGI_MEMORY_SEGMENT_GROUP group,
                                                 DXGI_QUERY_VIDEO_MEMORY_INFO* info) override;
  HRESULT STDMETHODCALLTYPE SetVideoMemoryReservation(UINT nodeIndex, DXGI_MEMORY_SEGMENT_GROUP group,
                                                      UINT64 reservation) override;
  HRESULT STDMETHODCALLTYPE RegisterVideoMemoryBudgetChangeNotificationEvent(HANDLE event, DWORD* cookie) override;
  void STDMETHODCALLTYPE UnregisterVideoMemoryBudgetChangeNotification(DWORD cookie) override;
  // IDXGIAdapter4
  HRESULT STDMETHODCALLTYPE GetDesc3(DXGI_ADAPTER_DESC3* desc) override;

  const std::shared_ptr<VulkanInstance>& Instance() const { return instance_; }
  size_t Index() const { return index_; }

 private:
  ~Adapter() override;

  const AdapterInfo& Info() const { return instance_->Adapters()[index_]; }
  // False (after reporting the bad argument) unless the node and segment group exist.
  bool CheckSegment(const char* call, UINT nodeIndex, DXGI_MEMORY_SEGMENT_GROUP group) const;

  Factory& factory_;
  std::shared_ptr<VulkanInstance> instance_;
  size_t index_;
  UINT64 reservations_[2] = {};  // by DXGI_MEMORY_SEGMENT_GROUP
};

class Factory final : public DxgiObject<IDXGIFactory6, IDXGIFactory5, IDXGIFactory4, IDXGIFactory3, IDXGIFactory2,
                                        IDXGIFactory1, IDXGIFactory> {
 public:
  // Null (reported with `call`) when Vulkan cannot be used at all.
  static Factory* Create(const char* call, UINT flags);

  // IDXGIObject
  HRESULT STDMETHODCALLTYPE GetParent(REFIID riid, void** parent) override;
  // IDXGIFactory
  HRESULT STDMETHODCALLTYPE EnumAdapters(UINT index, IDXGIAdapter** adapter) override;
  HRESULT STDMETHODCALLTYPE MakeWindowAssociation(HWND window, UINT flags) override;
  HRESULT STDMETHODCALLTYPE GetWindowAssociation(HWND* window) override;
  HRESULT STDMETHODCALLTYPE CreateSwapChain(IUnknown* device, DXGI_SWAP_CHAIN_DESC* desc,
                                            IDXGISwapChain** swapChain) override;
  HRESULT STDMETHODCALLTYPE CreateSoftwareAdapter(HMODULE module, IDXGIAdapter** adapter) override;
  // IDXGIFactory1
  HRESULT STDMETHODCALLTYPE EnumAdapters1(UINT index, IDXGIAdapter1** adapter) override;
  BOOL STDMETHODCALLTYPE IsCurrent() override { return TRUE; }
  // IDXGIFactory2
  BOOL STDMETHODCALLTYPE IsWindowedStereoEnabled() override { return FALSE; }
  HRESULT STDMETHODCALLTYPE CreateSwapChainForHwnd(IUnknown* device, HWND window, const DXGI_SWAP_CHAIN_DESC1* desc,
                                                   const DXGI_SWAP_CHAIN_FULLSCREEN_DESC* fullscreenDesc,
                                                   IDXGIOutput* restrictToOutput, IDXGISwapChain1** swapChain) override;
  HRESULT STDMETHODCALLTYPE CreateSwapChainForCoreWindow(IUnknown*, IUnknown*, const DXGI_SWAP_CHAIN_DESC1*,
                                                         IDXGIOutput*, IDXGISwapChain1**) override;
  HRESULT STDMETHODCALLTYPE GetSharedResourceAdapterLuid(HANDLE, LUID*) override;
  HRESULT STDMETHODCALLTYPE RegisterStereoStatusWindow(HWND, UINT, DWORD*) override;
  HRESULT STDMETHODCALLTYPE RegisterStereoStatusEvent(HANDLE, DWORD*) override;
  void STDMETHODCALLTYPE UnregisterStereoStatus(DWORD) override;
  HRESULT STDMETHODCALLTYPE RegisterOcclusionStatusWindow(HWND, UINT, DWORD*) override;
  HRESULT STDMETHODCALLTYPE RegisterOcclusionStatusEvent(HANDLE, DWORD*) override;
  void STDMETHODCALLTYPE UnregisterOcclusionStatus(DWORD) override;
  HRESULT STDMETHODCALLTYPE CreateSwapChainForComposition(IUnknown*, const DXGI_SWAP_CHAIN_DESC1*, IDXGIOutput*,
                                                          IDXGISwapChain1**) override;
  // IDXGIFactory3
  UINT STDMETHODCALLTYPE GetCreationFlags() override { return flags_; }
  // IDXGIFactory4
  HRESULT STDMETHODCALLTYPE EnumAdapterByLuid(LUID luid, REFIID riid, void** adapter) override;
  HRESULT STDMETHODCALLTYPE EnumWarpAdapter(REFIID riid, void** adapter) override;
  // IDXGIFactory5
  HRESULT STDMETHODCALLTYPE CheckFeatureSupport(DXGI_FEATURE feature, void* data, UINT dataSize) override;
  // IDXGIFactory6
  HRESULT STDMETHODCALLTYPE EnumAdapterByGpuPreference(UINT index, DXGI_GPU_PREFERENCE preference, REFIID riid,
                                                       void** adapter) override;

 private:
  Factory() = default;
  // Creates the swap chain of a DXGI_SWAP_CHAIN_DESC, whichever way the program described it.
  HRESULT CreateSwapChainFor(const char* call, IUnknown* device, const DXGI_SWAP_CHAIN_DESC& desc,
                             IDXGISwapChain** swapChain);
  HRESULT HandOutAdapter(size_t index, REFIID riid, void** adapter);

  std::shared_ptr<VulkanInstance> instance_;
  UINT flags_ = 0;
  // Asked of the display once: it takes a hidden window.
  std::once_flag tearingChecked_;
  bool tearingSupported_ = false;
  HWND associatedWindow_ = 0;
};

}  // namespace d3d12vk
