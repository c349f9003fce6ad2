#include "GpuTest.h"


#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

::testing::AssertionResult PixelNear(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int((actual >> shift) & 0xFF);
    const int e = int((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << "pixel 0x" << actual << " differs from 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

void GpuTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(validation_.Start());
  ASSERT_EQ(CreateDXGIFactory1(IID_PPV_ARGS(&factory)), S_OK);
  ASSERT_EQ(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)), S_OK);
  const D3D12_COMMAND_QUEUE_DESC queueDesc{D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  ASSERT_EQ(device->CreateCommandQueue(&queueDesc, IID_PPV_ARGS(&queue)), S_OK);
  ASSERT_EQ(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&allocator)), S_OK);
  ASSERT_EQ(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator.Get(), nullptr,
                                      IID_PPV_ARGS(&list)),
            S_OK);
  ASSERT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence)), S_OK);
}

void GpuTest::TearDown() {
  if (list != nullptr) {
    list->Close();
    if (queue != nullptr && fence != nullptr) {
      queue->Signal(fence.Get(), ++fenceValue);
      fence->SetEventOnCompletion(fenceValue, nullptr);
    }
  }
  keepAlive_.clear();
  validation_.ExpectSilent();
}

void GpuTest::ExecuteAndWait() {
  ASSERT_EQ(list->Close(), S_OK);
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, event), S_OK);
  ASSERT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  CloseHandle(event);
  ASSERT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  keepAlive_.clear();
}

void GpuTest::CreateTargets() {
  D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&rtvHeap)), S_OK);
  heapDesc.Type = D3D12_DESCRIPTOR_HEAP_TYPE_DSV;
  ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&dsvHeap)), S_OK);
  rtv = rtvHeap->GetCPUDescriptorHandleForHeapStart();
  dsv = dsvHeap->GetCPUDescriptorHandleForHeapStart();

  const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
  const auto colorDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, kWidth, kHeight, 1, 1, 1, 0,
                                                      D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  ASSERT_EQ(device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &colorDesc, D3D12_RESOURCE_STATE_RENDER_TARGET,
                                            nullptr, IID_PPV_ARGS(&renderTarget)),
            S_OK);
  device->CreateRenderTargetView(renderTarget.Get(), nullptr, rtv);

  const auto depthDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_D24_UNORM_S8_UINT, kWidth, kHeight, 1, 1, 1, 0,
                                                      D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  const CD3DX12_CLEAR_VALUE clear(DXGI_FORMAT_D24_UNORM_S8_UINT, 1.0f, 0);
  ASSERT_EQ(device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &depthDesc, D3D12_RESOURCE_STATE_DEPTH_WRITE,
                                            &clear, IID_PPV_ARGS(&depthBuffer)),
            S_OK);
  device->CreateDepthStencilView(depthBuffer.Get(), nullptr, dsv);
}

void GpuTest::BindTargets() {
  const D3D12_VIEWPORT viewport{0.0f, 0.0f, float(kWidth), float(kHeight), 0.0f, 1.0f};
  const D3D12_RECT scissor{0, 0, LONG(kWidth), LONG(kHeight)};
  list->RSSetViewports(1, &viewport);
  list->RSSetScissorRects(1, &scissor);
  list->OMSetRenderTargets(1, &rtv, TRUE, &dsv);
}

std::vector<uint32_t> GpuTest::ReadTarget() {
  const D3D12_RESOURCE_DESC desc = renderTarget->GetDesc();
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint;
  UINT64 total = 0;
  device->GetCopyableFootprints(&desc, 0, 1, 0, &footprint, nullptr, nullptr, &total);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, total, D3D12_RESOURCE_STATE_COPY_DEST);

  auto toCopy = CD3DX12_RESOURCE_BARRIER::Transition(renderTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                     D3D12_RESOURCE_STATE_COPY_SOURCE);
  list->ResourceBarrier(1, &toCopy);
  const CD3DX12_TEXTURE_COPY_LOCATION destination(readback.Get(), footprint);
  const CD3DX12_TEXTURE_COPY_LOCATION source(renderTarget.Get(), 0);
  list->CopyTextureRegion(&destination, 0, 0, 0, &source, nullptr);
  auto back = CD3DX12_RESOURCE_BARRIER::Transition(renderTarget.Get(), D3D12_RESOURCE_STATE_COPY_SOURCE,
                                                   D3D12_RESOURCE_STATE_RENDER_TARGET);
  list->ResourceBarrier(1, &back);
  ExecuteAndWait();

  std::vector<uint32_t> pixels(kWidth * kHeight);
  void* mapped = nullptr;
  EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  for (UINT y = 0; y < kHeight; ++y) {
    std::memcpy(&pixels[y * kWidth], static_cast<uint8_t*>(mapped) + y * footprint.Footprint.RowPitch, kWidth * 4);
  }
  const D3D12_RANGE nothingWritten{0, 0};
  readback->Unmap(0, &nothingWritten);
  return pixels;
}

