// Fixture for tests that drive the Direct3D 12 layer on the real Vulkan device (lavapipe in CI): one device,
// queue, allocator, open command list and fence per test, helpers to render off-screen and read pixels back,
// and a check that the Vulkan validation layer stayed silent.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <d3dcompiler.h>
#include <d3dx12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include "support/ValidationWatch.h"

#include <cstdint>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

// RGBA8 pixel as read back: red in the low byte.
constexpr uint32_t Rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
  return uint32_t(r) | uint32_t(g) << 8 | uint32_t(b) << 16 | uint32_t(a) << 24;
}

// Channel-wise comparison with a tolerance, for filtered and blended results.
::testing::AssertionResult PixelNear(uint32_t actual, uint32_t expected, int tolerance = 2);

class GpuTest : public ::testing::Test {
 protected:
  static constexpr UINT kWidth = 64;
  static constexpr UINT kHeight = 64;

  void SetUp() override;
  void TearDown() override;

  // Closes and runs the command list, waits for the GPU, and reopens the list.
  void ExecuteAndWait();

  // A kWidth x kHeight R8G8B8A8 render target in RENDER_TARGET state with its view in `rtv`, and a
  // D24_UNORM_S8_UINT depth buffer in DEPTH_WRITE with its view in `dsv`.
  void CreateTargets();

  // Transitions the render target to COPY_SOURCE, copies it out and returns its pixels; the target is back in
  // RENDER_TARGET afterwards.
  std::vector<uint32_t> ReadTarget();
  uint32_t PixelAt(const std::vector<uint32_t>& pixels, UINT x, UINT y) const { return pixels[y * kWidth + x]; }

  // Compiles HLSL text with the platform's D3DCompileFromFile (entry point "main").
  ComPtr<ID3DBlob> Compile(const std::string& source, const char* target);

  ComPtr<ID3D12Resource> CreateBuffer(D3D12_HEAP_TYPE heap, UINT64 size, D3D12_RESOURCE_STATES state);
  // An upload buffer holding `data`, mapped and filled.
  ComPtr<ID3D12Resource> UploadBuffer(const void* data, size_t size);
  // A default-heap buffer filled the way the engine fills its vertex and index buffers: COMMON to COPY_DEST,
  // d3dx12's UpdateSubresources through an upload buffer, then GENERIC_READ. Recorded on `list`.
  ComPtr<ID3D12Resource> StaticBuffer(const void* data, size_t size);
  ComPtr<ID3D12RootSignature> CreateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& desc);
  // The engine's pipeline defaults: solid fill, back-face culling, depth on with LESS, no blending, one
  // R8G8B8A8 target and a D24S8 depth buffer.
  D3D12_GRAPHICS_PIPELINE_STATE_DESC PipelineDesc(ID3D12RootSignature* root, ID3DBlob* vs, ID3DBlob* ps,
                                                  const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout);
  ComPtr<ID3D12PipelineState> CreatePipeline(const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc);

  // Viewport and scissor covering the targets, and the targets bound.
  void BindTargets();

  ComPtr<IDXGIFactory4> factory;
  ComPtr<ID3D12Device> device;
  ComPtr<ID3D12CommandQueue> queue;
  ComPtr<ID3D12CommandAllocator> allocator;
  ComPtr<ID3D12GraphicsCommandList> list;
  ComPtr<ID3D12Fence> fence;
  UINT64 fenceValue = 0;

  ComPtr<ID3D12DescriptorHeap> rtvHeap;
  ComPtr<ID3D12DescriptorHeap> dsvHeap;
  ComPtr<ID3D12Resource> renderTarget;
  ComPtr<ID3D12Resource> depthBuffer;
  D3D12_CPU_DESCRIPTOR_HANDLE rtv{};
  D3D12_CPU_DESCRIPTOR_HANDLE dsv{};

 private:
  ValidationWatch validation_;
  std::vector<ComPtr<ID3D12Resource>> keepAlive_;
};
