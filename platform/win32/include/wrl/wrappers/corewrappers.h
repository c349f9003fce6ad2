// Microsoft::WRL::Wrappers: owners of kernel handles that close them when they go, the way Windows programs
// hold files (FileHandle) and events (Event).
#pragma once

#include <windows.h>

namespace Microsoft {
namespace WRL {
namespace Wrappers {
namespace HandleTraits {

// Handles whose "none" is null (events, threads).
struct HANDLENullTraits {
  typedef HANDLE Type;
  static bool Close(Type handle) { return CloseHandle(handle) != FALSE; }
  static Type GetInvalidValue() { return nullptr; }
};

// Handles whose "none" is INVALID_HANDLE_VALUE, which is what CreateFile returns on failure.
struct HANDLETraits {
  typedef HANDLE Type;
  static bool Close(Type handle) { return CloseHandle(handle) != FALSE; }
  static Type GetInvalidValue() { return INVALID_HANDLE_VALUE; }
};

typedef HANDLETraits FileHandleTraits;
typedef HANDLENullTraits EventTraits;

}  // namespace HandleTraits

template <typename HandleTraits>
class HandleT {
 public:
  typedef typename HandleTraits::Type Type;

  explicit HandleT(Type handle = HandleTraits::GetInvalidValue()) : handle_(handle) {}
  HandleT(HandleT&& other) : handle_(other.Detach()) {}
  HandleT(const HandleT&) = delete;
  HandleT& operator=(const HandleT&) = delete;
  HandleT& operator=(HandleT&& other) {
    Attach(other.Detach());
    return *this;
  }
  ~HandleT() { Close(); }

  bool IsValid() const { return handle_ != HandleTraits::GetInvalidValue(); }
  Type Get() const { return handle_; }
  void Attach(Type handle) {
    if (handle != handle_) {
      Close();
      handle_ = handle;
    }
  }
  Type Detach() {
    Type handle = handle_;
    handle_ = HandleTraits::GetInvalidValue();
    return handle;
  }
  void Close() {
    if (IsValid()) {
      HandleTraits::Close(handle_);
      handle_ = HandleTraits::GetInvalidValue();
    }
  }

 protected:
  Type handle_;
};

typedef HandleT<HandleTraits::FileHandleTraits> FileHandle;

class Event : public HandleT<HandleTraits::EventTraits> {
 public:
  explicit Event(HANDLE handle = HandleTraits::EventTraits::GetInvalidValue()) : HandleT(handle) {}
};

}  // namespace Wrappers
}  // namespace WRL
}  // namespace Microsoft
