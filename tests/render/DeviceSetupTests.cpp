// InitDirect3D on the Direct3D 12 layer: the steps it logs, the state it leaves, and where its views lie.
#include "support/RendererFixture.h"

#include "render/DescriptorHeaps.h"
#include "render/SwapChain.h"

#include <dxgi1_4.h>
#include <wrl/client.h>
#include "d3dx12.h"

#include <vector>

using Microsoft::WRL::ComPtr;

namespace {

constexpr float Red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
constexpr float Blue[4] = {0.0f, 0.0f, 1.0f, 1.0f};

bool HasHardwareAdapter() {
  ComPtr<IDXGIFactory4> factory;
  EXPECT_EQ(CreateDXGIFactory(IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IDXGIAdapter1> adapter;
  for (UINT i = 0; factory->EnumAdapters1(i, &adapter) != DXGI_ERROR_NOT_FOUND; ++i) {
    DXGI_ADAPTER_DESC1 description = {};
    adapter->GetDesc1(&description);
    if ((description.Flags & DXGI_ADAPTER_FLAG_SOFTWARE) == 0) {
      return true;
    }
  }
  return false;
}

using DeviceSetup = RendererFixture;

// On a machine with only a software rasterizer (lavapipe here) the adapter loop tries nothing and the
// fallback to the default adapter says so.
TEST_F(DeviceSetup, LogsEachStepInOrder) {
  std::vector<std::string> expected = {"Initializing factory", "Initialized factory"};
  if (!HasHardwareAdapter()) {
    expected.push_back("Falling back to the default adapter");
  }
  expected.insert(expected.end(), {"command list Created", "Initializing renderbuffers", "Materialas Loaded"});
  EXPECT_EQ(StartRenderer(), expected);
}

TEST_F(DeviceSetup, LeavesTheRendererReadyToRecord) {
  StartRenderer();
  // One flush after creating the swap chain, one at the end; the texture loader waits on a fence of its own.
  EXPECT_EQ(renderer->FenceValue, 2u);
  EXPECT_EQ(renderer->Fence->GetCompletedValue(), 2u);
  EXPECT_EQ(renderer->SwapChain->CurrentBackBuffer, 0);
  // Only a closed list can be reset.
  ASSERT_SUCCEEDED(renderer->CommandList->Reset(renderer->CommandAllocator, nullptr));
  renderer->CommandList->Close();

  // Views made through one object's device are used through the others'.
  ASSERT_NE(renderer->Device, nullptr);
  EXPECT_EQ(renderer->SwapChain->Device, renderer->Device);
  EXPECT_EQ(renderer->Heaps->Device, renderer->Device);
  EXPECT_EQ(renderer->CbvSrvUavDescriptorSize,
            renderer->Device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV));

  const D3D12_VIEWPORT& viewport = renderer->Viewport;
  EXPECT_EQ(std::vector<float>({viewport.TopLeftX, viewport.TopLeftY, viewport.Width, viewport.Height,
                                viewport.MinDepth, viewport.MaxDepth}),
            std::vector<float>({0.0f, 0.0f, 800.0f, 600.0f, 0.0f, 1.0f}));
  const D3D12_RECT& scissor = renderer->ScissorRect;
  EXPECT_EQ(std::vector<LONG>({scissor.left, scissor.top, scissor.right, scissor.bottom}),
            std::vector<LONG>({0, 0, 800, 600}));
}

// What the chain was made from, as DXGI reports it back: two flip-discard buffers of the client size for
// the program's window, windowed, single-sampled, 8-bit RGBA.
TEST_F(DeviceSetup, TheSwapChainHasTwoFlipDiscardBuffersOfTheClientSizeForTheWindow) {
  StartRenderer();
  DXGI_SWAP_CHAIN_DESC description = {};
  ASSERT_SUCCEEDED(renderer->SwapChain->Chain->GetDesc(&description));
  EXPECT_EQ(description.BufferDesc.Width, 800u);
  EXPECT_EQ(description.BufferDesc.Height, 600u);
  EXPECT_EQ(description.BufferDesc.RefreshRate.Numerator, 60u);
  EXPECT_EQ(description.BufferDesc.RefreshRate.Denominator, 1u);
  EXPECT_EQ(description.BufferDesc.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
  EXPECT_EQ(description.BufferDesc.ScanlineOrdering, DXGI_MODE_SCANLINE_ORDER_UNSPECIFIED);
  EXPECT_EQ(description.BufferDesc.Scaling, DXGI_MODE_SCALING_UNSPECIFIED);
  EXPECT_EQ(description.SampleDesc.Count, 1u);
  EXPECT_EQ(description.SampleDesc.Quality, 0u);
  EXPECT_EQ(description.BufferUsage, DXGI_USAGE_RENDER_TARGET_OUTPUT);
  EXPECT_EQ(description.BufferCount, 2u);
  EXPECT_EQ(description.OutputWindow, window);
  EXPECT_TRUE(description.Windowed);
  EXPECT_EQ(description.SwapEffect, DXGI_SWAP_EFFECT_FLIP_DISCARD);
  EXPECT_EQ(description.Flags, UINT(DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH));
}

// Clearing through render-target slot k must reach back buffer k: the frame picks its view by the
// back-buffer index.
TEST_F(DeviceSetup, HeapsHaveTheirSizesAndBackBufferViewsLieInBufferOrder) {
  StartRenderer();
  EXPECT_EQ(renderer->Heaps->RtvHeap->GetDesc().NumDescriptors, 2u);
  EXPECT_EQ(renderer->Heaps->DsvHeap->GetDesc().NumDescriptors, 1u);
  const D3D12_DESCRIPTOR_HEAP_DESC shaderVisible = renderer->Heaps->CbvSrvUavHeap->GetDesc();
  EXPECT_EQ(shaderVisible.NumDescriptors, 20u);
  EXPECT_EQ(shaderVisible.Flags, D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE);

  ::SwapChain& swapChain = *renderer->SwapChain;
  ASSERT_EQ(swapChain.BackBuffers.size(), 2u);
  BeginCommands();
  for (ID3D12Resource* buffer : swapChain.BackBuffers) {
    const auto toTarget =
        CD3DX12_RESOURCE_BARRIER::Transition(buffer, D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_RENDER_TARGET);
    renderer->CommandList->ResourceBarrier(1, &toTarget);
  }
  renderer->CommandList->ClearRenderTargetView(RenderTargetView(0), Red, 0, nullptr);
  renderer->CommandList->ClearRenderTargetView(RenderTargetView(1), Blue, 0, nullptr);
  for (ID3D12Resource* buffer : swapChain.BackBuffers) {
    const auto toPresent =
        CD3DX12_RESOURCE_BARRIER::Transition(buffer, D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
    renderer->CommandList->ResourceBarrier(1, &toPresent);
  }
  SubmitAndWait();

  EXPECT_TRUE(ReadBack(swapChain.BackBuffers[0], D3D12_RESOURCE_STATE_PRESENT) == SolidPixels(Red, 800 * 600));
  EXPECT_TRUE(ReadBack(swapChain.BackBuffers[1], D3D12_RESOURCE_STATE_PRESENT) == SolidPixels(Blue, 800 * 600));
}

// The buffer is left in DEPTH_WRITE; a clear through the depth heap's one slot in that state passes the
// validation layer only if the transition was recorded.
TEST_F(DeviceSetup, DepthBufferCoversTheClientAreaAndTakesDepthWrites) {
  StartRenderer();
  const D3D12_RESOURCE_DESC depth = renderer->DepthStencilBuffer->GetDesc();
  EXPECT_EQ(depth.Format, DXGI_FORMAT_D24_UNORM_S8_UINT);
  EXPECT_EQ(depth.Width, 800u);
  EXPECT_EQ(depth.Height, 600u);
  EXPECT_EQ(depth.Flags, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  BeginCommands();
  renderer->CommandList->ClearDepthStencilView(renderer->Heaps->DsvHeap->GetCPUDescriptorHandleForHeapStart(),
                                               D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0, nullptr);
  SubmitAndWait();
}

}  // namespace
