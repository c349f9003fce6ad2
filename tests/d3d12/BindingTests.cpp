// Root signatures and pipelines at the edges of the binding scheme: what is refused, what root constants,
// a root constant buffer view and copied descriptors deliver, and draws whose targets do not match their
// pipeline.
#include "GpuTest.h"

#include <gmock/gmock.h>

#include <bit>
#include <string>

using ::testing::HasSubstr;

namespace {

ComPtr<ID3DBlob> Serialize(const D3D12_ROOT_SIGNATURE_DESC& desc) {
  ComPtr<ID3DBlob> blob;
  EXPECT_EQ(D3D12SerializeRootSignature(&desc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, nullptr), S_OK);
  return blob;
}

const char* kTintPixelShader = R"(
cbuffer Tint : register(b0) { float4 Color; };
float4 main(float4 position : SV_Position) : SV_Target { return Color; })";

const char* kFullScreenVertexShader = R"(
float4 main(uint id : SV_VertexID) : SV_Position {
  float2 corner = float2(id & 1, id >> 1);
  return float4(corner.x * 2 - 1, 1 - corner.y * 2, 0.5, 1);
})";

TEST_F(GpuTest, RootSignaturesOutsideTheBindingSchemeAreRefused) {
  ComPtr<ID3D12RootSignature> root;
  auto create = [&](const D3D12_ROOT_SIGNATURE_DESC& desc) {
    ComPtr<ID3DBlob> blob = Serialize(desc);
    return device->CreateRootSignature(0, blob->GetBufferPointer(), blob->GetBufferSize(), IID_PPV_ARGS(&root));
  };
  // A root signature holds 64 DWORDs: 63 root constants and a root view (2) are one too many.
  CD3DX12_ROOT_PARAMETER tooLarge[2];
  tooLarge[0].InitAsConstants(63, 0);
  tooLarge[1].InitAsConstantBufferView(1);
  const D3D12_ROOT_SIGNATURE_DESC tooLargeDesc{2, tooLarge, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE};
  ComPtr<ID3DBlob> blob, errors;
  EXPECT_EQ(D3D12SerializeRootSignature(&tooLargeDesc, D3D_ROOT_SIGNATURE_VERSION_1, &blob, &errors), E_INVALIDARG);
  ASSERT_NE(errors, nullptr);
  EXPECT_THAT(static_cast<const char*>(errors->GetBufferPointer()), HasSubstr("65 DWORDs"));

  CD3DX12_ROOT_PARAMETER twoSpaces[2];
  twoSpaces[0].InitAsConstantBufferView(0, 0);
  twoSpaces[1].InitAsConstantBufferView(0, 1);
  EXPECT_EQ(create({2, twoSpaces, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}), S_OK);

  // Registers up to 1023 of each class bind; past them the binding scheme has no room.
  CD3DX12_ROOT_PARAMETER highRegister;
  highRegister.InitAsConstantBufferView(40);
  EXPECT_EQ(create({1, &highRegister, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}), S_OK);
  highRegister.InitAsConstantBufferView(1024);
  EXPECT_EQ(create({1, &highRegister, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}), E_NOTIMPL);

  // Descriptors in one space other than 0 are fine: that space's set is pushed.
  CD3DX12_ROOT_PARAMETER spaceTwo;
  spaceTwo.InitAsConstantBufferView(3, 2);
  EXPECT_EQ(create({1, &spaceTwo, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE}), S_OK);
}

TEST_F(GpuTest, PipelinesWhoseShadersReadMissingDescriptorsAreRefused) {
  ComPtr<ID3D12RootSignature> empty =
      CreateRootSignature({0, nullptr, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_ALLOW_INPUT_ASSEMBLER_INPUT_LAYOUT});
  ComPtr<ID3DBlob> vs = Compile(kFullScreenVertexShader, "vs_5_0");
  ComPtr<ID3DBlob> ps = Compile(kTintPixelShader, "ps_5_0");
  ComPtr<ID3D12PipelineState> pipeline;
  const D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(empty.Get(), vs.Get(), ps.Get(), {});
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(device->CreateGraphicsPipelineState(&desc, IID_PPV_ARGS(&pipeline)), E_INVALIDARG);
  EXPECT_THAT(::testing::internal::GetCapturedStderr(),
              HasSubstr("the pixel shader reads descriptor set 0 binding 0, which the root signature lacks"));

  D3D12_GRAPHICS_PIPELINE_STATE_DESC swapped = desc;
  swapped.VS = desc.PS;
  EXPECT_EQ(device->CreateGraphicsPipelineState(&swapped, IID_PPV_ARGS(&pipeline)), E_INVALIDARG)
      << "a pixel shader in the vertex stage";
}

class TintTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    CreateTargets();
    vs = Compile(kFullScreenVertexShader, "vs_5_0");
    ps = Compile(kTintPixelShader, "ps_5_0");
    const float black[4] = {0, 0, 0, 1};
    list->ClearRenderTargetView(rtv, black, 0, nullptr);
    list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  }

  void DrawFullScreen() {
    list->IASetPrimitiveTopology(D3D_PRIMITIVE_TOPOLOGY_TRIANGLESTRIP);
    list->DrawInstanced(4, 1, 0, 0);
  }

  ComPtr<ID3DBlob> vs, ps;
};

TEST_F(TintTest, RootConstantBufferViewsReachTheShader) {
  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsConstantBufferView(0);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({1, &parameter, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), {}));
  const float colors[2][64] = {{0, 1, 0, 1}, {1, 0, 1, 1}};
  ComPtr<ID3D12Resource> constants = UploadBuffer(colors, sizeof(colors));

  BindTargets();
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(pipeline.Get());
  list->SetGraphicsRootConstantBufferView(0, constants->GetGPUVirtualAddress() + 256);
  DrawFullScreen();
  EXPECT_EQ(PixelAt(ReadTarget(), 10, 10), Rgba(255, 0, 255));
}

TEST_F(TintTest, RootConstantsReachTheShaderAsSetBeforeEachDraw) {
  // The whole root signature in constants: 61 at a register the shader does not read, then the shader's
  // colour as three values, so its alpha lies in the row's padding, which reads as zero.
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsConstants(61, 1);
  parameters[1].InitAsConstants(3, 0);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({2, parameters, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), {}));

  BindTargets();
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(pipeline.Get());
  const float other[2] = {7, 7};
  list->SetGraphicsRoot32BitConstants(0, 2, other, 59);
  const float green[3] = {0, 1, 0};
  list->SetGraphicsRoot32BitConstants(1, 3, green, 0);
  const D3D12_RECT left{0, 0, kWidth / 2, kHeight};
  list->RSSetScissorRects(1, &left);
  DrawFullScreen();
  // One value changed between the draws: each draw sees the values as they were when it was recorded.
  const float one = 1.0f;
  list->SetGraphicsRoot32BitConstant(1, std::bit_cast<UINT>(one), 0);
  const D3D12_RECT right{kWidth / 2, 0, kWidth, kHeight};
  list->RSSetScissorRects(1, &right);
  DrawFullScreen();
  std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 10, 10), Rgba(0, 255, 0, 0));
  EXPECT_EQ(PixelAt(pixels, 50, 10), Rgba(255, 255, 0, 0));

  // Reading the target reset the allocator and the list: the constants' memory is reused, and still right.
  list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  BindTargets();
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(pipeline.Get());
  const float blue[3] = {0, 0, 1};
  list->SetGraphicsRoot32BitConstants(1, 3, blue, 0);
  DrawFullScreen();
  pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, 10, 10), Rgba(0, 0, 255, 0));
  EXPECT_EQ(PixelAt(pixels, 50, 10), Rgba(0, 0, 255, 0));
}

