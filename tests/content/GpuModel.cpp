#include "content/GpuModel.h"

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

ComPtr<ID3DBlob> Compile(const char* source, const char* target) {
  ComPtr<ID3DBlob> code;
  ComPtr<ID3DBlob> errors;
  const HRESULT result = D3DCompile(source, std::strlen(source), "pose", nullptr, nullptr, "main", target, 0, 0,
                                    &code, &errors);
  EXPECT_EQ(result, S_OK) << (errors != nullptr ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  return code;
}

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

GpuModel::GpuModel() {
  EXPECT_EQ(D3D12CreateDevice(nullptr, D3D_FEATURE_LEVEL_11_0, IID_PPV_ARGS(&Device)), S_OK);
  const D3D12_COMMAND_QUEUE_DESC queue = {D3D12_COMMAND_LIST_TYPE_DIRECT, 0, D3D12_COMMAND_QUEUE_FLAG_NONE, 0};
  Device->CreateCommandQueue(&queue, IID_PPV_ARGS(&Queue));
  Device->CreateCommandAllocator(D3D12_COMMAND_LIST_TYPE_DIRECT, IID_PPV_ARGS(&Allocator));
  Device->CreateCommandList(0, D3D12_COMMAND_LIST_TYPE_DIRECT, Allocator.Get(), nullptr, IID_PPV_ARGS(&List));
  Device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&fence_));
}

void GpuModel::SubmitAndWait() {
  ASSERT_EQ(List->Close(), S_OK);
  ID3D12CommandList* lists[] = {List.Get()};
  Queue->ExecuteCommandLists(1, lists);
  Queue->Signal(fence_.Get(), ++fenceValue_);
  const HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  fence_->SetEventOnCompletion(fenceValue_, event);
  WaitForSingleObject(event, INFINITE);
  CloseHandle(event);
  Allocator->Reset();
  List->Reset(Allocator.Get(), nullptr);
  inFlight_.clear();
}

std::vector<uint8_t> GpuModel::ReadBuffer(ID3D12Resource* buffer, uint64_t byteSize) {
  const ComPtr<ID3D12Resource> readback = CreateBuffer(D3D12_HEAP_TYPE_READBACK, byteSize, D3D12_RESOURCE_STATE_COPY_DEST);
  const auto toSource = CD3DX12_RESOURCE_BARRIER::Transition(buffer, D3D12_RESOURCE_STATE_GENERIC_READ,
                                                             D3D12_RESOURCE_STATE_COPY_SOURCE);
  List->ResourceBarrier(1, &toSource);
  List->CopyBufferRegion(readback.Get(), 0, buffer, 0, byteSize);
  const auto back = CD3DX12_RESOURCE_BARRIER::Transition(buffer, D3D12_RESOURCE_STATE_COPY_SOURCE,
                                                         D3D12_RESOURCE_STATE_GENERIC_READ);
  List->ResourceBarrier(1, &back);
  SubmitAndWait();
  std::vector<uint8_t> bytes(byteSize);
  void* mapped = nullptr;
  EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  std::memcpy(bytes.data(), mapped, byteSize);
  readback->Unmap(0, nullptr);
  return bytes;
}

