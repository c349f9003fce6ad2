// Compute and bundles through the Direct3D 12 layer. LayerComputeOverVulkan runs a 1 M-element buffer
// transform (one dispatch, submitted and waited for) through the layer and directly in Vulkan, in turn, and
// reports their ratio. BundleOverDirect records 1,000 draws as one bundle executed 1,000 times and as the
// same calls made directly, and reports recording time and frame time for both. IndirectOverVulkan draws 1,
// 100 and 10,000 indexed triangles through one ExecuteIndirect with a count buffer against
// vkCmdDrawIndexedIndirectCount; IndirectSplitOverPlain sets a root constant per command too (the GPU-side
// split) against the same draws alone, which is the split's cost.
#include "BundleScene.h"
#include "ComputePass.h"
#include "InTurn.h"
#include "IndirectScenes.h"

#include <benchmark/benchmark.h>

namespace compute_bench {
namespace {

constexpr int kWarmUp = 3;

void LayerComputeOverVulkan(benchmark::State& state) {
  LayerComputePass layer;
  VulkanComputePass vulkan;
  if (d3d12_bench::SetUpFailed(state, layer, vulkan)) return;
  const d3d12_bench::InTurnSeconds seconds = d3d12_bench::RunInTurn(
      state, kWarmUp, [&] { layer.Run(); }, [&] { vulkan.Run(); });
  if (!layer.OutputIsRight() || !vulkan.OutputIsRight()) {
    state.SkipWithError("a compute pass wrote wrong values");
    return;
  }
  d3d12_bench::ReportLayerOverVulkan(state, seconds);
}

void BundleOverDirect(benchmark::State& state) {
  BundleScene scene;
  if (!scene.Error().empty()) {
    state.SkipWithError(scene.Error().c_str());
    return;
  }
  const d3d12_bench::InTurnSeconds frame = d3d12_bench::RunInTurn(
      state, kWarmUp, [&] { return scene.Render(true); }, [&] { return scene.Render(false); });
  const double frames = double(state.iterations());
  state.counters["bundle_frame_ms"] = frame.first * 1e3 / frames;
  state.counters["direct_frame_ms"] = frame.second * 1e3 / frames;
  state.counters["bundle_record_ms"] = frame.firstReturned * 1e3 / frames;
  state.counters["direct_record_ms"] = frame.secondReturned * 1e3 / frames;
  state.counters["record_ratio"] = frame.firstReturned / frame.secondReturned;
  state.counters["frame_ratio"] = frame.first / frame.second;
}

void IndirectOverVulkan(benchmark::State& state) {
  LayerIndirectScene layer(uint32_t(state.range(0)));
  VulkanIndirectScene vulkan(uint32_t(state.range(0)));
  if (d3d12_bench::SetUpFailed(state, layer, vulkan)) return;
  d3d12_bench::ReportLayerOverVulkan(
      state, d3d12_bench::RunInTurn(state, kWarmUp, [&] { layer.Render(IndirectMode::Plain); }, [&] { vulkan.Render(); }));
}

void IndirectSplitOverPlain(benchmark::State& state) {
  LayerIndirectScene layer(uint32_t(state.range(0)));
  if (!layer.Error().empty()) return state.SkipWithError(layer.Error().c_str());
  const d3d12_bench::InTurnSeconds seconds =
      d3d12_bench::RunInTurn(state, kWarmUp, [&] { layer.Render(IndirectMode::Split); }, [&] { layer.Render(IndirectMode::Tinted); });
  const double iterations = double(state.iterations());
  state.counters["split_ms"] = seconds.first * 1e3 / iterations;
  state.counters["plain_ms"] = seconds.second * 1e3 / iterations;
  state.counters["ratio"] = seconds.first / seconds.second;
}

BENCHMARK(IndirectOverVulkan)->Arg(1)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(IndirectSplitOverPlain)->Arg(1)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LayerComputeOverVulkan)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BundleOverDirect)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace compute_bench

BENCHMARK_MAIN();
