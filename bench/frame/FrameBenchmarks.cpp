// The whole program off-screen (the in-memory window, so the swap chain presents without a display):
// the time from the start of the process to the first presented frame, and then frame after frame as the
// main loop draws them at 800 x 600. Reported per frame: the median wall time and the frames per second
// it gives, the main thread's CPU time (the thread sleeps while it waits for the GPU, so this is its time
// outside that wait) and its share of the frame, and the process's peak resident memory.
#include "anim/Animation.h"
#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/Run.h"
#include "core/FrameTimer.h"
#include "render/Renderer.h"

#include <windows.h>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

Clock::time_point ProcessStart;

double ThreadCpuSeconds() {
  timespec now = {};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

double PeakResidentMegabytes() {
  rusage usage = {};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0.0 : values[values.size() / 2];
}

// The program's start-up, as Run does it, then its first frame; kept for the frame benchmark.
struct RunningProgram {
  RunningProgram() {
    const HWND window = CreateMainWindow(GetModuleHandleW(nullptr));
    renderer = new Renderer(window);
    renderer->InitDirect3D();
    renderer->LoadContent();
    renderer->CreateConstantBuffers();
    renderer->SetupCamera();
    timer.Restart();
    ActiveRenderer = renderer;
    // The first pass of the loop: the frame, then the resize the window's first size message left.
    RunFrame(*renderer, timer);
    ApplyPendingResize(*renderer);
    StartToFirstFrame = std::chrono::duration<double>(Clock::now() - ProcessStart).count();
  }

  Renderer* renderer = nullptr;  // lives until the process ends, as in the program
  FrameTimer timer;
  double StartToFirstFrame = 0.0;
};

RunningProgram& Program() {
  static RunningProgram program;
  return program;
}

void BM_StartToFirstPresentedFrame(benchmark::State& state) {
  for (auto _ : state) {
    state.SetIterationTime(Program().StartToFirstFrame);
  }
  state.counters["start_to_first_frame_ms"] = Program().StartToFirstFrame * 1000.0;
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
}
BENCHMARK(BM_StartToFirstPresentedFrame)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_Frame(benchmark::State& state) {
  RunningProgram& program = Program();
  std::vector<double> wallSeconds, cpuSeconds;
  for (auto _ : state) {
    const Clock::time_point wallStart = Clock::now();
    const double cpuStart = ThreadCpuSeconds();
    RunFrame(*program.renderer, program.timer);
    cpuSeconds.push_back(ThreadCpuSeconds() - cpuStart);
    wallSeconds.push_back(std::chrono::duration<double>(Clock::now() - wallStart).count());
  }
  const double medianFrame = Median(wallSeconds);
  const double medianCpu = Median(cpuSeconds);
  state.counters["median_frame_ms"] = medianFrame * 1000.0;
  state.counters["fps"] = medianFrame > 0.0 ? 1.0 / medianFrame : 0.0;
  state.counters["cpu_outside_wait_ms"] = medianCpu * 1000.0;
  state.counters["cpu_share_pct"] = medianFrame > 0.0 ? 100.0 * medianCpu / medianFrame : 0.0;
  state.counters["peak_rss_MB"] = PeakResidentMegabytes();
  state.counters["width"] = program.renderer->Width;
  state.counters["height"] = program.renderer->Height;
}
BENCHMARK(BM_Frame)->Iterations(500)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  ProcessStart = Clock::now();
  // The in-memory window: the swap chain renders off-screen, with or without a display.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  if (chdir(ENGINE_RUN_DIR) != 0) {
    std::fprintf(stderr, "frame_bench: cannot enter the run folder %s\n", ENGINE_RUN_DIR);
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
