// Bundles: recorded once, executed in several lists and submissions, and Direct3D 12's inheritance rules
// between a bundle and the list that executes it; calls only direct lists may make are refused.
#include "GpuTest.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

const char* kFullScreenStrip = R"(
float4 main(uint id : SV_VertexID) : SV_Position {
  float2 corner = float2(id & 1, id >> 1);
  return float4(corner.x * 2 - 1, 1 - corner.y * 2, 0.5, 1);
})";

const char* kRootColour = R"(
cbuffer Tint : register(b0) { float4 Color; };
float4 main(float4 position : SV_Position) : SV_Target { return Color; })";

const char* kYellow = R"(
float4 main(float4 position : SV_Position) : SV_Target { return float4(1, 1, 0, 1); })";

class BundleTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    CreateTargets();
    CD3DX12_ROOT_PARAMETER parameter;
    parameter.InitAsConstants(4, 0);
    root = CreateRootSignature({1, &parameter, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
    ComPtr<ID3DBlob> vs = Compile(kFullScreenStrip, "vs_5_0");
    ComPtr<ID3DBlob> tintPs = Compile(kRootColour, "ps_5_0");
    ComPtr<ID3DBlob> yellowPs = Compile(kYellow, "ps_5_0");
    tint = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), tintPs.Get(), {}));
    yellow = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), yellowPs.Get(), {}));
    ASSERT_EQ(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_BUNDLE, IID_PPV_ARGS(&bundleAllocator)), S_OK);
  }

  ComPtr<ID3D12GraphicsCommandList> NewBundle(ID3D12PipelineState* initial) {
    ComPtr<ID3D12GraphicsCommandList> bundle;
    EXPECT_EQ(device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_BUNDLE, bundleAllocator.Get(), initial,
                                        IID_PPV_ARGS(&bundle)),
              S_OK);
    return bundle;
  }

  void StartFrame(ID3D12GraphicsCommandList* target) {
    const float black[4] = {0, 0, 0, 1};
    target->ClearRenderTargetView(rtv, black, 0, nullptr);
    target->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
    const D3D12_VIEWPORT viewport{0, 0, float(kWidth), float(kHeight), 0, 1};
    const D3D12_RECT scissor{0, 0, LONG(kWidth), LONG(kHeight)};
    target->RSSetViewports(1, &viewport);
    target->RSSetScissorRects(1, &scissor);
    target->OMSetRenderTargets(1, &rtv, FALSE, &dsv);
    target->SetGraphicsRootSignature(root.Get());
  }

  ComPtr<ID3D12RootSignature> root;
  ComPtr<ID3D12PipelineState> tint, yellow;
  ComPtr<ID3D12CommandAllocator> bundleAllocator;
};

TEST_F(BundleTest, RecordedOnceAndExecutedInSeveralListsAndSubmissions) {
  ComPtr<ID3D12GraphicsCommandList> bundle = NewBundle(tint.Get());
  const float green[4] = {0, 1, 0, 1};
  bundle->SetGraphicsRootSignature(root.Get());
  bundle->SetGraphicsRoot32BitConstants(0, 4, green, 0);
  bundle->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  bundle->DrawInstanced(4, 1, 0, 0);
  ASSERT_EQ(bundle->Close(), S_OK);

  for (int submission = 0; submission < 2; ++submission) {
    StartFrame(list.Get());
    list->ExecuteBundle(bundle.Get());
    EXPECT_EQ(PixelAt(ReadTarget(), 20, 20), Rgba(0, 255, 0)) << "submission " << submission;
  }

  // A second direct list from its own allocator replays the same bundle.
  ComPtr<ID3D12CommandAllocator> otherAllocator;
  ComPtr<ID3D12GraphicsCommandList> other;
  ASSERT_EQ(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&otherAllocator)), S_OK);
  ASSERT_EQ(
      device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, otherAllocator.Get(), nullptr, IID_PPV_ARGS(&other)),
      S_OK);
  const float red[4] = {1, 0, 0, 1};
  StartFrame(other.Get());
  other->ClearRenderTargetView(rtv, red, 0, nullptr);
  other->ExecuteBundle(bundle.Get());
  ASSERT_EQ(other->Close(), S_OK);
  ID3D12CommandList* lists[] = {other.Get()};
  queue->ExecuteCommandLists(1, lists);
  EXPECT_EQ(PixelAt(ReadTarget(), 40, 40), Rgba(0, 255, 0));
}

TEST_F(BundleTest, InheritsRootArgumentsButNotPipelineOrTopologyAndLeavesItsStateBehind) {
  // The bundle sets the caller's root signature, so the caller's blue constants stay; it brings its own
  // pipeline (tint) although the caller set yellow, and its own topology.
  ComPtr<ID3D12GraphicsCommandList> bundle = NewBundle(tint.Get());
  bundle->SetGraphicsRootSignature(root.Get());
  bundle->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  bundle->DrawInstanced(4, 1, 0, 0);
  ASSERT_EQ(bundle->Close(), S_OK);

  StartFrame(list.Get());
  const float blue[4] = {0, 0, 1, 1};
  list->SetGraphicsRoot32BitConstants(0, 4, blue, 0);
  list->SetPipelineState(yellow.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  list->ExecuteBundle(bundle.Get());
  EXPECT_EQ(PixelAt(ReadTarget(), 10, 50), Rgba(0, 0, 255));

  // Afterwards the caller draws with the bundle's pipeline and topology without setting either.
  StartFrame(list.Get());
  list->SetGraphicsRoot32BitConstants(0, 4, blue, 0);
  list->SetPipelineState(yellow.Get());
  list->ExecuteBundle(bundle.Get());
  const float white[4] = {1, 1, 1, 1};
  list->SetGraphicsRoot32BitConstants(0, 4, white, 0);
  list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);  // depth LESS: let it draw again
  list->DrawInstanced(4, 1, 0, 0);
  EXPECT_EQ(PixelAt(ReadTarget(), 50, 10), Rgba(255, 255, 255));
}

