// Textures uploaded with d3dx12's UpdateSubresources and sampled through the engine's static sampler, and
// constant buffers reached through descriptor tables laid out like the engine's "object" root signature.
#include "GpuTest.h"

#include <array>
#include <cstring>

namespace {

constexpr float kClear[4] = {0, 0, 0, 1};

D3D12_STATIC_SAMPLER_DESC EngineSampler() {
  D3D12_STATIC_SAMPLER_DESC sampler{};
  sampler.Filter = D3D12_FILTER_MIN_MAG_LINEAR_MIP_POINT;
  sampler.AddressU = sampler.AddressV = sampler.AddressW = D3D12_TEXTURE_ADDRESS_MODE_WRAP;
  sampler.MaxAnisotropy = 16;
  sampler.ComparisonFunc = D3D12_COMPARISON_FUNC_LESS_EQUAL;
  sampler.BorderColor = D3D12_STATIC_BORDER_COLOR_OPAQUE_WHITE;
  sampler.MaxLOD = D3D12_FLOAT32_MAX;
  sampler.ShaderVisibility = D3D12_SHADER_VISIBILITY_ALL;
  return sampler;
}

class TextureTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    CreateTargets();
    const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 8,
                                              D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
    ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&shaderHeap)), S_OK);
    increment = device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  }

  // A default-heap texture filled through UpdateSubresources and left in PIXEL_SHADER_RESOURCE (or, with
  // `forCopy`, COPY_SOURCE).
  ComPtr<ID3D12Resource> UploadTexture(UINT width, UINT height, const std::vector<uint32_t>& texels, bool forCopy) {
    const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
    const auto desc = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, 1, 1);
    ComPtr<ID3D12Resource> texture;
    EXPECT_EQ(device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &desc, D3D12_RESOURCE_STATE_COPY_DEST,
                                              nullptr, IID_PPV_ARGS(&texture)),
              S_OK);
    staging = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, GetRequiredIntermediateSize(texture.Get(), 0, 1),
                           D3D12_RESOURCE_STATE_GENERIC_READ);
    const D3D12_SUBRESOURCE_DATA data{texels.data(), LONG_PTR(width * 4), LONG_PTR(width * height * 4)};
    EXPECT_NE(UpdateSubresources(list.Get(), texture.Get(), staging.Get(), 0, 0, 1, &data), 0u);
    const auto barrier = CD3DX12_RESOURCE_BARRIER::Transition(
        texture.Get(), D3D12_RESOURCE_STATE_COPY_DEST,
        forCopy ? D3D12_RESOURCE_STATE_COPY_SOURCE : D3D12_RESOURCE_STATE_PIXEL_SHADER_RESOURCE);
    list->ResourceBarrier(1, &barrier);
    return texture;
  }

  D3D12_CPU_DESCRIPTOR_HANDLE CpuSlot(UINT index) {
    return {shaderHeap->GetCPUDescriptorHandleForHeapStart().ptr + index * increment};
  }
  D3D12_GPU_DESCRIPTOR_HANDLE GpuSlot(UINT index) {
    return {shaderHeap->GetGPUDescriptorHandleForHeapStart().ptr + index * increment};
  }

  ComPtr<ID3D12DescriptorHeap> shaderHeap;
  ComPtr<ID3D12Resource> staging;
  UINT increment = 0;
};

TEST_F(TextureTest, UpdateSubresourcesKeepsRowsOfOddWidthTextures) {
  // Three texels per row (12 bytes) against a 256-byte row pitch in the staging buffer.
  const std::vector<uint32_t> texels = {Rgba(1, 2, 3),    Rgba(4, 5, 6),    Rgba(7, 8, 9),
                                        Rgba(10, 11, 12), Rgba(13, 14, 15), Rgba(16, 17, 18)};
  ComPtr<ID3D12Resource> texture = UploadTexture(3, 2, texels, true);
  const D3D12_RESOURCE_DESC desc = texture->GetDesc();
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint;
  UINT64 total = 0;
  device->GetCopyableFootprints(&desc, 0, 1, 0, &footprint, nullptr, nullptr, &total);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, total, D3D12_RESOURCE_STATE_COPY_DEST);
  const CD3DX12_TEXTURE_COPY_LOCATION to(readback.Get(), footprint);
  const CD3DX12_TEXTURE_COPY_LOCATION from(texture.Get(), 0);
  list->CopyTextureRegion(&to, 0, 0, 0, &from, nullptr);
  ExecuteAndWait();

  void* mapped = nullptr;
  ASSERT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  for (UINT y = 0; y < 2; ++y) {
    const auto* row =
        reinterpret_cast<const uint32_t*>(static_cast<uint8_t*>(mapped) + y * footprint.Footprint.RowPitch);
    for (UINT x = 0; x < 3; ++x) EXPECT_EQ(row[x], texels[y * 3 + x]) << "texel " << x << "," << y;
  }
  readback->Unmap(0, nullptr);
}

