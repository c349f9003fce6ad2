// The model's GPU tests: Direct3D 12 through the platform layer, as content loading equips the model
// loader, plus an off-screen draw of a posed model.
#pragma once

#include "content/Model.h"
#include "support/GpuContext.h"

#include <cstdint>
#include <vector>

class GpuModel : public GpuContext {
 public:
  GpuModel();
  ~GpuModel();

  // Every draw range of the model skinned by the palette and lit from the camera, seen from the engine's
  // default camera (at (0, 0, -4) looking along +z, 45 degree field of view); RGBA8 rows, top row first,
  // on a black background.
  std::vector<uint32_t> DrawPosed(const Model& model, const std::vector<float4x4>& palette, uint32_t width,
                                  uint32_t height);

 private:
  ComPtr<ID3D12RootSignature> CreatePosingRootSignature();
  ComPtr<ID3D12PipelineState> CreatePosingPipeline(ID3D12RootSignature* rootSignature);
};
