// Threads on std::thread. The std::thread is detached: the thread object, shared between its handle and the
// running thread, outlives whichever of the two goes last, so closing the handle of a running thread is
// harmless, as on Windows.

#include "Diagnostics.h"
#include "Event.h"

#include <process.h>

#include <atomic>
#include <cerrno>
#include <type_traits>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// Thread ids are the layer's own, multiples of four like Windows', handed out the first time a thread asks
// (threads the layer did not start, such as the main thread, get theirs that way too).
std::atomic<DWORD> nextThreadId{4};
thread_local DWORD currentThreadId = 0;
thread_local bool startedHere = false;

DWORD NewThreadId() { return nextThreadId.fetch_add(4); }

// ExitThread's way out of the start routine: thrown, and caught where the thread began.
struct ThreadExit {
  DWORD code;
};

class Thread final : public win32::KernelObject {
 public:
  Thread(LPTHREAD_START_ROUTINE start, LPVOID parameter, bool suspended)
      : start_(start), parameter_(parameter), id_(NewThreadId()), suspendCount_(suspended ? 1 : 0) {}

  win32::Event* WaitableEvent() override { return &finished_; }

  DWORD Id() const { return id_; }

  static void Run(std::shared_ptr<Thread> self) {
    std::thread([self] { self->Body(); }).detach();
  }

  DWORD Resume() {
    DWORD previous;
    {
      std::lock_guard lock(mutex_);
      previous = suspendCount_;
      if (suspendCount_ > 0) --suspendCount_;
    }
    resumed_.notify_all();
    return previous;
  }

  DWORD ExitCode() const { return exitCode_.load(); }

 private:
  void Body() {
    currentThreadId = id_;
    startedHere = true;
    {
      std::unique_lock lock(mutex_);
      resumed_.wait(lock, [this] { return suspendCount_ == 0; });
    }
    try {
      exitCode_.store(start_(parameter_));
    } catch (const ThreadExit& exit) {
      exitCode_.store(exit.code);
    }
    finished_.Set();
  }

  const LPTHREAD_START_ROUTINE start_;
  const LPVOID parameter_;
  const DWORD id_;
  std::mutex mutex_;
  std::condition_variable resumed_;
  DWORD suspendCount_;
  std::atomic<DWORD> exitCode_{STILL_ACTIVE};
  win32::Event finished_{true, false};
};

std::shared_ptr<Thread> ThreadFor(HANDLE handle, const char* call) {
  return win32::KernelObjectFor<Thread>(handle, call, "thread");
}

}  // namespace

HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE start, LPVOID parameter,
                           DWORD creationFlags, LPDWORD threadId) {
  if (start == nullptr) {
    win32::FailCall("CreateThread", ERROR_INVALID_PARAMETER, "the start routine is null");
    return nullptr;
  }
  auto thread = std::make_shared<Thread>(start, parameter, (creationFlags & CREATE_SUSPENDED) != 0);
  HANDLE handle = win32::AddKernelObject(thread);
  if (threadId != nullptr) *threadId = thread->Id();
  try {
    Thread::Run(thread);
  } catch (const std::system_error& error) {
    win32::RemoveKernelObject(handle);
    win32::FailCall("CreateThread", ERROR_NOT_ENOUGH_MEMORY, "the thread could not be started: %s", error.what());
    return nullptr;
  }
  return handle;
}

DWORD WINAPI ResumeThread(HANDLE handle) {
  auto thread = ThreadFor(handle, "ResumeThread");
  return thread ? thread->Resume() : static_cast<DWORD>(-1);
}

DWORD WINAPI GetCurrentThreadId(void) {
  if (currentThreadId == 0) currentThreadId = NewThreadId();
  return currentThreadId;
}

DWORD WINAPI GetThreadId(HANDLE handle) {
  auto thread = ThreadFor(handle, "GetThreadId");
  return thread ? thread->Id() : 0;
}

BOOL WINAPI GetExitCodeThread(HANDLE handle, LPDWORD exitCode) {
  auto thread = ThreadFor(handle, "GetExitCodeThread");
  if (!thread) return FALSE;
  if (exitCode == nullptr) {
    win32::FailCall("GetExitCodeThread", ERROR_INVALID_PARAMETER, "the exit-code pointer is null");
    return FALSE;
  }
  *exitCode = thread->ExitCode();
  return TRUE;
}

void WINAPI ExitThread(DWORD exitCode) {
  if (currentThreadId == 0 || !startedHere) {
    win32::Report("ExitThread", "only threads started by CreateThread or _beginthreadex can end early here");
    return;
  }
  throw ThreadExit{exitCode};
}

uintptr_t __cdecl _beginthreadex(void* security, unsigned, _beginthreadex_proc_type start, void* argument,
                                 unsigned initFlag, unsigned* threadId) {
  if (start == nullptr) {
    errno = EINVAL;
    win32::Report("_beginthreadex", "the start routine is null");
    return 0;
  }
  // unsigned and DWORD are the same 32-bit type, so the start routine is a thread routine as it is.
  static_assert(std::is_same_v<unsigned, DWORD>);
  DWORD id = 0;
  HANDLE thread = CreateThread(static_cast<LPSECURITY_ATTRIBUTES>(security), 0, start, argument, initFlag, &id);
  if (thread == nullptr) {
    errno = EAGAIN;
    return 0;
  }
  if (threadId != nullptr) *threadId = id;
  return reinterpret_cast<uintptr_t>(thread);
}

void __cdecl _endthreadex(unsigned exitCode) { ExitThread(exitCode); }
