// What the swap chain suites set up the same way: the description the engine uses for a windowed swap chain,
// and the clear of one back buffer with its transitions out of and back into PRESENT.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <d3dx12.h>
#include <dxgi1_4.h>

// Two RGBA8 back buffers of `width` x `height`, flip-discard, windowed on `window`, no flags.
inline DXGI_SWAP_CHAIN_DESC WindowedSwapChainDesc(HWND window, UINT width, UINT height) {
  DXGI_SWAP_CHAIN_DESC desc{};
  desc.BufferDesc = {width,
                     height,
                     {60, 1},
                     DXGI_FORMAT_R8G8B8A8_UNORM,
                     DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED,
                     DXGI_MODE_SCALING_UNSPECIFIED};
  desc.SampleDesc = {1, 0};
  desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
  desc.BufferCount = 2;
  desc.OutputWindow = window;
  desc.Windowed = TRUE;
  desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
  return desc;
}

// Records on `list` a clear of `backBuffer` to `color` through a view written at `rtv`; the buffer starts and
// ends in PRESENT, as a frame leaves it for Present.
inline void RecordBackBufferClear(ID3D12Device* device, ID3D12GraphicsCommandList* list, ID3D12Resource* backBuffer,
                                  D3D12_CPU_DESCRIPTOR_HANDLE rtv, const float (&color)[4]) {
  device->CreateRenderTargetView(backBuffer, nullptr, rtv);
  auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_PRESENT,
                                                       D3D12_RESOURCE_STATE_RENDER_TARGET);
  list->ResourceBarrier(1, &toTarget);
  list->ClearRenderTargetView(rtv, color, 0, nullptr);
  auto toPresent = CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                        D3D12_RESOURCE_STATE_PRESENT);
  list->ResourceBarrier(1, &toPresent);
}