TEST_F(BundleTest, ABundleWithoutTopologyDoesNotUseTheCallers) {
  ComPtr<ID3D12GraphicsCommandList> bundle = NewBundle(tint.Get());
  bundle->DrawInstanced(4, 1, 0, 0);
  ASSERT_EQ(bundle->Close(), S_OK);
  StartFrame(list.Get());
  const float blue[4] = {0, 0, 1, 1};
  list->SetGraphicsRoot32BitConstants(0, 4, blue, 0);
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  ::testing::internal::CaptureStderr();
  list->ExecuteBundle(bundle.Get());
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("no primitive topology is set"));
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

TEST_F(BundleTest, CallsOnlyDirectListsMakeAreRefused) {
  ComPtr<ID3D12GraphicsCommandList> bundle = NewBundle(tint.Get());
  ::testing::internal::CaptureStderr();
  const float black[4] = {0, 0, 0, 1};
  bundle->ClearRenderTargetView(rtv, black, 0, nullptr);
  bundle->OMSetRenderTargets(1, &rtv, FALSE, nullptr);
  const D3D12_VIEWPORT viewport{0, 0, 1, 1, 0, 1};
  bundle->RSSetViewports(1, &viewport);
  auto barrier = CD3DX12_RESOURCE_BARRIER::Transition(renderTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                      D3D12_RESOURCE_STATE_COPY_SOURCE);
  bundle->ResourceBarrier(1, &barrier);
  bundle->DiscardResource(renderTarget.Get(), nullptr);
  EXPECT_EQ(bundle->Close(), E_INVALIDARG);
  const std::string messages = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(messages, HasSubstr("ClearRenderTargetView: bundles may not make this call"));
  EXPECT_THAT(messages, HasSubstr("ResourceBarrier: bundles may not make this call"));
  EXPECT_THAT(messages, HasSubstr("DiscardResource: bundles may not make this call"));

  // A bundle is not submitted to a queue, and a refused or open bundle is not executed.
  ::testing::internal::CaptureStderr();
  ID3D12CommandList* lists[] = {bundle.Get()};
  queue->ExecuteCommandLists(1, lists);
  ComPtr<ID3D12GraphicsCommandList> open = NewBundle(nullptr);
  list->ExecuteBundle(open.Get());
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  const std::string later = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(later, HasSubstr("runs only through ExecuteBundle"));
  EXPECT_THAT(later, HasSubstr("the bundle is still recording"));
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  ASSERT_EQ(open->Close(), S_OK);
}

TEST_F(BundleTest, ABundlesDescriptorHeapsMustBeTheCallers) {
  D3D12_DESCRIPTOR_HEAP_DESC desc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 4, D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE,
                                  0};
  ComPtr<ID3D12DescriptorHeap> mine, theirs;
  ASSERT_EQ(device->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&mine)), S_OK);
  ASSERT_EQ(device->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&theirs)), S_OK);
  ComPtr<ID3D12GraphicsCommandList> bundle = NewBundle(tint.Get());
  ID3D12DescriptorHeap* bundleHeaps[] = {mine.Get()};
  bundle->SetDescriptorHeaps(1, bundleHeaps);
  ASSERT_EQ(bundle->Close(), S_OK);

  ID3D12DescriptorHeap* same[] = {mine.Get()};
  list->SetDescriptorHeaps(1, same);
  list->ExecuteBundle(bundle.Get());
  ASSERT_EQ(list->Close(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);

  ID3D12DescriptorHeap* other[] = {theirs.Get()};
  list->SetDescriptorHeaps(1, other);
  ::testing::internal::CaptureStderr();
  list->ExecuteBundle(bundle.Get());
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("heaps the calling list has not set"));
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

}  // namespace

// Event annotations (wide, narrow, nested, unbalanced, left open at Close, inside a bundle) and discards
// are hints for tools: the picture is the same, nothing is printed, and the labels they become keep the
// validation layer silent.
TEST_F(BundleTest, EventsAndDiscardsLeaveThePictureAndSayNothing) {
  ComPtr<ID3D12GraphicsCommandList> bundle = NewBundle(tint.Get());
  const float green[4] = {0, 1, 0, 1};
  const wchar_t bundleEvent[] = L"bundle draw";
  bundle->BeginEvent(0, bundleEvent, sizeof(bundleEvent));
  bundle->SetGraphicsRootSignature(root.Get());
  bundle->SetGraphicsRoot32BitConstants(0, 4, green, 0);
  bundle->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  bundle->DrawInstanced(4, 1, 0, 0);
  bundle->EndEvent();
  bundle->EndEvent();  // one more than begun
  ASSERT_EQ(bundle->Close(), S_OK);

  ::testing::internal::CaptureStderr();
  const wchar_t frame[] = L"frame";
  list->BeginEvent(0, frame, sizeof(frame));
  StartFrame(list.Get());
  list->SetMarker(1, "cleared", 8);
  list->DiscardResource(depthBuffer.Get(), nullptr);
  list->BeginEvent(2, "\x01\x02\x03\x04", 4);  // PIX's own encoding
  list->ExecuteBundle(bundle.Get());
  list->EndEvent();
  list->EndEvent();
  list->EndEvent();  // one more than begun
  list->BeginEvent(1, "left open", 10);
  EXPECT_EQ(PixelAt(ReadTarget(), 20, 20), Rgba(0, 255, 0));
  queue->BeginEvent(1, "queue", 6);
  queue->SetMarker(1, "marker", 7);
  queue->EndEvent();
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}
