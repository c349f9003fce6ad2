// Direct3D 12 through the platform layer for the model's GPU tests: a device with a queue, an open
// command list and a fence, as content loading equips the model loader, plus read-back and an off-screen
// draw of a posed model.
#pragma once

#include "content/Model.h"

#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>

#include <cstdint>
#include <vector>

using Microsoft::WRL::ComPtr;

class GpuModel {
 public:
  GpuModel();

  // Closes the list, runs it, waits for the GPU and opens the list again.
  void SubmitAndWait();

  // The first byteSize bytes of a default-heap buffer in the generic-read state.
  std::vector<uint8_t> ReadBuffer(ID3D12Resource* buffer, uint64_t byteSize);

  // Every draw range of the model skinned by the palette and lit from the camera, seen from the engine's
  // default camera (at (0, 0, -4) looking along +z, 45 degree field of view); RGBA8 rows, top row first,
  // on a black background.
  std::vector<uint32_t> DrawPosed(const Model& model, const std::vector<float4x4>& palette, uint32_t width,
                                  uint32_t height);

  ComPtr<ID3D12Device> Device;
  ComPtr<ID3D12CommandQueue> Queue;
  ComPtr<ID3D12CommandAllocator> Allocator;
  ComPtr<ID3D12GraphicsCommandList> List;

 private:
  // A color buffer in the render-target state and a depth buffer, each with its view.
  struct OffscreenTarget {
    ComPtr<ID3D12Resource> Color;
    ComPtr<ID3D12Resource> Depth;
    ComPtr<ID3D12DescriptorHeap> RtvHeap;
    ComPtr<ID3D12DescriptorHeap> DsvHeap;
    D3D12_CPU_DESCRIPTOR_HANDLE Rtv = {};
    D3D12_CPU_DESCRIPTOR_HANDLE Dsv = {};
  };

  OffscreenTarget CreateTarget(uint32_t width, uint32_t height);
  // Runs the list and returns the color buffer's pixels.
  std::vector<uint32_t> ReadTarget(ID3D12Resource* color, uint32_t width, uint32_t height);
  ComPtr<ID3D12Resource> CreateBuffer(D3D12_HEAP_TYPE heap, uint64_t byteSize, D3D12_RESOURCE_STATES state);
  ComPtr<ID3D12Resource> UploadBuffer(const void* data, uint64_t byteSize);
  ComPtr<ID3D12RootSignature> CreateRootSignature();
  ComPtr<ID3D12PipelineState> CreatePipeline(ID3D12RootSignature* rootSignature);

  ComPtr<ID3D12Fence> fence_;
  uint64_t fenceValue_ = 0;
  std::vector<ComPtr<ID3D12Resource>> inFlight_;  // kept until the GPU has used them
};
