#include "BundleSample.h"

#include <d3dx12.h>

#include <cstring>

namespace {

struct Vertex {
  float position[3];
  float color[4];
};

}  // namespace

void BundleSample::LoadAssets() {
  ThrowIfFailed(device_->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_BUNDLE, IID_PPV_ARGS(&bundleAllocator_)),
                "CreateCommandAllocator (bundle)");

  CD3DX12_ROOT_SIGNATURE_DESC rootDesc;
  rootDesc.Init(0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
  rootSignature_ = CreateRootSignature(rootDesc);

  ComPtr<ID3DBlob> vertexShader = CompileShader(L"BundleSample.hlsl", "VSMain", "vs_5_0");
  ComPtr<ID3DBlob> pixelShader = CompileShader(L"BundleSample.hlsl", "PSMain", "ps_5_0");
  const D3D12_INPUT_ELEMENT_DESC inputElements[] = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0},
      {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 12, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
  D3D12_GRAPHICS_PIPELINE_STATE_DESC psoDesc{};
  psoDesc.InputLayout = {inputElements, _countof(inputElements)};
  psoDesc.pRootSignature = rootSignature_.Get();
  psoDesc.VS = CD3DX12_SHADER_BYTECODE(vertexShader.Get());
  psoDesc.PS = CD3DX12_SHADER_BYTECODE(pixelShader.Get());
  psoDesc.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  psoDesc.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  psoDesc.DepthStencilState.DepthEnable = FALSE;
  psoDesc.SampleMask = UINT_MAX;
  psoDesc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  psoDesc.NumRenderTargets = 1;
  psoDesc.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  psoDesc.SampleDesc.Count = 1;
  ThrowIfFailed(device_->CreateGraphicsPipelineState(&psoDesc, IID_PPV_ARGS(&pipelineState_)),
                "CreateGraphicsPipelineState");

  CreateFrameCommandList(pipelineState_.Get());

  // A yellow triangle in the middle of the window.
  const Vertex triangle[] = {{{0.0f, 0.5f, 0.0f}, {1.0f, 1.0f, 0.0f, 1.0f}},
                             {{0.5f, -0.5f, 0.0f}, {1.0f, 1.0f, 0.0f, 1.0f}},
                             {{-0.5f, -0.5f, 0.0f}, {1.0f, 1.0f, 0.0f, 1.0f}}};
  const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
  const auto bufferDesc = CD3DX12_RESOURCE_DESC::Buffer(sizeof(triangle));
  ThrowIfFailed(
      device_->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &bufferDesc,
                                       D3D12_RESOURCE_STATE_GENERIC_READ, nullptr, IID_PPV_ARGS(&vertexBuffer_)),
      "CreateCommittedResource");
  UINT8* vertexData = nullptr;
  const CD3DX12_RANGE readRange(0, 0);
  ThrowIfFailed(vertexBuffer_->Map(0, &readRange, reinterpret_cast<void**>(&vertexData)), "Map");
  std::memcpy(vertexData, triangle, sizeof(triangle));
  vertexBuffer_->Unmap(0, nullptr);
  vertexBufferView_ = {vertexBuffer_->GetGPUVirtualAddress(), sizeof(triangle), sizeof(Vertex)};

  // Recorded once; executed by every frame's command list.
  ThrowIfFailed(device_->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_BUNDLE, bundleAllocator_.Get(),
                                           pipelineState_.Get(), IID_PPV_ARGS(&bundle_)),
                "CreateCommandList (bundle)");
  bundle_->SetGraphicsRootSignature(rootSignature_.Get());
  bundle_->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  bundle_->IASetVertexBuffers(0, 1, &vertexBufferView_);
  bundle_->DrawInstanced(3, 1, 0, 0);
  ThrowIfFailed(bundle_->Close(), "Close (bundle)");
}

void BundleSample::PopulateCommandList() {
  ThrowIfFailed(allocator_->Reset(), "ID3D12CommandAllocator::Reset");
  ThrowIfFailed(commandList_->Reset(allocator_.Get(), pipelineState_.Get()), "ID3D12GraphicsCommandList::Reset");
  commandList_->SetGraphicsRootSignature(rootSignature_.Get());
  const CD3DX12_VIEWPORT viewport(0.0f, 0.0f, float(kWidth), float(kHeight));
  const CD3DX12_RECT scissor(0, 0, LONG(kWidth), LONG(kHeight));
  commandList_->RSSetViewports(1, &viewport);
  commandList_->RSSetScissorRects(1, &scissor);
  const auto toTarget = CD3DX12_RESOURCE_BARRIER::Transition(
      renderTargets_[frameIndex_].Get(), D3D12_RESOURCE_STATE_PRESENT, D3D12_RESOURCE_STATE_RENDER_TARGET);
  commandList_->ResourceBarrier(1, &toTarget);
  const CD3DX12_CPU_DESCRIPTOR_HANDLE rtv(rtvHeap_->GetCPUDescriptorHandleForHeapStart(), INT(frameIndex_),
                                          rtvIncrement_);
  commandList_->OMSetRenderTargets(1, &rtv, FALSE, nullptr);
  const float clearColor[] = {0.0f, 0.2f, 0.4f, 1.0f};
  // Event names, as PIX's helpers write them (wide text), for a capture tool's view of the frame.
  const wchar_t frameEvent[] = L"Bundle sample frame";
  const wchar_t bundleEvent[] = L"Draw the bundle";
  commandList_->BeginEvent(0, frameEvent, sizeof(frameEvent));
  commandList_->ClearRenderTargetView(rtv, clearColor, 0, nullptr);
  commandList_->BeginEvent(0, bundleEvent, sizeof(bundleEvent));
  commandList_->ExecuteBundle(bundle_.Get());
  commandList_->EndEvent();
  commandList_->EndEvent();
  const auto toPresent = CD3DX12_RESOURCE_BARRIER::Transition(
      renderTargets_[frameIndex_].Get(), D3D12_RESOURCE_STATE_RENDER_TARGET, D3D12_RESOURCE_STATE_PRESENT);
  commandList_->ResourceBarrier(1, &toPresent);
  ThrowIfFailed(commandList_->Close(), "Close");
}
