// Fixture for tests that drive the Direct3D 12 layer on the real Vulkan device (lavapipe in CI): the shared
// GPU context (one device, queue, allocator, open command list and fence per test, buffers, read-back), a
// 64 x 64 target to draw into, and a check that the Vulkan validation layer stayed silent.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <d3dcompiler.h>
#include <d3dx12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "support/GpuContext.h"
#include "support/ValidationWatch.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// RGBA8 pixel as read back: red in the low byte.
constexpr uint32_t Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
}

// Channel-wise comparison with a tolerance, for filtered and blended results.
::testing::AssertionResult PixelNear(uint32_t actual, uint32_t expected, int tolerance = 2);

// The first `count` values of type T in a mapped read-back buffer the GPU has finished writing.
template <typename T>
std::vector<T> ReadMapped(ID3D12Resource* readback, size_t count) {
  std::vector<T> values(count);
  void* mapped = nullptr;
  EXPECT_EQ(readback->Map(0, nullptr, &mapped), S_OK);
  std::memcpy(values.data(), mapped, count * sizeof(T));
  readback->Unmap(0, nullptr);
  return values;
}

// An ExecuteIndirect argument that sets `count` root constants of `parameter` from `destination` on.
inline D3D12_INDIRECT_ARGUMENT_DESC RootConstant(UINT parameter, UINT destination, UINT count) {
  D3D12_INDIRECT_ARGUMENT_DESC argument{};
  argument.Type = D3D12_INDIRECT_ARGUMENT_TYPE_CONSTANT;
  argument.Constant = {parameter, destination, count};
  return argument;
}

class GpuTest : public ::testing::Test, protected GpuContext {
 protected:
  static constexpr UINT kWidth = 64;
  static constexpr UINT kHeight = 64;

  void SetUp() override;
  void TearDown() override;

  // A kWidth x kHeight R8G8B8A8 render target in RENDER_TARGET state with its view in `rtv`, and a
  // D24_UNORM_S8_UINT depth buffer in DEPTH_WRITE with its view in `dsv`.
  void CreateTargets();

  // Transitions the render target to COPY_SOURCE, copies it out and returns its pixels; the target is back in
  // RENDER_TARGET afterwards.
  std::vector<uint32_t> ReadTarget();
  uint32_t PixelAt(const std::vector<uint32_t>& pixels, UINT x, UINT y) const { return pixels[y * kWidth + x]; }

  // Compiles HLSL text through the platform's D3DCompileFromFile (entry point "main"), from a file of its own.
  ComPtr<ID3DBlob> Compile(const std::string& source, const char* target);

  D3D12_GRAPHICS_PIPELINE_STATE_DESC PipelineDesc(ID3D12RootSignature* root, ID3DBlob* vs, ID3DBlob* ps,
                                                  const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout) {
    return DefaultPipelineDescription(root, vs, ps, layout);
  }

  // Viewport and scissor covering the targets, and the targets bound.
  void BindTargets();

  // The usual start of a draw: the targets cleared to opaque black and depth 1, bound, and the root signature
  // and pipeline set.
  void ClearAndBind(ID3D12RootSignature* root, ID3D12PipelineState* pipeline);

  ComPtr<IDXGIFactory4> factory;
  ComPtr<ID3D12DescriptorHeap> rtvHeap;
  ComPtr<ID3D12DescriptorHeap> dsvHeap;
  ComPtr<ID3D12Resource> renderTarget;
  ComPtr<ID3D12Resource> depthBuffer;
  D3D12_CPU_DESCRIPTOR_HANDLE rtv{};
  D3D12_CPU_DESCRIPTOR_HANDLE dsv{};

 private:
  ValidationWatch validation_;
};

// A GpuTest with an auto-reset Win32 event, for the tests that wait on fence completion from the CPU.
class GpuEventTest : public GpuTest {
 protected:
  void SetUp() override {
    GpuTest::SetUp();
    event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(event, nullptr);
  }
  void TearDown() override {
    CloseHandle(event);
    GpuTest::TearDown();
  }
  HANDLE event = nullptr;
};
