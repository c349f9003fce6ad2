#include "support/RendererFixture.h"

#include "anim/Animation.h"
#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/Run.h"
#include "render/DescriptorHeaps.h"
#include "render/DeviceSetup.h"
#include "render/SceneDriver.h"
#include "render/SwapChain.h"

#include <d3d12_vk_diagnostics.h>
#include <win32_test.h>

#include "d3dx12.h"

#include <cstdlib>
#include <sstream>

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

bool Near(Rgb actual, Rgb expected, int tolerance) {
  return std::abs(actual.R - expected.R) <= tolerance && std::abs(actual.G - expected.G) <= tolerance &&
         std::abs(actual.B - expected.B) <= tolerance;
}

Rgb FrameImage::Pixel(uint32_t x, uint32_t y) const {
  const uint8_t* pixel = &Rgba[(size_t{y} * Width + x) * 4];
  return {pixel[0], pixel[1], pixel[2]};
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

void RendererFixture::SetUpTestSuite() {
  // The in-memory window, even when a display is there: the swap chain then renders off-screen and keeps
  // its frames for reading back.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
}

void RendererFixture::SetUp() {
  ASSERT_NO_FATAL_FAILURE(validation_.Start());
  win32_test::Reset();
  folder = std::make_unique<ScratchFolder>();
  folder->CopyIn(ENGINE_SHADERS_DIR, "Shaders");
  folder->CopyIn(ENGINE_ASSETS_DIR);
  window = CreateMainWindow(GetModuleHandleW(nullptr));
  renderer = std::make_unique<Renderer>(window);
}

void RendererFixture::TearDown() {
  if (gpu_ != nullptr) {
    gpu_->Close();
    gpu_.reset();
  }
  validation_.ExpectSilent();
  renderer.reset();
  ResizePending = false;
  PendingWidth = 0;
  PendingHeight = 0;
  win32_test::Reset();
  folder.reset();
}

std::vector<std::string> RendererFixture::StartRenderer() {
  LogCapture log;
  renderer->InitDirect3D();
  return log.Messages();
}

void RendererFixture::StartUp() {
  renderer->InitDirect3D();
  renderer->LoadContent();
  renderer->CreateConstantBuffers();
  renderer->SetupCamera();
  ApplyPendingResize(*renderer);
}

void RendererFixture::DrawFrameAt(float seconds) {
  if (renderer->Scene != nullptr) {
    renderer->Scene->Animate(*renderer, TimerAtPreviousFrame(seconds));
  } else {
    UpdateAnimation(renderer->Meshes.front().Geometry, TimerAtPreviousFrame(seconds), renderer->BonePalette);
  }
  renderer->UpdateConstantBuffers();
  renderer->DrawFrame();
}

FrameImage RendererFixture::LastPresentedFrame() const {
  FrameImage image;
  const HRESULT result =
      d3d12_vk::ReadLastPresentedFrame(renderer->SwapChain->Chain, &image.Rgba, &image.Width, &image.Height);
  EXPECT_EQ(result, S_OK) << "no frame was presented";
  return image;
}

void RendererFixture::BeginCommands() {
  // Every operation of the Renderer waits for the GPU before it returns, so the allocator is free.
  renderer->CommandAllocator->Reset();
  ::BeginCommands(*renderer);
}

void RendererFixture::SubmitAndWait() { ::SubmitAndWait(*renderer); }

GpuContext& RendererFixture::Gpu() {
  if (gpu_ == nullptr) {
    gpu_ = std::make_unique<GpuContext>();
    EXPECT_TRUE(gpu_->Open());
  }
  return *gpu_;
}

std::vector<uint8_t> RendererFixture::ReadBack(ID3D12Resource* resource, D3D12_RESOURCE_STATES state) {
  return Gpu().ReadTexture(resource, state);
}

std::vector<uint8_t> RendererFixture::DrawTextureView(int slot, uint32_t width, uint32_t height) {
  GpuContext& gpu = Gpu();
  const CD3DX12_DESCRIPTOR_RANGE textureRange(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);
  CD3DX12_ROOT_PARAMETER table;
  table.InitAsDescriptorTable(1, &textureRange, D3D12_SHADER_VISIBILITY_PIXEL);
  const ComPtr<ID3D12RootSignature> rootSignature = gpu.CreateRootSignature(CD3DX12_ROOT_SIGNATURE_DESC(1, &table));
  const ComPtr<ID3DBlob> vertexShader = CompileSource(ViewDrawShader, "VSMain", "vs_5_0");
  const ComPtr<ID3DBlob> pixelShader = CompileSource(ViewDrawShader, "PSMain", "ps_5_0");
  D3D12_GRAPHICS_PIPELINE_STATE_DESC description =
      DefaultPipelineDescription(rootSignature.Get(), vertexShader.Get(), pixelShader.Get(), {});
  description.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
  description.DepthStencilState.DepthEnable = FALSE;
  description.DSVFormat = DXGI_FORMAT_UNKNOWN;
  const ComPtr<ID3D12PipelineState> pipeline = gpu.CreatePipeline(description);
  const OffscreenTarget target = gpu.CreateTarget(width, height);

  ID3D12GraphicsCommandList* list = gpu.list.Get();
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
  list->OMSetRenderTargets(1, &target.Rtv, FALSE, nullptr);
  list->DrawInstanced(3, 1, 0, 0);
  return gpu.ReadTexture(target.Color.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET);
}

void RendererFixture::ClearAndPresent(const float rgba[4]) {
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

D3D12_CPU_DESCRIPTOR_HANDLE RendererFixture::RenderTargetView(int slot) const {
  D3D12_CPU_DESCRIPTOR_HANDLE handle = renderer->Heaps->RtvHeap->GetCPUDescriptorHandleForHeapStart();
  handle.ptr += static_cast<SIZE_T>(slot) * renderer->SwapChain->RtvDescriptorSize;
  return handle;
}
