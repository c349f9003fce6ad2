// The handle table behind every kernel handle the layer hands out (events, threads, files). A handle is a
// key into the table, never a pointer the layer dereferences, so a stale or made-up handle is reported
// instead of crashing, and CloseHandle works the same on every kind. Handles are not reused.
#pragma once

#include <windows.h>

#include <memory>

namespace win32 {

class Event;

class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // The event that is signalled when a wait on this object is satisfied; null for objects that cannot be
  // waited on.
  virtual Event* WaitableEvent() { return nullptr; }
};

HANDLE AddKernelObject(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle);
bool RemoveKernelObject(HANDLE handle);

// The object of type T behind `handle`, or null after reporting the bad handle (ERROR_INVALID_HANDLE) on
// behalf of `call`.
template <typename T>
std::shared_ptr<T> KernelObjectFor(HANDLE handle, const char* call, const char* kind);

}  // namespace win32

#include "Diagnostics.h"

template <typename T>
std::shared_ptr<T> win32::KernelObjectFor(HANDLE handle, const char* call, const char* kind) {
  auto object = std::dynamic_pointer_cast<T>(FindKernelObject(handle));
  if (!object) FailCall(call, ERROR_INVALID_HANDLE, "%p is not an open %s handle", handle, kind);
  return object;
}
