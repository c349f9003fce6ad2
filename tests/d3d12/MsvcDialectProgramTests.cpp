// A translation unit written the way Microsoft's samples are, built with platform_msvc_dialect: the Agility
// SDK's include path for the D3DX12 helpers, PIX events, MSVC's wide stringizing, and the once-per-process
// adapter removal declaration.
#include <windows.h>

#include <d3d12.h>
#include <dxgi1_6.h>
#include <pix3.h>

#include "include/d3dx12/d3dx12.h"

#include <gtest/gtest.h>
#include <wrl.h>

#include <cwchar>

namespace {

using Microsoft::WRL::ComPtr;

// The samples name their objects after their variables this way.
#define OBJECT_NAME(x) L#x

TEST(MsvcDialectProgram, WideStringizingGivesTheWideLiteral) {
  const wchar_t* name = OBJECT_NAME(m_commandQueue);
  EXPECT_EQ(std::wcscmp(name, L"m_commandQueue"), 0);
  // One lasting copy per text, so a name may be kept.
  EXPECT_EQ(OBJECT_NAME(m_commandQueue), name);
  // What the include path names is the D3DX12 helper library.
  EXPECT_EQ(CD3DX12_RESOURCE_DESC::Buffer(64).Width, 64u);
}

TEST(MsvcDialectProgram, PixEventsAndMarkersDoNothing) {
  ID3D12GraphicsCommandList* list = nullptr;
  ID3D12CommandQueue* queue = nullptr;
  // None of these may touch the (absent) objects they name.
  PIXBeginEvent(queue, 0, L"Render");
  PIXBeginEvent(list, PIX_COLOR(255, 0, 0), L"Draw particles for thread %u", 3u);
  PIXSetMarker(list, PIX_COLOR_DEFAULT, "marker %s", "text");
  PIXEndEvent(list);
  PIXEndEvent(queue);
  PIXBeginEvent(PIX_COLOR_INDEX(2), "CPU work %d", 1);
  PIXEndEvent();
  {
    PIXScopedEvent(list, 0, L"scoped");
    PIXScopedEvent(PIX_COLOR_INDEX(1), "second in the same scope");
  }
  PIXReportCounter(L"frames", 1.0f);
  EXPECT_EQ(PIX_COLOR(0x12, 0x34, 0x56), 0xff123456u);
  EXPECT_EQ(PIX_COLOR_INDEX(7), 7);
}

// ctest runs each case in a process of its own, which is what the declaration's once-per-process rule needs.
TEST(MsvcDialectProgram, AdapterRemovalIsDeclaredOnceBeforeAnyDevice) {
  EXPECT_EQ(DXGIDeclareAdapterRemovalSupport(), S_OK);
  EXPECT_EQ(DXGIDeclareAdapterRemovalSupport(), DXGI_ERROR_ALREADY_EXISTS);
}

TEST(MsvcDialectProgram, AdapterRemovalDeclaredAfterADeviceIsRefused) {
  ComPtr<ID3D12Device> device;
  ASSERT_EQ(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)), S_OK);
  EXPECT_EQ(DXGIDeclareAdapterRemovalSupport(), DXGI_ERROR_INVALID_CALL);
}

}  // namespace
