// Query heaps: occlusion sample counts, binary occlusion, timestamps and the queue's timestamp frequency,
// resolved into buffers and read back.
#include "ColoredGeometry.h"
#include "GpuTest.h"

#include <cstring>
#include <functional>

namespace {

const char* kFlatPS = R"(
float4 main() : SV_Target { return float4(0.0, 1.0, 0.0, 1.0); })";

class QueryTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    CreateTargets();
  }

  ComPtr<ID3D12QueryHeap> CreateHeap(D3D12_QUERY_HEAP_TYPE type, UINT count) {
    const D3D12_QUERY_HEAP_DESC desc{type, count, 0};
    ComPtr<ID3D12QueryHeap> heap;
    EXPECT_EQ(device->CreateQueryHeap(&desc, IID_PPV_ARGS(&heap)), S_OK);
    return heap;
  }

  void SetUpDrawing() {
    root = CreateRootSignature({0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT});
    vs = Compile(kPositionVS, "vs_5_0");
    ps = Compile(kFlatPS, "ps_5_0");
    auto desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), layout);
    desc.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
    pipeline = CreatePipeline(desc);
    ClearAndBind(root.Get(), pipeline.Get());
    list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  }

  // A rectangle over whole pixels [left, right) x [top, bottom) at depth z.
  void DrawPixels(float left, float top, float right, float bottom, float z) {
    const float x0 = left / 32.0f - 1.0f, x1 = right / 32.0f - 1.0f;
    const float y0 = 1.0f - top / 32.0f, y1 = 1.0f - bottom / 32.0f;
    const float vertices[] = {x0, y0, z, x1, y0, z, x0, y1, z, x0, y1, z, x1, y0, z, x1, y1, z};
    ComPtr<ID3D12Resource> buffer = UploadBuffer(vertices, sizeof(vertices));
    const D3D12_VERTEX_BUFFER_VIEW view{buffer->GetGPUVirtualAddress(), sizeof(vertices), 12};
    list->IASetVertexBuffers(0, 1, &view);
    list->DrawInstanced(6, 1, 0, 0);
  }

  std::vector<uint64_t> Read(ID3D12Resource* readback, size_t count) { return ReadMapped<uint64_t>(readback, count); }

  const std::vector<D3D12_INPUT_ELEMENT_DESC> layout = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
  ComPtr<ID3D12RootSignature> root;
  ComPtr<ID3DBlob> vs, ps;
  ComPtr<ID3D12PipelineState> pipeline;
};

TEST_F(QueryTest, OcclusionQueriesCountThePassingSamples) {
  ComPtr<ID3D12QueryHeap> heap = CreateHeap(D3D12_QUERY_HEAP_TYPE_OCCLUSION, 4);
  ComPtr<ID3D12Resource> results = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 4 * 8, D3D12_RESOURCE_STATE_COPY_DEST);
  SetUpDrawing();
  // 16 x 8 pixels in front, then the same pixels again behind them (all fail the depth test), then two
  // draws that cover 6 x 4 new pixels and 4 pixels already drawn.
  list->BeginQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0);
  DrawPixels(8, 8, 24, 16, 0.25f);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0);
  list->BeginQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 1);
  DrawPixels(8, 8, 24, 16, 0.5f);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 1);
  list->BeginQuery(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, 2);
  DrawPixels(8, 8, 24, 16, 0.75f);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, 2);
  list->BeginQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 3);
  DrawPixels(40, 40, 46, 44, 0.5f);
  DrawPixels(22, 14, 24, 16, 0.1f);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 3);
  list->ResolveQueryData(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0, 2, results.Get(), 0);
  list->ResolveQueryData(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, 2, 1, results.Get(), 16);
  list->ResolveQueryData(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 3, 1, results.Get(), 24);
  const std::vector<uint32_t> pixels = ReadTarget();
  const std::vector<uint64_t> counts = Read(results.Get(), 4);
  EXPECT_EQ(counts[0], 128u);
  EXPECT_EQ(counts[1], 0u);
  EXPECT_EQ(counts[2], 0u);
  EXPECT_EQ(counts[3], 24u + 4u);
  EXPECT_EQ(PixelAt(pixels, 8, 8), Rgba(0, 255, 0));
  EXPECT_EQ(PixelAt(pixels, 7, 8), Rgba(0, 0, 0));
}

