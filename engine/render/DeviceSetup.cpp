#include "render/DeviceSetup.h"

#include "core/Direct3D12.h"
#include "core/ErrorText.h"
#include "core/Log.h"
#include "render/DescriptorHeaps.h"
#include "render/Renderer.h"
#include "render/StructGetters.h"
#include "render/SwapChain.h"

#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

constexpr DXGI_FORMAT DepthStencilFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;

bool IsSoftwareAdapter(IDXGIAdapter1* adapter) {
  DXGI_ADAPTER_DESC1 description = {};
  adapter->GetDesc1(&description);
  return (description.Flags & DXGI_ADAPTER_FLAG_SOFTWARE) != 0;
}

// Tries the default adapter once for every hardware adapter the factory lists, until one attempt works.
// The enumeration only decides whether to try: every object of the renderer asks for the default
// adapter's device itself, so the Renderer's device must be that one too. Returns the last attempt's
// result, or `noAttemptResult` when there was none.
HRESULT CreateDeviceIfHardwareAdapter(IDXGIFactory4* factory, ID3D12Device** device, HRESULT noAttemptResult) {
  HRESULT result = noAttemptResult;
  ComPtr<IDXGIAdapter1> adapter;
  for (UINT i = 0; SUCCEEDED(factory->EnumAdapters1(i, &adapter)); ++i) {
    if (IsSoftwareAdapter(adapter.Get())) {
      continue;
    }
    result = D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(device));
    if (SUCCEEDED(result)) {
      break;
    }
  }
  return result;
}

}  // namespace

void CreateFactoryAndDevice(Renderer& renderer) {
  const HRESULT factoryResult = CreateDXGIFactory(IID_PPV_ARGS(&renderer.Factory));
  LogResult(L"Initializing factory", factoryResult);
  StopIfFailed(factoryResult, "CreateDXGIFactory", "no DXGI factory");
  const HRESULT deviceResult = CreateDeviceIfHardwareAdapter(renderer.Factory, &renderer.Device, factoryResult);
  LogResult(L"Initialized factory", deviceResult);
  if (renderer.Device != nullptr) {
    return;
  }
  // Only software adapters (a CPU rasterizer such as lavapipe), or none that worked: take the default
  // adapter anyway, as a program falls back to a software rasterizer rather than draw nothing.
  const HRESULT fallbackResult = D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&renderer.Device));
  LogResult(L"Falling back to the default adapter", fallbackResult);
  StopIfFailed(fallbackResult, "D3D12CreateDevice", "no device on the default adapter");
}

void CreateCommandObjects(Renderer& renderer) {
  ID3D12Device* device = renderer.Device;
  StopIfFailed(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&renderer.Fence)),
               "ID3D12Device::CreateFence", "cannot create the fence");
  D3D12_COMMAND_QUEUE_DESC queueDescription = {};
  queueDescription.Type = D3D12_COMMAND_LIST_TYPE_DIRECT;
  queueDescription.Priority = 0;
  queueDescription.Flags = D3D12_COMMAND_QUEUE_FLAG_NONE;
  queueDescription.NodeMask = 0;
  StopIfFailed(device->CreateCommandQueue(&queueDescription, IID_PPV_ARGS(&renderer.CommandQueue)),
               "ID3D12Device::CreateCommandQueue", "cannot create the command queue");
  StopIfFailed(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&renderer.CommandAllocator)),
               "ID3D12Device::CreateCommandAllocator", "cannot create the command allocator");
  StopIfFailed(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, renderer.CommandAllocator, nullptr,
                                         IID_PPV_ARGS(&renderer.CommandList)),
               "ID3D12Device::CreateCommandList", "cannot create the command list");
  // Every operation that records resets the list first, and only a closed list can be reset.
  StopIfFailed(renderer.CommandList->Close(), "ID3D12GraphicsCommandList::Close", "cannot close the command list");
  LogResult(L"command list Created", 0);
}

void CreateSwapChain(Renderer& renderer) {
  renderer.SwapChain = new SwapChain(renderer.Width, renderer.Height, renderer.BufferCount, renderer.Window);
  StopIfFailed(renderer.Factory->CreateSwapChain(renderer.CommandQueue, &renderer.SwapChain->SwapChainDesc,
                                                 &renderer.SwapChain->Chain),
               "IDXGIFactory::CreateSwapChain", "cannot create the swap chain");
}

void CreateHeapsAndRenderTargets(Renderer& renderer) {
  renderer.Heaps = new DescriptorHeaps;
  const HRESULT shaderVisibleResult = renderer.Heaps->CreateHeaps(renderer.BufferCount);
  if (FAILED(shaderVisibleResult)) {
    LogResult(L"test", shaderVisibleResult);
  }
  renderer.SwapChain->CreateRenderTargets(CpuHeapStart(renderer.Heaps->RtvHeap));
}

HRESULT CreateDepthBuffer(ID3D12Device* device, int32_t width, int32_t height, ID3D12Resource** buffer) {
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  const CD3DX12_RESOURCE_DESC description =
      CD3DX12_RESOURCE_DESC::Tex2D(DepthStencilFormat, static_cast<UINT64>(width), static_cast<UINT>(height), 1, 1, 1,
                                   0, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  // The frame clears to depth 1 and stencil 0; a clear to the value the buffer was made for is the fast one.
  const CD3DX12_CLEAR_VALUE clearValue(DepthStencilFormat, 1.0f, 0);
  *buffer = nullptr;
  return device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &description, D3D12_RESOURCE_STATE_COMMON,
                                         &clearValue, IID_PPV_ARGS(buffer));
}

void InstallDepthStencil(Renderer& renderer, ID3D12Resource* buffer) {
  renderer.DepthStencilBuffer = buffer;
  renderer.Device->CreateDepthStencilView(buffer, nullptr, CpuHeapStart(renderer.Heaps->DsvHeap));
  const CD3DX12_RESOURCE_BARRIER toDepthWrite =
      CD3DX12_RESOURCE_BARRIER::Transition(buffer, D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATE_DEPTH_WRITE);
  renderer.CommandList->ResourceBarrier(1, &toDepthWrite);
}

void CreateDepthStencil(Renderer& renderer) {
  ID3D12Resource* buffer = nullptr;
  StopIfFailed(CreateDepthBuffer(renderer.Device, renderer.Width, renderer.Height, &buffer),
               "ID3D12Device::CreateCommittedResource", "cannot create the depth buffer");
  InstallDepthStencil(renderer, buffer);
}

void SetFullClientViewport(Renderer& renderer) {
  renderer.Viewport = {0.0f, 0.0f, static_cast<float>(renderer.Width), static_cast<float>(renderer.Height), 0.0f, 1.0f};
  renderer.ScissorRect = {0, 0, renderer.Width, renderer.Height};
}

void BeginCommands(Renderer& renderer) {
  StopIfFailed(renderer.CommandList->Reset(renderer.CommandAllocator, nullptr), "ID3D12GraphicsCommandList::Reset",
               "cannot reset the command list");
}

void SubmitAndWait(Renderer& renderer) {
  StopIfFailed(renderer.CommandList->Close(), "ID3D12GraphicsCommandList::Close", "cannot close the command list");
  ID3D12CommandList* lists[] = {renderer.CommandList};
  renderer.CommandQueue->ExecuteCommandLists(1, lists);
  renderer.FlushCommandQueue();
}
