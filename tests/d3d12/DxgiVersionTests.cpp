// DXGI 1.5 and 1.6 without a display: every interface version the layer implements is handed out (and
// nothing past it), the tearing answer and flags, GPU-preference enumeration, and video memory queries.
#include "GpuTest.h"
#include "TestWindow.h"
#include "VersionLadder.h"

#include <dxgi1_6.h>
#include <win32_platform.h>

#include <algorithm>
#include <cstdlib>
#include <typeinfo>

namespace {

const bool kWithoutDisplay = [] { return setenv("SDL_VIDEODRIVER", "dummy", 1) == 0; }();

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

class DxgiVersions : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    ASSERT_TRUE(kWithoutDisplay && win32_platform::IsHeadless());
  }

  HRESULT CreateSwapChain(UINT flags, ComPtr<IDXGISwapChain1>& swapChain) {
    window = std::make_unique<TestWindow>(32, 32);
    DXGI_SWAP_CHAIN_DESC1 desc{};
    desc.Width = 32;
    desc.Height = 32;
    desc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    desc.SampleDesc = {1, 0};
    desc.BufferUsage = DXGI_USAGE_RENDER_TARGET_OUTPUT;
    desc.BufferCount = 2;
    desc.SwapEffect = DXGI_SWAP_EFFECT_FLIP_DISCARD;
    desc.Flags = flags;
    ComPtr<IDXGIFactory2> factory2;
    EXPECT_EQ(factory.As(&factory2), S_OK);
    return factory2->CreateSwapChainForHwnd(queue.Get(), window->Handle(), &desc, nullptr, nullptr, &swapChain);
  }

  std::unique_ptr<TestWindow> window;
};

TEST_F(DxgiVersions, FactoryAdapterAndSwapChainHandOutEveryVersionTheyImplement) {
  ExpectEveryVersion<IDXGIObject, IDXGIFactory, IDXGIFactory1, IDXGIFactory2, IDXGIFactory3, IDXGIFactory4,
                     IDXGIFactory5, IDXGIFactory6>(factory.Get());
  // Adapter-change notifications are not implemented, so the factory stops at version 6.
  ComPtr<IDXGIFactory7> factory7;
  EXPECT_EQ(factory.As(&factory7), E_NOINTERFACE);
  EXPECT_EQ(factory7.Get(), nullptr);

  ComPtr<IDXGIAdapter1> adapter;
  ASSERT_EQ(factory->EnumAdapters1(0, &adapter), S_OK);
  ExpectEveryVersion<IDXGIObject, IDXGIAdapter, IDXGIAdapter1, IDXGIAdapter2, IDXGIAdapter3, IDXGIAdapter4>(
      adapter.Get());

  ComPtr<IDXGISwapChain1> swapChain;
  ASSERT_EQ(CreateSwapChain(0, swapChain), S_OK);
  ExpectEveryVersion<IDXGIObject, IDXGIDeviceSubObject, IDXGISwapChain, IDXGISwapChain1, IDXGISwapChain2,
                     IDXGISwapChain3, IDXGISwapChain4>(swapChain.Get());
  ComPtr<IDXGISwapChain4> swapChain4;
  ASSERT_EQ(swapChain.As(&swapChain4), S_OK);
  EXPECT_EQ(swapChain4->SetHDRMetaData(DXGI_HDR_METADATA_TYPE_NONE, 0, nullptr), S_OK);
  CaptureStderr();
  // The first value past the last type, still inside the enumeration's range of values.
  DXGI_HDR_METADATA_TYPE notAType = DXGI_HDR_METADATA_TYPE(3);
  EXPECT_EQ(swapChain4->SetHDRMetaData(notAType, 0, nullptr), E_INVALIDARG);
  GetCapturedStderr();
}

