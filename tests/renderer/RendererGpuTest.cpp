#include "RendererGpuTest.h"

#include "app/InputState.h"
#include "app/Run.h"
#include "render/DescriptorHeaps.h"
#include "render/DeviceSetup.h"
#include "render/SwapChain.h"

#include <win32_test.h>

#include <d3dcompiler.h>
#include "d3dx12.h"
#include <wrl/client.h>

#include <cstdlib>
#include <cstring>
#include <sstream>

using Microsoft::WRL::ComPtr;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

namespace {

// Reads every texel of the view unfiltered, so the target shows the texture's own values.
constexpr char ViewDrawShader[] = R"(
Texture2D<float4> Image : register(t0);

float4 VSMain(uint id : SV_VertexID) : SV_Position {
  // One triangle over the whole target.
  float2 corner = float2((id << 1) & 2, id & 2);
  return float4(corner * float2(2.0, -2.0) + float2(-1.0, 1.0), 0.0, 1.0);
}

float4 PSMain(float4 position : SV_Position) : SV_Target {
  return Image.Load(int3(position.xy, 0));
}
)";

ComPtr<ID3DBlob> Compile(const char* entryPoint, const char* target) {
  ComPtr<ID3DBlob> code, errors;
  const HRESULT result = D3DCompile(ViewDrawShader, sizeof(ViewDrawShader) - 1, "ViewDraw.hlsl", nullptr, nullptr,
                                    entryPoint, target, 0, 0, &code, &errors);
  EXPECT_EQ(result, S_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  return code;
}

ComPtr<ID3D12RootSignature> CreateViewRootSignature(ID3D12Device* device) {
  const CD3DX12_DESCRIPTOR_RANGE textureRange(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);
  CD3DX12_ROOT_PARAMETER table;
  table.InitAsDescriptorTable(1, &textureRange, D3D12_SHADER_VISIBILITY_PIXEL);
  const CD3DX12_ROOT_SIGNATURE_DESC description(1, &table);
  ComPtr<ID3DBlob> blob, errors;
  EXPECT_EQ(D3D12SerializeRootSignature(&description, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors), S_OK);
  ComPtr<ID3D12RootSignature> rootSignature;
  EXPECT_EQ(
      device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&rootSignature)),
      S_OK);
  return rootSignature;
}

ComPtr<ID3D12PipelineState> CreateViewPipeline(ID3D12Device* device, ID3D12RootSignature* rootSignature) {
  const ComPtr<ID3DBlob> vertexShader = Compile("VSMain", "vs_5_0");
  const ComPtr<ID3DBlob> pixelShader = Compile("PSMain", "ps_5_0");
  D3D12_GRAPHICS_PIPELINE_STATE_DESC description = {};
  description.pRootSignature = rootSignature;
  description.VS = {vertexShader->GetBufferPointer(), vertexShader->GetBufferSize()};
  description.PS = {pixelShader->GetBufferPointer(), pixelShader->GetBufferSize()};
  description.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  description.SampleMask = UINT_MAX;
  description.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  description.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
  description.DepthStencilState.DepthEnable = FALSE;
  description.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  description.NumRenderTargets = 1;
  description.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  description.SampleDesc = {1, 0};
  ComPtr<ID3D12PipelineState> pipeline;
  EXPECT_EQ(device->CreateGraphicsPipelineState(&description, IID_PPV_ARGS(&pipeline)), S_OK);
  return pipeline;
}

uint8_t ToUnorm8(float value) { return static_cast<uint8_t>(value * 255.0f + 0.5f); }

}  // namespace

LogCapture::LogCapture() { CaptureStdout(); }

std::vector<std::string> LogCapture::Messages() {
  std::istringstream lines(GetCapturedStdout());
  std::vector<std::string> messages;
  for (std::string line; std::getline(lines, line);) {
    messages.push_back(line.substr(0, line.find(" result:")));
  }
  return messages;
}