// Binary results are exactly 0 or 1 whatever the sample count. The queries straddle the point where the
// layer's per-heap result image starts a new row (4096 queries to a row).
TEST_F(QueryTest, BinaryOcclusionResolvesToZeroOrOne) {
  ComPtr<ID3D12QueryHeap> heap = CreateHeap(D3D12_QUERY_HEAP_TYPE_OCCLUSION, 4100);
  ComPtr<ID3D12Resource> results = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 6 * 8, D3D12_RESOURCE_STATE_COPY_DEST);
  void* mapped = nullptr;
  ASSERT_EQ(results->Map(0, nullptr, &mapped), S_OK);
  std::memset(mapped, 0xAB, 6 * 8);
  results->Unmap(0, nullptr);
  SetUpDrawing();
  for (UINT index = 4094; index < 4098; ++index) {
    list->BeginQuery(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, index);
    // Even queries see 64 x 8 pixels, odd ones nothing.
    if (index % 2 == 0) DrawPixels(0, float(index - 4094) * 8, 64, float(index - 4094) * 8 + 8, 0.5f);
    list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, index);
  }
  list->ResolveQueryData(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, 4094, 4, results.Get(), 8);
  ExecuteAndWait();
  const std::vector<uint64_t> values = Read(results.Get(), 6);
  EXPECT_EQ(values, (std::vector<uint64_t>{0xABABABABABABABABull, 1, 0, 1, 0, 0xABABABABABABABABull}));
}

TEST_F(QueryTest, TimestampsAdvanceAtTheQueueFrequency) {
  UINT64 frequency = 0;
  ASSERT_EQ(queue->GetTimestampFrequency(&frequency), S_OK);
  EXPECT_GT(frequency, 0u);
  EXPECT_EQ(queue->GetTimestampFrequency(nullptr), E_INVALIDARG);

  ComPtr<ID3D12QueryHeap> heap = CreateHeap(D3D12_QUERY_HEAP_TYPE_TIMESTAMP, 2);
  ComPtr<ID3D12Resource> results = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 2 * 8, D3D12_RESOURCE_STATE_COPY_DEST);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_TIMESTAMP, 0);
  const float colour[4] = {1, 0, 0, 1};
  for (int i = 0; i < 8; ++i) list->ClearRenderTargetView(rtv, colour, 0, nullptr);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_TIMESTAMP, 1);
  list->ResolveQueryData(heap.Get(), D3D12_QUERY_TYPE_TIMESTAMP, 0, 2, results.Get(), 0);
  ExecuteAndWait();
  const std::vector<uint64_t> stamps = Read(results.Get(), 2);
  EXPECT_GT(stamps[0], 0u);
  EXPECT_GE(stamps[1], stamps[0]);
  // Both were taken within this test: far less than a minute apart.
  EXPECT_LT(stamps[1] - stamps[0], 60 * frequency);
}

