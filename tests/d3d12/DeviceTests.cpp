// Factory, adapters and the one device per adapter that every engine object relies on.
#include "GpuTest.h"

#include <cstring>
#include <cwchar>
#include <string>

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

// Programs ask which root signature version the device takes and serialize with d3dx12's helper.
TEST_F(GpuTest, VersionedRootSignaturesFollowTheFeatureQuery) {
  D3D12_FEATURE_DATA_ROOT_SIGNATURE feature{D3D_ROOT_SIGNATURE_VERSION_1_1};
  ASSERT_EQ(device->CheckFeatureSupport(D3D12_FEATURE_ROOT_SIGNATURE, &feature, sizeof(feature)), S_OK);
  EXPECT_EQ(feature.HighestVersion, D3D_ROOT_SIGNATURE_VERSION_1_1);

  const CD3DX12_DESCRIPTOR_RANGE1 range(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0, 0,
                                        D3D12_DESCRIPTOR_RANGE_FLAG_DATA_STATIC);
  CD3DX12_ROOT_PARAMETER1 parameters[2];
  parameters[0].InitAsDescriptorTable(1, &range, D3D12_SHADER_VISIBILITY_PIXEL);
  parameters[1].InitAsConstantBufferView(0, 0, D3D12_ROOT_DESCRIPTOR_FLAG_DATA_STATIC);
  const CD3DX12_STATIC_SAMPLER_DESC sampler(0);
  CD3DX12_VERSIONED_ROOT_SIGNATURE_DESC desc;
  desc.Init_1_1(2, parameters, 1, &sampler, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
  for (D3D_ROOT_SIGNATURE_VERSION version : {D3D_ROOT_SIGNATURE_VERSION_1_1, D3D_ROOT_SIGNATURE_VERSION_1_0}) {
    ComPtr<ID3DBlob> blob, errors;
    ASSERT_EQ(D3DX12SerializeVersionedRootSignature(&desc, version, &blob, &errors), S_OK) << version;
    ComPtr<ID3D12RootSignature> root;
    EXPECT_EQ(device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root)),
              S_OK)
        << version;
  }

  // A 1.1 description is checked like a 1.0 one: here its table and a root view claim the same register.
  parameters[1].InitAsShaderResourceView(0, 0, D3D12_ROOT_DESCRIPTOR_FLAG_NONE, D3D12_SHADER_VISIBILITY_PIXEL);
  ComPtr<ID3DBlob> blob, errors;
  EXPECT_EQ(D3D12SerializeVersionedRootSignature(&desc, &blob, &errors), E_INVALIDARG);
  ASSERT_NE(errors, nullptr);
  EXPECT_NE(std::string(static_cast<const char*>(errors->GetBufferPointer())).find("register t0"), std::string::npos);
  EXPECT_EQ(blob, nullptr);

  // A version the enumeration lacks, written as the number a program might pass.
  D3D12_VERSIONED_ROOT_SIGNATURE_DESC unknown{};
  const UINT seven = 7;
  std::memcpy(&unknown.Version, &seven, sizeof(seven));
  EXPECT_EQ(D3D12SerializeVersionedRootSignature(&unknown, &blob, nullptr), E_INVALIDARG);
  EXPECT_EQ(D3D12SerializeVersionedRootSignature(nullptr, &blob, nullptr), E_INVALIDARG);
  const UINT zero = 0;
  std::memcpy(&feature.HighestVersion, &zero, sizeof(zero));
  EXPECT_EQ(device->CheckFeatureSupport(D3D12_FEATURE_ROOT_SIGNATURE, &feature, sizeof(feature)), E_INVALIDARG);
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
