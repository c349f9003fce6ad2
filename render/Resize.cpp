#include "render/DescriptorHeaps.h"
#include "render/DeviceSetup.h"
#include "render/Log.h"
#include "render/Renderer.h"
#include "render/StructGetters.h"
#include "render/SwapChain.h"

void Renderer::OnResize() {
  // Before start-up has made the swap chain there is nothing sized to the window yet. A minimised window
  // reports a 0 x 0 client area: no buffer can have that size and the aspect ratio is undefined, so the
  // buffers and the lens stay as they are until the window has a real size again (the restore sends one).
  if (SwapChain == nullptr || Width <= 0 || Height <= 0) {
    return;
  }
  // No frame may still be using the buffers about to be replaced.
  FlushCommandQueue();
  CommandList->Reset(CommandAllocator, nullptr);

  SwapChain->ResizeBuffers(Width, Height, CpuHeapStart(Heaps->RtvHeap));
  if (DepthStencilBuffer != nullptr) {
    DepthStencilBuffer->Release();
  }
  CreateDepthStencil(*this);

  const float clientWidth = static_cast<float>(Width);
  const float clientHeight = static_cast<float>(Height);
  // The text box exists once LoadContent has run.
  if (!TextLabels.empty()) {
    TextLabels.front().Resize(clientWidth, clientHeight);
  }
  Camera.SetProjection(0.785f, clientWidth / clientHeight, 1.0f, 1000.0f);
  Camera.RebuildView();
  CameraChanged = true;

  SubmitAndWait(*this);
  SetFullClientViewport(*this);
  LogResult(L"Resize Performed", 0);
}
