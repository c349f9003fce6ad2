#include "Event.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
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

// Waits on several events cannot sleep on one event's condition variable, so every Set also bumps a
// process-wide generation that they sleep on instead.
struct SignalGeneration {
  std::mutex mutex;
  std::condition_variable changed;
  uint64_t value = 0;
};

SignalGeneration& Generation() {
  static SignalGeneration generation;
  return generation;
}

void AnnounceSignal() {
  {
    std::lock_guard lock(Generation().mutex);
    ++Generation().value;
  }
  Generation().changed.notify_all();
}

uint64_t CurrentGeneration() {
  std::lock_guard lock(Generation().mutex);
  return Generation().value;
}

// Sleeps until some event is set after `seen`, or until `until` when there is one.
void WaitForNextSignal(uint64_t seen, std::optional<Clock::time_point> until) {
  std::unique_lock lock(Generation().mutex);
  const auto changed = [&] { return Generation().value != seen; };
  if (until) {
    Generation().changed.wait_until(lock, *until, changed);
  } else {
    Generation().changed.wait(lock, changed);
  }
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
  AnnounceSignal();
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

bool Event::PollWaiter() {
  win32_platform::EventWaiter waiter;
  {
    std::lock_guard lock(mutex_);
    if (state_ || !waiter_) return false;
    waiter = waiter_;
  }
  waiter(0);
  return true;
}

DWORD Event::WaitForAnyOrAll(const std::vector<Event*>& events, bool waitAll, DWORD timeoutMilliseconds) {
  const auto deadline = DeadlineAfter(timeoutMilliseconds);
  // Locking in address order keeps two multi-waits on overlapping sets from deadlocking.
  std::vector<Event*> lockOrder = events;
  std::sort(lockOrder.begin(), lockOrder.end());
  for (bool polled = false;; polled = true) {
    const uint64_t seen = CurrentGeneration();
    {
      std::vector<std::unique_lock<std::mutex>> locks;
      for (Event* event : lockOrder) locks.emplace_back(event->mutex_);
      if (waitAll) {
        if (std::all_of(events.begin(), events.end(), [](Event* event) { return event->state_; })) {
          for (Event* event : events) event->ConsumeSignal();
          return WAIT_OBJECT_0;
        }
      } else {
        for (size_t i = 0; i < events.size(); ++i) {
          if (events[i]->ConsumeSignal()) return WAIT_OBJECT_0 + static_cast<DWORD>(i);
        }
      }
    }
    const DWORD left = MillisecondsLeft(deadline);
    if (left == 0 && polled) return WAIT_TIMEOUT;
    // Attached waiters only learn of their work by being asked, so while any is attached the wait polls
    // them every millisecond instead of sleeping until the deadline.
    bool anyWaiter = false;
    for (Event* event : events) anyWaiter = event->PollWaiter() || anyWaiter;
    auto until = deadline;
    if (anyWaiter) {
      const auto nextPoll = Clock::now() + std::chrono::milliseconds(1);
      until = until ? std::min(*until, nextPoll) : nextPoll;
    }
    if (left > 0) WaitForNextSignal(seen, until);
  }
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
