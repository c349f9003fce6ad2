// The compute pass the benchmarks time: Output[i] = Input[i] * Scale + Bias over a buffer of 1 M uints, one
// dispatch per pass, recorded, submitted and waited for. Once through the Direct3D 12 layer, once in Vulkan.
#pragma once

#include <windows.h>

#include <d3d12.h>
#include <vulkan/vulkan.h>
#include <wrl/client.h>
#include "LayerQueue.h"
#include "VulkanContext.h"

#include <string>
#include <vector>

namespace compute_bench {

using Microsoft::WRL::ComPtr;

constexpr uint32_t kElements = 1u << 20;
constexpr uint32_t kGroupSize = 256;
constexpr uint32_t kScale = 3;
constexpr uint32_t kBias = 7;

// The HLSL both passes run; compiled with the platform's D3DCompile to SPIR-V.
std::vector<uint32_t> CompileTransform(std::string* error);

class LayerComputePass {
 public:
  LayerComputePass();
  ~LayerComputePass();
  const std::string& Error() const { return error_; }
  void Run();
  // Whether the output holds the transform of the input (checked once after the runs).
  bool OutputIsRight();

 private:
  bool Initialize();

  std::string error_;
  d3d12_bench::LayerQueue gpu_;
  ComPtr<ID3D12Resource> input_, output_, readback_;
  ComPtr<ID3D12DescriptorHeap> heap_;
  ComPtr<ID3D12RootSignature> root_;
  ComPtr<ID3D12PipelineState> pipeline_;
};

class VulkanComputePass {
 public:
  VulkanComputePass();
  ~VulkanComputePass();
  const std::string& Error() const { return error_; }
  void Run();
  bool OutputIsRight();

 private:
  bool Initialize();

  std::string error_;
  d3d12_bench::VulkanContext context_;
  d3d12_bench::VulkanBuffer input_, output_, constants_;
  VkDescriptorSetLayout setLayout_ = VK_NULL_HANDLE;
  VkPipelineLayout layout_ = VK_NULL_HANDLE;
  VkPipeline pipeline_ = VK_NULL_HANDLE;
};

}  // namespace compute_bench
