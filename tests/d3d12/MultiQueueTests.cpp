// Several command queues: copy and compute queues beside the direct one, ordered by fence signals and waits,
// including waits whose value is signalled only later (from the CPU or from another queue).
#include "ColoredGeometry.h"
#include "GpuTest.h"

#include <cstring>

namespace {

// A queue with its own allocator and open command list.
struct QueueKit {
  ComPtr<ID3D12CommandQueue> queue;
  ComPtr<ID3D12CommandAllocator> allocator;
  ComPtr<ID3D12GraphicsCommandList> list;

  void Execute() {
    ASSERT_EQ(list->Close(), S_OK);
    ID3D12CommandList* lists[] = {list.Get()};
    queue->ExecuteCommandLists(1, lists);
  }
};

struct TriangleVertex {
  float position[3];
};

const char* kFlatPS = R"(
float4 main() : SV_Target { return float4(1.0, 0.0, 0.0, 1.0); })";

class MultiQueueTest : public GpuEventTest {
 protected:
  QueueKit MakeQueue(D3D12_COMMAND_LIST_TYPE type) {
    QueueKit kit;
    const D3D12_COMMAND_QUEUE_DESC desc{type, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
    EXPECT_EQ(device->CreateCommandQueue(&desc, IID_PPV_ARGS(&kit.queue)), S_OK);
    EXPECT_EQ(device->CreateCommandAllocator(type, IID_PPV_ARGS(&kit.allocator)), S_OK);
    EXPECT_EQ(device->CreateCommandList(0, type, kit.allocator.Get(), nullptr, IID_PPV_ARGS(&kit.list)), S_OK);
    return kit;
  }

  ComPtr<ID3D12Fence> MakeFence() {
    ComPtr<ID3D12Fence> created;
    EXPECT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&created)), S_OK);
    return created;
  }

  bool Reaches(ID3D12Fence* target, UINT64 value, DWORD milliseconds) {
    EXPECT_EQ(target->SetEventOnCompletion(value, event), S_OK);
    return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0;
  }

  // Words 0..count-1 plus `base`, in an upload buffer.
  ComPtr<ID3D12Resource> Words(uint32_t base, size_t count) {
    std::vector<uint32_t> words(count);
    for (size_t i = 0; i < count; ++i) words[i] = base + uint32_t(i);
    return UploadBuffer(words.data(), words.size() * 4);
  }

  std::vector<uint32_t> ReadWords(ID3D12Resource* readback, size_t count) {
    return ReadMapped<uint32_t>(readback, count);
  }
};

TEST_F(MultiQueueTest, CopyQueueUploadFeedsADrawOnTheDirectQueue) {
  CreateTargets();
  QueueKit copy = MakeQueue(D3D12_COMMAND_LIST_TYPE_COPY);
  ComPtr<ID3D12Fence> uploaded = MakeFence();

  // A triangle covering the left half of the target, uploaded by the copy queue into a default buffer.
  const TriangleVertex vertices[] = {{{-1, -1, 0}}, {{-1, 3, 0}}, {{0, -1, 0}}};
  ComPtr<ID3D12Resource> staging = UploadBuffer(vertices, sizeof(vertices));
  ComPtr<ID3D12Resource> vertexBuffer =
      CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, sizeof(vertices), D3D12_RESOURCE_STATE_COMMON);
  copy.list->CopyBufferRegion(vertexBuffer.Get(), 0, staging.Get(), 0, sizeof(vertices));
  copy.Execute();
  ASSERT_EQ(copy.queue->Signal(uploaded.Get(), 1), S_OK);
  ASSERT_EQ(queue->Wait(uploaded.Get(), 1), S_OK);

  const D3D12_ROOT_SIGNATURE_DESC rootDesc{0, nullptr, 0, nullptr,
                                           D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  ComPtr<ID3D12RootSignature> root = CreateRootSignature(rootDesc);
  ComPtr<ID3DBlob> vs = Compile(kPositionVS, "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile(kFlatPS, "ps_5_0");
  const std::vector<D3D12_INPUT_ELEMENT_DESC> layout = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
  auto pipelineDesc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), layout);
  pipelineDesc.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(pipelineDesc);

  ClearAndBind(root.Get(), pipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const D3D12_VERTEX_BUFFER_VIEW view{vertexBuffer->GetGPUVirtualAddress(), sizeof(vertices), sizeof(TriangleVertex)};
  list->IASetVertexBuffers(0, 1, &view);
  list->DrawInstanced(3, 1, 0, 0);
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 0, 0), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, kWidth / 2 - 1, kHeight - 1), Rgba(255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, kWidth / 2, 0), Rgba(0, 0, 0));
  EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 1), Rgba(0, 0, 0));
  EXPECT_EQ(uploaded->GetCompletedValue(), 1u);
}

