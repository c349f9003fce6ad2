// The bundle benchmark's scene through the Direct3D 12 layer: 1,000 small draws into an off-screen target,
// either recorded directly or as one bundle executed 1,000 times. Both put the same calls in the frame.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>

#include "LayerQueue.h"

#include <string>

namespace compute_bench {

using Microsoft::WRL::ComPtr;

constexpr uint32_t kBundleExecutions = 1000;

class BundleScene {
 public:
  BundleScene();
  ~BundleScene();
  const std::string& Error() const { return error_; }

  // Records, submits and waits for one frame; returns the seconds spent recording it.
  double Render(bool throughBundle);

 private:
  bool Initialize();
  // The calls of one draw, made on `list` (the frame's list or the bundle).
  void RecordDraw(ID3D12GraphicsCommandList* list);

  std::string error_;
  d3d12_bench::LayerQueue gpu_;
  ComPtr<ID3D12CommandAllocator> bundleAllocator_;
  ComPtr<ID3D12GraphicsCommandList> bundle_;
  ComPtr<ID3D12DescriptorHeap> rtvHeap_;
  ComPtr<ID3D12Resource> target_, vertices_;
  D3D12_VERTEX_BUFFER_VIEW vertexView_{};
  ComPtr<ID3D12RootSignature> root_;
  ComPtr<ID3D12PipelineState> pipeline_;
};

}  // namespace compute_bench