TEST_F(DxgiVersions, TearingIsReportedUnavailableWithoutADisplayAndItsFlagsAreChecked) {
  ComPtr<IDXGIFactory5> factory5;
  ASSERT_EQ(factory.As(&factory5), S_OK);
  BOOL allowTearing = TRUE;
  ASSERT_EQ(factory5->CheckFeatureSupport(DXGI_FEATURE_PRESENT_ALLOW_TEARING, &allowTearing, sizeof(allowTearing)),
            S_OK);
  // Off-screen presentation never reaches a display, so there is nothing to tear.
  EXPECT_FALSE(allowTearing);

  CaptureStderr();
  EXPECT_EQ(factory5->CheckFeatureSupport(DXGI_FEATURE_PRESENT_ALLOW_TEARING, &allowTearing, 1), E_INVALIDARG);
  EXPECT_EQ(factory5->CheckFeatureSupport(DXGI_FEATURE_PRESENT_ALLOW_TEARING, nullptr, sizeof(BOOL)), E_INVALIDARG);
  EXPECT_EQ(factory5->CheckFeatureSupport(DXGI_FEATURE(1), &allowTearing, sizeof(BOOL)), E_INVALIDARG);
  std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 3) << output;

  // The swap chain accepts the tearing flag; Present takes ALLOW_TEARING only with it and sync interval 0.
  ComPtr<IDXGISwapChain1> plain, tearing;
  ASSERT_EQ(CreateSwapChain(0, plain), S_OK);
  CaptureStderr();
  EXPECT_EQ(plain->Present(0, DXGI_PRESENT_ALLOW_TEARING), DXGI_ERROR_INVALID_CALL);
  plain.Reset();
  ASSERT_EQ(CreateSwapChain(DXGI_SWAP_CHAIN_FLAG_ALLOW_TEARING, tearing), S_OK);
  EXPECT_EQ(tearing->Present(1, DXGI_PRESENT_ALLOW_TEARING), DXGI_ERROR_INVALID_CALL);
  output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 2) << output;
  EXPECT_NE(output.find("ALLOW_TEARING"), std::string::npos) << output;

  DXGI_SWAP_CHAIN_DESC1 desc{};
  ASSERT_EQ(tearing->GetDesc1(&desc), S_OK);
  EXPECT_EQ(desc.Flags, static_cast<UINT>(DXGI_SWAP_CHAIN_FLAG_ALLOW_TEARING));
  ComPtr<ID3D12Resource> buffer;
  ASSERT_EQ(tearing->GetBuffer(0, IID_PPV_ARGS(&buffer)), S_OK);
  auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(buffer.Get(), D3D12_RESOURCE_STATE_PRESENT,
                                                       D3D12_RESOURCE_STATE_RENDER_TARGET);
  auto toPresent = CD3DX12_RESOURCE_BARRIER::Transition(buffer.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                        D3D12_RESOURCE_STATE_PRESENT);
  list->ResourceBarrier(1, &toTarget);
  list->ResourceBarrier(1, &toPresent);
  ExecuteAndWait();
  buffer.Reset();
  EXPECT_EQ(tearing->Present(0, DXGI_PRESENT_ALLOW_TEARING), S_OK);
  queue->Signal(fence.Get(), ++fenceValue);
  fence->SetEventOnCompletion(fenceValue, nullptr);
}

