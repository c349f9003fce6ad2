// Compute and bundles through the Direct3D 12 layer. LayerComputeOverVulkan runs a 1 M-element buffer
// transform (one dispatch, submitted and waited for) through the layer and directly in Vulkan, in turn, and
// reports their ratio. BundleOverDirect records 1,000 draws as one bundle executed 1,000 times and as the
// same calls made directly, and reports recording time and frame time for both.
#include "BundleScene.h"
#include "ComputePass.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace compute_bench {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWarmUp = 3;

void LayerComputeOverVulkan(benchmark::State& state) {
  LayerComputePass layer;
  VulkanComputePass vulkan;
  if (!layer.Error().empty() || !vulkan.Error().empty()) {
    state.SkipWithError((layer.Error() + vulkan.Error()).c_str());
    return;
  }
  for (int i = 0; i < kWarmUp; ++i) {
    layer.Run();
    vulkan.Run();
  }
  double layerSeconds = 0, vulkanSeconds = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    layer.Run();
    layerSeconds += std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    vulkan.Run();
    vulkanSeconds += std::chrono::duration<double>(Clock::now() - start).count();
  }
  if (!layer.OutputIsRight() || !vulkan.OutputIsRight()) {
    state.SkipWithError("a compute pass wrote wrong values");
    return;
  }
  const double passes = double(state.iterations());
  state.counters["layer_ms"] = layerSeconds * 1e3 / passes;
  state.counters["vulkan_ms"] = vulkanSeconds * 1e3 / passes;
  state.counters["ratio"] = layerSeconds / vulkanSeconds;
}

void BundleOverDirect(benchmark::State& state) {
  BundleScene scene;
  if (!scene.Error().empty()) {
    state.SkipWithError(scene.Error().c_str());
    return;
  }
  for (int i = 0; i < kWarmUp; ++i) {
    scene.Render(true);
    scene.Render(false);
  }
  double bundleFrame = 0, directFrame = 0, bundleRecord = 0, directRecord = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    bundleRecord += scene.Render(true);
    bundleFrame += std::chrono::duration<double>(Clock::now() - start).count();
    start = Clock::now();
    directRecord += scene.Render(false);
    directFrame += std::chrono::duration<double>(Clock::now() - start).count();
  }
  const double frames = double(state.iterations());
  state.counters["bundle_frame_ms"] = bundleFrame * 1e3 / frames;
  state.counters["direct_frame_ms"] = directFrame * 1e3 / frames;
  state.counters["bundle_record_ms"] = bundleRecord * 1e3 / frames;
  state.counters["direct_record_ms"] = directRecord * 1e3 / frames;
  state.counters["record_ratio"] = bundleRecord / directRecord;
  state.counters["frame_ratio"] = bundleFrame / directFrame;
}

BENCHMARK(LayerComputeOverVulkan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BundleOverDirect)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace compute_bench

BENCHMARK_MAIN();
