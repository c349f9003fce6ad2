// The performance counter: a monotonic clock in ticks of 100 ns (10 MHz, the frequency current Windows
// versions report), which tests can replace by a manual clock.
#pragma once

#include <cstdint>

namespace win32 {

inline constexpr int64_t kCounterFrequency = 10'000'000;

int64_t ReadPerformanceCounter();

void UseManualCounter(int64_t startTicks);
void SetManualCounter(int64_t ticks);
void AdvanceManualCounter(int64_t ticks);
void UseRealCounter();

}  // namespace win32
