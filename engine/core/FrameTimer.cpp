#include "core/FrameTimer.h"

#include <windows.h>

namespace {

int64_t ReadCounter() {
  LARGE_INTEGER count = {};
  QueryPerformanceCounter(&count);
  return count.QuadPart;
}

}  // namespace

FrameTimer::FrameTimer() {
  LARGE_INTEGER frequency = {};
  QueryPerformanceFrequency(&frequency);
  CounterPeriod = 1.0 / static_cast<double>(frequency.QuadPart);
}

void FrameTimer::Restart() {
  StartCount = ReadCounter();
  PreviousCount = StartCount;
}

void FrameTimer::Advance() {
  CurrentCount = ReadCounter();
  FrameDelta = static_cast<double>(CurrentCount - PreviousCount) * CounterPeriod;
  PreviousCount = CurrentCount;
  if (FrameDelta < 0.0) {
    FrameDelta = 0.0;
  }
}

float FrameTimer::Elapsed() const {
  return static_cast<float>(static_cast<double>(CurrentCount - StartCount) * CounterPeriod);
}