std::vector<uint32_t> GpuModel::DrawPosed(const Model& model, const std::vector<float4x4>& palette, uint32_t width,
                                          uint32_t height) {
  const OffscreenTarget target = CreateTarget(width, height);
  const ComPtr<ID3D12RootSignature> rootSignature = CreateRootSignature();
  const ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(rootSignature.Get());
  const PassConstants pass = CameraConstants(width, height);
  std::vector<float4x4> bones(MaxBones, Identity());
  std::copy(palette.begin(), palette.end(), bones.begin());

  const float black[4] = {0, 0, 0, 1};
  List->ClearRenderTargetView(target.Rtv, black, 0, nullptr);
  List->ClearDepthStencilView(target.Dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  const D3D12_VIEWPORT viewport = {0, 0, float(width), float(height), 0, 1};
  const D3D12_RECT scissor = {0, 0, LONG(width), LONG(height)};
  List->RSSetViewports(1, &viewport);
  List->RSSetScissorRects(1, &scissor);
  List->OMSetRenderTargets(1, &target.Rtv, TRUE, &target.Dsv);
  List->SetGraphicsRootSignature(rootSignature.Get());
  List->SetPipelineState(pipeline.Get());
  List->SetGraphicsRootConstantBufferView(0, UploadBuffer(&pass, sizeof(pass))->GetGPUVirtualAddress());
  List->SetGraphicsRootConstantBufferView(
      1, UploadBuffer(bones.data(), bones.size() * sizeof(float4x4))->GetGPUVirtualAddress());
  // Bound as the frame binds a mesh: the shared buffers once, then one draw per submesh.
  const D3D12_VERTEX_BUFFER_VIEW vertices = {model.VertexBuffer->GetGPUVirtualAddress(), model.VertexBufferSize,
                                             model.VertexStride};
  const D3D12_INDEX_BUFFER_VIEW indices = {model.IndexBuffer->GetGPUVirtualAddress(), model.IndexBufferSize,
                                           model.IndexFormat};
  List->IASetVertexBuffers(0, 1, &vertices);
  List->IASetIndexBuffer(&indices);
  List->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  for (const Submesh& submesh : model.Submeshes) {
    List->DrawIndexedInstanced(submesh.IndexCount, 1, submesh.FirstIndex, submesh.BaseVertex, 0);
  }
  return ReadTarget(target.Color.Get(), width, height);
}

GpuModel::OffscreenTarget GpuModel::CreateTarget(uint32_t width, uint32_t height) {
  OffscreenTarget target;
  const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
  const auto colorDescription = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_R8G8B8A8_UNORM, width, height, 1, 1, 1, 0,
                                                             D3D12_RESOURCE_FLAG_ALLOW_RENDER_TARGET);
  const float black[4] = {0, 0, 0, 1};
  const CD3DX12_CLEAR_VALUE colorClear(DXGI_FORMAT_R8G8B8A8_UNORM, black);
  Device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &colorDescription,
                                  D3D12_RESOURCE_STATE_RENDER_TARGET, &colorClear, IID_PPV_ARGS(&target.Color));
  const auto depthDescription = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT_D24_UNORM_S8_UINT, width, height, 1, 1, 1, 0,
                                                             D3D12_RESOURCE_FLAG_ALLOW_DEPTH_STENCIL);
  const CD3DX12_CLEAR_VALUE depthClear(DXGI_FORMAT_D24_UNORM_S8_UINT, 1.0f, 0);
  Device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &depthDescription,
                                  D3D12_RESOURCE_STATE_DEPTH_WRITE, &depthClear, IID_PPV_ARGS(&target.Depth));
  D3D12_DESCRIPTOR_HEAP_DESC heap = {D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 1, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  Device->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&target.RtvHeap));
  heap.Type = D3D12_DESCRIPTOR_HEAP_TYPE_DSV;
  Device->CreateDescriptorHeap(&heap, IID_PPV_ARGS(&target.DsvHeap));
  target.Rtv = target.RtvHeap->GetCPUDescriptorHandleForHeapStart();
  target.Dsv = target.DsvHeap->GetCPUDescriptorHandleForHeapStart();
  Device->CreateRenderTargetView(target.Color.Get(), nullptr, target.Rtv);
  Device->CreateDepthStencilView(target.Depth.Get(), nullptr, target.Dsv);
  return target;
}

std::vector<uint32_t> GpuModel::ReadTarget(ID3D12Resource* color, uint32_t width, uint32_t height) {
  D3D12_PLACED_SUBRESOURCE_FOOTPRINT footprint;
  uint64_t readbackSize = 0;
  const D3D12_RESOURCE_DESC description = color->GetDesc();
  Device->GetCopyableFootprints(&description, 0, 1, 0, &footprint, nullptr, nullptr, &readbackSize);
  const ComPtr<ID3D12Resource> readback =
      CreateBuffer(D3D12_HEAP_TYPE_READBACK, readbackSize, D3D12_RESOURCE_STATE_COPY_DEST);
  const auto toSource = CD3DX12_RESOURCE_BARRIER::Transition(color, D3D12_RESOURCE_STATE_RENDER_TARGET,
                                                             D3D12_RESOURCE_STATE_COPY_SOURCE);
  List->ResourceBarrier(1, &toSource);
  const CD3DX12_TEXTURE_COPY_LOCATION destination(readback.Get(), footprint);
  const CD3DX12_TEXTURE_COPY_LOCATION source(color, 0);
  List->CopyTextureRegion(&destination, 0, 0, 0, &source, nullptr);
  SubmitAndWait();

  std::vector<uint32_t> pixels(size_t{width} * height);
  void* mapped = nullptr;
  EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  for (uint32_t y = 0; y < height; ++y) {
    std::memcpy(&pixels[size_t{y} * width], static_cast<uint8_t*>(mapped) + y * footprint.Footprint.RowPitch,
                width * 4);
  }
  readback->Unmap(0, nullptr);
  return pixels;
}

