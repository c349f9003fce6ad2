// Multisampled render targets and depth buffers: what CheckFeatureSupport offers, clears, rasterization with
// the pipeline's sample count and resolves whose edge pixels average exactly the samples a shape covers.
#include "ColoredGeometry.h"
#include "GpuTest.h"

namespace {

// 240 splits evenly into halves, quarters and eighths, so every coverage average is a whole byte.
constexpr float kLevel = 240.0f / 255.0f;

class MultisampleTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    CreateTargets();
  }

  UINT QualityLevels(DXGI_FORMAT format, UINT samples) {
    D3D12_FEATURE_DATA_MULTISAMPLE_QUALITY_LEVELS levels{format, samples, D3D12_MULTISAMPLE_QUALITY_LEVELS_FLAG_NONE,
                                                         99};
    EXPECT_EQ(device->CheckFeatureSupport(D3D12_FEATURE_MULTISAMPLE_QUALITY_LEVELS, &levels, sizeof(levels)), S_OK);
    return levels.NumQualityLevels;
  }

  bool Offers(UINT samples) {
    return QualityLevels(DXGI_FORMAT_R8G8B8A8_UNORM, samples) > 0 &&
           QualityLevels(DXGI_FORMAT_D24_UNORM_S8_UINT, samples) > 0;
  }

  HRESULT CreateTexture(DXGI_FORMAT format, UINT samples, D3D12_RESOURCE_FLAGS flags, D3D12_RESOURCE_STATES state,
                        ComPtr<ID3D12Resource>* texture, UINT mipLevels = 1) {
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
    const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(format, kWidth, kHeight, 1, UINT16(mipLevels), samples, 0, flags);
    return device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc, state, nullptr,
                                           IID_PPV_ARGS(texture->ReleaseAndGetAddressOf()));
  }

  // A multisampled colour target and depth buffer with their views in heaps of their own.
  void CreateMultisampledTargets(UINT samples) {
    ASSERT_EQ(CreateTexture(DXGI_FORMAT_R8G8B8A8_UNORM, samples, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET,
                            D3D12_RESOURCE_STATE_RENDER_TARGET, &msaaTarget),
              S_OK);
    ASSERT_EQ(CreateTexture(DXGI_FORMAT_D24_UNORM_S8_UINT, samples, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL,
                            D3D12_RESOURCE_STATE_DEPTH_WRITE, &msaaDepth),
              S_OK);
    D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&msaaRtvHeap)), S_OK);
    heapDesc.Type = D3D12_DESCRIPTOR_HEAP_TYPE_DSV;
    ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&msaaDsvHeap)), S_OK);
    msaaRtv = msaaRtvHeap->GetCPUDescriptorHandleForHeapStart();
    msaaDsv = msaaDsvHeap->GetCPUDescriptorHandleForHeapStart();
    D3D12_RENDER_TARGET_VIEW_DESC rtvDesc{};
    rtvDesc.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    rtvDesc.ViewDimension = D3D12_RTV_DIMENSION_TEXTURE2DMS;
    device->CreateRenderTargetView(msaaTarget.Get(), &rtvDesc, msaaRtv);
    device->CreateDepthStencilView(msaaDepth.Get(), nullptr, msaaDsv);
  }

  ComPtr<ID3D12PipelineState> Pipeline(UINT samples) {
    root = CreateRootSignature({0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT});
    vs = Compile(kColorVS, "vs_5_0");
    ps = Compile(kColorPS, "ps_5_0");
    auto desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), kColorLayout);
    desc.RasterizerState.CullMode = D3D12_CULL_MODE_NONE;
    desc.SampleDesc = {samples, 0};
    return CreatePipeline(desc);
  }

  // A full-height rectangle between framebuffer columns `left` and `right` at depth `z`.
  void DrawColumns(float left, float right, float z, float r, float g, float b) {
    const float x0 = left / (kWidth / 2.0f) - 1.0f;
    const float x1 = right / (kWidth / 2.0f) - 1.0f;
    const ColoredVertex vertices[] = {{{x0, -1, z}, {r, g, b, 1}}, {{x0, 1, z}, {r, g, b, 1}},
                                      {{x1, -1, z}, {r, g, b, 1}}, {{x1, -1, z}, {r, g, b, 1}},
                                      {{x0, 1, z}, {r, g, b, 1}},  {{x1, 1, z}, {r, g, b, 1}}};
    ComPtr<ID3D12Resource> buffer = UploadBuffer(vertices, sizeof(vertices));
    const D3D12_VERTEX_BUFFER_VIEW view{buffer->GetGPUVirtualAddress(), sizeof(vertices), sizeof(ColoredVertex)};
    list->IASetVertexBuffers(0, 1, &view);
    list->DrawInstanced(6, 1, 0, 0);
  }

  // Resolves the multisampled target into the fixture's render target and reads that back.
  std::vector<uint32_t> ResolveAndRead() {
    D3D12_RESOURCE_BARRIER toResolve[] = {
        CD3DX12_RESOURCE_BARRIER::Transition(msaaTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                             D3D12_RESOURCE_STATE_RESOLVE_SOURCE),
        CD3DX12_RESOURCE_BARRIER::Transition(renderTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                             D3D12_RESOURCE_STATE_RESOLVE_DEST)};
    list->ResourceBarrier(2, toResolve);
    list->ResolveSubresource(renderTarget.Get(), 0, msaaTarget.Get(), 0, DXGI_FORMAT_R8G8B8A8_UNORM);
    D3D12_RESOURCE_BARRIER back[] = {
        CD3DX12_RESOURCE_BARRIER::Transition(msaaTarget.Get(), D3D12_RESOURCE_STATE_RESOLVE_SOURCE,
                                             D3D12_RESOURCE_STATE_RENDER_TARGET),
        CD3DX12_RESOURCE_BARRIER::Transition(renderTarget.Get(), D3D12_RESOURCE_STATE_RESOLVE_DEST,
                                             D3D12_RESOURCE_STATE_RENDER_TARGET)};
    list->ResourceBarrier(2, back);
    return ReadTarget();
  }

  void BindMultisampledTargets() {
    const D3D12_VIEWPORT viewport{0.0f, 0.0f, float(kWidth), float(kHeight), 0.0f, 1.0f};
    const D3D12_RECT scissor{0, 0, LONG(kWidth), LONG(kHeight)};
    list->RSSetViewports(1, &viewport);
    list->RSSetScissorRects(1, &scissor);
    list->OMSetRenderTargets(1, &msaaRtv, TRUE, &msaaDsv);
  }

  ComPtr<ID3D12Resource> msaaTarget, msaaDepth;
  ComPtr<ID3D12DescriptorHeap> msaaRtvHeap, msaaDsvHeap;
  D3D12_CPU_DESCRIPTOR_HANDLE msaaRtv{}, msaaDsv{};
  ComPtr<ID3D12RootSignature> root;
  ComPtr<ID3DBlob> vs, ps;
};

