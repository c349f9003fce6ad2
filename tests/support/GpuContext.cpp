#include "support/GpuContext.h"

#include "d3dx12.h"

#include <d3d12_vk_diagnostics.h>
#include <vulkan/vulkan.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

bool GpuContext::Open() {
  const D3D12_COMMAND_QUEUE_DESC queueDescription{D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  HRESULT result = D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device));
  if (SUCCEEDED(result)) result = device->CreateCommandQueue(&queueDescription, IID_PPV_ARGS(&queue));
  if (SUCCEEDED(result)) {
    result = device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&allocator));
  }
  if (SUCCEEDED(result)) {
    result =
        device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator.Get(), nullptr, IID_PPV_ARGS(&list));
  }
  if (SUCCEEDED(result)) result = device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence));
  EXPECT_EQ(result, S_OK) << "the device or its command objects cannot be made";
  // A run asked to take Vulkan 1.2's extension path has to be on it.
  const char* version = std::getenv("D3D12_VK_API_VERSION");
  const bool asked12 = version != nullptr && std::strcmp(version, "1.2") == 0;
  if (SUCCEEDED(result)) {
    EXPECT_EQ(d3d12_vk::DeviceVulkanVersion(device.Get()), asked12 ? VK_API_VERSION_1_2 : VK_API_VERSION_1_3);
  }
  return SUCCEEDED(result);
}

void GpuContext::Close() {
  if (list == nullptr) return;
  list->Close();
  if (queue != nullptr && fence != nullptr) {
    queue->Signal(fence.Get(), ++fenceValue);
    fence->SetEventOnCompletion(fenceValue, nullptr);  // no event: blocks until the value is reached
  }
  keepAlive_.clear();
}

void GpuContext::ExecuteAndWait() {
  ASSERT_EQ(list->Close(), S_OK);
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
  const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, event), S_OK);
  ASSERT_EQ(WaitForSingleObject(event, INFINITE), WAIT_OBJECT_0);
  CloseHandle(event);
  ASSERT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  keepAlive_.clear();
}

ComPtr<ID3D12Resource> GpuContext::CreateBuffer(D3D12_HEAP_TYPE heapType, UINT64 size, D3D12_RESOURCE_STATES state) {
  const CD3DX12_HEAP_PROPERTIES heap(heapType);
  const auto description = CD3DX12_RESOURCE_DESC::Buffer(size);
  ComPtr<ID3D12Resource> buffer;
  EXPECT_EQ(
      device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &description, state, nullptr, IID_PPV_ARGS(&buffer)),
      S_OK);
  keepAlive_.push_back(buffer);
  return buffer;
}

ComPtr<ID3D12Resource> GpuContext::UploadBuffer(const void* data, size_t size) {
  ComPtr<ID3D12Resource> buffer = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, size, D3D12_RESOURCE_STATE_GENERIC_READ);
  void* mapped = nullptr;
  EXPECT_EQ(buffer->Map(0, nullptr, &mapped), S_OK);
  std::memcpy(mapped, data, size);
  buffer->Unmap(0, nullptr);
  return buffer;
}

ComPtr<ID3D12Resource> GpuContext::StaticBuffer(const void* data, size_t size) {
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

OffscreenTarget GpuContext::CreateTarget(UINT width, UINT height, DXGI_FORMAT format) {
  OffscreenTarget target;
  D3D12_DESCRIPTOR_HEAP_DESC heap{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  EXPECT_EQ(device->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&target.RtvHeap)), S_OK);
  heap.Type = D3D12_DESCRIPTOR_HEAP_TYPE_DSV;
  EXPECT_EQ(device->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&target.DsvHeap)), S_OK);
  target.Rtv = target.RtvHeap->GetCPUDescriptorHandleForHeapStart();
  target.Dsv = target.DsvHeap->GetCPUDescriptorHandleForHeapStart();

  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  const auto color =
      CD3DX12_RESOURCE_DESC::Tex2D(format, width, height, 1, 1, 1, 0, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  EXPECT_EQ(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &color,
                                            D3D12_RESOURCE_STATE_RENDER_TARGET, nullptr, IID_PPV_ARGS(&target.Color)),
            S_OK);
  device->CreateRenderTargetView(target.Color.Get(), nullptr, target.Rtv);

  const auto depth = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_D24_UNORM_S8_UINT, width, height, 1, 1, 1, 0,
                                                  D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  const CD3DX12_CLEAR_VALUE clear(DXGI_FORMAT_D24_UNORM_S8_UINT, 1.0f, 0);
  EXPECT_EQ(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &depth,
                                            D3D12_RESOURCE_STATE_DEPTH_WRITE, &clear, IID_PPV_ARGS(&target.Depth)),
            S_OK);
  device->CreateDepthStencilView(target.Depth.Get(), nullptr, target.Dsv);
  return target;
}

