// ID3D12PipelineState: a VkPipeline. Graphics pipelines use dynamic rendering; viewport, scissor, topology,
// vertex strides, blend factor and stencil reference stay dynamic, as Direct3D 12 sets them on the command
// list. Compute pipelines hold one compute shader. Each has its own pipeline layout (PipelineBindings).
#pragma once

#include "ComObject.h"
#include "PipelineBindings.h"

#include <vulkan/vulkan.h>

#include <array>

namespace d3d12vk {

class RootSignature;

class PipelineState final : public DeviceChild<ID3D12PipelineState, ID3D12Pageable> {
 public:
  static HRESULT CreateGraphics(Device& device, const D3D12_GRAPHICS_PIPELINE_STATE_DESC& desc,
                                PipelineState** pipelineState);
  static HRESULT CreateCompute(Device& device, const D3D12_COMPUTE_PIPELINE_STATE_DESC& desc,
                               PipelineState** pipelineState);

  // ID3D12PipelineState
  HRESULT STDMETHODCALLTYPE GetCachedBlob(ID3DBlob** blob) override;

  VkPipeline Handle() const { return pipeline_; }
  // The same pipeline for draws without a depth-stencil target: made when the pipeline names a DSVFormat but
  // neither tests nor writes depth and stencil; null otherwise.
  VkPipeline HandleWithoutDepthStencil() const { return pipelineWithoutDepthStencil_; }
  bool IsCompute() const { return compute_; }
  const PipelineBindings& Bindings() const { return bindings_; }
  RootSignature& Root() const { return *rootSignature_; }
  D3D12_PRIMITIVE_TOPOLOGY_TYPE TopologyType() const { return topologyType_; }
  bool StripCutEnabled() const { return stripCut_; }
  bool UsesVertexBuffers() const { return usesVertexBuffers_; }
  UINT RenderTargetCount() const { return renderTargetCount_; }
  VkFormat RenderTargetFormat(UINT index) const { return colorFormats_[index]; }
  // VK_FORMAT_UNDEFINED when the pipeline has no depth-stencil target.
  VkFormat DepthStencilFormat() const { return depthStencilFormat_; }
  UINT SampleCount() const { return sampleCount_; }

 private:
  explicit PipelineState(Device& device);
  ~PipelineState() override;

  VkPipeline pipeline_ = VK_NULL_HANDLE;
  VkPipeline pipelineWithoutDepthStencil_ = VK_NULL_HANDLE;
  bool compute_ = false;
  PipelineBindings bindings_;
  RootSignature* rootSignature_ = nullptr;
  D3D12_PRIMITIVE_TOPOLOGY_TYPE topologyType_ = D3D12_PRIMITIVE_TOPOLOGY_TYPE_TRIANGLE;
  bool stripCut_ = false;
  bool usesVertexBuffers_ = false;
  UINT renderTargetCount_ = 0;
  std::array<VkFormat, D3D12_SIMULTANEOUS_RENDER_TARGET_COUNT> colorFormats_{};
  VkFormat depthStencilFormat_ = VK_FORMAT_UNDEFINED;
  UINT sampleCount_ = 1;
};

}  // namespace d3d12vk
