// The program's debug layer is the Vulkan validation layer. CTest runs each case in a process of its own
// and without D3D12_VK_VALIDATION, so the device made here is the process's first.
#include <windows.h>

#include <d3d12.h>
#include <d3d12_vk_diagnostics.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

using Microsoft::WRL::ComPtr;

TEST(DebugLayer, EnablingItBeforeTheFirstDeviceTurnsOnValidation) {
  ASSERT_EQ(D3D12GetDebugInterface(__uuidof(ID3D12Debug), nullptr), E_POINTER);
  ComPtr<ID3D12Debug> debug;
  ASSERT_EQ(D3D12GetDebugInterface(IID_PPV_ARGS(&debug)), S_OK);
  ComPtr<ID3D12Device> notADebugInterface;
  EXPECT_EQ(D3D12GetDebugInterface(IID_PPV_ARGS(&notADebugInterface)), E_NOINTERFACE);
  EXPECT_EQ(notADebugInterface, nullptr);

  debug->EnableDebugLayer();
  ComPtr<ID3D12Device> device;
  ASSERT_EQ(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)), S_OK);
  EXPECT_TRUE(d3d12_vk::ValidationEnabled()) << "is the Vulkan validation layer installed?";
  EXPECT_EQ(d3d12_vk::ValidationMessageCount(), 0u);
}
