// The benchmark frame rendered with 4x multisampling and resolved into the presented image: through the
// Direct3D 12 layer (ResolveSubresource into the back buffer) against plain Vulkan (the rendering resolves).
#include "InTurn.h"
#include "LayerFrame.h"
#include "VulkanFrame.h"

#include <benchmark/benchmark.h>

namespace frame_bench {
namespace {

constexpr int kWarmUpFrames = 5;
constexpr uint32_t kSamples = 4;

// Both frames in turn, so the ratio compares them under the same machine load.
void MultisampledLayerOverVulkan(benchmark::State& state) {
  const uint32_t drawCount = uint32_t(state.range(0));
  LayerFrame layer(drawCount, kSamples);
  VulkanFrame vulkan(drawCount, kSamples);
  if (d3d12_bench::SetUpFailed(state, layer, vulkan)) return;
  d3d12_bench::ReportLayerOverVulkan(state,
                                     d3d12_bench::RunInTurn(
                                         state, kWarmUpFrames, [&] { layer.Render(); }, [&] { vulkan.Render(); }));
}

BENCHMARK(MultisampledLayerOverVulkan)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace frame_bench
