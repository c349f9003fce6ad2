// The benchmark frame through the Direct3D 12 layer, recorded the way the engine records its frame.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <dxgi1_4.h>
#include <wrl/client.h>

#include <memory>
#include <string>

namespace frame_bench {

using Microsoft::WRL::ComPtr;

class LayerFrame {
 public:
  // Builds everything the frame needs for `drawCount` object draws; Error() says what failed. With `samples`
  // above 1 the frame renders into a multisampled target and resolves it into the back buffer.
  explicit LayerFrame(uint32_t drawCount, uint32_t samples = 1);
  ~LayerFrame();

  const std::string& Error() const { return error_; }

  // Records, submits, presents and waits for one frame. Returns the seconds spent recording the commands.
  double Render();

 private:
  bool Initialize();
  bool CreateResources();
  bool CreatePipelines();
  void Record();

  uint32_t drawCount_;
  uint32_t samples_;
  std::string error_;
  HWND window_ = nullptr;
  ComPtr<IDXGIFactory4> factory_;
  ComPtr<ID3D12Device> device_;
  ComPtr<ID3D12CommandQueue> queue_;
  ComPtr<ID3D12CommandAllocator> allocator_;
  ComPtr<ID3D12GraphicsCommandList> list_;
  ComPtr<ID3D12Fence> fence_;
  UINT64 fenceValue_ = 0;
  HANDLE event_ = nullptr;
  ComPtr<IDXGISwapChain> swapChain_;
  ComPtr<ID3D12Resource> backBuffers_[2];
  UINT currentBuffer_ = 0;
  ComPtr<ID3D12DescriptorHeap> rtvHeap_, dsvHeap_, shaderHeap_;
  UINT rtvIncrement_ = 0, shaderIncrement_ = 0;
  ComPtr<ID3D12Resource> depthBuffer_, texture_, textureUpload_, constants_, instances_, vertices_, indices_;
  D3D12_VERTEX_BUFFER_VIEW instanceView_{}, vertexView_{};
  D3D12_INDEX_BUFFER_VIEW indexView_{};
  UINT indexCount_ = 0;
  ComPtr<ID3D12RootSignature> textRoot_, objectRoot_;
  ComPtr<ID3D12PipelineState> textPipeline_, objectPipeline_;
  ComPtr<ID3D12Resource> multisampledTarget_;
  ComPtr<ID3D12DescriptorHeap> multisampledRtvHeap_;
};

}  // namespace frame_bench
