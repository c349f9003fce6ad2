// Clears, indexed draws with base vertex, Direct3D's winding and culling, and the depth test, read back from
// an off-screen target.
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

}  // namespace
