// What device setup shares with resize: the depth buffer, the full-client viewport and the submit-and-wait
// that ends both; and the error that stops start-up when no device can be made.
#pragma once

#include "render/FatalError.h"

#include <windows.h>

class Renderer;

// No DXGI factory, no device on any adapter, the default one included, or a GPU object nothing can be
// drawn without that cannot be made (out of memory, a lost device): the program stops on it with the
// single line what() gives, e.g. "D3D12CreateDevice: no device on the default adapter (0x887A0004)".
class DeviceSetupError : public FatalError {
 public:
  using FatalError::FatalError;
};

// Throws DeviceSetupError "<call>: <problem> (<result in hex>)" when `result` is a failure.
void StopIfFailed(HRESULT result, const char* call, const char* problem);

// Creates DepthStencilBuffer at the renderer's Width x Height, writes its view into the depth heap's one
// slot and records its move to DEPTH_WRITE, where it stays, on CommandList.
void CreateDepthStencil(Renderer& renderer);

// Viewport and scissor rectangle over the whole Width x Height client area, depth 0 to 1.
void SetFullClientViewport(Renderer& renderer);

// Closes CommandList, runs it on CommandQueue and waits until the GPU has finished it.
void SubmitAndWait(Renderer& renderer);
