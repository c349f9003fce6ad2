// A bundle sample: a triangle drawn by a bundle recorded once at start-up and executed every frame; the
// frame's list clears and sets the targets, the bundle brings its pipeline state, topology, vertex buffer
// and draw.
#pragma once

#include "SampleWindow.h"

class BundleSample final : public Sample {
 private:
  void LoadAssets() override;
  void PopulateCommandList() override;

  ComPtr<ID3D12CommandAllocator> bundleAllocator_;
  ComPtr<ID3D12GraphicsCommandList> bundle_;
  ComPtr<ID3D12RootSignature> rootSignature_;
  ComPtr<ID3D12PipelineState> pipelineState_;
  ComPtr<ID3D12Resource> vertexBuffer_;
  D3D12_VERTEX_BUFFER_VIEW vertexBufferView_{};
};
