#include "GpuTest.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

::testing::AssertionResult PixelNear(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = int((actual >> shift) & 0xFF);
    const int e = int((expected >> shift) & 0xFF);
    if (std::abs(a - e) > tolerance) {
      return ::testing::AssertionFailure() << std::hex << "pixel 0x" << actual << " differs from 0x" << expected;
    }
  }
  return ::testing::AssertionSuccess();
}

void GpuTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(validation_.Start());
  ASSERT_EQ(CreateDXGIFactory1(IID_PPV_ARGS(&factory)), S_OK);
  ASSERT_TRUE(Open());
}

void GpuTest::TearDown() {
  Close();
  validation_.ExpectSilent();
}

void GpuTest::CreateTargets() {
  const OffscreenTarget target = CreateTarget(kWidth, kHeight);
  rtvHeap = target.RtvHeap;
  dsvHeap = target.DsvHeap;
  renderTarget = target.Color;
  depthBuffer = target.Depth;
  rtv = target.Rtv;
  dsv = target.Dsv;
}

void GpuTest::BindTargets() {
  const D3D12_VIEWPORT viewport{0.0f, 0.0f, float(kWidth), float(kHeight), 0.0f, 1.0f};
  const D3D12_RECT scissor{0, 0, LONG(kWidth), LONG(kHeight)};
  list->RSSetViewports(1, &viewport);
  list->RSSetScissorRects(1, &scissor);
  list->OMSetRenderTargets(1, &rtv, TRUE, &dsv);
}

void GpuTest::ClearAndBind(ID3D12RootSignature* root, ID3D12PipelineState* pipeline) {
  const float black[4] = {0, 0, 0, 1};
  list->ClearRenderTargetView(rtv, black, 0, nullptr);
  list->ClearDepthStencilView(dsv, D3D12_CLEAR_FLAG_DEPTH, 1.0f, 0, 0, nullptr);
  BindTargets();
  list->SetGraphicsRootSignature(root);
  list->SetPipelineState(pipeline);
}

std::vector<uint32_t> GpuTest::ReadTarget() {
  return AsPixels(ReadTexture(renderTarget.Get(), D3D12_RESOURCE_STATE_RENDER_TARGET));
}

ComPtr<ID3DBlob> GpuTest::Compile(const std::string& source, const char* target) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / (std::string("d3d12_") + info->name() + "_" + target + ".hlsl");
  std::ofstream(path) << source;
  ComPtr<ID3DBlob> code, errors;
  const HRESULT result = D3DCompileFromFile(path.wstring().c_str(), nullptr, D3D_COMPILE_STANDARD_FILE_INCLUDE, "main",
                                            target, D3DCOMPILE_DEBUG, 0, &code, &errors);
  EXPECT_EQ(result, S_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  std::filesystem::remove(path);
  return code;
}
