// The measurement every "A over B" benchmark here shares: two pieces of work that do the same thing are set
// up, warmed up, then run in turn inside one benchmark loop, so that both see the same machine load and their
// ratio means something on a machine shared with other work.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <type_traits>
#include <vector>

namespace d3d12_bench {

// Wall seconds spent in each of the two pieces over all the benchmark's iterations, and the sum of what each
// returned (the pieces that report their own recording time return it) over the same iterations only.
struct InTurnSeconds {
  double first = 0;
  double second = 0;
  double firstReturned = 0;
  double secondReturned = 0;
  // Each iteration's seconds, for figures that a few iterations disturbed by other work must not move.
  std::vector<double> firstEach;
  std::vector<double> secondEach;
};

// The middle value (the mean of the two middle ones for an even count); 0 for none.
inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Calls `run`; returns what it returns, or 0 when it returns nothing.
template <typename Run>
double CallAndReturn(Run& run) {
  if constexpr (std::is_void_v<decltype(run())>) {
    run();
    return 0;
  } else {
    return double(run());
  }
}

// Skips the benchmark with both errors when either side could not be set up.
template <typename First, typename Second>
bool SetUpFailed(benchmark::State& state, const First& first, const Second& second) {
  if (first.Error().empty() && second.Error().empty()) return false;
  state.SkipWithError((first.Error() + second.Error()).c_str());
  return true;
}

// Runs `first` then `second` `warmUp` times untimed (what they return then is dropped, so warm-up frames never
// count), then once each per iteration, timing each call.
template <typename RunFirst, typename RunSecond>
InTurnSeconds RunInTurn(benchmark::State& state, int warmUp, RunFirst&& runFirst, RunSecond&& runSecond) {
  for (int i = 0; i < warmUp; ++i) {
    runFirst();
    runSecond();
  }
  using Clock = std::chrono::steady_clock;
  InTurnSeconds seconds;
  for (auto _ : state) {
    auto start = Clock::now();
    seconds.firstReturned += CallAndReturn(runFirst);
    seconds.firstEach.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    seconds.first += seconds.firstEach.back();
    start = Clock::now();
    seconds.secondReturned += CallAndReturn(runSecond);
    seconds.secondEach.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    seconds.second += seconds.secondEach.back();
  }
  return seconds;
}

// The layer-against-Vulkan counters: milliseconds per iteration for each side and their ratio.
inline void ReportLayerOverVulkan(benchmark::State& state, const InTurnSeconds& seconds) {
  const double iterations = double(state.iterations());
  state.counters["layer_ms"] = seconds.first * 1e3 / iterations;
  state.counters["vulkan_ms"] = seconds.second * 1e3 / iterations;
  state.counters["ratio"] = seconds.first / seconds.second;
}

}  // namespace d3d12_bench
