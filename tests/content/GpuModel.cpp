#include "GpuModel.h"

#include "content/InputLayouts.h"
#include "math/Matrix.h"

#include <d3dcompiler.h>
#include <gtest/gtest.h>

#include "d3dx12.h"

#include <cstring>
#include <string>

namespace {

// The palette skins position and normal as the object shaders do; the light comes from the camera.
constexpr const char* VertexShader = R"(
cbuffer Pass : register(b0) { row_major float4x4 ViewProj; };
cbuffer BonePalette : register(b2) { row_major float4x4 Bones[96]; };
struct ModelVertex {
  float3 Position : POSITION; float2 TexCoord : TEXCOORD; float3 Normal : NORMAL;
  float4 Color : COLOR; float4 Weights : WEIGHTS; float4 BoneIndices : BONEINDICES;
};
struct LitVertex { float4 Position : SV_POSITION; float3 Normal : NORMAL; float4 Color : COLOR; };
LitVertex main(ModelVertex v) {
  float4x4 skin = v.Weights.x * Bones[(int)v.BoneIndices.x] + v.Weights.y * Bones[(int)v.BoneIndices.y] +
                  v.Weights.z * Bones[(int)v.BoneIndices.z] + v.Weights.w * Bones[(int)v.BoneIndices.w];
  LitVertex lit;
  lit.Position = mul(ViewProj, mul(skin, float4(v.Position, 1)));
  lit.Normal = mul(skin, float4(v.Normal, 0)).xyz;
  lit.Color = v.Color;
  return lit;
})";

constexpr const char* PixelShader = R"(
struct LitVertex { float4 Position : SV_POSITION; float3 Normal : NORMAL; float4 Color : COLOR; };
float4 main(LitVertex v) : SV_TARGET {
  float light = 0.2 + 0.8 * saturate(dot(normalize(v.Normal), float3(0, 0, -1)));
  return float4(v.Color.rgb * float3(0.9, 0.75, 0.6) * light, 1);
})";

struct PassConstants {
  float4x4 ViewProj;
  uint8_t Padding[192];
};

// The engine's default camera, written as the constant buffers carry scene matrices: transposed.
PassConstants CameraConstants(uint32_t width, uint32_t height) {
  const float4x4 view = ViewFromFrame({0, 0, -4}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  const float4x4 projection = PerspectiveFov(0.7853982f, float(width) / float(height), 1.0f, 1000.0f);
  return {Transpose(Multiply(view, projection)), {}};
}

}  // namespace

GpuModel::GpuModel() { Open(); }

GpuModel::~GpuModel() { Close(); }

std::vector<uint32_t> GpuModel::DrawPosed(const Model& model, const std::vector<float4x4>& palette, uint32_t width,
                                          uint32_t height) {
  const OffscreenTarget target = CreateTarget(width, height);
  const ComPtr<ID3D12RootSignature> rootSignature = CreatePosingRootSignature();
  const ComPtr<ID3D12PipelineState> pipeline = CreatePosingPipeline(rootSignature.Get());
  const PassConstants pass = CameraConstants(width, height);
  std::vector<float4x4> bones(MaxBones, Identity());
  std::copy(palette.begin(), palette.end(), bones.begin());

  const float black[4] = {0, 0, 0, 1};
  list->ClearRenderTargetView(target.Rtv, black, 0, nullptr);
  list->ClearDepthStencilView(target.Dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  const D3D12_VIEWPORT viewport = {0, 0, float(width), float(height), 0, 1};
  const D3D12_RECT scissor = {0, 0, LONG(width), LONG(height)};
  list->RSSetViewports(1, &viewport);
  list->RSSetScissorRects(1, &scissor);
  list->OMSetRenderTargets(1, &target.Rtv, TRUE, &target.Dsv);
  list->SetGraphicsRootSignature(rootSignature.Get());
  list->SetPipelineState(pipeline.Get());
  list->SetGraphicsRootConstantBufferView(0, UploadBuffer(&pass, sizeof(pass))->GetGPUVirtualAddress());
  list->SetGraphicsRootConstantBufferView(
      1, UploadBuffer(bones.data(), bones.size() * sizeof(float4x4))->GetGPUVirtualAddress());
  // Bound as the frame binds a mesh: the shared buffers once, then one draw per submesh.
  const D3D12_VERTEX_BUFFER_VIEW vertices = {model.VertexBuffer->GetGPUVirtualAddress(), model.VertexBufferSize,
                                             model.VertexStride};
  const D3D12_INDEX_BUFFER_VIEW indices = {model.IndexBuffer->GetGPUVirtualAddress(), model.IndexBufferSize,
                                           model.IndexFormat};
  list->IASetVertexBuffers(0, 1, &vertices);
  list->IASetIndexBuffer(&indices);
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  for (const Submesh& submesh : model.Submeshes) {
    list->DrawIndexedInstanced(submesh.IndexCount, 1, submesh.FirstIndex, submesh.BaseVertex, 0);
  }
  return AsPixels(ReadTexture(target.Color.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET));
}

ComPtr<ID3D12RootSignature> GpuModel::CreatePosingRootSignature() {
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsConstantBufferView(0);
  parameters[1].InitAsConstantBufferView(2);
  return CreateRootSignature(CD3DX12_ROOT_SIGNATURE_DESC(2, parameters, 0, nullptr,
                                                         D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT));
}

ComPtr<ID3D12PipelineState> GpuModel::CreatePosingPipeline(ID3D12RootSignature* rootSignature) {
  const ComPtr<ID3DBlob> vertexShader = CompileSource(VertexShader, "main", "vs_5_0");
  const ComPtr<ID3DBlob> pixelShader = CompileSource(PixelShader, "main", "ps_5_0");
  // Back faces culled with clockwise fronts, as the engine draws: an import with the wrong winding shows.
  const std::vector<D3D12_INPUT_ELEMENT_DESC> layout(ModelInputLayout.begin(), ModelInputLayout.end());
  return CreatePipeline(DefaultPipelineDescription(rootSignature, vertexShader.Get(), pixelShader.Get(), layout));
}