TEST_F(TextureTest, CopyTextureRegionMovesOnlyTheBoxToTheGivenTexel) {
  // A 4 x 2 texture; texels (1, 0) to (2, 1) go to texel (1, 0) of a zeroed 4 x 2 footprint.
  std::vector<uint32_t> texels(8);
  for (uint32_t i = 0; i < 8; ++i) texels[i] = Rgba(uint8_t(10 * i), 0, 0);
  ComPtr<ID3D12Resource> texture = UploadTexture(4, 2, texels, true);
  const D3D12_RESOURCE_DESC desc = texture->GetDesc();
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint;
  UINT64 total = 0;
  device->GetCopyableFootprints(&desc, 0, 1, 0, &footprint, nullptr, nullptr, &total);
  ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, total, D3D12_RESOURCE_STATE_COPY_DEST);
  void* cleared = nullptr;
  ASSERT_EQ(readback->Map(0, nullptr, &cleared), S_OK);
  std::memset(cleared, 0, total);
  readback->Unmap(0, nullptr);
  const CD3DX12_TEXTURE_COPY_LOCATION to(readback.Get(), footprint);
  const CD3DX12_TEXTURE_COPY_LOCATION from(texture.Get(), 0);
  const D3D12_BOX box{1, 0, 0, 3, 2, 1};
  list->CopyTextureRegion(&to, 1, 0, 0, &from, &box);
  ExecuteAndWait();

  void* mapped = nullptr;
  ASSERT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  const auto* rows = static_cast<const uint8_t*>(mapped);
  for (UINT y = 0; y < 2; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(rows + y * footprint.Footprint.RowPitch);
    EXPECT_EQ(row[1], texels[y * 4 + 1]);
    EXPECT_EQ(row[2], texels[y * 4 + 2]);
    EXPECT_EQ(row[3], 0u) << "outside the box";
  }
  readback->Unmap(0, nullptr);
}

TEST_F(TextureTest, TexturedQuadSamplesTheUploadedTexels) {
  const std::vector<uint32_t> texels = {Rgba(255, 0, 0), Rgba(0, 255, 0), Rgba(0, 0, 255), Rgba(255, 255, 255)};
  ComPtr<ID3D12Resource> texture = UploadTexture(2, 2, texels, false);
  device->CreateShaderResourceView(texture.Get(), nullptr, CpuSlot(0));

  const CD3DX12_DESCRIPTOR_RANGE range(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0);
  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsDescriptorTable(1, &range);
  const D3D12_STATIC_SAMPLER_DESC sampler = EngineSampler();
  const D3D12_ROOT_SIGNATURE_DESC rootDesc{1, &parameter, 1, &sampler,
                                           D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT};
  ComPtr<ID3D12RootSignature> root = CreateRootSignature(rootDesc);
  // A screen-filling strip whose texture coordinates come from the vertex index.
  ComPtr<ID3DBlob> vs = Compile(R"(
struct VertexOut { float4 position : SV_Position; float2 uv : TEXCOORD; };
VertexOut main(uint id : SV_VertexID) {
  VertexOut output;
  output.uv = float2(id & 1, id >> 1);
  output.position = float4(output.uv.x * 2 - 1, 1 - output.uv.y * 2, 0.5, 1);
  return output;
})",
                                "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile(R"(
Texture2D Atlas : register(t0);
SamplerState Linear : register(s0);
float4 main(float4 position : SV_Position, float2 uv : TEXCOORD) : SV_Target { return Atlas.Sample(Linear, uv); })",
                                "ps_5_0");
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), {}));

  list->ClearRenderTargetView(rtv, kClear, 0, nullptr);
  list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  BindTargets();
  ID3D12DescriptorHeap* heaps[] = {shaderHeap.Get()};
  list->SetDescriptorHeaps(1, heaps);
  list->SetGraphicsRootSignature(root.Get());
  list->SetGraphicsRootDescriptorTable(0, GpuSlot(0));
  list->SetPipelineState(pipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  list->DrawInstanced(4, 1, 0, 0);
  const std::vector<uint32_t> pixels = ReadTarget();

  // Each quarter of the target shows one texel; linear filtering blends only near the seams.
  EXPECT_TRUE(PixelNear(PixelAt(pixels, 16, 16), Rgba(255, 0, 0), 8));
  EXPECT_TRUE(PixelNear(PixelAt(pixels, 47, 16), Rgba(0, 255, 0), 8));
  EXPECT_TRUE(PixelNear(PixelAt(pixels, 16, 47), Rgba(0, 0, 255), 8));
  EXPECT_TRUE(PixelNear(PixelAt(pixels, 47, 47), Rgba(255, 255, 255), 8));
}

