#include "Event.h"

#include <chrono>
#include <optional>

namespace win32 {
namespace {

using Clock = std::chrono::steady_clock;

std::optional<Clock::time_point> DeadlineAfter(DWORD timeoutMilliseconds) {
  if (timeoutMilliseconds == INFINITE) return std::nullopt;
  return Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
}

DWORD MillisecondsLeft(const std::optional<Clock::time_point>& deadline) {
  if (!deadline) return INFINITE;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
  return left > 0 ? static_cast<DWORD>(left) : 0;
}

}  // namespace

Event::Event(bool manualReset, bool initiallySignalled) : manualReset_(manualReset), state_(initiallySignalled) {}

void Event::Set() {
  {
    std::lock_guard lock(mutex_);
    state_ = true;
    waiter_ = nullptr;
  }
  signalled_.notify_all();
}

void Event::Reset() {
  std::lock_guard lock(mutex_);
  state_ = false;
}

void Event::AttachWaiter(win32_platform::EventWaiter waiter) {
  std::lock_guard lock(mutex_);
  waiter_ = std::move(waiter);
}

bool Event::ConsumeSignal() {
  if (!state_) return false;
  if (!manualReset_) state_ = false;
  return true;
}

bool Event::Wait(DWORD timeoutMilliseconds) {
  const auto deadline = DeadlineAfter(timeoutMilliseconds);
  std::unique_lock lock(mutex_);
  bool waiterHadItsTurn = false;
  for (;;) {
    if (ConsumeSignal()) return true;
    const DWORD left = MillisecondsLeft(deadline);
    // The waiter gets at least one turn, even for a zero timeout: it is the only one who can tell
    // whether the awaited work has already finished.
    if (waiter_ && (left > 0 || !waiterHadItsTurn)) {
      auto waiter = waiter_;
      lock.unlock();
      waiter(left);
      lock.lock();
      waiterHadItsTurn = true;
      continue;
    }
    if (left == 0) return false;
    if (deadline) {
      signalled_.wait_until(lock, *deadline);
    } else {
      signalled_.wait(lock);
    }
  }
}

}  // namespace win32
