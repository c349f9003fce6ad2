#include "render/SwapChain.h"

SwapChain::SwapChain(int32_t width, int32_t height, int32_t bufferCount, HWND window)
    : Width(width),
      Height(height),
      BufferCount(bufferCount),
      BackBuffers(bufferCount > 0 ? bufferCount : 0),
      Window(window) {
  // Every GPU-side object asks for the device itself and receives the one device of the default adapter.
  D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&Device));

  SwapChainDesc.BufferDesc.Width = static_cast<UINT>(width);
  SwapChainDesc.BufferDesc.Height = static_cast<UINT>(height);
  SwapChainDesc.BufferDesc.RefreshRate = {60, 1};
  SwapChainDesc.BufferDesc.Format = BackBufferFormat;
  SwapChainDesc.BufferDesc.ScanlineOrdering = DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED;
  SwapChainDesc.BufferDesc.Scaling = DXGI_MODE_SCALING_UNSPECIFIED;
  SwapChainDesc.SampleDesc = {1, 0};
  SwapChainDesc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  SwapChainDesc.BufferCount = static_cast<UINT>(bufferCount);
  SwapChainDesc.OutputWindow = window;
  SwapChainDesc.Windowed = TRUE;
  SwapChainDesc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
  SwapChainDesc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
}

void SwapChain::CreateRenderTargets(D3D12_CPU_DESCRIPTOR_HANDLE handle) {
  RtvDescriptorSize = Device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV);
  for (int32_t i = 0; i < BufferCount; ++i) {
    Chain->GetBuffer(static_cast<UINT>(i), IID_PPV_ARGS(&BackBuffers[i]));
    Device->CreateRenderTargetView(BackBuffers[i], nullptr, handle);
    handle.ptr += RtvDescriptorSize;
  }
}

HRESULT SwapChain::ResizeBuffers(int32_t width, int32_t height, D3D12_CPU_DESCRIPTOR_HANDLE handle) {
  // The chain can only resize buffers nobody holds any more.
  ReleaseBackBuffers();
  const HRESULT result =
      Chain->ResizeBuffers(static_cast<UINT>(BufferCount), static_cast<UINT>(width), static_cast<UINT>(height),
                           BackBufferFormat, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH);
  if (FAILED(result)) {
    return result;
  }
  CurrentBackBuffer = 0;
  CreateRenderTargets(handle);
  return result;
}

void SwapChain::ReleaseBackBuffers() {
  for (ID3D12Resource*& buffer : BackBuffers) {
    if (buffer != nullptr) {
      buffer->Release();
      buffer = nullptr;
    }
  }
}
