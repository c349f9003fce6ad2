// Clears, indexed draws with base vertex, Direct3D's winding and culling, the depth test, and indirect draws,
// read back from an off-screen target.
#include "ColoredGeometry.h"
#include "GpuTest.h"

namespace {

constexpr float kRed[4] = {1, 0, 0, 1};
constexpr float kGreen[4] = {0, 1, 0, 1};
constexpr float kBlue[4] = {0, 0, 1, 1};
constexpr uint32_t kBackground = Rgba(64, 128, 191);
constexpr float kBackgroundColor[4] = {64 / 255.0f, 128 / 255.0f, 191 / 255.0f, 1.0f};

ColoredVertex Vertex(float x, float y, float z, const float (&color)[4]) {
  return {{x, y, z}, {color[0], color[1], color[2], color[3]}};
}

class DrawTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    CreateTargets();
    const D3D12_ROOT_SIGNATURE_DESC rootDesc{0, nullptr, 0, nullptr,
                                             D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
    root = CreateRootSignature(rootDesc);
    vs = Compile(kColorVS, "vs_5_0");
    ps = Compile(kColorPS, "ps_5_0");
    pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), kColorLayout));
  }

  void ClearTargets(float depth = 1.0f) {
    list->ClearRenderTargetView(rtv, kBackgroundColor, 0, nullptr);
    list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, depth, 0, 0, nullptr);
  }

  void SetPipeline() {
    list->SetGraphicsRootSignature(root.Get());
    list->SetPipelineState(pipeline.Get());
    list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  }

  void DrawTriangles(const std::vector<ColoredVertex>& vertices) {
    ComPtr<ID3D12Resource> buffer = UploadBuffer(vertices.data(), vertices.size() * sizeof(ColoredVertex));
    const D3D12_VERTEX_BUFFER_VIEW view{buffer->GetGPUVirtualAddress(), UINT(vertices.size() * sizeof(ColoredVertex)),
                                        sizeof(ColoredVertex)};
    list->IASetVertexBuffers(0, 1, &view);
    list->DrawInstanced(UINT(vertices.size()), 1, 0, 0);
  }

  ComPtr<ID3D12RootSignature> root;
  ComPtr<ID3DBlob> vs, ps;
  ComPtr<ID3D12PipelineState> pipeline;
};

TEST_F(DrawTest, ClearFillsTheTargetAndClearRectsOnlyTheirArea) {
  ClearTargets();
  const D3D12_RECT corner{0, 0, 8, 4};
  list->ClearRenderTargetView(rtv, kRed, 1, &corner);
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 0, 0), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 7, 3), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 8, 3), kBackground);
  EXPECT_EQ(PixelAt(pixels, 7, 4), kBackground);
  EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 1), kBackground);
}

TEST_F(DrawTest, IndexedDrawsUseBaseVertexAndCullCounterClockwiseTriangles) {
  // Vertices 0-2 cover the screen: they show only if the base vertex were ignored. Vertices 3-5 are a
  // clockwise triangle on the left, 6-8 the same shape on the right, drawn counter-clockwise by its indices.
  const std::vector<ColoredVertex> vertices = {
      Vertex(-3, -3, 0.5f, kBlue),       Vertex(-3, 3, 0.5f, kBlue),       Vertex(3, 0, 0.5f, kBlue),
      Vertex(-0.9f, -0.8f, 0.5f, kRed),  Vertex(-0.5f, 0.8f, 0.5f, kRed),  Vertex(-0.1f, -0.8f, 0.5f, kRed),
      Vertex(0.1f, -0.8f, 0.5f, kGreen), Vertex(0.5f, 0.8f, 0.5f, kGreen), Vertex(0.9f, -0.8f, 0.5f, kGreen)};
  const uint16_t shortIndices[] = {0, 1, 2};
  const uint32_t longIndices[] = {0, 2, 1};
  // Default-heap buffers filled through UpdateSubresources, as the engine's model buffers are.
  ComPtr<ID3D12Resource> vertexBuffer = StaticBuffer(vertices.data(), vertices.size() * sizeof(ColoredVertex));
  ComPtr<ID3D12Resource> shortBuffer = StaticBuffer(shortIndices, sizeof(shortIndices));
  ComPtr<ID3D12Resource> longBuffer = StaticBuffer(longIndices, sizeof(longIndices));

  ClearTargets();
  BindTargets();
  SetPipeline();
  const D3D12_VERTEX_BUFFER_VIEW vertexView{vertexBuffer->GetGPUVirtualAddress(),
                                            UINT(vertices.size() * sizeof(ColoredVertex)), sizeof(ColoredVertex)};
  list->IASetVertexBuffers(0, 1, &vertexView);
  const D3D12_INDEX_BUFFER_VIEW shortView{shortBuffer->GetGPUVirtualAddress(), sizeof(shortIndices),
                                          DXGI_FORMAT_R16_UINT};
  list->IASetIndexBuffer(&shortView);
  list->DrawIndexedInstanced(3, 1, 0, 3, 0);
  const D3D12_INDEX_BUFFER_VIEW longView{longBuffer->GetGPUVirtualAddress(), sizeof(longIndices), DXGI_FORMAT_R32_UINT};
  list->IASetIndexBuffer(&longView);
  list->DrawIndexedInstanced(3, 1, 0, 6, 0);
  const std::vector<uint32_t> pixels = ReadTarget();

  EXPECT_EQ(PixelAt(pixels, 16, 40), Rgba(255, 0, 0)) << "the clockwise triangle is front-facing";
  EXPECT_EQ(PixelAt(pixels, 48, 40), kBackground) << "the counter-clockwise triangle is culled";
  EXPECT_EQ(PixelAt(pixels, 1, 1), kBackground) << "vertices before the base vertex are not used";
  // Clip-space y points up: the apex at y = 0.8 lies near the top rows, the base near the bottom.
  EXPECT_EQ(PixelAt(pixels, 16, 10), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 16, 2), kBackground);
}

