// The resize phase of the Renderer: everything sized to the window made again at the new client size.
#include "render/Renderer.h"

#include "core/ConsoleOutput.h"
#include "core/ErrorText.h"
#include "core/Log.h"
#include "render/DescriptorHeaps.h"
#include "render/DeviceSetup.h"
#include "render/StructGetters.h"
#include "render/SwapChain.h"

#include <wrl/client.h>

#include <string>

namespace {

std::string SizeText(int32_t width, int32_t height) { return std::to_string(width) + " x " + std::to_string(height); }

// A size the device cannot honour (past its largest texture, or out of memory) is not worth stopping for:
// the window keeps being drawn at the last size that worked, stretched or cropped by the window system.
void ReportKeptSize(const char* call, HRESULT result, const Renderer& renderer, int32_t keptWidth, int32_t keptHeight) {
  WriteErrorLine(CallFailureLine(call, "cannot resize to " + SizeText(renderer.Width, renderer.Height), result) +
                 "; drawing on at " + SizeText(keptWidth, keptHeight));
}

}  // namespace

void Renderer::OnResize() {
  // Before start-up has made the swap chain there is nothing sized to the window yet. A minimised window
  // reports a 0 x 0 client area: no buffer can have that size and the aspect ratio is undefined, so the
  // buffers and the lens stay as they are until the window has a real size again (the restore sends one).
  if (SwapChain == nullptr || Width <= 0 || Height <= 0) {
    return;
  }
  // No frame may still be using the buffers about to be replaced.
  FlushCommandQueue();
  BeginCommands(*this);

  // The viewport still covers the size of the buffers in use, the one to fall back to.
  const int32_t lastWidth = static_cast<int32_t>(Viewport.Width);
  const int32_t lastHeight = static_cast<int32_t>(Viewport.Height);
  const D3D12_CPU_DESCRIPTOR_HANDLE renderTargets = CpuHeapStart(Heaps->RtvHeap);
  Microsoft::WRL::ComPtr<ID3D12Resource> depthBuffer;
  HRESULT result = CreateDepthBuffer(Device, Width, Height, &depthBuffer);
  if (FAILED(result)) {
    ReportKeptSize("ID3D12Device::CreateCommittedResource", result, *this, lastWidth, lastHeight);
  } else if (result = SwapChain->ResizeBuffers(Width, Height, renderTargets); FAILED(result)) {
    ReportKeptSize("IDXGISwapChain::ResizeBuffers", result, *this, lastWidth, lastHeight);
    // The chain let go of its buffers before it failed: it needs them back at the size that worked.
    StopIfFailed(SwapChain->ResizeBuffers(lastWidth, lastHeight, renderTargets), "IDXGISwapChain::ResizeBuffers",
                 "cannot restore the back buffers");
  }
  if (FAILED(result)) {
    Width = lastWidth;
    Height = lastHeight;
    SubmitAndWait(*this);
    return;
  }
  if (DepthStencilBuffer != nullptr) {
    DepthStencilBuffer->Release();
  }
  InstallDepthStencil(*this, depthBuffer.Detach());

  const float clientWidth = static_cast<float>(Width);
  const float clientHeight = static_cast<float>(Height);
  // The text box exists once LoadContent has run.
  if (!TextLabels.empty()) {
    TextLabels.front().Resize(clientWidth, clientHeight);
  }
  Camera.SetProjection(0.785f, clientWidth / clientHeight, NearPlane, FarPlane);
  Camera.RebuildView();
  CameraChanged = true;

  SubmitAndWait(*this);
  SetFullClientViewport(*this);
  LogResult(L"Resize Performed", 0);
}