TEST_F(TintTest, RootConstantsOutsideTheirParameterAreSkippedAndCloseFails) {
  CD3DX12_ROOT_PARAMETER parameters[2];
  parameters[0].InitAsConstants(4, 0);
  parameters[1].InitAsConstantBufferView(1);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({2, parameters, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  list->SetGraphicsRootSignature(root.Get());
  const UINT values[2] = {1, 2};
  ::testing::internal::CaptureStderr();
  list->SetGraphicsRoot32BitConstants(0, 2, values, 3);
  list->SetGraphicsRoot32BitConstants(1, 1, values, 0);
  list->SetGraphicsRoot32BitConstants(0, 1, nullptr, 0);
  const std::string messages = ::testing::internal::GetCapturedStderr();
  EXPECT_THAT(messages, HasSubstr("2 values from offset 3 run past the parameter's 4 constants"));
  EXPECT_THAT(messages, HasSubstr("root parameter 1 is not a set of root constants"));
  EXPECT_THAT(messages, HasSubstr("pSrcData is null"));
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

TEST_F(TintTest, CopiedDescriptorsAreIndependentOfTheirSource) {
  const CD3DX12_DESCRIPTOR_RANGE range(D3D12_DESCRIPTOR_RANGE_TYPE_CBV, 1, 0);
  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsDescriptorTable(1, &range);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({1, &parameter, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), {}));
  const float colors[2][64] = {{0, 0, 1, 1}, {1, 1, 0, 1}};
  ComPtr<ID3D12Resource> constants = UploadBuffer(colors, sizeof(colors));

  // Views are written in a CPU-only heap and copied into the shader-visible one, as engines stage them.
  D3D12_DESCRIPTOR_HEAP_DESC heapDesc{D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV, 2, D3D12_DESCRIPTOR_HEAP_FLAG_NONE, 0};
  ComPtr<ID3D12DescriptorHeap> staging, visible;
  ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&staging)), S_OK);
  heapDesc.Flags = D3D12_DESCRIPTOR_HEAP_FLAG_SHADER_VISIBLE;
  ASSERT_EQ(device->CreateDescriptorHeap(&heapDesc, IID_PPV_ARGS(&visible)), S_OK);
  const D3D12_CONSTANT_BUFFER_VIEW_DESC yellow{constants->GetGPUVirtualAddress() + 256, 256};
  device->CreateConstantBufferView(&yellow, staging->GetCPUDescriptorHandleForHeapStart());
  device->CopyDescriptorsSimple(1, visible->GetCPUDescriptorHandleForHeapStart(),
                                staging->GetCPUDescriptorHandleForHeapStart(), D3D12_DESCRIPTOR_HEAP_TYPE_CBV_SRV_UAV);
  const D3D12_CONSTANT_BUFFER_VIEW_DESC blue{constants->GetGPUVirtualAddress(), 256};
  device->CreateConstantBufferView(&blue, staging->GetCPUDescriptorHandleForHeapStart());

  BindTargets();
  ID3D12DescriptorHeap* heaps[] = {visible.Get()};
  list->SetDescriptorHeaps(1, heaps);
  list->SetGraphicsRootSignature(root.Get());
  list->SetGraphicsRootDescriptorTable(0, visible->GetGPUDescriptorHandleForHeapStart());
  list->SetPipelineState(pipeline.Get());
  DrawFullScreen();
  EXPECT_EQ(PixelAt(ReadTarget(), 10, 10), Rgba(255, 255, 0));
}

TEST_F(TintTest, DrawsWhoseTargetsDifferFromThePipelineAreSkipped) {
  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsConstantBufferView(0);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({1, &parameter, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  D3D12_GRAPHICS_PIPELINE_STATE_DESC desc = PipelineDesc(root.Get(), vs.Get(), ps.Get(), {});
  desc.RTVFormats[0] = DXGI_FORMAT_B8G8R8A8_UNORM;
  ComPtr<ID3D12PipelineState> bgra = CreatePipeline(desc);
  const float red[64] = {1, 0, 0, 1};
  ComPtr<ID3D12Resource> constants = UploadBuffer(red, sizeof(red));
  BindTargets();
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(bgra.Get());
  list->SetGraphicsRootConstantBufferView(0, constants->GetGPUVirtualAddress());
  ::testing::internal::CaptureStderr();
  DrawFullScreen();
  EXPECT_THAT(::testing::internal::GetCapturedStderr(), HasSubstr("differs from the pipeline state's RTVFormats[0]"));
  // The list still runs what it recorded correctly: the clear, and not the draw.
  EXPECT_EQ(list->Close(), E_INVALIDARG);
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
  ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, nullptr), S_OK);
  ASSERT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
  EXPECT_EQ(PixelAt(ReadTarget(), 10, 10), Rgba(0, 0, 0)) << "nothing was drawn";
}

