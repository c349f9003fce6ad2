// A Present on a queue that holds work behind a fence wait shows the frame once that work has run.
#include "GpuTest.h"
#include "SwapChainHelpers.h"
#include "TestWindow.h"

#include <d3d12_vk_diagnostics.h>
#include <win32_platform.h>

#include <cstdlib>
#include <memory>

namespace {

const bool kWithoutDisplay = [] { return setenv("SDL_VIDEODRIVER", "dummy", 1) == 0; }();

class HeldPresentTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    ASSERT_TRUE(kWithoutDisplay && win32_platform::IsHeadless());
    window = std::make_unique<TestWindow>(16, 16);
    DXGI_SWAP_CHAIN_DESC desc = WindowedSwapChainDesc(window->Handle(), 16, 16);
    ASSERT_EQ(factory->CreateSwapChain(queue.Get(), &desc, &swapChain), S_OK);
    const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&rtvHeap)), S_OK);
    ASSERT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&gate)), S_OK);
  }

  void TearDown() override {
    swapChain.Reset();
    window.reset();
    GpuTest::TearDown();
  }

  // Records a clear of back buffer 0 to `color` on `list`, closed.
  void RecordClear(const float (&color)[4]) {
    ComPtr<ID3D12Resource> buffer;
    ASSERT_EQ(swapChain->GetBuffer(0, IID_PPV_ARGS(&buffer)), S_OK);
    RecordBackBufferClear(device.Get(), list.Get(), buffer.Get(), rtvHeap->GetCPUDescriptorHandleForHeapStart(), color);
    ASSERT_EQ(list->Close(), S_OK);
  }

  HRESULT ReadPresented(uint32_t* pixel) {
    std::vector<uint8_t> rgba;
    UINT width = 0, height = 0;
    const HRESULT result = d3d12_vk::ReadLastPresentedFrame(swapChain.Get(), &rgba, &width, &height);
    if (SUCCEEDED(result) && rgba.size() >= 4) {
      *pixel = rgba[0] | rgba[1] << 8 | rgba[2] << 16 | uint32_t(rgba[3]) << 24;
    }
    return result;
  }

  std::unique_ptr<TestWindow> window;
  ComPtr<IDXGISwapChain> swapChain;
  ComPtr<ID3D12DescriptorHeap> rtvHeap;
  ComPtr<ID3D12Fence> gate;
};

TEST_F(HeldPresentTest, APresentBehindAWaitShowsTheFrameOnceTheWaitIsMet) {
  const float red[4] = {1, 0, 0, 1};
  RecordClear(red);
  ASSERT_EQ(queue->Wait(gate.Get(), 1), S_OK);
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  ASSERT_EQ(swapChain->Present(0, 0), S_OK);
  ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
  // Nothing has been shown yet: the present waits behind the clear.
  uint32_t pixel = 0;
  EXPECT_EQ(ReadPresented(&pixel), DXGI_ERROR_INVALID_CALL);

  ASSERT_EQ(gate->Signal(1), S_OK);
  ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, nullptr), S_OK);
  ASSERT_EQ(ReadPresented(&pixel), S_OK);
  EXPECT_EQ(pixel, Rgba(255, 0, 0));
  ASSERT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

// Only the present is held here: no held work uses the buffers the released swap chain takes with it.
TEST_F(HeldPresentTest, ASwapChainReleasedBeforeItsHeldPresentRanDropsIt) {
  ASSERT_EQ(queue->Wait(gate.Get(), 1), S_OK);
  ASSERT_EQ(swapChain->Present(0, 0), S_OK);
  ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
  swapChain.Reset();
  ASSERT_EQ(gate->Signal(1), S_OK);
  ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, nullptr), S_OK);
  EXPECT_EQ(fence->GetCompletedValue(), fenceValue);
}

}  // namespace
