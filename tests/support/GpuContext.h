// Direct3D 12 through the platform layer for tests that record their own commands: the default adapter's
// device with a direct queue, an allocator, an open command list and a fence, and the plumbing every such
// test needs: buffers, an off-screen target, compiled shaders, root signatures, and reading results back.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <d3dcompiler.h>
#include <wrl/client.h>

#include <cstdint>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

// A colour target in RENDER_TARGET and a D24_UNORM_S8_UINT depth buffer in DEPTH_WRITE, each with its view.
struct OffscreenTarget {
  ComPtr<ID3D12Resource> Color;
  ComPtr<ID3D12Resource> Depth;
  ComPtr<ID3D12DescriptorHeap> RtvHeap;
  ComPtr<ID3D12DescriptorHeap> DsvHeap;
  D3D12_CPU_DESCRIPTOR_HANDLE Rtv = {};
  D3D12_CPU_DESCRIPTOR_HANDLE Dsv = {};
};

class GpuContext {
 public:
  // Makes the device and the command objects, the list left open. False, with the failing call reported
  // as a test failure, when any of them cannot be made.
  bool Open();

  // Closes the list and waits for everything submitted; for the end of a test.
  void Close();

  // Closes the list, runs it, waits for the GPU, and opens the list again. Buffers made through the
  // context since the last call are released afterwards, once the GPU is done with them.
  void ExecuteAndWait();

  ComPtr<ID3D12Resource> CreateBuffer(D3D12_HEAP_TYPE heap, UINT64 size, D3D12_RESOURCE_STATES state);
  // An upload buffer holding `data`.
  ComPtr<ID3D12Resource> UploadBuffer(const void* data, size_t size);
  // A default-heap buffer filled the way the engine fills its vertex and index buffers: COMMON to COPY_DEST,
  // d3dx12's UpdateSubresources through an upload buffer, then GENERIC_READ. Recorded on the list.
  ComPtr<ID3D12Resource> StaticBuffer(const void* data, size_t size);

  OffscreenTarget CreateTarget(UINT width, UINT height, DXGI_FORMAT format = DXGI_FORMAT_R8G8B8A8_UNORM);

  // Subresource 0 of a texture that is in `state`, rows tightly packed; the texture is back in `state`
  // afterwards. Runs the list.
  std::vector<uint8_t> ReadTexture(ID3D12Resource* texture, D3D12_RESOURCE_STATES state);
  // The first `size` bytes of a buffer in `state` (default heap); runs the list.
  std::vector<uint8_t> ReadBuffer(ID3D12Resource* buffer, UINT64 size, D3D12_RESOURCE_STATES state);

  ComPtr<ID3D12RootSignature> CreateRootSignature(const D3D12_ROOT_SIGNATURE_DESC& description);
  ComPtr<ID3D12PipelineState> CreatePipeline(const D3D12_GRAPHICS_PIPELINE_STATE_DESC& description);

  ComPtr<ID3D12Device> device;
  ComPtr<ID3D12CommandQueue> queue;
  ComPtr<ID3D12CommandAllocator> allocator;
  ComPtr<ID3D12GraphicsCommandList> list;
  ComPtr<ID3D12Fence> fence;
  UINT64 fenceValue = 0;

 private:
  std::vector<ComPtr<ID3D12Resource>> keepAlive_;
};

// HLSL text compiled with D3DCompile (no file); a failure is a test failure with the compiler's message.
ComPtr<ID3DBlob> CompileSource(const std::string& source, const char* entryPoint, const char* target, UINT flags = 0);
// The same as the SPIR-V words the layer compiles to, for tests that read or rewrite the module; empty on failure.
std::vector<uint32_t> CompileToSpirv(const std::string& source, const char* target, UINT flags = 0);

// The engine's pipeline defaults: solid fill, back faces culled, depth on with LESS, no blending, one
// R8G8B8A8 target and a D24S8 depth buffer, triangles.
D3D12_GRAPHICS_PIPELINE_STATE_DESC DefaultPipelineDescription(ID3D12RootSignature* root, ID3DBlob* vertexShader,
                                                              ID3DBlob* pixelShader,
                                                              const std::vector<D3D12_INPUT_ELEMENT_DESC>& layout);

// RGBA8 pixels as 32-bit values, red in the low byte.
std::vector<uint32_t> AsPixels(const std::vector<uint8_t>& rgba);
