#include "PerformanceCounter.h"

#include "Diagnostics.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace win32 {
namespace {

std::atomic<bool> manualClock{false};
std::atomic<int64_t> manualTicks{0};

int64_t RealTicks() {
  using Ticks = std::chrono::duration<int64_t, std::ratio<1, kCounterFrequency>>;
  return std::chrono::duration_cast<Ticks>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int64_t ReadPerformanceCounter() { return manualClock ? manualTicks.load() : RealTicks(); }

void UseManualCounter(int64_t startTicks) {
  manualTicks = startTicks;
  manualClock = true;
}

void SetManualCounter(int64_t ticks) { manualTicks = ticks; }

void AdvanceManualCounter(int64_t ticks) { manualTicks += ticks; }

void UseRealCounter() { manualClock = false; }

}  // namespace win32

BOOL WINAPI QueryPerformanceFrequency(LARGE_INTEGER* frequency) {
  if (frequency == nullptr) {
    win32::FailCall("QueryPerformanceFrequency", ERROR_INVALID_PARAMETER, "null output pointer");
    return FALSE;
  }
  frequency->QuadPart = win32::kCounterFrequency;
  return TRUE;
}

BOOL WINAPI QueryPerformanceCounter(LARGE_INTEGER* count) {
  if (count == nullptr) {
    win32::FailCall("QueryPerformanceCounter", ERROR_INVALID_PARAMETER, "null output pointer");
    return FALSE;
  }
  count->QuadPart = win32::ReadPerformanceCounter();
  return TRUE;
}

DWORD WINAPI GetTickCount(void) {
  return static_cast<DWORD>(win32::ReadPerformanceCounter() / (win32::kCounterFrequency / 1000));
}

ULONGLONG WINAPI GetTickCount64(void) {
  return static_cast<ULONGLONG>(win32::ReadPerformanceCounter() / (win32::kCounterFrequency / 1000));
}

void WINAPI Sleep(DWORD milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
