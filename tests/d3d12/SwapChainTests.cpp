// Swap chains without a display: frames go to an off-screen front image that the test reads back.
#include "GpuTest.h"
#include "SwapChainHelpers.h"
#include "TestWindow.h"

#include <d3d12_vk_diagnostics.h>
#include <win32_platform.h>

#include <cstdlib>

namespace {

// The Win32 layer keeps its windows in memory when SDL has no video driver to show them with.
const bool kWithoutDisplay = [] { return setenv("SDL_VIDEODRIVER", "dummy", 1) == 0; }();

constexpr UINT kBufferWidth = 32;
constexpr UINT kBufferHeight = 24;

class SwapChainTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    ASSERT_TRUE(kWithoutDisplay && win32_platform::IsHeadless());
    window = std::make_unique<TestWindow>(64, 48);
    // The engine's description.
    DXGI_SWAP_CHAIN_DESC desc = WindowedSwapChainDesc(window->Handle(), kBufferWidth, kBufferHeight);
    desc.Flags = DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH;
    ASSERT_EQ(factory->CreateSwapChain(queue.Get(), &desc, &swapChain), S_OK);
    const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&rtvHeap)), S_OK);
  }

  void TearDown() override {
    swapChain.Reset();
    window.reset();
    GpuTest::TearDown();
  }

  // Clears back buffer `index` and presents it, as the engine's frame does.
  void PresentColor(UINT index, const float (&color)[4]) {
    ComPtr<ID3D12Resource> buffer;
    ASSERT_EQ(swapChain->GetBuffer(index, IID_PPV_ARGS(&buffer)), S_OK);
    RecordBackBufferClear(device.Get(), list.Get(), buffer.Get(), rtvHeap->GetCPUDescriptorHandleForHeapStart(), color);
    ASSERT_EQ(list->Close(), S_OK);
    ID3D12CommandList* lists[] = {list.Get()};
    queue->ExecuteCommandLists(1, lists);
    ASSERT_EQ(swapChain->Present(0, 0), S_OK);
    ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
    ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, nullptr), S_OK);
    ASSERT_EQ(allocator->Reset(), S_OK);
    ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  }

  uint32_t PresentedPixel(UINT* width = nullptr, UINT* height = nullptr) {
    std::vector<uint8_t> rgba;
    UINT w = 0, h = 0;
    EXPECT_EQ(d3d12_vk::ReadLastPresentedFrame(swapChain.Get(), &rgba, &w, &h), S_OK);
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
    if (rgba.size() < 4) return 0;
    return rgba[0] | rgba[1] << 8 | rgba[2] << 16 | uint32_t(rgba[3]) << 24;
  }

  std::unique_ptr<TestWindow> window;
  ComPtr<IDXGISwapChain> swapChain;
};

constexpr float kRed[4] = {1, 0, 0, 1};
constexpr float kGreen[4] = {0, 1, 0, 1};

TEST_F(SwapChainTest, PresentShowsEachBackBufferInTurn) {
  ComPtr<IDXGISwapChain3> swapChain3;
  ASSERT_EQ(swapChain.As(&swapChain3), S_OK);
  EXPECT_EQ(swapChain3->GetCurrentBackBufferIndex(), 0u);
  std::vector<uint8_t> rgba;
  UINT width = 0, height = 0;
  EXPECT_EQ(d3d12_vk::ReadLastPresentedFrame(swapChain.Get(), &rgba, &width, &height), DXGI_ERROR_INVALID_CALL);

  PresentColor(0, kRed);
  EXPECT_EQ(PresentedPixel(&width, &height), Rgba(255, 0, 0));
  EXPECT_EQ(width, kBufferWidth);
  EXPECT_EQ(height, kBufferHeight);
  EXPECT_EQ(swapChain3->GetCurrentBackBufferIndex(), 1u);
  PresentColor(1, kGreen);
  EXPECT_EQ(PresentedPixel(), Rgba(0, 255, 0));
  EXPECT_EQ(swapChain3->GetCurrentBackBufferIndex(), 0u);
}