TEST_F(MultiQueueTest, AWaitForALaterCpuSignalHoldsOnlyItsQueue) {
  QueueKit held = MakeQueue(D3D12_COMMAND_LIST_TYPE_DIRECT);
  ComPtr<ID3D12Fence> gate = MakeFence();
  ComPtr<ID3D12Fence> heldDone = MakeFence();

  ComPtr<ID3D12Resource> source = Words(100, 16);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 64, D3D12_RESOURCE_STATE_COPY_DEST);
  ASSERT_EQ(held.queue->Wait(gate.Get(), 1), S_OK);
  held.list->CopyBufferRegion(readback.Get(), 0, source.Get(), 0, 64);
  held.Execute();
  ASSERT_EQ(held.queue->Signal(heldDone.Get(), 1), S_OK);

  // The other queue is not held back, and neither is the program.
  ComPtr<ID3D12Resource> other = Words(500, 4);
  ComPtr<ID3D12Resource> otherReadback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 16, D3D12_RESOURCE_STATE_COPY_DEST);
  list->CopyBufferRegion(otherReadback.Get(), 0, other.Get(), 0, 16);
  ExecuteAndWait();
  EXPECT_EQ(ReadWords(otherReadback.Get(), 4), (std::vector<uint32_t>{500, 501, 502, 503}));
  EXPECT_FALSE(Reaches(heldDone.Get(), 1, 30));
  EXPECT_EQ(heldDone->GetCompletedValue(), 0u);
  // The allocator's buffers are still to run.
  EXPECT_EQ(held.allocator->Reset(), E_FAIL);

  ASSERT_EQ(gate->Signal(1), S_OK);
  ASSERT_TRUE(Reaches(heldDone.Get(), 1, 5000));
  EXPECT_EQ(heldDone->GetCompletedValue(), 1u);
  const std::vector<uint32_t> words = ReadWords(readback.Get(), 16);
  for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(words[i], 100 + i);
  EXPECT_EQ(held.allocator->Reset(), S_OK);
}

TEST_F(MultiQueueTest, AWaitForALaterSignalOfAnotherQueueDoesNotDeadlock) {
  QueueKit copy = MakeQueue(D3D12_COMMAND_LIST_TYPE_COPY);
  ComPtr<ID3D12Fence> produced = MakeFence();
  ComPtr<ID3D12Fence> consumed = MakeFence();

  // The consumer is submitted first and waits for data the copy queue produces afterwards.
  ComPtr<ID3D12Resource> shared = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 64, D3D12_RESOURCE_STATE_COMMON);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 64, D3D12_RESOURCE_STATE_COPY_DEST);
  ASSERT_EQ(queue->Wait(produced.Get(), 2), S_OK);
  list->CopyBufferRegion(readback.Get(), 0, shared.Get(), 0, 64);
  ASSERT_EQ(list->Close(), S_OK);
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  ASSERT_EQ(queue->Signal(consumed.Get(), 1), S_OK);
  EXPECT_EQ(consumed->GetCompletedValue(), 0u);

  ComPtr<ID3D12Resource> source = Words(7, 16);
  copy.list->CopyBufferRegion(shared.Get(), 0, source.Get(), 0, 64);
  copy.Execute();
  // Value 1 is not enough for the consumer.
  ASSERT_EQ(copy.queue->Signal(produced.Get(), 1), S_OK);
  EXPECT_FALSE(Reaches(consumed.Get(), 1, 30));
  ASSERT_EQ(copy.queue->Signal(produced.Get(), 2), S_OK);

  ASSERT_TRUE(Reaches(consumed.Get(), 1, 5000));
  const std::vector<uint32_t> words = ReadWords(readback.Get(), 16);
  for (uint32_t i = 0; i < 16; ++i) EXPECT_EQ(words[i], 7 + i);
  EXPECT_EQ(produced->GetCompletedValue(), 2u);
  ASSERT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

