#include "KernelObjects.h"

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace win32 {
namespace {

class HandleTable {
 public:
  HANDLE Add(std::shared_ptr<KernelObject> object) {
    std::lock_guard lock(mutex_);
    const uintptr_t key = nextKey_;
    nextKey_ += 4;  // like kernel handles: multiples of four
    objects_.emplace(key, std::move(object));
    return reinterpret_cast<HANDLE>(key);
  }

  std::shared_ptr<KernelObject> Find(HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
    return found != objects_.end() ? found->second : nullptr;
  }

  // The object leaves the table under the lock but is destroyed after it: closing a file or dropping the
  // last reference to a thread must not hold up every other handle call.
  std::shared_ptr<KernelObject> Remove(HANDLE handle) {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(reinterpret_cast<uintptr_t>(handle));
    if (found == objects_.end()) return nullptr;
    auto object = std::move(found->second);
    objects_.erase(found);
    return object;
  }

 private:
  std::mutex mutex_;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects_;
  uintptr_t nextKey_ = 0x1000;
};

HandleTable& Handles() {
  static HandleTable table;
  return table;
}

}  // namespace

HANDLE AddKernelObject(std::shared_ptr<KernelObject> object) { return Handles().Add(std::move(object)); }

std::shared_ptr<KernelObject> FindKernelObject(HANDLE handle) { return Handles().Find(handle); }

bool RemoveKernelObject(HANDLE handle) { return Handles().Remove(handle) != nullptr; }

}  // namespace win32

BOOL WINAPI CloseHandle(HANDLE handle) {
  if (!win32::RemoveKernelObject(handle)) {
    win32::FailCall("CloseHandle", ERROR_INVALID_HANDLE, "%p is not an open handle", handle);
    return FALSE;
  }
  return TRUE;
}