TEST_F(DrawTest, DepthTestHidesFartherTrianglesWhicheverComesFirst) {
  const std::vector<ColoredVertex> nearRed = {Vertex(-0.5f, -0.5f, 0.2f, kRed), Vertex(0, 0.5f, 0.2f, kRed),
                                              Vertex(0.5f, -0.5f, 0.2f, kRed)};
  const std::vector<ColoredVertex> farGreen = {Vertex(-1, -1, 0.8f, kGreen), Vertex(0, 1, 0.8f, kGreen),
                                               Vertex(1, -1, 0.8f, kGreen)};
  ClearTargets();
  BindTargets();
  SetPipeline();
  DrawTriangles(nearRed);
  DrawTriangles(farGreen);
  std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 32, 36), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 32, 60), Rgba(0, 255, 0));

  ClearTargets();
  BindTargets();
  SetPipeline();
  DrawTriangles(farGreen);
  DrawTriangles(nearRed);
  pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 32, 36), Rgba(255, 0, 0));
}

TEST_F(DrawTest, DepthClearValueDecidesWhatPasses) {
  const std::vector<ColoredVertex> behind = {Vertex(-1, -1, 0.75f, kGreen), Vertex(-1, 1, 0.75f, kGreen),
                                             Vertex(1, -1, 0.75f, kGreen)};
  const std::vector<ColoredVertex> inFront = {Vertex(1, 1, 0.25f, kRed), Vertex(1, -1, 0.25f, kRed),
                                              Vertex(-1, 1, 0.25f, kRed)};
  ClearTargets(0.5f);
  BindTargets();
  SetPipeline();
  DrawTriangles(behind);
  DrawTriangles(inFront);
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 4, 60), kBackground) << "depth 0.75 fails against the cleared 0.5";
  EXPECT_EQ(PixelAt(pixels, 60, 4), Rgba(255, 0, 0)) << "depth 0.25 passes";
}

TEST_F(DrawTest, PipelineWithoutDepthTestDrawsOverNearerGeometry) {
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), kColorLayout);
  desc.DepthStencilState.DepthEnable = FALSE;
  ComPtr<ID3D12PipelineState> noDepth = CreatePipeline(desc);
  ClearTargets(0.0f);
  BindTargets();
  SetPipeline();
  list->SetPipelineState(noDepth.Get());
  DrawTriangles({Vertex(-1, -1, 0.9f, kGreen), Vertex(-1, 3, 0.9f, kGreen), Vertex(3, -1, 0.9f, kGreen)});
  EXPECT_EQ(PixelAt(ReadTarget(), 32, 32), Rgba(0, 255, 0));
}