TEST_F(DxgiVersions, GpuPreferenceEnumeratesEveryAdapterOnce) {
  ComPtr<IDXGIFactory6> factory6;
  ASSERT_EQ(factory.As(&factory6), S_OK);
  UINT count = 0;
  for (ComPtr<IDXGIAdapter1> adapter; factory->EnumAdapters1(count, &adapter) == S_OK; adapter.Reset()) ++count;
  ASSERT_GE(count, 1u);

  for (DXGI_GPU_PREFERENCE preference :
       {DXGI_GPU_PREFERENCE_UNSPECIFIED, DXGI_GPU_PREFERENCE_MINIMUM_POWER, DXGI_GPU_PREFERENCE_HIGH_PERFORMANCE}) {
    std::vector<uint64_t> luids;
    ComPtr<IDXGIAdapter4> adapter;
    for (UINT i = 0; factory6->EnumAdapterByGpuPreference(i, preference, IID_PPV_ARGS(&adapter)) == S_OK; ++i) {
      DXGI_ADAPTER_DESC3 desc{};
      ASSERT_EQ(adapter->GetDesc3(&desc), S_OK);
      luids.push_back(uint64_t(uint32_t(desc.AdapterLuid.HighPart)) << 32 | desc.AdapterLuid.LowPart);
    }
    EXPECT_EQ(luids.size(), count) << "preference " << preference;
    std::sort(luids.begin(), luids.end());
    EXPECT_EQ(std::adjacent_find(luids.begin(), luids.end()), luids.end());
    EXPECT_EQ(factory6->EnumAdapterByGpuPreference(count, preference, IID_PPV_ARGS(&adapter)), DXGI_ERROR_NOT_FOUND);
  }
  // Without a preference the order is EnumAdapters'.
  ComPtr<IDXGIAdapter1> first, preferred;
  ASSERT_EQ(factory->EnumAdapters1(0, &first), S_OK);
  ASSERT_EQ(factory6->EnumAdapterByGpuPreference(0, DXGI_GPU_PREFERENCE_UNSPECIFIED, IID_PPV_ARGS(&preferred)), S_OK);
  DXGI_ADAPTER_DESC1 a{}, b{};
  first->GetDesc1(&a);
  preferred->GetDesc1(&b);
  EXPECT_EQ(a.AdapterLuid.LowPart, b.AdapterLuid.LowPart);

  CaptureStderr();
  EXPECT_EQ(factory6->EnumAdapterByGpuPreference(0, DXGI_GPU_PREFERENCE(3), IID_PPV_ARGS(&preferred)), E_INVALIDARG);
  EXPECT_EQ(preferred.Get(), nullptr);
  GetCapturedStderr();
}

TEST_F(DxgiVersions, VideoMemoryInfoComesFromTheVulkanHeaps) {
  ComPtr<IDXGIAdapter1> adapter1;
  ASSERT_EQ(factory->EnumAdapters1(0, &adapter1), S_OK);
  ComPtr<IDXGIAdapter3> adapter;
  ASSERT_EQ(adapter1.As(&adapter), S_OK);
  DXGI_ADAPTER_DESC2 desc{};
  ASSERT_EQ(adapter->GetDesc2(&desc), S_OK);

  DXGI_QUERY_VIDEO_MEMORY_INFO local{}, nonLocal{};
  ASSERT_EQ(adapter->QueryVideoMemoryInfo(0, DXGI_MEMORY_SEGMENT_GROUP_LOCAL, &local), S_OK);
  ASSERT_EQ(adapter->QueryVideoMemoryInfo(0, DXGI_MEMORY_SEGMENT_GROUP_NON_LOCAL, &nonLocal), S_OK);
  EXPECT_GT(local.Budget, 0u);
  EXPECT_LE(local.CurrentUsage, local.Budget);
  if (desc.DedicatedVideoMemory == 0) {
    // An adapter that shares the system's memory has all of it in the local segment.
    EXPECT_EQ(nonLocal.Budget, 0u);
    EXPECT_LE(local.Budget, uint64_t(desc.SharedSystemMemory));
  }

  ASSERT_EQ(adapter->SetVideoMemoryReservation(0, DXGI_MEMORY_SEGMENT_GROUP_LOCAL, 1 << 20), S_OK);
  ASSERT_EQ(adapter->QueryVideoMemoryInfo(0, DXGI_MEMORY_SEGMENT_GROUP_LOCAL, &local), S_OK);
  EXPECT_EQ(local.CurrentReservation, 1u << 20);

  CaptureStderr();
  EXPECT_EQ(adapter->SetVideoMemoryReservation(0, DXGI_MEMORY_SEGMENT_GROUP_LOCAL, local.AvailableForReservation + 1),
            E_INVALIDARG);
  EXPECT_EQ(adapter->QueryVideoMemoryInfo(1, DXGI_MEMORY_SEGMENT_GROUP_LOCAL, &local), E_INVALIDARG);
  EXPECT_EQ(adapter->QueryVideoMemoryInfo(0, DXGI_MEMORY_SEGMENT_GROUP_LOCAL, nullptr), E_INVALIDARG);
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 3) << output;
}

}  // namespace
