// The indirect-draw benchmark's scenes: `commands` tiny indexed triangles into an off-screen target, the
// draws read from an argument buffer with a count buffer. Through the layer, as one ExecuteIndirect either of
// draws alone (Vulkan's indirect draw as it is) or of a root constant and a draw per command (the split); and
// directly in Vulkan with vkCmdDrawIndexedIndirectCount.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <wrl/client.h>

#include "LayerQueue.h"
#include "VulkanContext.h"

#include <string>

namespace compute_bench {

// The draws alone with a pixel shader of one colour (as the Vulkan scene's), the draws alone with the pixel
// shader reading the root constant, and the root constant and draw per command (the split).
enum class IndirectMode { Plain, Tinted, Split };

class LayerIndirectScene {
 public:
  explicit LayerIndirectScene(uint32_t commands);
  const std::string& Error() const { return error_; }
  // Records, submits and waits for one frame.
  void Render(IndirectMode mode);

 private:
  bool Initialize();

  uint32_t commands_;
  std::string error_;
  d3d12_bench::LayerQueue gpu_;
  Microsoft::WRL::ComPtr<ID3D12DescriptorHeap> rtvHeap_;
  Microsoft::WRL::ComPtr<ID3D12Resource> target_, vertices_, indices_, arguments_, count_;
  Microsoft::WRL::ComPtr<ID3D12RootSignature> root_;
  Microsoft::WRL::ComPtr<ID3D12PipelineState> tintPipeline_, plainPipeline_;
  Microsoft::WRL::ComPtr<ID3D12CommandSignature> plain_, split_;
};

class VulkanIndirectScene {
 public:
  explicit VulkanIndirectScene(uint32_t commands);
  ~VulkanIndirectScene();
  const std::string& Error() const { return error_; }
  void Render();

 private:
  bool Initialize();

  uint32_t commands_;
  std::string error_;
  d3d12_bench::VulkanContext context_;
  d3d12_bench::VulkanImage target_;
  d3d12_bench::VulkanBuffer vertices_, indices_, arguments_, count_;
  VkPipelineLayout layout_ = VK_NULL_HANDLE;
  VkPipeline pipeline_ = VK_NULL_HANDLE;
};

}  // namespace compute_bench