// Bars 8 pixels wide, shifted right by a root constant: commands that set it per command go through the
// split, plain indexed draws straight to Vulkan; both stop at the count buffer's value.
TEST_F(DrawTest, ExecuteIndirectDrawsUpToTheCountWithPerCommandRootConstants) {
  CD3DX12_ROOT_PARAMETER shift;
  shift.InitAsConstants(1, 0, 0, D3D12_SHADER_VISIBILITY_VERTEX);
  ComPtr<ID3D12RootSignature> shiftRoot =
      CreateRootSignature({1, &shift, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT});
  ComPtr<ID3DBlob> shiftVs = Compile(R"(
cbuffer Shift : register(b0) { float shift; };
struct Output { float4 position : SV_Position; float4 color : COLOR; };
Output main(float3 position : POSITION, float4 color : COLOR) {
  Output output;
  output.position = float4(position.x + shift, position.yz, 1);
  output.color = color;
  return output;
})", "vs_5_0");
  ComPtr<ID3D12PipelineState> shiftPipeline =
      CreatePipeline(PipelineDesc(shiftRoot.Get(), shiftVs.Get(), ps.Get(), kColorLayout));
  const D3D12_INDIRECT_ARGUMENT_DESC split[] = {RootConstant(0, 0, 1),
                                                {D3D12_INDIRECT_ARGUMENT_TYPE_DRAW_INDEXED, {}}};
  const D3D12_INDIRECT_ARGUMENT_DESC plain[] = {{D3D12_INDIRECT_ARGUMENT_TYPE_DRAW_INDEXED, {}}};
  struct Command {
    float shift;
    D3D12_DRAW_INDEXED_ARGUMENTS draw;
  };
  const D3D12_COMMAND_SIGNATURE_DESC splitDesc{sizeof(Command), 2, split, 0};
  const D3D12_COMMAND_SIGNATURE_DESC plainDesc{sizeof(Command), 1, plain, 0};
  ComPtr<ID3D12CommandSignature> splitSignature, plainSignature;
  ASSERT_EQ(device->CreateCommandSignature(&splitDesc, shiftRoot.Get(), IID_PPV_ARGS(&splitSignature)), S_OK);
  ASSERT_EQ(device->CreateCommandSignature(&plainDesc, nullptr, IID_PPV_ARGS(&plainSignature)), S_OK);

  const std::vector<ColoredVertex> bar = {Vertex(-1, -1, 0.5f, kGreen), Vertex(-1, 1, 0.5f, kGreen),
                                          Vertex(-0.75f, 1, 0.5f, kGreen), Vertex(-0.75f, -1, 0.5f, kGreen)};
  const uint16_t indices[] = {0, 1, 2, 0, 2, 3};
  const Command commands[] = {{0.0f, {6, 1, 0, 0, 0}}, {0.5f, {6, 1, 0, 0, 0}}, {1.0f, {6, 1, 0, 0, 0}}};
  const uint32_t counts[] = {2, 1};
  ComPtr<ID3D12Resource> vertices = UploadBuffer(bar.data(), bar.size() * sizeof(ColoredVertex));
  ComPtr<ID3D12Resource> indexBuffer = UploadBuffer(indices, sizeof(indices));
  ComPtr<ID3D12Resource> arguments = UploadBuffer(commands, sizeof(commands));
  ComPtr<ID3D12Resource> count = UploadBuffer(counts, sizeof(counts));
  const D3D12_VERTEX_BUFFER_VIEW vertexView{vertices->GetGPUVirtualAddress(), UINT(bar.size() * sizeof(ColoredVertex)),
                                            sizeof(ColoredVertex)};
  const D3D12_INDEX_BUFFER_VIEW indexView{indexBuffer->GetGPUVirtualAddress(), sizeof(indices), DXGI_FORMAT_R16_UINT};

  ClearTargets();
  BindTargets();
  list->SetGraphicsRootSignature(shiftRoot.Get());
  list->SetPipelineState(shiftPipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  list->IASetVertexBuffers(0, 1, &vertexView);
  list->IASetIndexBuffer(&indexView);
  list->ExecuteIndirect(splitSignature.Get(), 3, arguments.Get(), 0, count.Get(), 0);
  // The list's own constant again: 1.5 places the plain draws' bar at pixels 48 to 55.
  list->SetGraphicsRoot32BitConstant(0, 0x3FC00000, 0);
  list->ExecuteIndirect(plainSignature.Get(), 3, arguments.Get(), 4, count.Get(), 4);
  const std::vector<uint32_t> pixels = ReadTarget();
  const uint32_t green = Rgba(0, 255, 0);
  for (auto [x, expected] : {std::pair{4u, green}, {12u, kBackground}, {20u, green}, {36u, kBackground},
                             {52u, green}, {60u, kBackground}}) {
    EXPECT_EQ(PixelAt(pixels, x, 32), expected) << "x " << x;
  }

  // Arguments the split cannot express, and commands past the end of the buffer.
  const D3D12_INDIRECT_ARGUMENT_DESC view[] = {{D3D12_INDIRECT_ARGUMENT_TYPE_CONSTANT_BUFFER_VIEW, {}},
                                               {D3D12_INDIRECT_ARGUMENT_TYPE_DRAW, {}}};
  const D3D12_COMMAND_SIGNATURE_DESC viewDesc{24, 2, view, 0};
  ComPtr<ID3D12CommandSignature> refused;
  EXPECT_EQ(device->CreateCommandSignature(&viewDesc, shiftRoot.Get(), IID_PPV_ARGS(&refused)), E_NOTIMPL);
  list->ExecuteIndirect(plainSignature.Get(), 4, arguments.Get(), 4, nullptr, 0);
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  list->Reset(allocator.Get(), nullptr);
}

}  // namespace
