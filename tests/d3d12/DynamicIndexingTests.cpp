// Arrays of descriptors indexed with values known only at run time, on an adapter that may lack Vulkan's
// dynamic-indexing features: sized from the root signature where the shader leaves them unsized, every element
// read exactly, and the one shape with no size anywhere refused with one line.
#include "GpuTest.h"

#include <gmock/gmock.h>

namespace {

using ::testing::HasSubstr;

class DynamicIndexingTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    heap = NewHeap(16, D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE);
    clearViews = NewHeap(16, D3D12_DESCRIPTOR_HEAP_FLAG_NONE);
    increment = device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  }

  ComPtr<ID3D12DescriptorHeap> NewHeap(UINT size, D3D12_DESCRIPTOR_HEAP_FLAGS flags) {
    const D3D12_DESCRIPTOR_HEAP_DESC desc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, size, flags, 0};
    ComPtr<ID3D12DescriptorHeap> created;
    EXPECT_EQ(device->CreateDescriptorHeap(&desc, IID_PPV_ARGS(&created)), S_OK);
    return created;
  }
  D3D12_CPU_DESCRIPTOR_HANDLE Cpu(ID3D12DescriptorHeap* in, UINT index) const {
    return {in->GetCPUDescriptorHandleForHeapStart().ptr + SIZE_T(index) * increment};
  }

  // A 1 x 1 texture of `format` cleared through a UAV to `value`, readable by every shader, its view at `slot`.
  ComPtr<ID3D12Resource> AddTexture(DXGI_FORMAT format, UINT slot, const UINT* uintValue, const float* floatValue) {
    ComPtr<ID3D12Resource> texture;
    const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
    const auto desc =
        CD3DX12_RESOURCE_DESC::Tex2D(format, 1, 1, 1, 1, 1, 0, D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS);
    EXPECT_EQ(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &desc,
                                              D3D12_RESOURCE_STATE_UNORDERED_ACCESS, nullptr, IID_PPV_ARGS(&texture)),
              S_OK);
    device->CreateUnorderedAccessView(texture.Get(), nullptr, nullptr, Cpu(clearViews.Get(), slot));
    D3D12_GPU_DESCRIPTOR_HANDLE unused{heap->GetGPUDescriptorHandleForHeapStart()};
    if (uintValue != nullptr) {
      list->ClearUnorderedAccessViewUint(unused, Cpu(clearViews.Get(), slot), texture.Get(), uintValue, 0, nullptr);
    } else {
      list->ClearUnorderedAccessViewFloat(unused, Cpu(clearViews.Get(), slot), texture.Get(), floatValue, 0, nullptr);
    }
    auto toRead = CD3DX12_RESOURCE_BARRIER::Transition(texture.Get(), D3D12_RESOURCE_STATE_UNORDERED_ACCESS,
                                                       D3D12_RESOURCE_STATE_ALL_SHADER_RESOURCE);
    list->ResourceBarrier(1, &toRead);
    device->CreateShaderResourceView(texture.Get(), nullptr, Cpu(heap.Get(), slot));
    textures.push_back(texture);
    return texture;
  }
  void AddUintTexture(UINT slot, UINT value) {
    const UINT values[4] = {value, 0, 0, 0};
    AddTexture(DXGI_FORMAT_R32_UINT, slot, values, nullptr);
  }

  // A structured buffer of `count` words the compute shader writes, its view at heap slot 0.
  ComPtr<ID3D12Resource> AddOutput(UINT count) {
    ComPtr<ID3D12Resource> buffer;
    const CD3DX12_HEAP_PROPERTIES defaultHeap(D3D12_HEAP_TYPE_DEFAULT);
    const auto desc = CD3DX12_RESOURCE_DESC::Buffer(count * 4, D3D12_RESOURCE_FLAG_ALLOW_UNORDERED_ACCESS);
    EXPECT_EQ(device->CreateCommittedResource(&defaultHeap, D3D12_HEAP_FLAG_NONE, &desc,
                                              D3D12_RESOURCE_STATE_UNORDERED_ACCESS, nullptr, IID_PPV_ARGS(&buffer)),
              S_OK);
    D3D12_UNORDERED_ACCESS_VIEW_DESC uav{};
    uav.ViewDimension = D3D12_UAV_DIMENSION_BUFFER;
    uav.Buffer.NumElements = count;
    uav.Buffer.StructureByteStride = 4;
    device->CreateUnorderedAccessView(buffer.Get(), nullptr, &uav, Cpu(heap.Get(), 0));
    return buffer;
  }

  // Runs `source` with the root signature: root constant b0 = `index`, then one table from heap slot 0 holding
  // u0 and `srvs`; returns the output's `count` words.
  std::vector<uint32_t> RunCompute(const std::string& source, const D3D12_DESCRIPTOR_RANGE& srvs, UINT index,
                                   UINT count, UINT groups) {
    ComPtr<ID3D12Resource> output = AddOutput(count);
    CD3DX12_DESCRIPTOR_RANGE ranges[2];
    ranges[0].Init(D3D12_DESCRIPTOR_RANGE_TYPE_UAV, 1, 0, 0, 0);
    ranges[1] = CD3DX12_DESCRIPTOR_RANGE(srvs);
    CD3DX12_ROOT_PARAMETER parameters[2];
    parameters[0].InitAsConstants(1, 0);
    parameters[1].InitAsDescriptorTable(2, ranges);
    ComPtr<ID3D12RootSignature> root = CreateRootSignature({2, parameters, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
    ComPtr<ID3DBlob> code = Compile(source, "cs_5_1");
    D3D12_COMPUTE_PIPELINE_STATE_DESC desc{};
    desc.pRootSignature = root.Get();
    desc.CS = {code->GetBufferPointer(), code->GetBufferSize()};
    ComPtr<ID3D12PipelineState> pipeline;
    EXPECT_EQ(device->CreateComputePipelineState(&desc, IID_PPV_ARGS(&pipeline)), S_OK);
    if (pipeline == nullptr) return {};

    ID3D12DescriptorHeap* heaps[] = {heap.Get()};
    list->SetDescriptorHeaps(1, heaps);
    list->SetPipelineState(pipeline.Get());
    list->SetComputeRootSignature(root.Get());
    list->SetComputeRoot32BitConstant(0, index, 0);
    list->SetComputeRootDescriptorTable(1, heap->GetGPUDescriptorHandleForHeapStart());
    list->Dispatch(groups, 1, 1);
    const std::vector<uint8_t> bytes = ReadBuffer(output.Get(), count * 4, D3D12_RESOURCE_STATE_UNORDERED_ACCESS);
    std::vector<uint32_t> words(count);
    std::memcpy(words.data(), bytes.data(), count * 4);
    return words;
  }

  ComPtr<ID3D12DescriptorHeap> heap;
  ComPtr<ID3D12DescriptorHeap> clearViews;
  UINT increment = 0;
  std::vector<ComPtr<ID3D12Resource>> textures;
};

// A declared size: each element picked by the thread id, and again by a cbuffer value offset per thread.
TEST_F(DynamicIndexingTest, SizedTextureArrayByThreadIdAndConstant) {
  for (UINT i = 0; i < 6; ++i) AddUintTexture(1 + i, 100 + i);
  const CD3DX12_DESCRIPTOR_RANGE srvs(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 6, 0, 0, 1);
  const std::vector<uint32_t> words = RunCompute(R"(
cbuffer Pick : register(b0) { uint Index; };
Texture2D<uint> Textures[6] : register(t0);
RWStructuredBuffer<uint> Output : register(u0);
[numthreads(6, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) {
  Output[id.x] = Textures[id.x].Load(int3(0, 0, 0));
  Output[6 + id.x] = Textures[(Index + id.x) % 6].Load(int3(0, 0, 0));
})",
                                                 srvs, 4, 12, 1);
  ASSERT_EQ(words.size(), 12u);
  for (UINT i = 0; i < 6; ++i) {
    EXPECT_EQ(words[i], 100 + i) << "by thread id, element " << i;
    EXPECT_EQ(words[6 + i], 100 + (4 + i) % 6) << "by constant, thread " << i;
  }
}

// No size in the shader: the array takes what its range holds from its own register on (t2..t7 of t0..t7).
TEST_F(DynamicIndexingTest, UnsizedTextureArrayTakesItsLengthFromTheRange) {
  for (UINT i = 0; i < 8; ++i) AddUintTexture(1 + i, 200 + i);
  const CD3DX12_DESCRIPTOR_RANGE srvs(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 8, 0, 1, 1);
  const std::vector<uint32_t> words = RunCompute(R"(
Texture2D<uint> Textures[] : register(t2, space1);
RWStructuredBuffer<uint> Output : register(u0);
[numthreads(1, 1, 1)]
void main(uint3 id : SV_DispatchThreadID) { Output[id.x] = Textures[id.x].Load(int3(0, 0, 0)); })",
                                                 srvs, 0, 6, 6);
  ASSERT_EQ(words.size(), 6u);
  for (UINT i = 0; i < 6; ++i) EXPECT_EQ(words[i], 202 + i) << "element " << i;
}

