// The benchmark frame rendered with 4x multisampling and resolved into the presented image: through the
// Direct3D 12 layer (ResolveSubresource into the back buffer) against plain Vulkan (the rendering resolves).
#include "LayerFrame.h"
#include "VulkanFrame.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace frame_bench {
namespace {

constexpr int kWarmUpFrames = 5;
constexpr uint32_t kSamples = 4;

// Both frames in turn, so the ratio compares them under the same machine load.
void MultisampledLayerOverVulkan(benchmark::State& state) {
  const uint32_t drawCount = uint32_t(state.range(0));
  LayerFrame layer(drawCount, kSamples);
  VulkanFrame vulkan(drawCount, kSamples);
  if (!layer.Error().empty() || !vulkan.Error().empty()) {
    state.SkipWithError((layer.Error() + vulkan.Error()).c_str());
    return;
  }
  for (int i = 0; i < kWarmUpFrames; ++i) {
    layer.Render();
    vulkan.Render();
  }
  using Clock = std::chrono::steady_clock;
  double layerSeconds = 0, vulkanSeconds = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    layer.Render();
    layerSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    vulkan.Render();
    vulkanSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  const double frames = double(state.iterations());
  state.counters["layer_ms"] = layerSeconds * 1e3 / frames;
  state.counters["vulkan_ms"] = vulkanSeconds * 1e3 / frames;
  state.counters["ratio"] = layerSeconds / vulkanSeconds;
}

BENCHMARK(MultisampledLayerOverVulkan)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace frame_bench
