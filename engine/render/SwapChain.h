// The swap chain with its back buffers and their render-target views. The Renderer draws into
// BackBuffers[CurrentBackBuffer]; OnResize replaces the buffers and views at a new size.
#pragma once

#include "core/Direct3D12.h"

#include <windows.h>

#include <cstdint>
#include <vector>

class SwapChain {
 public:
  // Takes the device and fills SwapChainDesc; the chain itself is made from that description by the
  // factory (InitDirect3D), since DXGI creates swap chains on a command queue.
  SwapChain(int32_t width, int32_t height, int32_t bufferCount, HWND window);

  // Takes the chain's buffers and writes a render-target view of each, from `handle` on in buffer order.
  void CreateRenderTargets(D3D12_CPU_DESCRIPTOR_HANDLE handle);

  // Lets go of the buffers, resizes the chain to width x height, starts again at buffer 0 and writes the
  // new buffers' views from `handle` on. Width and Height keep their construction values. On a failure
  // the chain has no usable buffers until a resize succeeds.
  HRESULT ResizeBuffers(int32_t width, int32_t height, D3D12_CPU_DESCRIPTOR_HANDLE handle);

  int32_t Width = 0;  // size given at construction
  int32_t Height = 0;
  int32_t BufferCount = 0;
  int32_t CurrentBackBuffer = 0;  // the buffer the next frame draws into
  IDXGISwapChain* Chain = nullptr;
  std::vector<ID3D12Resource*> BackBuffers;  // null until CreateRenderTargets
  HWND Window = {};
  DXGI_SWAP_CHAIN_DESC SwapChainDesc = {};
  uint32_t RtvDescriptorSize = 0;
  ID3D12Device* Device = nullptr;
  DXGI_FORMAT BackBufferFormat = DXGI_FORMAT_R8G8B8A8_UNORM;

 private:
  void ReleaseBackBuffers();
};
