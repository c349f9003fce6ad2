// Event handles and the waits on any waitable handle (events and threads).

#include "Diagnostics.h"
#include "Event.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// The event behind `handle`, or null after reporting the bad handle on behalf of `call`.
std::shared_ptr<win32::Event> EventFor(HANDLE handle, const char* call) {
  return win32::KernelObjectFor<win32::Event>(handle, call, "event");
}

HANDLE CreateEventHandle(bool manualReset, bool initiallySignalled, LPCWSTR name, const char* call) {
  // Named events would be shared between processes; the engine only uses unnamed ones.
  if (name != nullptr) win32::Report(call, "named events are not supported; creating an unnamed one");
  return win32::AddKernelObject(std::make_shared<win32::Event>(manualReset, initiallySignalled));
}

// The object behind a handle to wait on, and the event that signals it. Holding the object keeps the event
// alive: the table keeps its own reference, so closing the handle during the wait does not pull the event
// away from under it.
struct Waitable {
  std::shared_ptr<win32::KernelObject> object;
  win32::Event* event = nullptr;
};

Waitable WaitableFor(HANDLE handle, const char* call) {
  Waitable waitable{win32::FindKernelObject(handle)};
  if (waitable.object) waitable.event = waitable.object->WaitableEvent();
  if (waitable.event == nullptr) {
    win32::FailCall(call, ERROR_INVALID_HANDLE, "%p is not an open handle that can be waited on", handle);
  }
  return waitable;
}

DWORD WaitForOne(HANDLE handle, DWORD milliseconds, const char* call) {
  Waitable waitable = WaitableFor(handle, call);
  if (waitable.event == nullptr) return WAIT_FAILED;
  return waitable.event->Wait(milliseconds) ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
}

DWORD WaitForMany(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, const char* call) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || handles == nullptr) {
    win32::FailCall(call, ERROR_INVALID_PARAMETER, "%u handles given; between 1 and %d are allowed", count,
                    MAXIMUM_WAIT_OBJECTS);
    return WAIT_FAILED;
  }
  std::vector<Waitable> waitables;
  std::vector<win32::Event*> events;
  for (DWORD i = 0; i < count; ++i) {
    waitables.push_back(WaitableFor(handles[i], call));
    if (waitables.back().event == nullptr) return WAIT_FAILED;
    if (std::find(events.begin(), events.end(), waitables.back().event) != events.end()) {
      win32::FailCall(call, ERROR_INVALID_PARAMETER, "handle %u (%p) is in the array twice", i, handles[i]);
      return WAIT_FAILED;
    }
    events.push_back(waitables.back().event);
  }
  return win32::Event::WaitForAnyOrAll(events, waitAll, milliseconds);
}

}  // namespace

HANDLE WINAPI CreateEventExW(LPSECURITY_ATTRIBUTES, LPCWSTR name, DWORD flags, DWORD) {
  return CreateEventHandle(flags & CREATE_EVENT_MANUAL_RESET, flags & CREATE_EVENT_INITIAL_SET, name, "CreateEventExW");
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
  return WaitForOne(handle, milliseconds, "WaitForSingleObject");
}

DWORD WINAPI WaitForSingleObjectEx(HANDLE handle, DWORD milliseconds, BOOL) {
  return WaitForOne(handle, milliseconds, "WaitForSingleObjectEx");
}

DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  return WaitForMany(count, handles, waitAll, milliseconds, "WaitForMultipleObjects");
}

DWORD WINAPI WaitForMultipleObjectsEx(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds, BOOL) {
  return WaitForMany(count, handles, waitAll, milliseconds, "WaitForMultipleObjectsEx");
}

namespace win32_platform {

void AttachEventWaiter(HANDLE event, EventWaiter waiter) {
  if (auto target = EventFor(event, "AttachEventWaiter")) target->AttachWaiter(std::move(waiter));
}

}  // namespace win32_platform
