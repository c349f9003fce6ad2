// Factory, adapters and the one device per adapter that every engine object relies on.
#include "GpuTest.h"

#include <cwchar>

namespace {

TEST_F(GpuTest, EveryCreateDeviceCallReturnsTheSameDevice) {
  ComPtr<ID3D12Device> second;
  ASSERT_EQ(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&second)), S_OK);
  EXPECT_EQ(second.Get(), device.Get());

  ComPtr<IDXGIAdapter1> adapter;
  ASSERT_EQ(factory->EnumAdapters1(0, &adapter), S_OK);
  ComPtr<ID3D12Device> fromAdapter;
  ASSERT_EQ(D3D12CreateDevice(adapter.Get(), D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&fromAdapter)), S_OK);
  EXPECT_EQ(fromAdapter.Get(), device.Get()) << "the default adapter is adapter 0";

  ComPtr<ID3D12Device> parent;
  ASSERT_EQ(queue->GetDevice(IID_PPV_ARGS(&parent)), S_OK);
  EXPECT_EQ(parent.Get(), device.Get());
}

TEST_F(GpuTest, CreateDeviceWithoutOutputOnlyChecks) {
  EXPECT_EQ(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, __uuidof(ID3D12Device), nullptr), S_FALSE);
  EXPECT_EQ(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_9_1, IID_PPV_ARGS(&device)), E_INVALIDARG);
}

TEST_F(GpuTest, AdaptersDescribeThemselvesAndEndWithNotFound) {
  UINT count = 0;
  ComPtr<IDXGIAdapter1> adapter;
  while (factory->EnumAdapters1(count, &adapter) != DXGI_ERROR_NOT_FOUND) {
    DXGI_ADAPTER_DESC1 desc;
    ASSERT_EQ(adapter->GetDesc1(&desc), S_OK);
    // Mesa's CPU driver is what DXGI calls a software adapter.
    if (std::wcsncmp(desc.Description, L"llvmpipe", 8) == 0) {
      EXPECT_TRUE(desc.Flags & DXGI_ADAPTER_FLAG_SOFTWARE);
      EXPECT_EQ(desc.DedicatedVideoMemory, 0u);
    }
    adapter.Reset();
    ++count;
  }
  EXPECT_GE(count, 1u);
  EXPECT_EQ(factory->EnumAdapters1(count, &adapter), DXGI_ERROR_NOT_FOUND);
  EXPECT_EQ(adapter.Get(), nullptr);
}

TEST_F(GpuTest, ObjectsAnswerOnlyForTheirOwnInterfaces) {
  ComPtr<ID3D12Object> object;
  EXPECT_EQ(device.As(&object), S_OK);
  ComPtr<IDXGIFactory4> notAFactory;
  EXPECT_EQ(device.As(&notAFactory), E_NOINTERFACE);
  ComPtr<IDXGIFactory1> older;
  EXPECT_EQ(factory.As(&older), S_OK);
}

TEST_F(GpuTest, DescriptorHandlesStepByTheReportedIncrement) {
  const D3D12_DESCRIPTOR_HEAP_DESC desc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 20,
                                        D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  ComPtr<ID3D12DescriptorHeap> heap;
  ASSERT_EQ(device->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&heap)), S_OK);
  EXPECT_EQ(heap->GetDesc().NumDescriptors, 20u);
  EXPECT_NE(heap->GetGPUDescriptorHandleForHeapStart().ptr, 0u);
  const UINT increment = device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  EXPECT_GT(increment, 0u);

  const D3D12_DESCRIPTOR_HEAP_DESC rtvDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 2, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  ComPtr<ID3D12DescriptorHeap> rtvs;
  ASSERT_EQ(device->CreateDescriptorHeap(&rtvDesc, IID_PPV_ARGS(&rtvs)), S_OK);
  EXPECT_EQ(rtvs->GetGPUDescriptorHandleForHeapStart().ptr, 0u) << "CPU-only heaps have no GPU handles";
}

TEST_F(GpuTest, BuffersHaveDistinctAlignedAddressesAndStayMapped) {
  ComPtr<ID3D12Resource> a = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 100, D3D12_RESOURCE_STATE_GENERIC_READ);
  ComPtr<ID3D12Resource> b = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, 100, D3D12_RESOURCE_STATE_GENERIC_READ);
  EXPECT_NE(a->GetGPUVirtualAddress(), b->GetGPUVirtualAddress());
  EXPECT_EQ(a->GetGPUVirtualAddress() % D3D12_DEFAULT_RESOURCE_PLACEMENT_ALIGNMENT, 0u);
  void* first = nullptr;
  void* second = nullptr;
  ASSERT_EQ(a->Map(0, nullptr, &first), S_OK);
  ASSERT_EQ(a->Map(0, nullptr, &second), S_OK);
  EXPECT_EQ(first, second);
  EXPECT_EQ(a->GetDesc().Width, 100u);
}

}  // namespace
