// Misuse gets the real error code or is skipped with one stderr line naming the call; nothing reaches Vulkan
// that would upset it, and nothing crashes.
#include "GpuTest.h"

#include <gmock/gmock.h>

using ::testing::HasSubstr;

namespace {

class ErrorPathTest : public GpuTest {
 protected:
  // Runs `misuse` and returns what it printed on stderr.
  template <typename Misuse>
  std::string StderrOf(Misuse misuse) {
    ::testing::internal::CaptureStderr();
    misuse();
    return ::testing::internal::GetCapturedStderr();
  }
};

TEST_F(ErrorPathTest, CreationRejectsNullAndUnknownArguments) {
  const CD3DX12_HEAP_PROPERTIES heap(D3D12_HEAP_TYPE_DEFAULT);
  const auto texture = CD3DX12_RESOURCE_DESC::Tex2D(DXGI_FORMAT(999), 4, 4);
  ComPtr<ID3D12Resource> resource;
  const std::string message = StderrOf([&] {
    EXPECT_EQ(device->CreateCommittedResource(&heap, D3D12_HEAP_FLAG_NONE, &texture, D3D12_RESOURCE_STATE_COMMON,
                                              nullptr, IID_PPV_ARGS(&resource)),
              E_INVALIDARG);
  });
  EXPECT_THAT(message, HasSubstr("ID3D12Device::CreateCommittedResource: unsupported format 999"));

  const auto buffer = CD3DX12_RESOURCE_DESC::Buffer(64);
  EXPECT_EQ(device->CreateCommittedResource(nullptr, D3D12_HEAP_FLAG_NONE, &buffer, D3D12_RESOURCE_STATE_COMMON,
                                            nullptr, IID_PPV_ARGS(&resource)),
            E_INVALIDARG);
  const CD3DX12_HEAP_PROPERTIES upload(D3D12_HEAP_TYPE_UPLOAD);
  EXPECT_EQ(device->CreateCommittedResource(&upload, D3D12_HEAP_FLAG_NONE, &buffer, D3D12_RESOURCE_STATE_COMMON,
                                            nullptr, IID_PPV_ARGS(&resource)),
            E_INVALIDARG)
      << "upload heaps start in GENERIC_READ";
  EXPECT_EQ(device->CreateCommandQueue(nullptr, IID_PPV_ARGS(&queue)), E_INVALIDARG);
  EXPECT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, __uuidof(ID3D12Fence), nullptr), E_POINTER);
  const D3D12_DESCRIPTOR_HEAP_DESC empty{D3D12_DESCRIPTOR_HEAP_TYPE_RTV, 0, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  ComPtr<ID3D12DescriptorHeap> heapObject;
  EXPECT_EQ(device->CreateDescriptorHeap(&empty, IID_PPV_ARGS(&heapObject)), E_INVALIDARG);
  EXPECT_EQ(resource.Get(), nullptr);
}

TEST_F(ErrorPathTest, DefaultHeapResourcesCannotBeMapped) {
  ComPtr<ID3D12Resource> buffer = CreateBuffer(D3D12_HEAP_TYPE_DEFAULT, 64, D3D12_RESOURCE_STATE_COMMON);
  void* data = nullptr;
  EXPECT_EQ(buffer->Map(0, nullptr, &data), E_INVALIDARG);
  EXPECT_EQ(data, nullptr);
}

TEST_F(ErrorPathTest, DescriptorsOutsideTheirHeapAreIgnored) {
  CreateTargets();
  const D3D12_CPU_DESCRIPTOR_HANDLE pastTheEnd{
      rtv.ptr + 2 * device->GetDescriptorHandleIncrementSize(D3D12_DESCRIPTOR_HEAP_TYPE_RTV)};
  const std::string message =
      StderrOf([&] { device->CreateRenderTargetView(renderTarget.Get(), nullptr, pastTheEnd); });
  EXPECT_THAT(message, HasSubstr("ID3D12Device::CreateRenderTargetView: descriptor index 2 is outside its heap of 1"));
  const std::string bogus = StderrOf([&] { device->CreateRenderTargetView(renderTarget.Get(), nullptr, {12345}); });
  EXPECT_THAT(bogus, HasSubstr("not in a live descriptor heap"));
}

TEST_F(ErrorPathTest, RootParametersTheSignatureLacksAreSkippedAndCloseFails) {
  const CD3DX12_DESCRIPTOR_RANGE range(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 0);
  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsDescriptorTable(1, &range);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({1, &parameter, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  const D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 1,
                                            D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE, 0};
  ComPtr<ID3D12DescriptorHeap> heap;
  ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&heap)), S_OK);
  ID3D12DescriptorHeap* heaps[] = {heap.Get()};
  list->SetDescriptorHeaps(1, heaps);
  list->SetGraphicsRootSignature(root.Get());
  const std::string message =
      StderrOf([&] { list->SetGraphicsRootDescriptorTable(4, heap->GetGPUDescriptorHandleForHeapStart()); });
  EXPECT_THAT(message, HasSubstr("ID3D12GraphicsCommandList::SetGraphicsRootDescriptorTable: root parameter 4 is "
                                 "outside the root signature's 1 parameters"));
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

TEST_F(ErrorPathTest, DrawsWithoutAPipelineAreSkipped) {
  CreateTargets();
  BindTargets();
  list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLELIST);
  const std::string message = StderrOf([&] { list->DrawInstanced(3, 1, 0, 0); });
  EXPECT_THAT(message, HasSubstr("ID3D12GraphicsCommandList::DrawInstanced: no pipeline state is set"));
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  EXPECT_EQ(list->Close(), E_FAIL) << "a closed list cannot be closed again";
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

