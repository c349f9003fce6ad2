// A label drawn off-screen through the Direct3D 12 layer with the text pipeline of the frame (the font
// shaders in the "default" pipeline state with the "font" root signature: alpha blending, no depth test,
// back faces culled), then read back: the box and the glyphs must show where the layout put them.
#include "FontFileText.h"
#include "support/ScratchFolder.h"

#include "content/InputLayouts.h"
#include "render/PipelineLibrary.h"
#include "support/ValidationWatch.h"
#include "text/TextLabel.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>
#include "d3dx12.h"

#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

// GoogleTest's HRESULT check exists on Windows only.
#define ASSERT_SUCCEEDED(expression) ASSERT_GE((expression), 0) << #expression

namespace {

constexpr UINT TargetWidth = 200;
constexpr UINT TargetHeight = 150;
constexpr UINT AtlasSize = 256;
constexpr float ClearColor[4] = {240.0f / 255.0f, 1.0f, 1.0f, 1.0f};

// An atlas that is opaque white where glyph A's picture lies and in the corner block the background
// samples, and transparent everywhere else, where glyph B's picture lies. The sampler wraps, so the
// corner block continues across the atlas edges into the other three corners.
std::vector<uint8_t> MakeAtlas() {
  std::vector<uint8_t> rgba(AtlasSize * AtlasSize * 4, 0);
  auto nearEdge = [](UINT coordinate) { return coordinate < 16 || coordinate >= AtlasSize - 16; };
  for (UINT y = 0; y < AtlasSize; ++y) {
    for (UINT x = 0; x < AtlasSize; ++x) {
      const bool glyphA = x < 128 && y < 160;
      const bool corner = nearEdge(x) && nearEdge(y);
      if (glyphA || corner) std::memset(&rgba[(y * AtlasSize + x) * 4], 255, 4);
    }
  }
  return rgba;
}

// At scale 0.2 on a 200 x 150 target one font pixel is a tenth of a target pixel: A is 10 x 15 pixels.
FontFileText DrawFont() {
  FontFileText font;
  font.padding = "0,0,0,0";
  font.scaleW = AtlasSize;
  font.scaleH = AtlasSize;
  font.glyphs = {{'A', 0, 0, 100, 150, 0, 0, 120}, {'B', 160, 0, 60, 60, 0, 0, 80}};
  return font;
}

struct Pixel {
  int r, g, b;
};

std::ostream& operator<<(std::ostream& out, const Pixel& p) {
  return out << '(' << p.r << ", " << p.g << ", " << p.b << ')';
}

Pixel ToPixel(float r, float g, float b) {
  return {static_cast<int>(std::lround(r * 255.0f)), static_cast<int>(std::lround(g * 255.0f)),
          static_cast<int>(std::lround(b * 255.0f))};
}

// The colour a record of this colour leaves on the clear colour where the atlas is opaque.
Pixel BlendedOverClear(const ColorRGBA& color) {
  const float a = color.A;
  return ToPixel(color.R * a + ClearColor[0] * (1 - a), color.G * a + ClearColor[1] * (1 - a),
                 color.B * a + ClearColor[2] * (1 - a));
}

void ExpectPixel(const Pixel& actual, const Pixel& expected, const char* what) {
  EXPECT_NEAR(actual.r, expected.r, 2) << what << ": " << actual << " instead of " << expected;
  EXPECT_NEAR(actual.g, expected.g, 2) << what << ": " << actual << " instead of " << expected;
  EXPECT_NEAR(actual.b, expected.b, 2) << what << ": " << actual << " instead of " << expected;
}

class TextLabelDraw : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(validation.Start());
    scratch.WriteFile("newarial.fnt", DrawFont().Text());
    ASSERT_SUCCEEDED(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&device)));
    const D3D12_COMMAND_QUEUE_DESC queueDescription = {D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE,
                                                       0};
    ASSERT_SUCCEEDED(device->CreateCommandQueue(&queueDescription, IID_PPV_ARGS(&queue)));
    ASSERT_SUCCEEDED(device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&allocator)));
    ASSERT_SUCCEEDED(
        device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, allocator.Get(), nullptr, IID_PPV_ARGS(&list)));
    ASSERT_SUCCEEDED(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence)));
    CreateTargets();
    CreateAtlas();
    CreateTextPipeline();
  }

  void TearDown() override { validation.ExpectSilent(); }

  void CreateTargets() {
    const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
    const auto colorDescription = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, TargetWidth, TargetHeight, 1,
                                                               1, 1, 0, D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
    const CD3DX12_CLEAR_VALUE colorClear(DXGI_FORMAT_R8G8B8A8_UNORM, ClearColor);
    ASSERT_SUCCEEDED(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &colorDescription,
                                                     D3D12_RESOURCE_STATE_RENDER_TARGET, &colorClear,
                                                     IID_PPV_ARGS(&target)));
    const auto depthDescription = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_D24_UNORM_S8_UINT, TargetWidth, TargetHeight,
                                                               1, 1, 1, 0, D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
    const CD3DX12_CLEAR_VALUE depthClear(DXGI_FORMAT_D24_UNORM_S8_UINT, 1.0f, 0);
    ASSERT_SUCCEEDED(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &depthDescription,
                                                     D3D12_RESOURCE_STATE_DEPTH_WRITE, &depthClear,
                                                     IID_PPV_ARGS(&depth)));
    const D3D12_DESCRIPTOR_HEAP_DESC rtvHeapDescription = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1,
                                                           D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_SUCCEEDED(device->CreateDescriptorHeap(&rtvHeapDescription, IID_PPV_ARGS(&rtvHeap)));
    device->CreateRenderTargetView(target.Get(), nullptr, rtvHeap->GetCPUDescriptorHandleForHeapStart());
    const D3D12_DESCRIPTOR_HEAP_DESC dsvHeapDescription = {D3D12_DESCRIPTOR_HEAP_TYPE_DSV, 1,
                                                           D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
    ASSERT_SUCCEEDED(device->CreateDescriptorHeap(&dsvHeapDescription, IID_PPV_ARGS(&dsvHeap)));
    device->CreateDepthStencilView(depth.Get(), nullptr, dsvHeap->GetCPUDescriptorHandleForHeapStart());
  }

  void CreateAtlas() {
    const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
    const auto description = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, AtlasSize, AtlasSize, 1, 1);
    ASSERT_SUCCEEDED(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &description,
                                                     D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&atlas)));
    const CD3DX12_HEAP_PROPERTIES uploadHeap(D3D12_HEAP_TYPE_UPLOAD);
    const auto stagingDescription = CD3DX12_RESOURCE_DESC::Buffer(GetRequiredIntermediateSize(atlas.Get(), 0, 1));
    ASSERT_SUCCEEDED(device->CreateCommittedResource(&uploadHeap, D3D12_HEAP_FLAG_NONE, &stagingDescription,
                                                     D3D12_RESOURCE_STATE_GENERIC_READ, nullptr,
                                                     IID_PPV_ARGS(&atlasStaging)));
    atlasPixels = MakeAtlas();
    const D3D12_SUBRESOURCE_DATA source = {atlasPixels.data(), AtlasSize * 4, AtlasSize * AtlasSize * 4};
    UpdateSubresources(list.Get(), atlas.Get(), atlasStaging.Get(), 0, 0, 1, &source);
    const auto toShader = CD3DX12_RESOURCE_BARRIER::Transition(atlas.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
                                                               D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);
    list->ResourceBarrier(1, &toShader);

    const D3D12_DESCRIPTOR_HEAP_DESC heapDescription = {D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 1,
                                                        D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    ASSERT_SUCCEEDED(device->CreateDescriptorHeap(&heapDescription, IID_PPV_ARGS(&srvHeap)));
    D3D12_SHADER_RESOURCE_VIEW_DESC view = {};
    view.Format = DXGI_FORMAT_R8G8B8A8_UNORM;
    view.ViewDimension = D3D12_SRV_DIMENSION_TEXTURE2D;
    view.Shader4ComponentMapping = D3D12_DEFAULT_SHADER_4_COMPONENT_MAPPING;
    view.Texture2D.MipLevels = 1;
    device->CreateShaderResourceView(atlas.Get(), &view, srvHeap->GetCPUDescriptorHandleForHeapStart());
  }

  // The frame's own "font" root signature and "default" pipeline state, built from the shader files.
  void CreateTextPipeline() {
    std::filesystem::create_directory_symlink(ENGINE_SHADERS_DIR, "Shaders");
    pipelines = std::make_unique<PipelineLibrary>();
    pipelines->FontInputElements.assign(FontInputLayout.begin(), FontInputLayout.end());
    pipelines->ModelInputElements.assign(ModelInputLayout.begin(), ModelInputLayout.end());
    pipelines->BuildShaders();
    pipelines->BuildRootSignatures();
    pipelines->BuildPipelineStates();
    rootSignature = pipelines->GetRootSignature("font");
    pipeline = pipelines->GetPipelineState("default");
    ASSERT_TRUE(rootSignature && pipeline);
  }

  // Records the text draw of a frame, runs it and reads the target back.
  void DrawAndReadBack(const TextLabel& label) {
    const D3D12_CPU_DESCRIPTOR_HANDLE rtv = rtvHeap->GetCPUDescriptorHandleForHeapStart();
    const D3D12_CPU_DESCRIPTOR_HANDLE dsv = dsvHeap->GetCPUDescriptorHandleForHeapStart();
    const D3D12_VIEWPORT viewport = {0, 0, TargetWidth, TargetHeight, 0, 1};
    const D3D12_RECT scissor = {0, 0, TargetWidth, TargetHeight};
    list->RSSetViewports(1, &viewport);
    list->RSSetScissorRects(1, &scissor);
    list->ClearRenderTargetView(rtv, ClearColor, 0, nullptr);
    list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0, nullptr);
    list->OMSetRenderTargets(1, &rtv, TRUE, &dsv);
    ID3D12DescriptorHeap* heaps[] = {srvHeap.Get()};
    list->SetDescriptorHeaps(1, heaps);
    list->SetGraphicsRootSignature(rootSignature);
    list->SetGraphicsRootDescriptorTable(0, srvHeap->GetGPUDescriptorHandleForHeapStart());
    list->SetPipelineState(pipeline);
    list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    list->IASetVertexBuffers(0, 1, &label.InstanceBufferView);
    list->DrawInstanced(4, static_cast<UINT>(label.InstanceCount), 0, 0);

    const auto toCopy = CD3DX12_RESOURCE_BARRIER::Transition(target.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                             D3D12_RESOURCE_STATE_COPY_SOURCE);
    list->ResourceBarrier(1, &toCopy);
    const D3D12_RESOURCE_DESC targetDescription = target->GetDesc();
    UINT64 readbackSize = 0;
    device->GetCopyableFootprints(&targetDescription, 0, 1, 0, &footprint, nullptr, nullptr, &readbackSize);
    const CD3DX12_HEAP_PROPERTIES readbackHeap(D3D12_HEAP_TYPE_READBACK);
    const auto readbackDescription = CD3DX12_RESOURCE_DESC::Buffer(readbackSize);
    ASSERT_SUCCEEDED(device->CreateCommittedResource(&readbackHeap, D3D12_HEAP_FLAG_NONE, &readbackDescription,
                                                     D3D12_RESOURCE_STATE_COPY_DEST, nullptr, IID_PPV_ARGS(&readback)));
    const CD3DX12_TEXTURE_COPY_LOCATION destination(readback.Get(), footprint);
    const CD3DX12_TEXTURE_COPY_LOCATION source(target.Get(), 0);
    list->CopyTextureRegion(&destination, 0, 0, 0, &source, nullptr);
    ASSERT_SUCCEEDED(list->Close());
    ID3D12CommandList* lists[] = {list.Get()};
    queue->ExecuteCommandLists(1, lists);
    WaitForGpu();
    ASSERT_SUCCEEDED(readback->Map(0, nullptr, reinterpret_cast<void**>(&pixels)));
  }

  void WaitForGpu() {
    const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_SUCCEEDED(queue->Signal(fence.Get(), 1));
    ASSERT_SUCCEEDED(fence->SetEventOnCompletion(1, event));
    ASSERT_EQ(WaitForSingleObject(event, 10000), WAIT_OBJECT_0);
    CloseHandle(event);
  }

  Pixel PixelAt(int x, int y) const {
    const uint8_t* p = pixels + footprint.Offset + y * footprint.Footprint.RowPitch + x * 4;
    return {p[0], p[1], p[2]};
  }

  // The target pixel at the centre of a clip-space rectangle (y up, top edge first).
  Pixel PixelAtCentreOf(const QuadRect& rect) const {
    const float x = (rect.Left + rect.Width / 2 + 1.0f) / 2.0f * TargetWidth;
    const float y = (1.0f - (rect.Top - rect.Height / 2)) / 2.0f * TargetHeight;
    return PixelAt(static_cast<int>(x), static_cast<int>(y));
  }

  GlyphInstance Record(const TextLabel& label, size_t index) const {
    GlyphInstance record;
    std::memcpy(&record, label.MappedInstances + index * sizeof(GlyphInstance), sizeof(record));
    return record;
  }

  ValidationWatch validation;
  ScratchFolder scratch;
  ComPtr<ID3D12Device> device;
  ComPtr<ID3D12CommandQueue> queue;
  ComPtr<ID3D12CommandAllocator> allocator;
  ComPtr<ID3D12GraphicsCommandList> list;
  ComPtr<ID3D12Fence> fence;
  ComPtr<ID3D12Resource> target, depth, atlas, atlasStaging, readback;
  ComPtr<ID3D12DescriptorHeap> rtvHeap, dsvHeap, srvHeap;
  std::unique_ptr<PipelineLibrary> pipelines;
  ID3D12RootSignature* rootSignature = nullptr;
  ID3D12PipelineState* pipeline = nullptr;
  std::vector<uint8_t> atlasPixels;
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint = {};
  uint8_t* pixels = nullptr;
};