// An unsized array in an unbounded range has no length anywhere: refused, naming the register.
TEST_F(DynamicIndexingTest, UnsizedArrayInUnboundedRangeIsRefused) {
  CD3DX12_DESCRIPTOR_RANGE ranges[2];
  ranges[0].Init(D3D12_DESCRIPTOR_RANGE_TYPE_UAV, 1, 0);
  ranges[1].Init(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, UINT(-1), 3, 1);
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsConstants(1, 0);
  parameters[1].InitAsDescriptorTable(2, ranges);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({2, parameters, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3DBlob> code = Compile(R"(
cbuffer Pick : register(b0) { uint Index; };
Texture2D<uint> Textures[] : register(t3, space1);
RWStructuredBuffer<uint> Output : register(u0);
[numthreads(1, 1, 1)]
void main() { Output[0] = Textures[Index].Load(int3(0, 0, 0)); })",
                                  "cs_5_1");
  D3D12_COMPUTE_PIPELINE_STATE_DESC desc{};
  desc.pRootSignature = root.Get();
  desc.CS = {code->GetBufferPointer(), code->GetBufferSize()};
  ComPtr<ID3D12PipelineState> pipeline;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(device->CreateComputePipelineState(&desc, IID_PPV_ARGS(&pipeline)), E_NOTIMPL);
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(message, HasSubstr("t3 (space 1)"));
  EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
}

// A pixel shader sampling an unsized array with a per-draw root constant at b0, while the vertex shader reads
// its own b0 (the quad's corner) from another root parameter, as Microsoft's dynamic indexing sample does:
// four draws, four quadrants, each its own texture, in an order that is neither the heap's nor its reverse.
TEST_F(DynamicIndexingTest, PixelShaderSamplesTheTextureEachDrawPicks) {
  CreateTargets();
  const float colors[4][4] = {{1, 0, 0, 1}, {0, 1, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 1}};
  for (UINT i = 0; i < 4; ++i) AddTexture(DXGI_FORMAT_R8G8B8A8_UNORM, i, nullptr, colors[i]);
  const CD3DX12_DESCRIPTOR_RANGE srvs(D3D12_DESCRIPTOR_RANGE_TYPE_SRV, 4, 0);
  CD3DX12_ROOT_PARAMETER parameters[3];
  parameters[0].InitAsConstants(1, 0, 0, D3D12_SHADER_VISIBILITY_PIXEL);
  parameters[1].InitAsDescriptorTable(1, &srvs, D3D12_SHADER_VISIBILITY_PIXEL);
  parameters[2].InitAsConstants(2, 0, 0, D3D12_SHADER_VISIBILITY_VERTEX);
  const CD3DX12_STATIC_SAMPLER_DESC sampler(0, D3D12_FILTER_MIN_MAG_MIP_POINT);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({3, parameters, 1, &sampler, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3DBlob> vs = Compile(R"(
cbuffer Place : register(b0) { float2 Corner; };
float4 main(uint id : SV_VertexID) : SV_Position {
  float2 at = Corner + float2(id & 1, id >> 1);
  return float4(at.x - 1, 1 - at.y, 0.5, 1);
})",
                                "vs_5_1");
  ComPtr<ID3DBlob> ps = Compile(R"(
cbuffer Draw : register(b0) { uint Material; };
Texture2D Materials[] : register(t0);
SamplerState Point : register(s0);
float4 main(float4 position : SV_Position) : SV_Target { return Materials[Material].Sample(Point, float2(0.5, 0.5)); })",
                                "ps_5_1");
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), {}));
  ASSERT_NE(pipeline, nullptr);

  ClearAndBind(root.Get(), pipeline.Get());
  ID3D12DescriptorHeap* heaps[] = {heap.Get()};
  list->SetDescriptorHeaps(1, heaps);
  list->SetGraphicsRootDescriptorTable(1, heap->GetGPUDescriptorHandleForHeapStart());
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
  const UINT materials[4] = {2, 0, 3, 1};
  for (UINT quadrant = 0; quadrant < 4; ++quadrant) {
    const float corner[2] = {float(quadrant % 2), float(quadrant / 2)};
    list->SetGraphicsRoot32BitConstants(2, 2, corner, 0);
    list->SetGraphicsRoot32BitConstant(0, materials[quadrant], 0);
    list->DrawInstanced(4, 1, 0, 0);
  }
  const std::vector<uint32_t> pixels = ReadTarget();
  const uint32_t expected[4] = {Rgba(255, 0, 0), Rgba(0, 255, 0), Rgba(0, 0, 255), Rgba(255, 255, 255)};
  for (UINT quadrant = 0; quadrant < 4; ++quadrant) {
    const UINT x = (quadrant % 2) * kWidth / 2 + 8, y = (quadrant / 2) * kHeight / 2 + 8;
    EXPECT_EQ(PixelAt(pixels, x, y), expected[materials[quadrant]]) << "quadrant " << quadrant;
  }
}

}  // namespace