// Sixteen held copies into one buffer, each followed by a signal; a second queue reads the buffer at a value
// in the middle. Everything runs in the order asked for once the gate opens.
TEST_F(MultiQueueTest, HeldSubmissionsRunInOrderAndSignalEachValue) {
  constexpr UINT kSteps = 16;
  QueueKit copy = MakeQueue(D3D12_COMMAND_LIST_TYPE_COPY);
  ComPtr<ID3D12Fence> gate = MakeFence();
  ComPtr<ID3D12Fence> progress = MakeFence();
  ComPtr<ID3D12Fence> middleRead = MakeFence();
  ComPtr<ID3D12Resource> shared = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 16, D3D12_RESOURCE_STATE_COMMON);

  std::vector<ComPtr<ID3D12CommandAllocator>> allocators(kSteps);
  std::vector<ComPtr<ID3D12GraphicsCommandList>> lists(kSteps);
  std::vector<ComPtr<ID3D12Resource>> sources(kSteps);
  ASSERT_EQ(copy.queue->Wait(gate.Get(), 1), S_OK);
  for (UINT i = 0; i < kSteps; ++i) {
    ASSERT_EQ(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_COPY, IID_PPV_ARGS(&allocators[i])), S_OK);
    ASSERT_EQ(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_COPY, allocators[i].Get(), nullptr,
                                        IID_PPV_ARGS(&lists[i])),
              S_OK);
    sources[i] = Words(1000 * (i + 1), 4);
    lists[i]->CopyBufferRegion(shared.Get(), 0, sources[i].Get(), 0, 16);
    ASSERT_EQ(lists[i]->Close(), S_OK);
    ID3D12CommandList* submitted[] = {lists[i].Get()};
    copy.queue->ExecuteCommandLists(1, submitted);
    ASSERT_EQ(copy.queue->Signal(progress.Get(), i + 1), S_OK);
    if (i == kSteps / 2 - 1) {
      // Blocks the copy queue until the direct queue has read the buffer as step 8 left it.
      ASSERT_EQ(copy.queue->Wait(middleRead.Get(), 1), S_OK);
    }
  }
  ComPtr<ID3D12Resource> middle = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 16, D3D12_RESOURCE_STATE_COPY_DEST);
  ASSERT_EQ(queue->Wait(progress.Get(), kSteps / 2), S_OK);
  list->CopyBufferRegion(middle.Get(), 0, shared.Get(), 0, 16);
  ASSERT_EQ(list->Close(), S_OK);
  ID3D12CommandList* direct[] = {list.Get()};
  queue->ExecuteCommandLists(1, direct);
  ASSERT_EQ(queue->Signal(middleRead.Get(), 1), S_OK);

  EXPECT_EQ(progress->GetCompletedValue(), 0u);
  ASSERT_EQ(gate->Signal(1), S_OK);
  ASSERT_TRUE(Reaches(progress.Get(), kSteps, 5000));
  EXPECT_EQ(progress->GetCompletedValue(), kSteps);
  ASSERT_TRUE(Reaches(middleRead.Get(), 1, 5000));
  EXPECT_EQ(ReadWords(middle.Get(), 4), (std::vector<uint32_t>{8000, 8001, 8002, 8003}));

  ComPtr<ID3D12Resource> last = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 16, D3D12_RESOURCE_STATE_COPY_DEST);
  ASSERT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  list->CopyBufferRegion(last.Get(), 0, shared.Get(), 0, 16);
  ExecuteAndWait();
  EXPECT_EQ(ReadWords(last.Get(), 4), (std::vector<uint32_t>{16000, 16001, 16002, 16003}));
}