ComPtr<ID3DBlob> GpuTest::Compile(const std::string& source, const char* target) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     (std::string("d3d12_") + info->name() + "_" + target + ".hlsl");
  std::ofstream(path) << source;
  ComPtr<ID3DBlob> code, errors;
  const HRESULT result = D3DCompileFromFile(path.wstring().c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE,
                                            "main", target, D3DCOMPILE_DEBUG, 0, &code, &errors);
  EXPECT_EQ(result, S_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  std::filesystem::remove(path);
  return code;
}

ComPtr<ID3D12Resource> GpuTest::CreateBuffer(D3D12_HEAP_TYPE heapType, UINT64 size, D3D12_RESOURCE_STATES state) {
  const CD3DX12_HEAP_PROPERTIES heap(heapType);
  const auto desc = CD3DX12_RESOURCE_DESC::Buffer(size);
  ComPtr<ID3D12Resource> buffer;
  EXPECT_EQ(device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc, state, nullptr, IID_PPV_ARGS(&buffer)),
            S_OK);
  keepAlive_.push_back(buffer);
  return buffer;
}

ComPtr<ID3D12Resource> GpuTest::UploadBuffer(const void* data, size_t size) {
  ComPtr<ID3D12Resource> buffer = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, size, D3D12_RESOURCE_STATE_GENERIC_READ);
  void* mapped = nullptr;
  EXPECT_EQ(buffer->Map(0, nullptr, &mapped), S_OK);
  std::memcpy(mapped, data, size);
  buffer->Unmap(0, nullptr);
  return buffer;
}

ComPtr<ID3D12Resource> GpuTest::StaticBuffer(const void* data, size_t size) {
  ComPtr<ID3D12Resource> buffer = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, size, D3D12_RESOURCE_STATE_COMMON);
  ComPtr<ID3D12Resource> staging = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, size, D3D12_RESOURCE_STATE_GENERIC_READ);
  const auto toCopy =
      CD3DX12_RESOURCE_BARRIER::Transition(buffer.Get(), D3D12_RESOURCE_STATE_COMMON, D3D12_RESOURCE_STATE_COPY_DEST);
  list->ResourceBarrier(1, &toCopy);
  const D3D12_SUBRESOURCE_DATA source{data, LONG_PTR(size), LONG_PTR(size)};
  EXPECT_EQ(UpdateSubresources(list.Get(), buffer.Get(), staging.Get(), 0, 0, 1, &source), size);
  const auto toRead = CD3DX12_RESOURCE_BARRIER::Transition(buffer.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                           D3D12_RESOURCE_STATE_GENERIC_READ);
  list->ResourceBarrier(1, &toRead);
  return buffer;
}

ComPtr<ID3D12RootSignature> GpuTest::CreateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc) {
  ComPtr<ID3DBlob> blob, errors;
  EXPECT_EQ(D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors), S_OK);
  ComPtr<ID3D12RootSignature> root;
  if (blob != nullptr) {
    EXPECT_EQ(device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root)),
              S_OK);
  }
  return root;
}

D3D12_GRAPHICS_PIPELINE_STATE_DESC GpuTest::PipelineDesc(ID3D12RootSignature* root, ID3DBlob* vs, ID3DBlob* ps,
                                                         const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout) {
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc{};
  desc.pRootSignature = root;
  desc.VS = {vs->GetBufferPointer(), vs->GetBufferSize()};
  desc.PS = {ps->GetBufferPointer(), ps->GetBufferSize()};
  desc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  desc.SampleMask = UINT_MAX;
  desc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  desc.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
  desc.InputLayout = {layout.data(), UINT(layout.size())};
  desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  desc.NumRenderTargets = 1;
  desc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.DSVFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
  desc.SampleDesc = {1, 0};
  return desc;
}

ComPtr<ID3D12PipelineState> GpuTest::CreatePipeline(const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc) {
  ComPtr<ID3D12PipelineState> pipeline;
  EXPECT_EQ(device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline)), S_OK);
  return pipeline;
}