TEST_F(SwapChainTest, ResizeBuffersNeedsTheBuffersReleasedAndTakesAnySize) {
  ComPtr<ID3D12Resource> held;
  ASSERT_EQ(swapChain->GetBuffer(0, IID_PPV_ARGS(&held)), S_OK);
  EXPECT_EQ(swapChain->ResizeBuffers(2, 16, 16, DXGI_FORMAT_R8G8B8A8_UNORM, 0), DXGI_ERROR_INVALID_CALL);
  held.Reset();

  for (int sameSizeAgain = 0; sameSizeAgain < 2; ++sameSizeAgain) {
    ASSERT_EQ(swapChain->ResizeBuffers(2, 40, 30, DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_SWAP_CHAIN_FLAG_ALLOW_MODE_SWITCH),
              S_OK);
  }
  DXGI_SWAP_CHAIN_DESC desc;
  ASSERT_EQ(swapChain->GetDesc(&desc), S_OK);
  EXPECT_EQ(desc.BufferDesc.Width, 40u);
  EXPECT_EQ(desc.BufferDesc.Height, 30u);
  PresentColor(0, kGreen);
  UINT width = 0, height = 0;
  EXPECT_EQ(PresentedPixel(&width, &height), Rgba(0, 255, 0));
  EXPECT_EQ(width, 40u);

  // Zero means the window's client size.
  ASSERT_EQ(swapChain->ResizeBuffers(0, 0, 0, DXGI_FORMAT_UNKNOWN, 0), S_OK);
  ASSERT_EQ(swapChain->GetDesc(&desc), S_OK);
  EXPECT_EQ(desc.BufferDesc.Width, 64u);
  EXPECT_EQ(desc.BufferDesc.Height, 48u);
}

TEST_F(SwapChainTest, PresentNeedsTheBufferInThePresentState) {
  ComPtr<ID3D12Resource> buffer;
  ASSERT_EQ(swapChain->GetBuffer(0, IID_PPV_ARGS(&buffer)), S_OK);
  auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(buffer.Get(), D3D12_RESOURCE_STATE_PRESENT,
                                                       D3D12_RESOURCE_STATE_RENDER_TARGET);
  list->ResourceBarrier(1, &toTarget);
  ExecuteAndWait();
  EXPECT_EQ(swapChain->Present(0, 0), DXGI_ERROR_INVALID_CALL);
  auto back = CD3DX12_RESOURCE_BARRIER::Transition(buffer.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                   D3D12_RESOURCE_STATE_PRESENT);
  list->ResourceBarrier(1, &back);
  ExecuteAndWait();
  EXPECT_EQ(swapChain->Present(0, 0), S_OK);
}

TEST_F(SwapChainTest, CreationRefusesWhatDirect3D12Refuses) {
  DXGI_SWAP_CHAIN_DESC desc;
  ASSERT_EQ(swapChain->GetDesc(&desc), S_OK);
  ComPtr<IDXGISwapChain> other;
  DXGI_SWAP_CHAIN_DESC blit = desc;
  blit.SwapEffect = DXGI_SWAP_EFFECT_DISCARD;
  EXPECT_EQ(factory->CreateSwapChain(queue.Get(), &blit, &other), DXGI_ERROR_INVALID_CALL);
  DXGI_SWAP_CHAIN_DESC single = desc;
  single.BufferCount = 1;
  EXPECT_EQ(factory->CreateSwapChain(queue.Get(), &single, &other), DXGI_ERROR_INVALID_CALL);
  EXPECT_EQ(factory->CreateSwapChain(device.Get(), &desc, &other), DXGI_ERROR_INVALID_CALL)
      << "Direct3D 12 swap chains take the command queue";
  EXPECT_EQ(other.Get(), nullptr);
}

}  // namespace

