// A compute sample: each frame a compute shader fills a UAV texture, which is copied to the back buffer and
// presented. Compute root signature with a UAV table and a root constant, Dispatch, UAV and copy barriers.
#pragma once

#include "SampleWindow.h"

class ComputeSample final : public Sample {
 public:
  static constexpr UINT kBlue = 160;

 private:
  void LoadAssets() override;
  void PopulateCommandList() override;

  ComPtr<ID3D12RootSignature> rootSignature_;
  ComPtr<ID3D12PipelineState> computeState_;
  ComPtr<ID3D12DescriptorHeap> uavHeap_;
  ComPtr<ID3D12Resource> image_;
};
