// One engine-like frame through the Direct3D 12 layer against the same frame written directly in Vulkan.
// Frame time is wall time per frame (record, submit, off-screen present, wait); record_us_per_draw is the
// CPU time spent recording the frame's commands divided by the number of object draws.
#include "FrameScene.h"
#include "InTurn.h"
#include "LayerFrame.h"
#include "VulkanFrame.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace frame_bench {
namespace {

constexpr int kWarmUpFrames = 5;

template <typename Frame>
void RunFrames(benchmark::State& state) {
  const uint32_t drawCount = uint32_t(state.range(0));
  Frame frame(drawCount);
  if (!frame.Error().empty()) {
    state.SkipWithError(frame.Error().c_str());
    return;
  }
  for (int i = 0; i < kWarmUpFrames; ++i) frame.Render();
  double recording = 0;
  for (auto _ : state) recording += frame.Render();
  state.counters["record_us_per_draw"] =
      benchmark::Counter(recording * 1e6 / drawCount, benchmark::Counter::kAvgIterations);
}

void LayerFrameTime(benchmark::State& state) { RunFrames<LayerFrame>(state); }
void VulkanFrameTime(benchmark::State& state) { RunFrames<VulkanFrame>(state); }

// Both frames in turn, so the ratio compares them under the same machine load.
void LayerOverVulkan(benchmark::State& state) {
  const uint32_t drawCount = uint32_t(state.range(0));
  LayerFrame layer(drawCount);
  VulkanFrame vulkan(drawCount);
  if (d3d12_bench::SetUpFailed(state, layer, vulkan)) return;
  const d3d12_bench::InTurnSeconds seconds = d3d12_bench::RunInTurn(
      state, kWarmUpFrames, [&] { return layer.Render(); }, [&] { return vulkan.Render(); });
  d3d12_bench::ReportLayerOverVulkan(state, seconds);
  const double frames = double(state.iterations());
  state.counters["layer_record_us_per_draw"] = seconds.firstReturned * 1e6 / frames / drawCount;
  state.counters["vulkan_record_us_per_draw"] = seconds.secondReturned * 1e6 / frames / drawCount;
}

BENCHMARK(LayerFrameTime)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(VulkanFrameTime)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LayerOverVulkan)->Arg(10)->Arg(100)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace frame_bench

int main(int argc, char** argv) {
  // Present off-screen: the Win32 layer keeps its windows in memory without a video driver.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