// Without a display the one output is 1920 x 1080 at 60 Hz; full screen covers it with the window.
TEST_F(SwapChainTest, OutputsListTheDisplayAndFullScreenCoversIt) {
  ComPtr<IDXGIAdapter> adapter;
  ASSERT_EQ(factory->EnumAdapters(0, &adapter), S_OK);
  ComPtr<IDXGIOutput> output;
  ASSERT_EQ(adapter->EnumOutputs(0, &output), S_OK);
  ComPtr<IDXGIOutput> none;
  EXPECT_EQ(adapter->EnumOutputs(1, &none), DXGI_ERROR_NOT_FOUND);
  DXGI_OUTPUT_DESC outputDesc{};
  ASSERT_EQ(output->GetDesc(&outputDesc), S_OK);
  EXPECT_EQ(outputDesc.DesktopCoordinates.right, 1920);
  EXPECT_EQ(outputDesc.DesktopCoordinates.bottom, 1080);
  EXPECT_EQ(outputDesc.Monitor, MonitorFromWindow(window->Handle(), MONITOR_DEFAULTTONEAREST));

  UINT count = 0;
  ASSERT_EQ(output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, 0, &count, nullptr), S_OK);
  ASSERT_EQ(count, 1u);
  DXGI_MODE_DESC mode{};
  ASSERT_EQ(output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, 0, &count, &mode), S_OK);
  EXPECT_EQ(mode.Width, 1920u);
  EXPECT_EQ(mode.RefreshRate.Numerator, 60u);
  EXPECT_EQ(mode.Format, DXGI_FORMAT_R8G8B8A8_UNORM);
  count = 0;
  EXPECT_EQ(output->GetDisplayModeList(DXGI_FORMAT_R8G8B8A8_UNORM, 0, &count, &mode), DXGI_ERROR_MORE_DATA);
  ASSERT_EQ(output->GetDisplayModeList(DXGI_FORMAT_R32_FLOAT, 0, &count, nullptr), S_OK);
  EXPECT_EQ(count, 0u);
  DXGI_MODE_DESC wanted{};
  wanted.Width = 800;
  wanted.Height = 600;
  wanted.RefreshRate = {75, 1};
  wanted.Format = DXGI_FORMAT_B8G8R8A8_UNORM;
  ASSERT_EQ(output->FindClosestMatchingMode(&wanted, &mode, nullptr), S_OK);
  EXPECT_EQ(mode.Height, 1080u);
  EXPECT_EQ(mode.Format, DXGI_FORMAT_B8G8R8A8_UNORM);

  ComPtr<IDXGIOutput> containing;
  ASSERT_EQ(swapChain->GetContainingOutput(&containing), S_OK);
  ComPtr<IDXGIAdapter> parent;
  ASSERT_EQ(containing->GetParent(IID_PPV_ARGS(&parent)), S_OK);
  DXGI_ADAPTER_DESC adapterDesc{};
  parent->GetDesc(&adapterDesc);
  EXPECT_EQ(adapterDesc.AdapterLuid.LowPart, device->GetAdapterLuid().LowPart);

  // Full screen: the window is resized to the output at once, the buffers follow at ResizeBuffers.
  RECT client{};
  ASSERT_EQ(swapChain->SetFullscreenState(TRUE, nullptr), S_OK);
  BOOL fullscreen = FALSE;
  ComPtr<IDXGIOutput> target;
  ASSERT_EQ(swapChain->GetFullscreenState(&fullscreen, &target), S_OK);
  EXPECT_TRUE(fullscreen);
  EXPECT_NE(target, nullptr);
  GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, 1920);
  EXPECT_EQ(client.bottom, 1080);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window->Handle(), GWL_STYLE)) & WS_CAPTION, 0u);
  ASSERT_EQ(swapChain->ResizeBuffers(0, 0, 0, DXGI_FORMAT_UNKNOWN, 0), S_OK);
  PresentColor(0, kRed);
  UINT width = 0;
  EXPECT_EQ(PresentedPixel(&width), Rgba(255, 0, 0));
  EXPECT_EQ(width, 1920u);
  DXGI_SWAP_CHAIN_DESC desc{};
  swapChain->GetDesc(&desc);
  EXPECT_FALSE(desc.Windowed);

  ASSERT_EQ(swapChain->SetFullscreenState(FALSE, nullptr), S_OK);
  swapChain->GetFullscreenState(&fullscreen, nullptr);
  EXPECT_FALSE(fullscreen);
  GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, 64);
  EXPECT_EQ(client.bottom, 48);

  DXGI_MODE_DESC target100{};
  target100.Width = 100;
  target100.Height = 80;
  ASSERT_EQ(swapChain->ResizeTarget(&target100), S_OK);
  GetClientRect(window->Handle(), &client);
  EXPECT_EQ(client.right, 100);
  EXPECT_EQ(client.bottom, 80);
  EXPECT_EQ(swapChain->ResizeTarget(nullptr), DXGI_ERROR_INVALID_CALL);
}