// b0 tints, b1 holds a row-vector world matrix written transposed (as the engine writes its constants), t0 a
// white texture and b2 a second factor: parameters 0 to 3, one table each, as in the engine.
TEST_F(TextureTest, ConstantBuffersReachShadersThroughFourTables) {
  ComPtr<ID3D12Resource> white = UploadTexture(1, 1, {Rgba(255, 255, 255)}, false);
  device->CreateShaderResourceView(white.Get(), nullptr, CpuSlot(0));

  // 256-byte slots: pass tint, two object matrices, bone factor.
  std::array<uint8_t, 4 * 256> constants{};
  const float tint[4] = {1.0f, 0.5f, 0.0f, 1.0f};
  const float factor[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  // Translations by (-0.5, 0) and (+0.5, 0), stored transposed.
  const float left[16] = {1, 0, 0, -0.5f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  const float right[16] = {1, 0, 0, 0.5f, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  std::memcpy(&constants[0], tint, sizeof(tint));
  std::memcpy(&constants[256], left, sizeof(left));
  std::memcpy(&constants[512], right, sizeof(right));
  std::memcpy(&constants[768], factor, sizeof(factor));
  ComPtr<ID3D12Resource> buffer = UploadBuffer(constants.data(), constants.size());
  for (UINT slot = 0; slot < 4; ++slot) {
    const D3D12_CONSTANT_BUFFER_VIEW_DESC view{buffer->GetGPUVirtualAddress() + slot * 256, 256};
    device->CreateConstantBufferView(&view, CpuSlot(1 + slot));
  }

  const CD3DX12_DESCRIPTOR_RANGE ranges[] = {{D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 0},
                                             {D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 1},
                                             {D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 1, 0},
                                             {D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 2}};
  CD3DX12_ROOT_PARAMETER parameters[4];
  for (int i = 0; i < 4; ++i) parameters[i].InitAsDescriptorTable(1, &ranges[i]);
  const D3D12_STATIC_SAMPLER_DESC sampler = EngineSampler();
  ComPtr<ID3D12RootSignature> root =
      CreateRootSignature({4, parameters, 1, &sampler, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT});
  ComPtr<ID3DBlob> vs = Compile(R"(
cbuffer Object : register(b1) { float4x4 World; };
float4 main(float3 position : POSITION) : SV_Position { return mul(float4(position, 1), World); })",
                                "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile(R"(
cbuffer Pass : register(b0) { float4 Tint; };
cbuffer Bones : register(b2) { float4 Factor; };
Texture2D Diffuse : register(t0);
SamplerState Linear : register(s0);
float4 main(float4 position : SV_Position) : SV_Target {
  return Tint * Factor * Diffuse.Sample(Linear, float2(0.5, 0.5));
})",
                                "ps_5_0");
  const std::vector<D3D12_INPUT_ELEMENT_DESC> layout = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), layout));
  // A small clockwise triangle around the origin.
  const float triangle[] = {-0.2f, -0.2f, 0.5f, 0.0f, 0.2f, 0.5f, 0.2f, -0.2f, 0.5f};
  ComPtr<ID3D12Resource> vertices = UploadBuffer(triangle, sizeof(triangle));
  const D3D12_VERTEX_BUFFER_VIEW vertexView{vertices->GetGPUVirtualAddress(), sizeof(triangle), 12};

  list->ClearRenderTargetView(rtv, kClear, 0, nullptr);
  list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  BindTargets();
  ID3D12DescriptorHeap* heaps[] = {shaderHeap.Get()};
  list->SetDescriptorHeaps(1, heaps);
  list->SetGraphicsRootSignature(root.Get());
  list->SetGraphicsRootDescriptorTable(0, GpuSlot(1));
  list->SetGraphicsRootDescriptorTable(3, GpuSlot(4));
  list->SetGraphicsRootDescriptorTable(2, GpuSlot(0));
  for (UINT object = 0; object < 2; ++object) {
    list->SetGraphicsRootDescriptorTable(1, GpuSlot(2 + object));
    list->SetPipelineState(pipeline.Get());
    list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
    list->IASetVertexBuffers(0, 1, &vertexView);
    list->DrawInstanced(3, 1, 0, 0);
  }
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_TRUE(PixelNear(PixelAt(pixels, 16, 33), Rgba(255, 128, 0)));
  EXPECT_TRUE(PixelNear(PixelAt(pixels, 48, 33), Rgba(255, 128, 0)));
  EXPECT_EQ(PixelAt(pixels, 32, 33), Rgba(0, 0, 0)) << "the untranslated position stays empty";
}

}  // namespace
