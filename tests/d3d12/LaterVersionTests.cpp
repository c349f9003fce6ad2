// What programs written against newer Direct3D 12 headers use: geometry shaders, render passes, enhanced
// barriers, the later device versions' calls and option sets, and pipelines naming a depth format they do
// not use, drawn without a depth buffer.
#include "GpuTest.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

constexpr uint32_t kBlack = Rgba(0, 0, 0);

class LaterVersionTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    CreateTargets();
  }
};

// Each point becomes a 16 x 16 pixel square around it, coloured by the vertex shader and moved by a static
// table the shader declares inside a cbuffer block (which is no buffer the root signature needs to supply).
TEST_F(LaterVersionTest, GeometryShaderExpandsPointsIntoSquaresWithoutADepthBuffer) {
  ComPtr<ID3DBlob> vs = Compile(R"(
struct Point { float2 position : POSITION; float4 color : COLOR; };
Point main(uint id : SV_VertexID) {
  Point centre;
  centre.position = id == 0 ? float2(-0.5, 0.5) : float2(0.5, -0.5);
  centre.color = id == 0 ? float4(1, 0, 0, 1) : float4(0, 0, 1, 1);
  return centre;
})",
                                "vs_5_0");
  ComPtr<ID3DBlob> gs = Compile(R"(
struct Point { float2 position : POSITION; float4 color : COLOR; };
struct Corner { float4 color : COLOR; float4 position : SV_Position; };
cbuffer Corners {
  static float2 offsets[4] = { float2(-0.25, 0.25), float2(0.25, 0.25), float2(-0.25, -0.25), float2(0.25, -0.25) };
};
[maxvertexcount(4)]
void main(point Point input[1], inout TriangleStream<Corner> stream) {
  for (int i = 0; i < 4; ++i) {
    Corner corner;
    corner.color = input[0].color;
    corner.position = float4(input[0].position + offsets[i], 0.5, 1);
    stream.Append(corner);
  }
})",
                                "gs_5_0");
  ComPtr<ID3DBlob> ps = Compile(R"(
float4 main(float4 color : COLOR) : SV_Target { return color; })",
                                "ps_5_0");
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), {});
  desc.GS = {gs->GetBufferPointer(), gs->GetBufferSize()};
  desc.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_POINT;
  desc.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
  // Depth is named but unused, as in Microsoft's particle sample, which binds no depth buffer.
  desc.DepthStencilState.DepthEnable = FALSE;
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(desc);
  ASSERT_NE(pipeline, nullptr);

  const float black[4] = {0, 0, 0, 1};
  list->ClearRenderTargetView(rtv, black, 0, nullptr);
  const D3D12_VIEWPORT viewport{0, 0, float(kWidth), float(kHeight), 0, 1};
  const D3D12_RECT scissor{0, 0, LONG(kWidth), LONG(kHeight)};
  list->RSSetViewports(1, &viewport);
  list->RSSetScissorRects(1, &scissor);
  list->OMSetRenderTargets(1, &rtv, FALSE, nullptr);
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(pipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_POINTLIST);
  list->DrawInstanced(2, 1, 0, 0);
  const std::vector<uint32_t> pixels = ReadTarget();

  // The first point's square spans x and y 8..23 of the 64 x 64 target, the second's 40..55.
  EXPECT_EQ(PixelAt(pixels, 8, 8), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 23, 23), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 7, 8), kBlack);
  EXPECT_EQ(PixelAt(pixels, 24, 23), kBlack);
  EXPECT_EQ(PixelAt(pixels, 40, 40), Rgba(0, 0, 255));
  EXPECT_EQ(PixelAt(pixels, 55, 55), Rgba(0, 0, 255));
  EXPECT_EQ(PixelAt(pixels, 56, 55), kBlack);
  EXPECT_EQ(PixelAt(pixels, 32, 32), kBlack);
}

TEST_F(LaterVersionTest, RenderPassesClearTheirTargetsAndEnhancedBarriersMoveLayouts) {
  ComPtr<ID3D12GraphicsCommandList7> list7;
  ASSERT_EQ(list.As(&list7), S_OK);
  D3D12_RENDER_PASS_RENDER_TARGET_DESC target{};
  target.cpuDescriptor = rtv;
  target.BeginningAccess.Type = D3D12_RENDER_PASS_BEGINNING_ACCESS_TYPE_CLEAR;
  target.BeginningAccess.Clear.ClearValue = {DXGI_FORMAT_R8G8B8A8_UNORM, {{0.0f, 1.0f, 0.0f, 1.0f}}};
  target.EndingAccess.Type = D3D12_RENDER_PASS_ENDING_ACCESS_TYPE_PRESERVE;
  list7->BeginRenderPass(1, &target, nullptr, D3D12_RENDER_PASS_FLAG_NONE);
  list7->EndRenderPass();

  // Out to COPY_SOURCE and back, as a program on enhanced barriers writes it; the layouts must match what the
  // copy and the next clear need, or validation speaks up.
  D3D12_TEXTURE_BARRIER toCopy = CD3DX12_TEXTURE_BARRIER(
      D3D12_BARRIER_SYNC_RENDER_TARGET, D3D12_BARRIER_SYNC_COPY, D3D12_BARRIER_ACCESS_RENDER_TARGET,
      D3D12_BARRIER_ACCESS_COPY_SOURCE, D3D12_BARRIER_LAYOUT_RENDER_TARGET, D3D12_BARRIER_LAYOUT_COPY_SOURCE,
      renderTarget.Get(), CD3DX12_BARRIER_SUBRESOURCE_RANGE(0xffffffff));
  D3D12_BARRIER_GROUP group = CD3DX12_BARRIER_GROUP(1, &toCopy);
  list7->Barrier(1, &group);
  D3D12_TEXTURE_BARRIER back = toCopy;
  std::swap(back.LayoutBefore, back.LayoutAfter);
  group = CD3DX12_BARRIER_GROUP(1, &back);
  list7->Barrier(1, &group);
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 0, 0), Rgba(0, 255, 0));
  EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 1), Rgba(0, 255, 0));
}