// Two occlusion results (0 and not 0) as predicates: the draws and clears they guard run or are skipped.
TEST_F(QueryTest, PredicationOnOcclusionResultsSkipsDrawsAndClears) {
  ComPtr<ID3D12QueryHeap> heap = CreateHeap(D3D12_QUERY_HEAP_TYPE_OCCLUSION, 2);
  ComPtr<ID3D12Resource> predicate = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 16, D3D12_RESOURCE_STATE_COPY_DEST);
  SetUpDrawing();
  list->BeginQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0);
  list->BeginQuery(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, 1);
  DrawPixels(0, 0, 2, 2, 0.5f);
  list->EndQuery(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, 1);
  list->ResolveQueryData(heap.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0, 1, predicate.Get(), 0);
  list->ResolveQueryData(heap.Get(), D3D12_QUERY_TYPE_BINARY_OCCLUSION, 1, 1, predicate.Get(), 8);
  auto toPredicate = CD3DX12_RESOURCE_BARRIER::Transition(predicate.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                          D3D12_RESOURCE_STATE_PREDICATION);
  list->ResourceBarrier(1, &toPredicate);

  const float red[4] = {1, 0, 0, 1};
  const float white[4] = {1, 1, 1, 1};
  const D3D12_RECT whiteCorner{60, 60, 64, 64};
  // Skipped: the value is 0.
  list->SetPredication(predicate.Get(), 0, D3D12_PREDICATION_OP_EQUAL_ZERO);
  list->ClearRenderTargetView(rtv, red, 0, nullptr);
  DrawPixels(10, 10, 12, 12, 0.5f);
  // Run: the value is not 0.
  list->SetPredication(predicate.Get(), 8, D3D12_PREDICATION_OP_EQUAL_ZERO);
  DrawPixels(20, 20, 22, 22, 0.5f);
  list->ClearRenderTargetView(rtv, white, 1, &whiteCorner);
  // Run: NOT_EQUAL_ZERO skips only non-zero values.
  list->SetPredication(predicate.Get(), 0, D3D12_PREDICATION_OP_NOT_EQUAL_ZERO);
  DrawPixels(30, 30, 32, 32, 0.5f);
  // Skipped.
  list->SetPredication(predicate.Get(), 8, D3D12_PREDICATION_OP_NOT_EQUAL_ZERO);
  DrawPixels(40, 40, 42, 42, 0.5f);
  // No predicate: everything runs again.
  list->SetPredication(nullptr, 0, D3D12_PREDICATION_OP_EQUAL_ZERO);
  DrawPixels(50, 50, 52, 52, 0.5f);
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 5, 5), Rgba(0, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 10, 10), Rgba(0, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 20, 20), Rgba(0, 255, 0));
  EXPECT_EQ(PixelAt(pixels, 63, 63), Rgba(255, 255, 255));
  EXPECT_EQ(PixelAt(pixels, 30, 30), Rgba(0, 255, 0));
  EXPECT_EQ(PixelAt(pixels, 40, 40), Rgba(0, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 51, 51), Rgba(0, 255, 0));
}

TEST_F(QueryTest, MisusedQueriesAreRejected) {
  D3D12_QUERY_HEAP_DESC desc{D3D12_QUERY_HEAP_TYPE_OCCLUSION, 0, 0};
  ComPtr<ID3D12QueryHeap> heap;
  EXPECT_EQ(device->CreateQueryHeap(&desc, IID_PPV_ARGS(&heap)), E_INVALIDARG);
  desc = {D3D12_QUERY_HEAP_TYPE_PIPELINE_STATISTICS, 1, 0};
  EXPECT_EQ(device->CreateQueryHeap(&desc, IID_PPV_ARGS(&heap)), E_NOTIMPL);
  EXPECT_EQ(device->CreateQueryHeap(nullptr, IID_PPV_ARGS(&heap)), E_INVALIDARG);

  ComPtr<ID3D12QueryHeap> occlusion = CreateHeap(D3D12_QUERY_HEAP_TYPE_OCCLUSION, 2);
  ComPtr<ID3D12Resource> results = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 16, D3D12_RESOURCE_STATE_COPY_DEST);
  struct Misuse {
    const char* what;
    std::function<void()> record;
  };
  const std::vector<Misuse> misuses = {
      {"a timestamp in an occlusion heap", [&] { list->EndQuery(occlusion.Get(), D3D12_QUERY_TYPE_TIMESTAMP, 0); }},
      {"an index outside the heap", [&] { list->BeginQuery(occlusion.Get(), D3D12_QUERY_TYPE_OCCLUSION, 2); }},
      {"a query never ended",
       [&] { list->ResolveQueryData(occlusion.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0, 1, results.Get(), 0); }},
      {"an unaligned offset",
       [&] {
         list->BeginQuery(occlusion.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0);
         list->EndQuery(occlusion.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0);
         list->ResolveQueryData(occlusion.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0, 1, results.Get(), 4);
       }},
      {"results past the buffer's end",
       [&] { list->ResolveQueryData(occlusion.Get(), D3D12_QUERY_TYPE_OCCLUSION, 0, 1, results.Get(), 16); }},
      {"a predicate offset that leaves no 8 bytes",
       [&] { list->SetPredication(results.Get(), 12, D3D12_PREDICATION_OP_EQUAL_ZERO); }},
  };
  for (const Misuse& misuse : misuses) {
    SCOPED_TRACE(misuse.what);
    misuse.record();
    EXPECT_EQ(list->Close(), E_INVALIDARG);
    ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  }
}

}  // namespace
