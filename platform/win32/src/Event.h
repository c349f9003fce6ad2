// A Win32 event object: manual- or auto-reset, waitable from any thread, and completable by a waiter that
// another module attaches (the D3D12 fence waits on its own semaphore and then sets the event).
#pragma once

#include <win32_platform.h>

#include <condition_variable>
#include <mutex>

namespace win32 {

class Event {
 public:
  Event(bool manualReset, bool initiallySignalled);

  void Set();
  void Reset();
  // True when the event was signalled within the timeout (milliseconds, or INFINITE). An auto-reset
  // event is reset by the wait that sees it signalled.
  bool Wait(DWORD timeoutMilliseconds);
  void AttachWaiter(win32_platform::EventWaiter waiter);

 private:
  bool ConsumeSignal();

  std::mutex mutex_;
  std::condition_variable signalled_;
  const bool manualReset_;
  bool state_;
  win32_platform::EventWaiter waiter_;
};

}  // namespace win32
