// A Win32 event object: manual- or auto-reset, waitable from any thread, and completable by a waiter that
// another module attaches (the D3D12 fence waits on its own semaphore and then sets the event).
#pragma once

#include "KernelObjects.h"

#include <win32_platform.h>

#include <condition_variable>
#include <mutex>
#include <vector>

namespace win32 {

class Event : public KernelObject {
 public:
  Event(bool manualReset, bool initiallySignalled);

  Event* WaitableEvent() override { return this; }

  // Waits for one (the first signalled, by position) or all of `events`; returns its position, the
  // position 0 when all were awaited, or WAIT_TIMEOUT. Waiting for all consumes the signals of auto-reset
  // events only when every one of them is signalled at once, as WaitForMultipleObjects does. The events
  // must be distinct.
  static DWORD WaitForAnyOrAll(const std::vector<Event*>& events, bool waitAll, DWORD timeoutMilliseconds);

  void Set();
  void Reset();
  // True when the event was signalled within the timeout (milliseconds, or INFINITE). An auto-reset
  // event is reset by the wait that sees it signalled.
  bool Wait(DWORD timeoutMilliseconds);
  void AttachWaiter(win32_platform::EventWaiter waiter);

 private:
  bool ConsumeSignal();
  // Gives an attached waiter a zero-timeout turn; false when there is none.
  bool PollWaiter();

  std::mutex mutex_;
  std::condition_variable signalled_;
  const bool manualReset_;
  bool state_;
  win32_platform::EventWaiter waiter_;
};

}  // namespace win32