TEST_F(ErrorPathTest, RecordingListsAreNotExecuted) {
  ID3D12CommandList* lists[] = {list.Get()};
  const std::string message = StderrOf([&] { queue->ExecuteCommandLists(1, lists); });
  EXPECT_THAT(message, HasSubstr("still recording"));
  EXPECT_EQ(list->Reset(allocator.Get(), nullptr), E_FAIL) << "Reset needs a closed list";
  EXPECT_EQ(allocator->Reset(), E_FAIL) << "the list is still recording from the allocator";
}

TEST_F(ErrorPathTest, BadRootSignaturesAndPipelinesAreRefused) {
  ComPtr<ID3DBlob> blob, errors;
  EXPECT_EQ(D3D12SerializeRootSignature(nullptr, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors), E_INVALIDARG);
  ASSERT_NE(errors.Get(), nullptr);
  EXPECT_THAT(static_cast<const char*>(errors->GetBufferPointer()), HasSubstr("pRootSignature is null"));

  const char garbage[] = "not a root signature";
  ComPtr<ID3D12RootSignature> root;
  EXPECT_EQ(device->CreateRootSignature(0, garbage, sizeof(garbage), IID_PPV_ARGS(&root)), E_INVALIDARG);

  root = CreateRootSignature({0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT});
  ComPtr<ID3DBlob> vs =
      Compile("float4 main(float4 p : POSITION, float4 n : NORMAL) : SV_Position { return p + n; }", "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile("float4 main() : SV_Target { return 1; }", "ps_5_0");
  const std::vector<D3D12_INPUT_ELEMENT_DESC> onlyPosition = {
      {"position", 0, DXGI_FORMAT_R32G32B32A32_FLOAT, 0, 0, D3D12_INPUT_CLASSIFICATION_PER_VERTEX_DATA, 0}};
  ComPtr<ID3D12PipelineState> pipeline;
  const D3D12_GRAPHICS_PIPELINE_STATE_DESC missingNormal = PipelineDesc(root.Get(), vs.Get(), ps.Get(), onlyPosition);
  const std::string message = StderrOf(
      [&] { EXPECT_EQ(device->CreateGraphicsPipelineState(&missingNormal, IID_PPV_ARGS(&pipeline)), E_INVALIDARG); });
  EXPECT_THAT(message, HasSubstr("vertex shader input NORMAL0 has no element in the input layout"));

  D3D12_GRAPHICS_PIPELINE_STATE_DESC notSpirv = PipelineDesc(root.Get(), vs.Get(), ps.Get(), onlyPosition);
  notSpirv.VS = {garbage, sizeof(garbage)};
  EXPECT_EQ(device->CreateGraphicsPipelineState(&notSpirv, IID_PPV_ARGS(&pipeline)), E_INVALIDARG);
}

// The pixel shader may read fewer outputs and fewer components than the vertex shader writes, never an
// output it lacks, more components, another component type or another order.
TEST_F(ErrorPathTest, PixelShaderInputsMustLinkToTheVertexShadersOutputs) {
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3DBlob> vs = Compile(R"(
    struct Out { float4 position : SV_Position; float2 uv : TEXCOORD0; float3 normal : NORMAL; };
    Out main(uint id : SV_VertexID) { Out o; o.position = id; o.uv = id; o.normal = id; return o; })",
                                "vs_5_0");
  const struct {
    const char* inputs;
    const char* read;
    const char* refusal;  // null when the pipeline links
  } cases[] = {
      {"float4 p : SV_Position, float2 uv : TEXCOORD0, float3 n : NORMAL", "uv.x + n.y", nullptr},
      {"float4 p : SV_Position, float uv : texcoord", "uv", nullptr},
      {"float4 p : SV_Position, bool front : SV_IsFrontFace", "front", nullptr},
      {"float2 uv : TEXCOORD1", "uv.x", "reads TEXCOORD1, which the vertex shader does not write"},
      {"float4 uv : TEXCOORD0", "uv.w", "reads 1 x 4 components of TEXCOORD0, the vertex shader writes 1 x 2"},
      {"nointerpolation int2 uv : TEXCOORD0", "uv.x", "reads TEXCOORD0 as int, the vertex shader writes float"},
      {"float3 n : NORMAL, float2 uv : TEXCOORD0", "n.x + uv.y", "reads NORMAL0 from register 0"},
  };
  for (const auto& link : cases) {
    SCOPED_TRACE(link.inputs);
    ComPtr<ID3DBlob> ps = Compile(std::string("float4 main(") + link.inputs + ") : SV_Target { return " + link.read +
                                      "; }",
                                  "ps_5_0");
    D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), {});
    ComPtr<ID3D12PipelineState> pipeline;
    HRESULT result = S_OK;
    const std::string message =
        StderrOf([&] { result = device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline)); });
    if (link.refusal == nullptr) {
      EXPECT_EQ(result, S_OK) << message;
    } else {
      EXPECT_EQ(result, E_INVALIDARG);
      EXPECT_THAT(message, HasSubstr(link.refusal));
    }
  }
}

TEST_F(ErrorPathTest, UnsupportedMethodsSayNotImplementedOnce) {
  ComPtr<ID3D12Resource> reserved;
  const auto desc = CD3DX12_RESOURCE_DESC::Buffer(65536);
  const auto create = [&] {
    EXPECT_EQ(device->CreateReservedResource(&desc, D3D12_RESOURCE_STATE_COMMON, nullptr, IID_PPV_ARGS(&reserved)),
              E_NOTIMPL);
  };
  std::string first = StderrOf(create);
  std::string second = StderrOf(create);
  EXPECT_THAT(first, HasSubstr("ID3D12Device::CreateReservedResource: not implemented"));
  EXPECT_EQ(second, "");
}

}  // namespace