std::vector<uint8_t> SolidPixels(const float rgba[4], size_t pixelCount) {
  std::vector<uint8_t> pixels;
  pixels.reserve(pixelCount * 4);
  for (size_t i = 0; i < pixelCount; ++i) {
    for (int channel = 0; channel < 4; ++channel) {
      pixels.push_back(ToUnorm8(rgba[channel]));
    }
  }
  return pixels;
}

void RendererGpuTest::SetUpTestSuite() {
  // The in-memory window, even when a display is there: the swap chain then renders off-screen and keeps
  // its frames for reading back.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
}

void RendererGpuTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(validation_.Start());
  win32_test::Reset();
  window = CreateMainWindow(GetModuleHandleW(nullptr));
  renderer = std::make_unique<Renderer>(window);
}

void RendererGpuTest::TearDown() {
  validation_.ExpectSilent();
  renderer.reset();
  ResizePending = false;
  PendingWidth = 0;
  PendingHeight = 0;
  win32_test::Reset();
}

std::vector<std::string> RendererGpuTest::StartRenderer() {
  LogCapture log;
  renderer->InitDirect3D();
  return log.Messages();
}

void RendererGpuTest::BeginCommands() {
  // Every operation of the Renderer waits for the GPU before it returns, so the allocator is free.
  renderer->CommandAllocator->Reset();
  renderer->CommandList->Reset(renderer->CommandAllocator, nullptr);
}

void RendererGpuTest::SubmitAndWait() { ::SubmitAndWait(*renderer); }

D3D12_CPU_DESCRIPTOR_HANDLE RendererGpuTest::RenderTargetView(int slot) const {
  D3D12_CPU_DESCRIPTOR_HANDLE handle = renderer->Heaps->RtvHeap->GetCPUDescriptorHandleForHeapStart();
  handle.ptr += static_cast<SIZE_T>(slot) * renderer->SwapChain->RtvDescriptorSize;
  return handle;
}

std::vector<uint8_t> RendererGpuTest::ReadBack(ID3D12Resource* resource, D3D12_RESOURCE_STATES state) {
  const D3D12_RESOURCE_DESC description = resource->GetDesc();
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint = {};
  UINT rowCount = 0;
  UINT64 rowBytes = 0;
  UINT64 totalBytes = 0;
  renderer->Device->GetCopyableFootprints(&description, 0, 1, 0, &footprint, &rowCount, &rowBytes, &totalBytes);
  const CD3DX12_HEAP_PROPERTIES readbackHeap(D3D12_HEAP_TYPE_READBACK);
  const CD3DX12_RESOURCE_DESC bufferDescription = CD3DX12_RESOURCE_DESC::Buffer(totalBytes);
  ComPtr<ID3D12Resource> readback;
  EXPECT_EQ(renderer->Device->CreateCommittedResource(&readbackHeap, D3D12_HEAP_FLAG_NONE, &bufferDescription,
                                                      D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&readback)),
            S_OK);

  BeginCommands();
  const auto toCopy = CD3DX12_RESOURCE_BARRIER::Transition(resource, state, D3D12_RESOURCE_STATE_COPY_SOURCE);
  renderer->CommandList->ResourceBarrier(1, &toCopy);
  const CD3DX12_TEXTURE_COPY_LOCATION destination(readback.Get(), footprint);
  const CD3DX12_TEXTURE_COPY_LOCATION source(resource, 0);
  renderer->CommandList->CopyTextureRegion(&destination, 0, 0, 0, &source, nullptr);
  const auto back = CD3DX12_RESOURCE_BARRIER::Transition(resource, D3D12_RESOURCE_STATE_COPY_SOURCE, state);
  renderer->CommandList->ResourceBarrier(1, &back);
  SubmitAndWait();

  std::vector<uint8_t> pixels(rowCount * rowBytes);
  void* mapped = nullptr;
  EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  for (UINT row = 0; row < rowCount; ++row) {
    std::memcpy(&pixels[row * rowBytes], static_cast<uint8_t*>(mapped) + row * footprint.Footprint.RowPitch, rowBytes);
  }
  const D3D12_RANGE nothingWritten = {0, 0};
  readback->Unmap(0, &nothingWritten);
  return pixels;
}

