// Descriptors between draws: the layer pushes again only the bindings of root arguments that changed while
// the pipeline stays, so every other binding must keep what the previous draw saw, and a pipeline switched
// away and back must find all of its bindings again.
#include "GpuTest.h"

#include <array>

namespace {

TEST_F(GpuTest, DrawsSeeUnchangedTablesAcrossPartialUpdatesAndPipelineSwitches) {
  CreateTargets();
  // b0 and b1, one table each: the first pixel shader adds them, the second shows b1 alone.
  const std::array<float, 4> colours[] = {{1, 0, 0, 1}, {0, 1, 0, 0}, {0, 0, 1, 1}, {0, 0, 0, 0}};
  std::array<uint8_t, 4 * 256> constants{};
  for (size_t i = 0; i < 4; ++i) std::memcpy(&constants[i * 256], colours[i].data(), sizeof(colours[i]));
  ComPtr<ID3D12Resource> buffer = UploadBuffer(constants.data(), constants.size());
  ComPtr<ID3D12DescriptorHeap> heap;
  const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 4,
                                            D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&heap)), S_OK);
  const UINT step = device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  for (UINT i = 0; i < 4; ++i) {
    const D3D12_CONSTANT_BUFFER_VIEW_DESC view{buffer->GetGPUVirtualAddress() + i * 256, 256};
    device->CreateConstantBufferView(
        &view, CD3DX12_CPU_DESCRIPTOR_HANDLE(heap->GetCPUDescriptorHandleForHeapStart(), INT(i), step));
  }
  const auto slot = [&](UINT i) {
    return CD3DX12_GPU_DESCRIPTOR_HANDLE(heap->GetGPUDescriptorHandleForHeapStart(), INT(i), step);
  };
  enum Colour : UINT { Red, Green, Blue, Black };

  const CD3DX12_DESCRIPTOR_RANGE ranges[] = {{D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 0},
                                             {D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 1}};
  CD3DX12_ROOT_PARAMETER parameters[2];
  for (int i = 0; i < 2; ++i) parameters[i].InitAsDescriptorTable(1, &ranges[i]);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({2, parameters, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3DBlob> vs = Compile(R"(
float4 main(uint id : SV_VertexID) : SV_Position {
  float2 corner = float2(id & 1, id >> 1);
  return float4(corner.x * 2 - 1, 1 - corner.y * 2, 0.5, 1);
})",
                                "vs_5_0");
  ComPtr<ID3DBlob> sum = Compile(R"(
cbuffer A : register(b0) { float4 First; };
cbuffer B : register(b1) { float4 Second; };
float4 main(float4 position : SV_Position) : SV_Target { return First + Second; })",
                                 "ps_5_0");
  ComPtr<ID3DBlob> second = Compile(R"(
cbuffer B : register(b1) { float4 Second; };
float4 main(float4 position : SV_Position) : SV_Target { return float4(Second.rgb, 1); })",
                                    "ps_5_0");
  ComPtr<ID3D12PipelineState> sumPipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), sum.Get(), {}));
  ComPtr<ID3D12PipelineState> secondPipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), second.Get(), {}));

  ClearAndBind(root.Get(), sumPipeline.Get());
  ID3D12DescriptorHeap* heaps[] = {heap.Get()};
  list->SetDescriptorHeaps(1, heaps);
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  // One quarter of the target per draw.
  const auto drawQuarter = [&](LONG quarter) {
    const D3D12_RECT rect{quarter * LONG(kWidth) / 4, 0, (quarter + 1) * LONG(kWidth) / 4, LONG(kHeight)};
    list->RSSetScissorRects(1, &rect);
    list->DrawInstanced(4, 1, 0, 0);
  };
  list->SetGraphicsRootDescriptorTable(0, slot(Red));
  list->SetGraphicsRootDescriptorTable(1, slot(Black));
  drawQuarter(0);
  list->SetGraphicsRootDescriptorTable(1, slot(Green));  // b0 stays red
  drawQuarter(1);
  list->SetPipelineState(secondPipeline.Get());
  drawQuarter(2);
  list->SetPipelineState(sumPipeline.Get());
  list->SetGraphicsRootDescriptorTable(0, slot(Blue));  // b1 stays green, through both switches
  drawQuarter(3);

  const std::vector<uint32_t> pixels = ReadTarget();
  const UINT y = kHeight / 2;
  EXPECT_EQ(PixelAt(pixels, kWidth / 8, y), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 3 * kWidth / 8, y), Rgba(255, 255, 0));
  EXPECT_EQ(PixelAt(pixels, 5 * kWidth / 8, y), Rgba(0, 255, 0));
  EXPECT_EQ(PixelAt(pixels, 7 * kWidth / 8, y), Rgba(0, 255, 255));
}

}  // namespace
