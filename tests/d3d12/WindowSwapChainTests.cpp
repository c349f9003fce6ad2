// A swap chain on a real window (under X, Xvfb in CI): frames go through a Vulkan surface; without a display
// the same calls present off-screen.
#include "GpuTest.h"
#include "SwapChainHelpers.h"
#include "TestWindow.h"

#include <d3d12_vk_diagnostics.h>
#include <win32_platform.h>

namespace {

TEST_F(GpuTest, SwapChainPresentsIntoAWindowAtAnySize) {
  TestWindow window(96, 64);
  DXGI_SWAP_CHAIN_DESC desc = WindowedSwapChainDesc(window.Handle(), 96, 64);
  ComPtr<IDXGISwapChain> swapChain;
  ASSERT_EQ(factory->CreateSwapChain(queue.Get(), &desc, &swapChain), S_OK);
  const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  ComPtr<ID3D12DescriptorHeap> heap;
  ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&heap)), S_OK);

  const UINT sizes[][2] = {{96, 64}, {96, 64}, {50, 30}, {50, 30}, {200, 120}};
  for (UINT frame = 0; frame < std::size(sizes); ++frame) {
    if (frame > 0) {
      ASSERT_EQ(swapChain->ResizeBuffers(2, sizes[frame][0], sizes[frame][1], DXGI_FORMAT_R8G8B8A8_UNORM, 0), S_OK);
    }
    for (UINT buffer = 0; buffer < 2; ++buffer) {
      ComPtr<ID3D12Resource> backBuffer;
      ASSERT_EQ(swapChain->GetBuffer(buffer, IID_PPV_ARGS(&backBuffer)), S_OK);
      EXPECT_EQ(backBuffer->GetDesc().Width, sizes[frame][0]);
      const float color[4] = {0.25f * frame, 0.5f, 1.0f - 0.2f * frame, 1.0f};
      RecordBackBufferClear(device.Get(), list.Get(), backBuffer.Get(), heap->GetCPUDescriptorHandleForHeapStart(),
                            color);
      ASSERT_EQ(list->Close(), S_OK);
      ID3D12CommandList* lists[] = {list.Get()};
      queue->ExecuteCommandLists(1, lists);
      const HRESULT presented = swapChain->Present(0, 0);
      EXPECT_TRUE(presented == S_OK || presented == DXGI_STATUS_OCCLUDED) << std::hex << presented;
      ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
      ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, nullptr), S_OK);
      ASSERT_EQ(allocator->Reset(), S_OK);
      ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
    }
  }
  if (!win32_platform::IsHeadless()) {
    std::vector<uint8_t> rgba;
    UINT width = 0, height = 0;
    EXPECT_EQ(d3d12_vk::ReadLastPresentedFrame(swapChain.Get(), &rgba, &width, &height), DXGI_ERROR_UNSUPPORTED)
        << "frames in a window are read from the screen";
  }
}

}  // namespace