std::vector<uint8_t> GpuContext::ReadTexture(ID3D12Resource* texture, D3D12_RESOURCE_STATES state) {
  const D3D12_RESOURCE_DESC description = texture->GetDesc();
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint = {};
  UINT rowCount = 0;
  UINT64 rowBytes = 0;
  UINT64 totalBytes = 0;
  device->GetCopyableFootprints(&description, 0, 1, 0, &footprint, &rowCount, &rowBytes, &totalBytes);
  const ComPtr<ID3D12Resource> readback =
      CreateBuffer(D3D12_HEAP_TYPE_READBACK, totalBytes, D3D12_RESOURCE_STATE_COPY_DEST);

  const auto toCopy = CD3DX12_RESOURCE_BARRIER::Transition(texture, state, D3D12_RESOURCE_STATE_COPY_SOURCE);
  list->ResourceBarrier(1, &toCopy);
  const CD3DX12_TEXTURE_COPY_LOCATION destination(readback.Get(), footprint);
  const CD3DX12_TEXTURE_COPY_LOCATION source(texture, 0);
  list->CopyTextureRegion(&destination, 0, 0, 0, &source, nullptr);
  const auto back = CD3DX12_RESOURCE_BARRIER::Transition(texture, D3D12_RESOURCE_STATE_COPY_SOURCE, state);
  list->ResourceBarrier(1, &back);
  ExecuteAndWait();

  std::vector<uint8_t> pixels(size_t{rowCount} * rowBytes);
  void* mapped = nullptr;
  EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  for (UINT row = 0; row < rowCount; ++row) {
    std::memcpy(&pixels[row * rowBytes], static_cast<uint8_t*>(mapped) + row * footprint.Footprint.RowPitch, rowBytes);
  }
  const D3D12_RANGE nothingWritten{0, 0};
  readback->Unmap(0, &nothingWritten);
  return pixels;
}

std::vector<uint8_t> GpuContext::ReadBuffer(ID3D12Resource* buffer, UINT64 size, D3D12_RESOURCE_STATES state) {
  const ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, size, D3D12_RESOURCE_STATE_COPY_DEST);
  const auto toSource = CD3DX12_RESOURCE_BARRIER::Transition(buffer, state, D3D12_RESOURCE_STATE_COPY_SOURCE);
  list->ResourceBarrier(1, &toSource);
  list->CopyBufferRegion(readback.Get(), 0, buffer, 0, size);
  const auto back = CD3DX12_RESOURCE_BARRIER::Transition(buffer, D3D12_RESOURCE_STATE_COPY_SOURCE, state);
  list->ResourceBarrier(1, &back);
  ExecuteAndWait();
  std::vector<uint8_t> bytes(size);
  void* mapped = nullptr;
  EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  std::memcpy(bytes.data(), mapped, size);
  const D3D12_RANGE nothingWritten{0, 0};
  readback->Unmap(0, &nothingWritten);
  return bytes;
}

ComPtr<ID3D12RootSignature> GpuContext::CreateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& description) {
  ComPtr<ID3DBlob> blob, errors;
  EXPECT_EQ(D3D12SerializeRootSignature(&description, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors), S_OK);
  ComPtr<ID3D12RootSignature> root;
  if (blob != nullptr) {
    EXPECT_EQ(device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root)),
              S_OK);
  }
  return root;
}

ComPtr<ID3D12PipelineState> GpuContext::CreatePipeline(const D3D12_GRAPHICS_PIPELINE_STATE_DESC& description) {
  ComPtr<ID3D12PipelineState> pipeline;
  EXPECT_EQ(device->CreateGraphicsPipelineState(&description, IID_PPV_ARGS(&pipeline)), S_OK);
  return pipeline;
}

ComPtr<ID3DBlob> CompileSource(const std::string& source, const char* entryPoint, const char* target, UINT flags) {
  ComPtr<ID3DBlob> code, errors;
  const HRESULT result = D3DCompile(source.data(), source.size(), "test.hlsl", nullptr, nullptr, entryPoint, target,
                                    flags, 0, &code, &errors);
  EXPECT_EQ(result, S_OK) << (errors != nullptr ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  return code;
}

std::vector<uint32_t> CompileToSpirv(const std::string& source, const char* target, UINT flags) {
  const ComPtr<ID3DBlob> code = CompileSource(source, "main", target, flags);
  if (code == nullptr) return {};
  const auto* begin = static_cast<const uint32_t*>(code->GetBufferPointer());
  return {begin, begin + code->GetBufferSize() / sizeof(uint32_t)};
}

D3D12_GRAPHICS_PIPELINE_STATE_DESC DefaultPipelineDescription(ID3D12RootSignature* root, ID3DBlob* vertexShader,
                                                              ID3DBlob* pixelShader,
                                                              const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout) {
  D3D12_GRAPHICS_PIPELINE_STATE_DESC description{};
  description.pRootSignature = root;
  description.VS = {vertexShader->GetBufferPointer(), vertexShader->GetBufferSize()};
  description.PS = {pixelShader->GetBufferPointer(), pixelShader->GetBufferSize()};
  description.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  description.SampleMask = UINT_MAX;
  description.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  description.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
  description.InputLayout = {layout.data(), UINT(layout.size())};
  description.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  description.NumRenderTargets = 1;
  description.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  description.DSVFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
  description.SampleDesc = {1, 0};
  return description;
}

std::vector<uint32_t> AsPixels(const std::vector<uint8_t>& rgba) {
  std::vector<uint32_t> pixels(rgba.size() / 4);
  std::memcpy(pixels.data(), rgba.data(), pixels.size() * 4);
  return pixels;
}
