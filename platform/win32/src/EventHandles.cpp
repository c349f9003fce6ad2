// Event handles. A handle is a key into a table, never a pointer the layer dereferences, so a stale or
// made-up handle is reported instead of crashing. Handles are not reused.

#include "Diagnostics.h"
#include "Event.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

class EventTable {
 public:
  HANDLE Add(std::shared_ptr<win32::Event> event) {
    std::lock_guard lock(mutex_);
    const uintptr_t key = nextKey_;
    nextKey_ += 4;  // like kernel handles: multiples of four
    events_.emplace(key, std::move(event));
    return reinterpret_cast<HANDLE>(key);
  }

  std::shared_ptr<win32::Event> Find(HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto found = events_.find(reinterpret_cast<uintptr_t>(handle));
    return found != events_.end() ? found->second : nullptr;
  }

  bool Remove(HANDLE handle) {
    std::lock_guard lock(mutex_);
    return events_.erase(reinterpret_cast<uintptr_t>(handle)) > 0;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<uintptr_t, std::shared_ptr<win32::Event>> events_;
  uintptr_t nextKey_ = 0x1000;
};

EventTable& Events() {
  static EventTable table;
  return table;
}

// The event behind `handle`, or null after reporting the bad handle on behalf of `call`.
std::shared_ptr<win32::Event> EventFor(HANDLE handle, const char* call) {
  auto event = Events().Find(handle);
  if (!event) win32::FailCall(ERROR_INVALID_HANDLE, call, "%p is not an open event handle", handle);
  return event;
}

HANDLE CreateEventHandle(bool manualReset, bool initiallySignalled, LPCWSTR name, const char* call) {
  // Named events would be shared between processes; the engine only uses unnamed ones.
  if (name != nullptr) win32::ReportCall(call, "named events are not supported; creating an unnamed one");
  return Events().Add(std::make_shared<win32::Event>(manualReset, initiallySignalled));
}

DWORD WaitForEvent(HANDLE handle, DWORD milliseconds, const char* call) {
  // The table keeps its own reference, so closing the handle during the wait does not pull the event
  // away from under it.
  auto event = EventFor(handle, call);
  if (!event) return WAIT_FAILED;
  return event->Wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

}  // namespace

HANDLE WINAPI CreateEventExW(LPSECURITY_ATTRIBUTES, LPCWSTR name, DWORD flags, DWORD) {
  return CreateEventHandle(flags & CREATE_EVENT_MANUAL_RESET, flags & CREATE_EVENT_INITIAL_SET, name,
                           "CreateEventExW");
}

HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  return CreateEventHandle(manualReset, initialState, name, "CreateEventW");
}

BOOL WINAPI SetEvent(HANDLE event) {
  auto target = EventFor(event, "SetEvent");
  if (!target) return FALSE;
  target->Set();
  return TRUE;
}

BOOL WINAPI ResetEvent(HANDLE event) {
  auto target = EventFor(event, "ResetEvent");
  if (!target) return FALSE;
  target->Reset();
  return TRUE;
}

DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForEvent(handle, milliseconds, "WaitForSingleObject");
}

DWORD WINAPI WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL) {
  return WaitForEvent(handle, milliseconds, "WaitForSingleObjectEx");
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  if (!Events().Remove(handle)) {
    win32::FailCall(ERROR_INVALID_HANDLE, "CloseHandle", "%p is not an open handle", handle);
    return FALSE;
  }
  return TRUE;
}

namespace win32_platform {

void AttachEventWaiter(HANDLE event, EventWaiter waiter) {
  if (auto target = EventFor(event, "AttachEventWaiter")) target->AttachWaiter(std::move(waiter));
}

}  // namespace win32_platform