TEST_F(MultisampleTest, QualityLevelsMatchWhatTexturesCanBeCreatedWith) {
  EXPECT_EQ(QualityLevels(DXGI_FORMAT_R8G8B8A8_UNORM, 1), 1u);
  EXPECT_EQ(QualityLevels(DXGI_FORMAT_R8G8B8A8_UNORM, 3), 0u);
  EXPECT_EQ(QualityLevels(DXGI_FORMAT_R8G8B8A8_UNORM, 64), 0u);
  EXPECT_EQ(QualityLevels(DXGI_FORMAT_UNKNOWN, 4), 0u);
  // Every count offered can be created; a count not offered is refused.
  for (UINT samples : {2u, 4u, 8u, 16u, 32u}) {
    for (DXGI_FORMAT format : {DXGI_FORMAT_R8G8B8A8_UNORM, DXGI_FORMAT_D24_UNORM_S8_UINT, DXGI_FORMAT_D32_FLOAT}) {
      const bool depth = format != DXGI_FORMAT_R8G8B8A8_UNORM;
      ComPtr<ID3D12Resource> texture;
      const HRESULT created = CreateTexture(
          format, samples, depth ? D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL : D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET,
          depth ? D3D12_RESOURCE_STATE_DEPTH_WRITE : D3D12_RESOURCE_STATE_RENDER_TARGET, &texture);
      EXPECT_EQ(created, QualityLevels(format, samples) > 0 ? S_OK : E_INVALIDARG)
          << samples << " samples of format " << format;
    }
  }
  // The counts this test file draws with are on every Vulkan 1.3 device (4 is required).
  EXPECT_TRUE(Offers(4));
  // Format support says the same: render targets and resolves for colour, no resolve for depth.
  D3D12_FEATURE_DATA_FORMAT_SUPPORT colour{DXGI_FORMAT_R8G8B8A8_UNORM, D3D12_FORMAT_SUPPORT1_NONE,
                                           D3D12_FORMAT_SUPPORT2_NONE};
  ASSERT_EQ(device->CheckFeatureSupport(D3D12_FEATURE_FORMAT_SUPPORT, &colour, sizeof(colour)), S_OK);
  EXPECT_TRUE(colour.Support1 & D3D12_FORMAT_SUPPORT1_MULTISAMPLE_RENDERTARGET);
  EXPECT_TRUE(colour.Support1 & D3D12_FORMAT_SUPPORT1_MULTISAMPLE_RESOLVE);
  D3D12_FEATURE_DATA_FORMAT_SUPPORT depth{DXGI_FORMAT_D24_UNORM_S8_UINT, D3D12_FORMAT_SUPPORT1_NONE,
                                          D3D12_FORMAT_SUPPORT2_NONE};
  ASSERT_EQ(device->CheckFeatureSupport(D3D12_FEATURE_FORMAT_SUPPORT, &depth, sizeof(depth)), S_OK);
  EXPECT_TRUE(depth.Support1 & D3D12_FORMAT_SUPPORT1_MULTISAMPLE_RENDERTARGET);
  EXPECT_FALSE(depth.Support1 & D3D12_FORMAT_SUPPORT1_MULTISAMPLE_RESOLVE);
}

