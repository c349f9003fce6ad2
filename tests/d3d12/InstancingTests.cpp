// Per-instance quads drawn as triangle strips with alpha blending and no depth test, as the engine draws text.
#include "GpuTest.h"

namespace {

struct QuadInstance {
  float rect[4];  // left, top, width, height in clip space
  float texCoord[4];
  float color[4];
};

TEST_F(GpuTest, InstancedStripsBlendWithSourceAlpha) {
  CreateTargets();
  ComPtr<ID3D12RootSignature> root =
      CreateRootSignature({0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT});
  ComPtr<ID3DBlob> vs = Compile(R"(
struct Instance { float4 rect : POSITION; float4 uv : TEXCOORD; float4 color : COLOR; };
struct VertexOut { float4 position : SV_Position; float4 color : COLOR; };
VertexOut main(Instance instance, uint id : SV_VertexID) {
  float2 corner = float2(id & 1, id >> 1);
  VertexOut output;
  output.position = float4(instance.rect.x + corner.x * instance.rect.z, instance.rect.y - corner.y * instance.rect.w, 0, 1);
  output.color = instance.color;
  return output;
})",
                                "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile(R"(
float4 main(float4 position : SV_Position, float4 color : COLOR) : SV_Target { return color; })",
                                "ps_5_0");
  const std::vector<D3D12_INPUT_ELEMENT_DESC> layout = {
      {"POSITION", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA, 1},
      {"TEXCOORD", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 16, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA, 1},
      {"COLOR", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 32, D3D12_INPUT_CLASSIFICATION_PER_INSTANCE_DATA, 1}};
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), layout);
  desc.DepthStencilState.DepthEnable = FALSE;
  D3D12_RENDER_TARGET_BLEND_DESC& blend = desc.BlendState.RenderTarget[0];
  blend.BlendEnable = TRUE;
  blend.SrcBlend = D3D12_BLEND_SRC_ALPHA;
  blend.DestBlend = D3D12_BLEND_INV_SRC_ALPHA;
  blend.BlendOp = D3D12_BLEND_OP_ADD;
  blend.SrcBlendAlpha = D3D12_BLEND_ONE;
  blend.DestBlendAlpha = D3D12_BLEND_ZERO;
  blend.BlendOpAlpha = D3D12_BLEND_OP_ADD;
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(desc);

  const QuadInstance instances[] = {{{-1.0f, 1.0f, 1.0f, 2.0f}, {}, {1, 0, 0, 0.5f}},
                                    {{0.0f, 1.0f, 1.0f, 2.0f}, {}, {0, 1, 0, 1.0f}}};
  ComPtr<ID3D12Resource> buffer = UploadBuffer(instances, sizeof(instances));
  const D3D12_VERTEX_BUFFER_VIEW view{buffer->GetGPUVirtualAddress(), sizeof(instances), sizeof(QuadInstance)};

  const float blue[4] = {0, 0, 1, 1};
  list->ClearRenderTargetView(rtv, blue, 0, nullptr);
  list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH | D3D12_CLEAR_FLAG_STENCIL, 1.0f, 0, 0, nullptr);
  BindTargets();
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(pipeline.Get());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  list->IASetVertexBuffers(0, 1, &view);
  list->DrawInstanced(4, 2, 0, 0);
  const std::vector<uint32_t> pixels = ReadTarget();

  EXPECT_TRUE(PixelNear(PixelAt(pixels, 16, 32), Rgba(128, 0, 128, 128))) << "half-transparent red over blue";
  EXPECT_EQ(PixelAt(pixels, 48, 32), Rgba(0, 255, 0)) << "opaque green replaces blue";
}

}  // namespace