TEST_F(TintTest, ClearsWhileRenderingOnlyTouchTheirRectangles) {
  CD3DX12_ROOT_PARAMETER parameter;
  parameter.InitAsConstantBufferView(0);
  ComPtr<ID3D12RootSignature> root = CreateRootSignature({1, &parameter, 0, nullptr, D3D12_ROOT_SIGNATURE_FLAG_NONE});
  ComPtr<ID3D12PipelineState> pipeline = CreatePipeline(PipelineDesc(root.Get(), vs.Get(), ps.Get(), {}));
  const float green[64] = {0, 1, 0, 1};
  ComPtr<ID3D12Resource> constants = UploadBuffer(green, sizeof(green));
  BindTargets();
  list->SetGraphicsRootSignature(root.Get());
  list->SetPipelineState(pipeline.Get());
  list->SetGraphicsRootConstantBufferView(0, constants->GetGPUVirtualAddress());
  DrawFullScreen();
  const float white[4] = {1, 1, 1, 1};
  const D3D12_RECT corner{kWidth - 4, kHeight - 4, kWidth, kHeight};
  list->ClearRenderTargetView(rtv, white, 1, &corner);
  const std::vector<uint32_t> pixels = ReadTarget();
  EXPECT_EQ(PixelAt(pixels, kWidth - 1, kHeight - 1), Rgba(255, 255, 255));
  EXPECT_EQ(PixelAt(pixels, kWidth - 5, kHeight - 1), Rgba(0, 255, 0));
}

TEST_F(GpuTest, AllocatorsCannotBeResetWhileTheGpuUsesThem) {
  // The queue waits for a fence value nobody has signalled yet, so the list stays in flight.
  ComPtr<ID3D12Fence> gate;
  ASSERT_EQ(device->CreateFence(0, D3D12_FENCE_FLAG_NONE, IID_PPV_ARGS(&gate)), S_OK);
  ASSERT_EQ(queue->Wait(gate.Get(), 1), S_OK);
  ASSERT_EQ(list->Close(), S_OK);
  ID3D12CommandList* lists[] = {list.Get()};
  queue->ExecuteCommandLists(1, lists);
  ASSERT_EQ(queue->Signal(fence.Get(), ++fenceValue), S_OK);
  EXPECT_EQ(allocator->Reset(), E_FAIL);
  ASSERT_EQ(gate->Signal(1), S_OK);
  ASSERT_EQ(fence->SetEventOnCompletion(fenceValue, nullptr), S_OK);
  EXPECT_EQ(allocator->Reset(), S_OK);
  ASSERT_EQ(list->Reset(allocator.Get(), nullptr), S_OK);
}

TEST_F(GpuTest, ObjectsKeepTheirNamesAndPrivateData) {
  ASSERT_EQ(fence->SetName(L"frame fence"), S_OK);
  wchar_t name[32] = {};
  UINT size = sizeof(name);
  ASSERT_EQ(fence->GetPrivateData(WKPDID_D3DDebugObjectNameW, &size, name), S_OK);
  EXPECT_STREQ(name, L"frame fence");
  UINT tooSmall = 4;
  EXPECT_EQ(fence->GetPrivateData(WKPDID_D3DDebugObjectNameW, &tooSmall, name), DXGI_ERROR_MORE_DATA);
  EXPECT_EQ(tooSmall, size);
  ASSERT_EQ(fence->SetPrivateData(WKPDID_D3DDebugObjectNameW, 0, nullptr), S_OK);
  EXPECT_EQ(fence->GetPrivateData(WKPDID_D3DDebugObjectNameW, &size, name), DXGI_ERROR_NOT_FOUND);
}

}  // namespace