TEST_F(MultisampleTest, MultisampledTexturesAreTargetsWithOneMipLevel) {
  ComPtr<ID3D12Resource> texture;
  EXPECT_EQ(
      CreateTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, D3D12_RESOURCE_FLAG_NONE, D3D12_RESOURCE_STATE_COMMON, &texture),
      E_INVALIDARG);
  EXPECT_EQ(CreateTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 4, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET,
                          D3D12_RESOURCE_STATE_RENDER_TARGET, &texture, 2),
            E_INVALIDARG);
  EXPECT_EQ(CreateTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 3, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET,
                          D3D12_RESOURCE_STATE_RENDER_TARGET, &texture),
            E_INVALIDARG);
  EXPECT_EQ(CreateTexture(DXGI_FORMAT_R8G8B8A8_UNORM, 4,
                          D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET | D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS,
                          D3D12_RESOURCE_STATE_RENDER_TARGET, &texture),
            E_INVALIDARG);
}

TEST_F(MultisampleTest, ClearsOfMultisampledTargetsResolveToTheClearColour) {
  CreateMultisampledTargets(4);
  // Cleared with no draw after it: the clear is recorded on its own before the resolve.
  const float colour[4] = {10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1.0f};
  list->ClearRenderTargetView(msaaRtv, colour, 0, nullptr);
  const D3D12_RECT corner{0, 0, 4, 4};
  const float white[4] = {1, 1, 1, 1};
  list->ClearRenderTargetView(msaaRtv, white, 1, &corner);
  const std::vector<uint32_t> pixels = ResolveAndRead();
  EXPECT_EQ(PixelAt(pixels, 0, 0), Rgba(255, 255, 255));
  EXPECT_EQ(PixelAt(pixels, 3, 3), Rgba(255, 255, 255));
  EXPECT_EQ(PixelAt(pixels, 4, 4), Rgba(10, 20, 30));
  EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 1), Rgba(10, 20, 30));
}