std::vector<uint8_t> RendererGpuTest::DrawTextureView(int slot, uint32_t width, uint32_t height) {
  ID3D12Device* device = renderer->Device;
  const ComPtr<ID3D12RootSignature> rootSignature = CreateViewRootSignature(device);
  const ComPtr<ID3D12PipelineState> pipeline = CreateViewPipeline(device, rootSignature.Get());

  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  const auto targetDescription = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, 1, 1, 1, 0,
                                                              D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  ComPtr<ID3D12Resource> target;
  EXPECT_EQ(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &targetDescription,
                                            D3D12_RESOURCE_STATE_RENDER_TARGET, nullptr, IID_PPV_ARGS(&target)),
            S_OK);
  const D3D12_DESCRIPTOR_HEAP_DESC heapDescription = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                                      D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  ComPtr<ID3D12DescriptorHeap> targetHeap;
  EXPECT_EQ(device->CreateDescriptorHeap(&heapDescription, IID_PPV_ARGS(&targetHeap)), S_OK);
  const D3D12_CPU_DESCRIPTOR_HANDLE targetView = targetHeap->GetCPUDescriptorHandleForHeapStart();
  device->CreateRenderTargetView(target.Get(), nullptr, targetView);

  BeginCommands();
  ID3D12GraphicsCommandList* list = renderer->CommandList;
  ID3D12DescriptorHeap* shaderVisible = renderer->Heaps->CbvSrvUavHeap;
  list->SetGraphicsRootSignature(rootSignature.Get());
  list->SetDescriptorHeaps(1, &shaderVisible);
  D3D12_GPU_DESCRIPTOR_HANDLE view = shaderVisible->GetGPUDescriptorHandleForHeapStart();
  view.ptr += static_cast<UINT64>(slot) * renderer->CbvSrvUavDescriptorSize;
  list->SetGraphicsRootDescriptorTable(0, view);
  list->SetPipelineState(pipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const D3D12_VIEWPORT viewport = {0.0f, 0.0f, static_cast<float>(width), static_cast<float>(height), 0.0f, 1.0f};
  const D3D12_RECT scissor = {0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
  list->RSSetViewports(1, &viewport);
  list->RSSetScissorRects(1, &scissor);
  list->OMSetRenderTargets(1, &targetView, FALSE, nullptr);
  list->DrawInstanced(3, 1, 0, 0);
  SubmitAndWait();
  return ReadBack(target.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET);
}

void RendererGpuTest::ClearAndPresent(const float rgba[4]) {
  ::SwapChain& swapChain = *renderer->SwapChain;
  ID3D12Resource* backBuffer = swapChain.BackBuffers[swapChain.CurrentBackBuffer];
  BeginCommands();
  const auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_PRESENT,
                                                             D3D12_RESOURCE_STATE_RENDER_TARGET);
  renderer->CommandList->ResourceBarrier(1, &toTarget);
  renderer->CommandList->ClearRenderTargetView(RenderTargetView(swapChain.CurrentBackBuffer), rgba, 0, nullptr);
  const auto toPresent = CD3DX12_RESOURCE_BARRIER::Transition(backBuffer, D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                              D3D12_RESOURCE_STATE_PRESENT);
  renderer->CommandList->ResourceBarrier(1, &toPresent);
  SubmitAndWait();
  ASSERT_SUCCEEDED(swapChain.Chain->Present(0, 0));
  swapChain.CurrentBackBuffer = (swapChain.CurrentBackBuffer + 1) % swapChain.BufferCount;
}
