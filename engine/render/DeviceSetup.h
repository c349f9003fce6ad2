// The steps of device setup, and what it shares with resize: the depth buffer, the full-client viewport
// and the submit-and-wait that ends both.
#pragma once

#include "core/Direct3D12.h"

#include <windows.h>

#include <cstdint>

class Renderer;

// The DXGI factory and the device: a hardware adapter when there is one, else the default adapter (a
// software rasterizer such as lavapipe). Stops with CallFailedError when there is neither.
void CreateFactoryAndDevice(Renderer& renderer);

// The fence, the direct queue, the allocator and the command list, left closed.
void CreateCommandObjects(Renderer& renderer);

// The swap chain on the command queue, for the renderer's window and client size.
void CreateSwapChain(Renderer& renderer);

// The three descriptor heaps and the back buffers' render-target views.
void CreateHeapsAndRenderTargets(Renderer& renderer);

// A depth buffer of width x height in the COMMON state, made for the clear value the frame uses.
HRESULT CreateDepthBuffer(ID3D12Device* device, int32_t width, int32_t height, ID3D12Resource** buffer);

// Makes `buffer` the DepthStencilBuffer: writes its view into the depth heap's one slot and records its
// move to DEPTH_WRITE, where it stays, on CommandList.
void InstallDepthStencil(Renderer& renderer, ID3D12Resource* buffer);

// Both at the renderer's Width x Height; stops when the buffer cannot be made.
void CreateDepthStencil(Renderer& renderer);

// Viewport and scissor rectangle over the whole Width x Height client area, depth 0 to 1.
void SetFullClientViewport(Renderer& renderer);

// Resets the allocator's list for one-off commands of start-up or resize.
void BeginCommands(Renderer& renderer);

// Closes CommandList, runs it on CommandQueue and waits until the GPU has finished it.
void SubmitAndWait(Renderer& renderer);