TEST_F(TextLabelDraw, BoxAndGlyphsShowWhereTheLayoutPutThem) {
  // The box spans x 20..180 and y 10..110 of the 200 x 150 target.
  TextLabel label(200.0f, 150.0f, 20.0f, 10.0f, 160.0f, 100.0f);
  label.Relayout();
  label.SetText(L"AB");
  ASSERT_EQ(label.InstanceCount, 3);
  DrawAndReadBack(label);

  const GlyphInstance background = Record(label, 0);
  const GlyphInstance a = Record(label, 1);
  const GlyphInstance b = Record(label, 2);
  const Pixel boxColor = BlendedOverClear(background.Color);
  const Pixel clearColor = ToPixel(ClearColor[0], ClearColor[1], ClearColor[2]);

  // A samples opaque atlas: crisp text colour over the box.
  ExpectPixel(PixelAtCentreOf(a.Position), ToPixel(a.Color.R, a.Color.G, a.Color.B), "glyph A");
  // B samples transparent atlas: only the box shows through.
  ExpectPixel(PixelAtCentreOf(b.Position), boxColor, "glyph B");
  ExpectPixel(PixelAtCentreOf(background.Position), boxColor, "box centre");
  // Just inside and just outside the box's corners.
  ExpectPixel(PixelAt(179, 109), boxColor, "box bottom-right");
  ExpectPixel(PixelAt(21, 60), boxColor, "box left edge");
  ExpectPixel(PixelAt(181, 60), clearColor, "right of the box");
  ExpectPixel(PixelAt(100, 111), clearColor, "below the box");
  ExpectPixel(PixelAt(19, 9), clearColor, "above left of the box");
  // A covers exactly its quad: 10 x 15 pixels from the box corner.
  ExpectPixel(PixelAt(20, 10), ToPixel(a.Color.R, a.Color.G, a.Color.B), "A's first pixel");
  ExpectPixel(PixelAt(29, 24), ToPixel(a.Color.R, a.Color.G, a.Color.B), "A's last pixel");
  ExpectPixel(PixelAt(30, 17), boxColor, "right of A");
  ExpectPixel(PixelAt(25, 25), boxColor, "below A");
}

}  // namespace