ComPtr<ID3D12Resource> GpuModel::CreateBuffer(D3D12_HEAP_TYPE heapType, uint64_t byteSize,
                                              D3D12_RESOURCE_STATES state) {
  const CD3DX12_HEAP_PROPERTIES heap(heapType);
  const auto description = CD3DX12_RESOURCE_DESC::Buffer(byteSize);
  ComPtr<ID3D12Resource> buffer;
  EXPECT_EQ(Device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &description, state, nullptr,
                                            IID_PPV_ARGS(&buffer)),
            S_OK);
  inFlight_.push_back(buffer);
  return buffer;
}

ComPtr<ID3D12Resource> GpuModel::UploadBuffer(const void* data, uint64_t byteSize) {
  ComPtr<ID3D12Resource> buffer = CreateBuffer(D3D12_HEAP_TYPE_UPLOAD, byteSize, D3D12_RESOURCE_STATE_GENERIC_READ);
  void* mapped = nullptr;
  buffer->Map(0, nullptr, &mapped);
  std::memcpy(mapped, data, byteSize);
  buffer->Unmap(0, nullptr);
  return buffer;
}

ComPtr<ID3D12RootSignature> GpuModel::CreateRootSignature() {
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsConstantBufferView(0);
  parameters[1].InitAsConstantBufferView(2);
  const CD3DX12_ROOT_SIGNATURE_DESC description(2, parameters, 0, nullptr,
                                                D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT);
  ComPtr<ID3DBlob> blob;
  ComPtr<ID3DBlob> errors;
  EXPECT_EQ(D3D12SerializeRootSignature(&description, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors), S_OK);
  ComPtr<ID3D12RootSignature> rootSignature;
  Device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&rootSignature));
  return rootSignature;
}

ComPtr<ID3D12PipelineState> GpuModel::CreatePipeline(ID3D12RootSignature* rootSignature) {
  const ComPtr<ID3DBlob> vertexShader = Compile(VertexShader, "vs_5_0");
  const ComPtr<ID3DBlob> pixelShader = Compile(PixelShader, "ps_5_0");
  D3D12_GRAPHICS_PIPELINE_STATE_DESC description = {};
  description.pRootSignature = rootSignature;
  description.VS = {vertexShader->GetBufferPointer(), vertexShader->GetBufferSize()};
  description.PS = {pixelShader->GetBufferPointer(), pixelShader->GetBufferSize()};
  description.BlendState = CD3DX12_BLEND_DESC(D3D12_DEFAULT);
  description.SampleMask = UINT_MAX;
  // Back faces culled with clockwise fronts, as the engine draws: an import with the wrong winding shows.
  description.RasterizerState = CD3DX12_RASTERIZER_DESC(D3D12_DEFAULT);
  description.DepthStencilState = CD3DX12_DEPTH_STENCIL_DESC(D3D12_DEFAULT);
  description.InputLayout = {ModelInputLayout.data(), static_cast<UINT>(ModelInputLayout.size())};
  description.PrimitiveTopologyType = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  description.NumRenderTargets = 1;
  description.RTVFormats[0] = DXGI_FORMAT_R8G8B8A8_UNORM;
  description.DSVFormat = DXGI_FORMAT_D24_UNORM_S8_UINT;
  description.SampleDesc = {1, 0};
  ComPtr<ID3D12PipelineState> pipeline;
  EXPECT_EQ(Device->CreateGraphicsPipelineState(&description, IID_PPV_ARGS(&pipeline)), S_OK);
  return pipeline;
}
