#include "BundleScene.h"

#include <d3dcompiler.h>
#include <d3dx12.h>

#include <chrono>
#include <cstring>

namespace compute_bench {
namespace {

constexpr UINT kSize = 64;

constexpr const char* kShaders = R"(
cbuffer Tint : register(b0) { float4 Color; };
float4 VSMain(float2 position : POSITION) : SV_Position { return float4(position, 0.5, 1); }
float4 PSMain(float4 position : SV_Position) : SV_Target { return Color; }
)";

ComPtr<ID3DBlob> Compile(const char* entry, const char* target) {
  ComPtr<ID3DBlob> code;
  D3DCompile(kShaders, std::strlen(kShaders), "bundle.hlsl", nullptr, nullptr, entry, target, 0, 0, &code, nullptr);
  return code;
}

}  // namespace

BundleScene::BundleScene() {
  if (!Initialize() && error_.empty()) error_ = "the bundle scene could not be set up";
}

BundleScene::~BundleScene() = default;

bool BundleScene::Initialize() {
  if (!gpu_.Initialize() ||
      FAILED(gpu_.device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_BUNDLE, IID_PPV_ARGS(&bundleAllocator_)))) {
    return false;
  }
  gpu_.list->Close();

  const D3D12_DESCRIPTOR_HEAP_DESC rtvDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT), upload(D3D12_HEAP_TYPE_UPLOAD);
  const auto targetDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, kSize, kSize, 1, 1, 1, 0,
                                                       D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  const float triangle[6] = {-0.5f, -0.5f, 0.0f, 0.5f, 0.5f, -0.5f};
  const auto vertexDesc = CD3DX12_RESOURCE_DESC::Buffer(sizeof(triangle));
  if (FAILED(gpu_.device->CreateDescriptorHeap(&rtvDesc, IID_PPV_ARGS(&rtvHeap_))) ||
      FAILED(gpu_.device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &targetDesc,
                                                  D3D12_RESOURCE_STATE_RENDER_TARGET, nullptr,
                                                  IID_PPV_ARGS(&target_))) ||
      FAILED(gpu_.device->CreateCommittedResource(&upload, D3D12_HEAP_FLAG_NONE, &vertexDesc,
                                                  D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                                  IID_PPV_ARGS(&vertices_)))) {
    return false;
  }
  gpu_.device->CreateRenderTargetView(target_.Get(), nullptr, rtvHeap_->GetCPUDescriptorHandleForHeapStart());
  void* mapped = nullptr;
  vertices_->Map(0, nullptr, &mapped);
  std::memcpy(mapped, triangle, sizeof(triangle));
  vertices_->Unmap(0, nullptr);
  vertexView_ = {vertices_->GetGPUVirtualAddress(), sizeof(triangle), 8};

  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsConstants(4, 0);
  const D3D12_ROOT_SIGNATURE_DESC rootDesc{1, &parameter, 0, nullptr,
                                           D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  ComPtr<ID3DBlob> blob;
  if (FAILED(D3D12SerializeRootSignature(&rootDesc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, nullptr)) ||
      FAILED(
          gpu_.device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root_)))) {
    return false;
  }
  ComPtr<ID3DBlob> vs = Compile("VSMain", "vs_5_0"), ps = Compile("PSMain", "ps_5_0");
  if (vs == nullptr || ps == nullptr) return false;
  const D3D12_INPUT_ELEMENT_DESC input{
      "POSITION", 0, DXGI_FORMAT_R32G32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0};
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc{};
  desc.pRootSignature = root_.Get();
  desc.VS = {vs->GetBufferPointer(), vs->GetBufferSize()};
  desc.PS = {ps->GetBufferPointer(), ps->GetBufferSize()};
  desc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  desc.SampleMask = UINT_MAX;
  desc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  desc.InputLayout = {&input, 1};
  desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  desc.NumRenderTargets = 1;
  desc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  desc.SampleDesc.Count = 1;
  if (FAILED(gpu_.device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline_)))) return false;

  // The bundle is recorded once, as programs do, and executed in every frame that uses it.
  if (FAILED(gpu_.device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_BUNDLE, bundleAllocator_.Get(), pipeline_.Get(),
                                            IID_PPV_ARGS(&bundle_)))) {
    return false;
  }
  RecordDraw(bundle_.Get());
  return SUCCEEDED(bundle_->Close());
}

void BundleScene::RecordDraw(ID3D12GraphicsCommandList* list) {
  const float color[4] = {0.25f, 0.5f, 0.75f, 1.0f};
  list->SetPipelineState(pipeline_.Get());
  list->SetGraphicsRootSignature(root_.Get());
  list->SetGraphicsRoot32BitConstants(0, 4, color, 0);
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  list->IASetVertexBuffers(0, 1, &vertexView_);
  list->DrawInstanced(3, 1, 0, 0);
}

double BundleScene::Render(bool throughBundle) {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  gpu_.allocator->Reset();
  gpu_.list->Reset(gpu_.allocator.Get(), nullptr);
  const D3D12_CPU_DESCRIPTOR_HANDLE rtv = rtvHeap_->GetCPUDescriptorHandleForHeapStart();
  const float clear[4] = {0, 0, 0, 1};
  gpu_.list->ClearRenderTargetView(rtv, clear, 0, nullptr);
  const D3D12_VIEWPORT viewport{0, 0, float(kSize), float(kSize), 0, 1};
  const D3D12_RECT scissor{0, 0, LONG(kSize), LONG(kSize)};
  gpu_.list->RSSetViewports(1, &viewport);
  gpu_.list->RSSetScissorRects(1, &scissor);
  gpu_.list->OMSetRenderTargets(1, &rtv, FALSE, nullptr);
  gpu_.list->SetGraphicsRootSignature(root_.Get());
  for (uint32_t i = 0; i < kBundleExecutions; ++i) {
    if (throughBundle) {
      gpu_.list->ExecuteBundle(bundle_.Get());
    } else {
      RecordDraw(gpu_.list.Get());
    }
  }
  gpu_.list->Close();
  const double recording = std::chrono::duration<double>(Clock::now() - start).count();
  gpu_.ExecuteAndWait();
  return recording;
}

}  // namespace compute_bench