TEST_F(MultiQueueTest, ComputeQueueRunsCopiesAndTextureCopies) {
  QueueKit compute = MakeQueue(D3D12_COMMAND_LIST_TYPE_COMPUTE);
  EXPECT_EQ(compute.queue->GetDesc().Type, D3D12_COMMAND_LIST_TYPE_COMPUTE);
  EXPECT_EQ(compute.list->GetType(), D3D12_COMMAND_LIST_TYPE_COMPUTE);
  ComPtr<ID3D12Fence> done = MakeFence();

  // Buffer -> 4x4 texture -> buffer, all on the compute queue.
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  const auto textureDesc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, 4, 4, 1, 1);
  ComPtr<ID3D12Resource> texture;
  ASSERT_EQ(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &textureDesc,
                                            D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&texture)),
            S_OK);
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint;
  UINT64 total = 0;
  device->GetCopyableFootprints(&textureDesc, 0, 1, 0, &footprint, nullptr, nullptr, &total);
  std::vector<uint32_t> texels(total / 4);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = 0x01020304u * uint32_t(i + 1);
  ComPtr<ID3D12Resource> upload = UploadBuffer(texels.data(), total);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, total, D3D12_RESOURCE_STATE_COPY_DEST);

  const CD3DX12_TEXTURE_COPY_LOCATION into(texture.Get(), 0);
  const CD3DX12_TEXTURE_COPY_LOCATION fromUpload(upload.Get(), footprint);
  compute.list->CopyTextureRegion(&into, 0, 0, 0, &fromUpload, nullptr);
  auto toSource = CD3DX12_RESOURCE_BARRIER::Transition(texture.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                       D3D12_RESOURCE_STATE_COPY_SOURCE);
  compute.list->ResourceBarrier(1, &toSource);
  const CD3DX12_TEXTURE_COPY_LOCATION intoReadback(readback.Get(), footprint);
  compute.list->CopyTextureRegion(&intoReadback, 0, 0, 0, &into, nullptr);
  compute.Execute();
  ASSERT_EQ(compute.queue->Signal(done.Get(), 1), S_OK);
  ASSERT_TRUE(Reaches(done.Get(), 1, 5000));

  const std::vector<uint32_t> copied = ReadWords(readback.Get(), 4);
  EXPECT_EQ(copied, std::vector<uint32_t>(texels.begin(), texels.begin() + 4));
}

TEST_F(MultiQueueTest, AListOfAnotherTypeIsNotExecuted) {
  QueueKit copy = MakeQueue(D3D12_COMMAND_LIST_TYPE_COPY);
  ComPtr<ID3D12Resource> source = Words(1, 4);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, 16, D3D12_RESOURCE_STATE_COPY_DEST);
  void* mapped = nullptr;
  ASSERT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  std::memset(mapped, 0xAB, 16);
  readback->Unmap(0, nullptr);
  list->CopyBufferRegion(readback.Get(), 0, source.Get(), 0, 16);
  ASSERT_EQ(list->Close(), S_OK);
  ID3D12CommandList* direct[] = {list.Get()};
  copy.queue->ExecuteCommandLists(1, direct);
  ComPtr<ID3D12Fence> done = MakeFence();
  ASSERT_EQ(copy.queue->Signal(done.Get(), 1), S_OK);
  ASSERT_TRUE(Reaches(done.Get(), 1, 5000));
  EXPECT_EQ(ReadWords(readback.Get(), 4), std::vector<uint32_t>(4, 0xABABABABu));
  // A direct allocator cannot serve a copy list either.
  ComPtr<ID3D12GraphicsCommandList> mismatched;
  EXPECT_EQ(
      device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_COPY, allocator.Get(), nullptr, IID_PPV_ARGS(&mismatched)),
      E_INVALIDARG);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