// The rectangle's left edge lies 0.1 pixel left of column 10's centre and its right edge 0.3 pixel right of
// column 20's centre. With the standard sample patterns (x offsets in 1/16 pixel: 2x -4 4; 4x -2 6 -6 2;
// 8x 1 -1 5 -3 -5 -7 3 7) the edge columns keep the samples on the covered side of the edge. Behind it, a
// blue rectangle drawn later but deeper fills the rest of every sample: the depth test runs per sample.
TEST_F(MultisampleTest, ResolvedEdgePixelsAverageTheCoveredSamples) {
  struct Expected {
    UINT samples;
    UINT leftCovered;   // of column 10
    UINT rightCovered;  // of column 20
  };
  for (const Expected& expected : {Expected{2, 1, 2}, Expected{4, 2, 3}, Expected{8, 5, 6}}) {
    SCOPED_TRACE(expected.samples);
    if (!Offers(expected.samples)) continue;
    CreateMultisampledTargets(expected.samples);
    ComPtr<ID3D12PipelineState> pipeline = Pipeline(expected.samples);
    const float black[4] = {0, 0, 0, 1};
    list->ClearRenderTargetView(msaaRtv, black, 0, nullptr);
    list->ClearDepthStencilView(msaaDsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
    BindMultisampledTargets();
    list->SetGraphicsRootSignature(root.Get());
    list->SetPipelineState(pipeline.Get());
    list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    DrawColumns(10.4f, 20.8f, 0.25f, kLevel, 0, 0);
    DrawColumns(0.0f, float(kWidth), 0.5f, 0, 0, kLevel);
    const std::vector<uint32_t> pixels = ResolveAndRead();

    const UINT n = expected.samples;
    auto mix = [n](UINT redSamples) {
      return Rgba(uint8_t(240 * redSamples / n), 0, uint8_t(240 * (n - redSamples) / n));
    };
    EXPECT_EQ(PixelAt(pixels, 9, 5), mix(0));
    EXPECT_EQ(PixelAt(pixels, 10, 5), mix(expected.leftCovered));
    EXPECT_EQ(PixelAt(pixels, 15, 40), mix(n));
    EXPECT_EQ(PixelAt(pixels, 20, 60), mix(expected.rightCovered));
    EXPECT_EQ(PixelAt(pixels, 21, 5), mix(0));
  }
}

TEST_F(MultisampleTest, MismatchedSampleCountsAndResolvesAreRejected) {
  CreateMultisampledTargets(4);
  // A single-sample pipeline drawing into 4x targets.
  ComPtr<ID3D12PipelineState> pipeline = Pipeline(1);
  BindMultisampledTargets();
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(pipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  DrawColumns(0, 8, 0.5f, 1, 0, 0);
  EXPECT_EQ(list->Close(), E_INVALIDARG);

  // Resolving from a target still in RENDER_TARGET, and into a multisampled texture.
  ASSERT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  list->ResolveSubresource(renderTarget.Get(), 0, msaaTarget.Get(), 0, DXGI_FORMAT_R8G8B8A8_UNORM);
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  list->ResolveSubresource(msaaTarget.Get(), 0, msaaTarget.Get(), 0, DXGI_FORMAT_R8G8B8A8_UNORM);
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);

  // A pipeline with a sample count Direct3D 12 does not have.
  auto desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), kColorLayout);
  desc.SampleDesc = {3, 0};
  ComPtr<ID3D12PipelineState> three;
  EXPECT_EQ(device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&three)), E_INVALIDARG);
}

}  // namespace