TEST_F(LaterVersionTest, LaterDeviceCallsWidenTheOlderOnesAndReportWhatIsAbsent) {
  ComPtr<ID3D12Device10> device10;
  ASSERT_EQ(device.As(&device10), S_OK);

  // Option sets of later versions answer "absent" for everything, and check their size.
  D3D12_FEATURE_DATA_D3D12_OPTIONS12 options12{};
  options12.EnhancedBarriersSupported = TRUE;
  EXPECT_EQ(device10->CheckFeatureSupport(D3D12_FEATURE_D3D12_OPTIONS12, &options12, sizeof(options12)), S_OK);
  EXPECT_FALSE(options12.EnhancedBarriersSupported);
  D3D12_FEATURE_DATA_D3D12_OPTIONS5 options5{};
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(device10->CheckFeatureSupport(D3D12_FEATURE_D3D12_OPTIONS5, &options5, sizeof(options5) - 4), E_INVALIDARG);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("CheckFeatureSupport"));

  // DESC1 resources are DESC resources.
  const CD3DX12_HEAP_PROPERTIES upload(D3D12_HEAP_TYPE_UPLOAD);
  const D3D12_RESOURCE_DESC1 bufferDesc = CD3DX12_RESOURCE_DESC1::Buffer(256);
  ComPtr<ID3D12Resource> buffer;
  ASSERT_EQ(
      device10->CreateCommittedResource2(&upload, D3D12_HEAP_FLAG_NONE, &bufferDesc, D3D12_RESOURCE_STATE_GENERIC_READ,
                                         nullptr, nullptr, IID_PPV_ARGS(&buffer)),
      S_OK);
  EXPECT_EQ(buffer->GetDesc().Width, 256u);
  ::testing::internal::CaptureStderr();
  ComPtr<ID3D12Resource> withLayout;
  EXPECT_EQ(
      device10->CreateCommittedResource3(&upload, D3D12_HEAP_FLAG_NONE, &bufferDesc, D3D12_BARRIER_LAYOUT_UNDEFINED,
                                         nullptr, nullptr, 0, nullptr, IID_PPV_ARGS(&withLayout)),
      E_NOTIMPL);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("CreateCommittedResource3"));
  EXPECT_EQ(withLayout, nullptr);

  // Several resources in one allocation: each aligned, one after the other.
  const D3D12_RESOURCE_DESC descs[] = {CD3DX12_RESOURCE_DESC::Buffer(100), CD3DX12_RESOURCE_DESC::Buffer(70000)};
  D3D12_RESOURCE_ALLOCATION_INFO1 each[2]{};
  const D3D12_RESOURCE_ALLOCATION_INFO total = device10->GetResourceAllocationInfo1(0, 2, descs, each);
  EXPECT_EQ(each[0].Offset, 0u);
  EXPECT_GE(each[1].Offset, each[0].SizeInBytes);
  EXPECT_EQ(each[1].Offset % each[1].Alignment, 0u);
  EXPECT_EQ(total.SizeInBytes, each[1].Offset + each[1].SizeInBytes);

  // A queue made through the creator-aware call runs work like any other.
  const D3D12_COMMAND_QUEUE_DESC queueDesc{D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  ComPtr<ID3D12CommandQueue> queue1;
  ASSERT_EQ(device10->CreateCommandQueue1(&queueDesc, __uuidof(ID3D12Device), IID_PPV_ARGS(&queue1)), S_OK);
  ASSERT_EQ(queue1->Signal(fence.Get(), ++fenceValue), S_OK);
  EXPECT_EQ(fence->SetEventOnCompletion(fenceValue, nullptr), S_OK);
  EXPECT_EQ(fence->GetCompletedValue(), fenceValue);

  UINT metaCommands = 7;
  EXPECT_EQ(device10->EnumerateMetaCommands(&metaCommands, nullptr), S_OK);
  EXPECT_EQ(metaCommands, 0u);
}

// glslang sizes an unsized texture array indexed at run time to one element; the pipeline is built anyway, on
// adapters with and without run-time indexing of texture arrays.
TEST_F(LaterVersionTest, TextureArraysIndexedAtRunTimeNeedNoAdapterFeature) {
  ComPtr<ID3DBlob> vs =
      Compile("float4 main(uint id : SV_VertexID) : SV_Position { return float4(0, 0, 0, 1); }", "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile(R"(
cbuffer Pick : register(b0) { uint Index; };
Texture2D Textures[] : register(t0);
SamplerState Point : register(s0);
float4 main() : SV_Target { return Textures[Index].Sample(Point, float2(0.5, 0.5)); })",
                                "ps_5_1");
  CD3DX12_DESCRIPTOR_RANGE textures(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 4, 0);
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsConstants(1, 0);
  parameters[1].InitAsDescriptorTable(1, &textures);
  const CD3DX12_STATIC_SAMPLER_DESC sampler(0, D3D12_FILTER_MIN_MAG_MIP_POINT);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({2, parameters, 1, &sampler, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  const D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), {});
  // The unsized array takes the range's four descriptors; indexes become constant ones where the adapter
  // cannot index at run time (DynamicIndexingTests reads the elements back).
  EXPECT_NE(CreatePipeline(desc), nullptr);
}

}  // namespace
