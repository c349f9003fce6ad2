// The frame latency waitable object of swap chains made with DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT.
#include "GpuTest.h"
#include "SwapChainHelpers.h"
#include "TestWindow.h"

#include <dxgi1_6.h>
#include <win32_platform.h>

#include <cstdlib>

namespace {

const bool kWithoutDisplay = [] { return setenv("SDL_VIDEODRIVER", "dummy", 1) == 0; }();

class FrameLatencyTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    ASSERT_TRUE(kWithoutDisplay && win32_platform::IsHeadless());
    window = std::make_unique<TestWindow>(64, 48);
  }
  void TearDown() override {
    swapChain.Reset();
    window.reset();
    GpuTest::TearDown();
  }

  void CreateSwapChain(UINT flags) {
    DXGI_SWAP_CHAIN_DESC desc = WindowedSwapChainDesc(window->Handle(), 32, 24);
    desc.Flags = flags;
    ComPtr<IDXGISwapChain> created;
    ASSERT_EQ(factory->CreateSwapChain(queue.Get(), &desc, &created), S_OK);
    ASSERT_EQ(created.As(&swapChain), S_OK);
  }

  std::unique_ptr<TestWindow> window;
  ComPtr<IDXGISwapChain2> swapChain;
};

TEST_F(FrameLatencyTest, TheWaitableObjectAdmitsOneFrameAfterEachPresent) {
  CreateSwapChain(DXGI_SWAP_CHAIN_FLAG_FRAME_LATENCY_WAITABLE_OBJECT);
  HANDLE waitable = swapChain->GetFrameLatencyWaitableObject();
  ASSERT_NE(waitable, nullptr);

  // The first frame may start at once; the second only after the first is presented.
  EXPECT_EQ(WaitForSingleObject(waitable, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(waitable, 0), WAIT_TIMEOUT);
  ASSERT_EQ(swapChain->Present(0, 0), S_OK);
  EXPECT_EQ(WaitForSingleObject(waitable, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(waitable, 0), WAIT_TIMEOUT);

  UINT latency = 0;
  EXPECT_EQ(swapChain->GetMaximumFrameLatency(&latency), S_OK);
  EXPECT_EQ(latency, 1u);
  EXPECT_EQ(swapChain->SetMaximumFrameLatency(3), S_OK);
  EXPECT_EQ(swapChain->GetMaximumFrameLatency(&latency), S_OK);
  EXPECT_EQ(latency, 3u);
  EXPECT_EQ(swapChain->SetMaximumFrameLatency(0), DXGI_ERROR_INVALID_CALL);
  EXPECT_EQ(swapChain->SetMaximumFrameLatency(DXGI_MAX_SWAP_CHAIN_BUFFERS + 1), DXGI_ERROR_INVALID_CALL);
  // The program owns the handle.
  EXPECT_TRUE(CloseHandle(waitable));
}

TEST_F(FrameLatencyTest, SwapChainsWithoutTheFlagHaveNoWaitableObject) {
  CreateSwapChain(0);
  EXPECT_EQ(swapChain->GetFrameLatencyWaitableObject(), nullptr);
  UINT latency = 0;
  EXPECT_EQ(swapChain->GetMaximumFrameLatency(&latency), DXGI_ERROR_INVALID_CALL);
  EXPECT_EQ(swapChain->SetMaximumFrameLatency(2), DXGI_ERROR_INVALID_CALL);
}

}  // namespace
