// Viewer mode against the size of the model, for models this program writes (ScalingModels.h): 10k, 100k
// and 1M triangles in one mesh; 16, 100 and 1000 meshes; 1 and 96 bones; each as ASCII FBX and as binary glTF.
// Arguments of each run: triangles, meshes, bones, glb (0 or 1). Off-screen at 800 x 600:
//   BM_ViewerStartUp      the Renderer's start-up through the first frame, in this (warm) process;
//   BM_ViewerOverVulkan   the engine's frame through the Direct3D 12 layer and the same frame written
//                         directly in Vulkan (VulkanViewerFrame), in turn: median engine_ms and vulkan_ms, and
//                         their ratio;
//   BM_FreshProcess       a new process per size: spawn to first frame, its peak resident memory, its resident
//                         memory right after the first frame against a budget of twice the model's vertex and
//                         index bytes plus what the viewer holds on a model of two triangles.
//
// `scaling_bench --write_models=FOLDER` only writes the models into FOLDER, for other viewers to open.
#include "FreshProcess.h"
#include "InTurn.h"
#include "ScalingModels.h"
#include "ViewerSession.h"
#include "VulkanViewerFrame.h"

#include "render/Renderer.h"
#include "render/SwapChain.h"

#include <d3d12_vk_diagnostics.h>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kWarmUpFrames = 3;
// Frames the fresh child draws after its first, so its peak memory is that of a running viewer.
constexpr int kChildFrames = 20;

// Where the benchmark writes its models once and finds them on later runs.
std::string ModelFile(const benchmark::State& state) {
  const ModelSize size{static_cast<unsigned>(state.range(0)), static_cast<unsigned>(state.range(1)),
                       static_cast<unsigned>(state.range(2)), state.range(3) != 0};
  return WriteModel(size, std::filesystem::temp_directory_path());
}

void Arguments(benchmark::internal::Benchmark* benchmark) {
  benchmark->ArgNames({"triangles", "meshes", "bones", "glb"});
  for (const ModelSize& size : ModelSizes()) {
    benchmark->Args({size.Triangles, size.Meshes, size.Bones, size.Glb});
  }
}

void BM_ViewerStartUp(benchmark::State& state) {
  const std::string model = ModelFile(state);
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    ViewerSession viewer = StartViewer(model);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    StopViewer(viewer);
  }
}
BENCHMARK(BM_ViewerStartUp)->Apply(Arguments)->Iterations(2)->UseManualTime()->Unit(benchmark::kMillisecond);

// Why the engine's latest frame and the Vulkan frame are not the same picture, or empty when they are: a
// ratio of unequal work would mean nothing.
std::string UnequalPictures(ViewerSession& viewer, VulkanViewerFrame& vulkan) {
  RunViewerFrame(viewer);
  vulkan.Render();
  std::vector<uint8_t> engine;
  UINT width = 0, height = 0;
  if (FAILED(d3d12_vk::ReadLastPresentedFrame(viewer.renderer->SwapChain->Chain, &engine, &width, &height))) {
    return "the engine's frame cannot be read back";
  }
  const std::vector<uint8_t> reference = vulkan.ReadFrontImage();
  size_t different = 0;
  for (size_t i = 0; i + 3 < engine.size() && engine.size() == reference.size(); i += 4) {
    for (int c = 0; c < 3; ++c) {
      if (std::abs(int(engine[i + c]) - int(reference[i + c])) > 2) {
        ++different;
        break;
      }
    }
  }
  // A few edge pixels of bones posed a few milliseconds apart may differ.
  if (engine.size() == reference.size() && different <= engine.size() / 4 / 1000) return "";
  return "the engine's frame and the Vulkan frame differ in " + std::to_string(different) + " pixels";
}