// Direct3D 12 lets a closed list be executed again, even while its last execution still runs and twice in
// one call; an additive draw shows how often it ran.
TEST_F(MultiQueueTest, AClosedListRunsAgainEachTimeItIsExecuted) {
  CreateTargets();
  const D3D12_ROOT_SIGNATURE_DESC rootDesc{0, nullptr, 0, nullptr,
                                           D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  ComPtr<ID3D12RootSignature> root = CreateRootSignature(rootDesc);
  ComPtr<ID3DBlob> vs = Compile(kPositionVS, "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile("float4 main() : SV_Target { return float4(32.0 / 255.0, 0.0, 0.0, 1.0); }", "ps_5_0");
  const std::vector<D3D12_INPUT_ELEMENT_DESC> layout = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
  auto pipelineDesc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), layout);
  pipelineDesc.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
  pipelineDesc.DepthStencilState.DepthEnable = FALSE;
  pipelineDesc.DSVFormat = DXGI_FORMAT_UNKNOWN;
  D3D12_RENDER_TARGET_BLEND_DESC& blend = pipelineDesc.BlendState.RenderTarget[0];
  blend.BlendEnable = TRUE;
  blend.SrcBlend = blend.DestBlend = blend.SrcBlendAlpha = blend.DestBlendAlpha = D3D12_BLEND_ONE;
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(pipelineDesc);

  const float black[4] = {0, 0, 0, 0};
  list->ClearRenderTargetView(rtv, black, 0, nullptr);
  ExecuteAndWait();

  const TriangleVertex vertices[] = {{{-1, -1, 0}}, {{-1, 3, 0}}, {{3, -1, 0}}};
  ComPtr<ID3D12Resource> vertexBuffer = UploadBuffer(vertices, sizeof(vertices));
  ComPtr<ID3D12CommandAllocator> addAllocator;
  ComPtr<ID3D12GraphicsCommandList> add;
  ASSERT_EQ(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&addAllocator)), S_OK);
  ASSERT_EQ(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, addAllocator.Get(), pipeline.Get(),
                                      IID_PPV_ARGS(&add)),
            S_OK);
  const D3D12_VIEWPORT viewport{0.0f, 0.0f, float(kWidth), float(kHeight), 0.0f, 1.0f};
  const D3D12_RECT scissor{0, 0, LONG(kWidth), LONG(kHeight)};
  add->RSSetViewports(1, &viewport);
  add->RSSetScissorRects(1, &scissor);
  add->OMSetRenderTargets(1, &rtv, TRUE, nullptr);
  add->SetGraphicsRootSignature(root.Get());
  add->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const D3D12_VERTEX_BUFFER_VIEW view{vertexBuffer->GetGPUVirtualAddress(), sizeof(vertices), sizeof(TriangleVertex)};
  add->IASetVertexBuffers(0, 1, &view);
  add->DrawInstanced(3, 1, 0, 0);
  ASSERT_EQ(add->Close(), S_OK);

  ID3D12CommandList* once[] = {add.Get()};
  ID3D12CommandList* twice[] = {add.Get(), add.Get()};
  queue->ExecuteCommandLists(1, once);
  queue->ExecuteCommandLists(2, twice);
  queue->ExecuteCommandLists(1, once);
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 0, 0), Rgba(128, 0, 0, 255));
  EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 1), Rgba(128, 0, 0, 255));
}

// A queue released while it waits for a fence drops its held work instead of waiting forever.
TEST_F(MultiQueueTest, ReleasingAHeldQueueDropsItsWork) {
  ComPtr<ID3D12Fence> never = MakeFence();
  ComPtr<ID3D12Fence> after = MakeFence();
  {
    QueueKit held = MakeQueue(D3D12_COMMAND_LIST_TYPE_COPY);
    ASSERT_EQ(held.queue->Wait(never.Get(), 1), S_OK);
    held.Execute();
    ASSERT_EQ(held.queue->Signal(after.Get(), 1), S_OK);
  }
  EXPECT_EQ(after->GetCompletedValue(), 0u);
}

}  // namespace
