// A bundle sample: a triangle drawn by a bundle recorded once at start-up and executed every frame; the
// frame's list clears and sets the targets, the bundle brings its pipeline state, topology, vertex buffer
// and draw.
#pragma once

#include "SampleWindow.h"

class BundleSample final : public Sample {
 public:
  void OnInit(HWND window) override;
  void OnRender() override;
  void OnDestroy() override;

 private:
  void LoadAssets();
  void PopulateCommandList();

  ComPtr<ID3D12CommandAllocator> allocator_, bundleAllocator_;
  ComPtr<ID3D12GraphicsCommandList> commandList_, bundle_;
  ComPtr<ID3D12RootSignature> rootSignature_;
  ComPtr<ID3D12PipelineState> pipelineState_;
  ComPtr<ID3D12Resource> vertexBuffer_;
  D3D12_VERTEX_BUFFER_VIEW vertexBufferView_{};
};