// The two frames alternate, so load from other work on the machine falls on both alike.
void BM_ViewerOverVulkan(benchmark::State& state) {
  const std::string model = ModelFile(state);
  ViewerSession viewer = StartViewer(model);
  {
    VulkanViewerFrame vulkan(*viewer.renderer);
    const std::string unequal = vulkan.Error().empty() ? UnequalPictures(viewer, vulkan) : vulkan.Error();
    if (!unequal.empty()) {
      state.SkipWithError(unequal.c_str());
    } else {
      const d3d12_bench::InTurnSeconds seconds = d3d12_bench::RunInTurn(
          state, kWarmUpFrames, [&] { RunViewerFrame(viewer); }, [&] { vulkan.Render(); });
      // Medians over the frames: on a machine shared with other work a few frames of either side take many
      // times their usual length, which means would carry into the figures. The ratio is of the medians, not
      // the median of each pair's ratio: at 1000 draws the frames of both sides spread widely from one to the
      // next, and pairs of a fast and a slow frame would decide it.
      const double engine = d3d12_bench::Median(seconds.firstEach), vulkan = d3d12_bench::Median(seconds.secondEach);
      state.counters["engine_ms"] = engine * 1e3;
      state.counters["vulkan_ms"] = vulkan * 1e3;
      state.counters["ratio"] = engine / vulkan;
    }
  }
  StopViewer(viewer);
}
BENCHMARK(BM_ViewerOverVulkan)
    ->Apply(Arguments)
    ->MinTime(1.0)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

std::string ThisProgram() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

// The resident memory of a fresh viewer right after its first frame on a model of two triangles: what the
// program holds whatever it shows (device, shader compiler, font, window), measured once.
double EmptyProgramMegabytes() {
  static const double megabytes = [] {
    const std::string tiny = WriteModel({2, 1, 0, true}, std::filesystem::temp_directory_path());
    const FreshProcessFigures figures = MeasureFreshProcess(ThisProgram(), tiny, 1);
    return figures.Error.empty() ? figures.FirstFrameResidentMegabytes : 0.0;
  }();
  return megabytes;
}

void BM_FreshProcess(benchmark::State& state) {
  const std::string model = ModelFile(state);
  FreshProcessFigures figures;
  for (auto _ : state) {
    figures = MeasureFreshProcess(ThisProgram(), model, kChildFrames);
    if (!figures.Error.empty()) {
      state.SkipWithError(figures.Error.c_str());
      return;
    }
    state.SetIterationTime(figures.FirstFrameSeconds);
  }
  state.counters["first_frame_ms"] = figures.FirstFrameSeconds * 1e3;
  state.counters["peak_rss_mb"] = figures.PeakResidentMegabytes;
  state.counters["first_rss_mb"] = figures.FirstFrameResidentMegabytes;
  state.counters["model_mb"] = figures.ModelBufferMegabytes;
  state.counters["rss_budget_mb"] = 2 * figures.ModelBufferMegabytes + EmptyProgramMegabytes();
}
BENCHMARK(BM_FreshProcess)->Apply(Arguments)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int WriteModels(const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  for (const ModelSize& size : ModelSizes()) {
    std::printf("%s\n", WriteModel(size, folder).c_str());
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // The in-memory window: the swap chain renders off-screen, with or without a display.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  constexpr const char* kWriteModels = "--write_models=";
  if (argc == 2 && std::strncmp(argv[1], kWriteModels, std::strlen(kWriteModels)) == 0) {
    return WriteModels(std::filesystem::absolute(argv[1] + std::strlen(kWriteModels)));
  }
  // Model paths are absolute (the temporary folder), so the child may enter the run folder like the parent.
  if (chdir(ENGINE_RUN_DIR) != 0) {
    std::fprintf(stderr, "scaling_bench: cannot enter the run folder %s\n", ENGINE_RUN_DIR);
    return 1;
  }
  if (argc == 4 && std::strcmp(argv[1], kViewerChildArgument) == 0) {
    return RunViewerChild(argv[2], std::atoi(argv[3]));
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
