// Threads and the waits on them: suspended starts, exit codes, thread handles signalled at the end, waits
// on several handles (any and all), the interlocked operations between threads, and the locks, condition
// variables and interlocked lists that threads share.

#include <gtest/gtest.h>

#include <process.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <string>
#include <vector>

namespace {

using ::testing::internal::CaptureStderr;
using ::testing::internal::GetCapturedStderr;

struct Handle {
  explicit Handle(HANDLE handle) : handle(handle) {}
  ~Handle() {
    if (handle != nullptr) CloseHandle(handle);
  }
  HANDLE handle;
};

struct Started {
  std::atomic<bool> ran{false};
  DWORD threadId = 0;
  HANDLE release = nullptr;  // an event the thread waits for before ending, when set
  DWORD exitCode = 0;
};

DWORD WINAPI RecordAndExit(LPVOID parameter) {
  auto* started = static_cast<Started*>(parameter);
  started->threadId = GetCurrentThreadId();
  started->ran = true;
  if (started->release != nullptr) WaitForSingleObject(started->release, INFINITE);
  return started->exitCode;
}

TEST(Threads, ASuspendedThreadStartsOnlyWhenResumedAndReportsItsExitCode) {
  Started started;
  started.exitCode = 42;
  DWORD id = 0;
  Handle thread(CreateThread(nullptr, 0, RecordAndExit, &started, CREATE_SUSPENDED, &id));
  ASSERT_NE(thread.handle, nullptr);
  EXPECT_NE(id, 0u);
  EXPECT_NE(id, GetCurrentThreadId());
  EXPECT_EQ(GetThreadId(thread.handle), id);

  EXPECT_EQ(WaitForSingleObject(thread.handle, 20), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_FALSE(started.ran);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeThread(thread.handle, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));

  EXPECT_EQ(ResumeThread(thread.handle), 1u);  // the previous suspend count
  EXPECT_EQ(WaitForSingleObject(thread.handle, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_TRUE(started.ran);
  EXPECT_EQ(started.threadId, id);  // the id CreateThread gave is the one the thread sees
  ASSERT_TRUE(GetExitCodeThread(thread.handle, &code));
  EXPECT_EQ(code, 42u);
  // An ended thread stays signalled, and resuming a running or ended thread changes nothing.
  EXPECT_EQ(WaitForSingleObject(thread.handle, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(ResumeThread(thread.handle), 0u);
}

TEST(Threads, ClosingTheHandleOfARunningThreadLetsItFinish) {
  Handle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  Started started;
  started.release = release.handle;
  HANDLE thread = CreateThread(nullptr, 0, RecordAndExit, &started, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  ASSERT_TRUE(CloseHandle(thread));
  SetEvent(release.handle);
  for (int i = 0; i < 5000 && !started.ran; ++i) Sleep(1);
  EXPECT_TRUE(started.ran);

  DWORD code = 0;
  CaptureStderr();
  EXPECT_FALSE(GetExitCodeThread(thread, &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(ResumeThread(thread), static_cast<DWORD>(-1));
  EXPECT_EQ(CreateThread(nullptr, 0, nullptr, nullptr, 0, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  const std::string output = GetCapturedStderr();
  EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 3) << output;
}

TEST(Waits, WaitAnyNamesTheFirstSignalledHandle) {
  Handle first(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  Handle second(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  Handle third(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE handles[] = {first.handle, second.handle, third.handle};
  EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 10), static_cast<DWORD>(WAIT_TIMEOUT));

  SetEvent(third.handle);
  SetEvent(second.handle);
  // Both are signalled: the lower position wins, and only its auto-reset signal is taken.
  EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 1);
  EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 2);
  EXPECT_EQ(WaitForMultipleObjects(3, handles, FALSE, 0), WAIT_OBJECT_0 + 2);  // manual reset stays set
}

TEST(Waits, WaitAllTakesNoSignalUntilEveryHandleIsSignalled) {
  Handle autoReset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  Handle manualReset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE handles[] = {autoReset.handle, manualReset.handle};
  SetEvent(autoReset.handle);
  EXPECT_EQ(WaitForMultipleObjects(2, handles, TRUE, 10), static_cast<DWORD>(WAIT_TIMEOUT));
  // The failed wait-all left the auto-reset event's signal in place.
  EXPECT_EQ(WaitForSingleObject(autoReset.handle, 0), static_cast<DWORD>(WAIT_OBJECT_0));

  SetEvent(autoReset.handle);
  SetEvent(manualReset.handle);
  EXPECT_EQ(WaitForMultipleObjects(2, handles, TRUE, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(autoReset.handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(WaitForSingleObject(manualReset.handle, 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(Waits, WaitsOnThreadsAndEventsTogetherWakeWhenAnotherThreadSignals) {
  Handle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  std::vector<Started> workers(4);
  std::vector<HANDLE> threads;
  for (Started& worker : workers) {
    worker.release = release.handle;
    threads.push_back(CreateThread(nullptr, 0, RecordAndExit, &worker, 0, nullptr));
    ASSERT_NE(threads.back(), nullptr);
  }
  EXPECT_EQ(WaitForMultipleObjects(4, threads.data(), FALSE, 10), static_cast<DWORD>(WAIT_TIMEOUT));

  // A wait that is already sleeping wakes when a thread sets the event.
  Handle done(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  Handle setter(CreateThread(
      nullptr, 0,
      [](LPVOID event) -> DWORD {
        Sleep(20);
        return SetEvent(event) ? 0 : 1;
      },
      done.handle, 0, nullptr));
  const HANDLE mixed[] = {threads[0], done.handle};
  EXPECT_EQ(WaitForMultipleObjects(2, mixed, FALSE, INFINITE), WAIT_OBJECT_0 + 1);

  SetEvent(release.handle);
  EXPECT_EQ(WaitForMultipleObjects(4, threads.data(), TRUE, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  std::vector<DWORD> ids;
  for (const Started& worker : workers) ids.push_back(worker.threadId);
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end()) << "thread ids are unique";
  for (HANDLE thread : threads) CloseHandle(thread);
}

TEST(Waits, BadArgumentsFailWithOneLine) {
  Handle event(CreateEventW(nullptr, TRUE, TRUE, nullptr));
  const HANDLE twice[] = {event.handle, event.handle};
  std::vector<HANDLE> tooMany(MAXIMUM_WAIT_OBJECTS + 1, event.handle);
  HANDLE file = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(0x7777770));
  const HANDLE stale[] = {event.handle, file};
  const struct {
    DWORD count;
    const HANDLE* handles;
    DWORD error;
  } cases[] = {
      {0, twice, ERROR_INVALID_PARAMETER},
      {static_cast<DWORD>(tooMany.size()), tooMany.data(), ERROR_INVALID_PARAMETER},
      {2, twice, ERROR_INVALID_PARAMETER},
      {2, stale, ERROR_INVALID_HANDLE},
  };
  for (const auto& c : cases) {
    CaptureStderr();
    EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, FALSE, 0), WAIT_FAILED);
    const std::string output = GetCapturedStderr();
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
  }
}

TEST(Interlocked, ReturnsTheNewOrTheOldValueAsWindowsDoes) {
  volatile LONG value = 5;
  EXPECT_EQ(InterlockedIncrement(&value), 6);
  EXPECT_EQ(InterlockedDecrement(&value), 5);
  EXPECT_EQ(InterlockedExchange(&value, 9), 5);
  EXPECT_EQ(InterlockedExchangeAdd(&value, 3), 9);
  EXPECT_EQ(InterlockedAdd(&value, 3), 15);
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 14), 15);  // no match: unchanged
  EXPECT_EQ(value, 15);
  EXPECT_EQ(InterlockedCompareExchange(&value, 1, 15), 15);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(InterlockedOr(&value, 6), 1);
  EXPECT_EQ(InterlockedAnd(&value, 5), 7);
  EXPECT_EQ(InterlockedXor(&value, 1), 5);
  EXPECT_EQ(value, 4);

  volatile LONG64 wide = 0x100000000LL;
  EXPECT_EQ(InterlockedIncrement64(&wide), 0x100000001LL);
  EXPECT_EQ(InterlockedExchangeAdd64(&wide, -2), 0x100000001LL);
  EXPECT_EQ(InterlockedCompareExchange64(&wide, 7, 0xFFFFFFFFLL), 0xFFFFFFFFLL);
  EXPECT_EQ(InterlockedExchange64(&wide, 1), 7);
  EXPECT_EQ(InterlockedDecrement64(&wide), 0);

  int target = 0;
  PVOID volatile pointer = nullptr;
  EXPECT_EQ(InterlockedCompareExchangePointer(&pointer, &target, nullptr), nullptr);
  EXPECT_EQ(InterlockedExchangePointer(&pointer, nullptr), &target);
}

TEST(Interlocked, CountsFromManyThreadsLoseNoUpdate) {
  struct Shared {
    volatile LONG count = 0;
    volatile LONG64 total = 0;
  } shared;
  std::vector<HANDLE> threads;
  for (int i = 0; i < 4; ++i) {
    threads.push_back(CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
          auto* shared = static_cast<Shared*>(parameter);
          for (int n = 0; n < 100000; ++n) {
            InterlockedIncrement(&shared->count);
            InterlockedAdd64(&shared->total, 3);
          }
          return 0;
        },
        &shared, 0, nullptr));
  }
  EXPECT_EQ(WaitForMultipleObjects(4, threads.data(), TRUE, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(shared.count, 400000);
  EXPECT_EQ(shared.total, 1200000);
  for (HANDLE thread : threads) CloseHandle(thread);
}

// Runs `body(index)` on `count` threads started with _beginthreadex and waits for all of them.
template <typename Body>
void RunThreads(int count, Body body) {
  struct Start {
    Body* body;
    int index;
  };
  std::vector<Start> starts(count);
  std::vector<HANDLE> threads;
  for (int i = 0; i < count; ++i) {
    starts[i] = {&body, i};
    const uintptr_t thread = _beginthreadex(
        nullptr, 0,
        [](void* parameter) -> unsigned {
          auto* start = static_cast<Start*>(parameter);
          (*start->body)(start->index);
          return 0;
        },
        &starts[i], 0, nullptr);
    ASSERT_NE(thread, 0u);
    threads.push_back(reinterpret_cast<HANDLE>(thread));
  }
  EXPECT_EQ(WaitForMultipleObjects(count, threads.data(), TRUE, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  for (HANDLE thread : threads) CloseHandle(thread);
}

TEST(Threads, BeginThreadExStartsWin32ThreadsAndEndThreadExEndsThemEarly) {
  static std::atomic<int> destroyed{0};
  struct Guard {
    ~Guard() { ++destroyed; }
  };
  unsigned id = 0;
  const uintptr_t thread = _beginthreadex(
      nullptr, 0,
      [](void*) -> unsigned {
        Guard guard;
        _endthreadex(77);
        return 1;  // never reached
      },
      nullptr, CREATE_SUSPENDED, &id);
  ASSERT_NE(thread, 0u);
  const auto handle = reinterpret_cast<HANDLE>(thread);
  EXPECT_EQ(GetThreadId(handle), id);
  EXPECT_EQ(ResumeThread(handle), 1u);
  ASSERT_EQ(WaitForSingleObject(handle, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  DWORD code = 0;
  GetExitCodeThread(handle, &code);
  EXPECT_EQ(code, 77u);
  EXPECT_EQ(destroyed, 1);
  CloseHandle(handle);

  errno = 0;
  CaptureStderr();
  EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, nullptr), 0u);
  EXPECT_NE(GetCapturedStderr().find("_beginthreadex"), std::string::npos);
  EXPECT_EQ(errno, EINVAL);
}

// Each lock guards a plain (non-atomic) counter that many threads add to: a lock that lets two threads in
// at once loses updates. The critical section is entered twice per step to check that recursion counts.
TEST(Locks, CriticalSectionsAndExclusiveSlimLocksLetOneThreadInAtATime) {
  constexpr int kThreads = 4;
  constexpr int kSteps = 20000;
  CRITICAL_SECTION section;
  ASSERT_TRUE(InitializeCriticalSectionAndSpinCount(&section, 100));
  EXPECT_EQ(SetCriticalSectionSpinCount(&section, 50), 100u);
  SRWLOCK lock = SRWLOCK_INIT;
  long sectionCount = 0;
  long lockCount = 0;
  RunThreads(kThreads, [&](int) {
    for (int n = 0; n < kSteps; ++n) {
      EnterCriticalSection(&section);
      EnterCriticalSection(&section);
      sectionCount = sectionCount + 1;
      LeaveCriticalSection(&section);
      LeaveCriticalSection(&section);
      AcquireSRWLockExclusive(&lock);
      lockCount = lockCount + 1;
      ReleaseSRWLockExclusive(&lock);
    }
  });
  EXPECT_EQ(sectionCount, kThreads * kSteps);
  EXPECT_EQ(lockCount, kThreads * kSteps);
  DeleteCriticalSection(&section);
}

TEST(Locks, TryEnterAndSharedOwnershipFollowWindowsRules) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  SRWLOCK lock;
  InitializeSRWLock(&lock);
  EnterCriticalSection(&section);
  EXPECT_TRUE(TryEnterCriticalSection(&section));  // the owner may enter again
  ASSERT_TRUE(TryAcquireSRWLockShared(&lock));
  RunThreads(1, [&](int) {
    EXPECT_FALSE(TryEnterCriticalSection(&section));
    EXPECT_TRUE(TryAcquireSRWLockShared(&lock));  // readers share
    EXPECT_FALSE(TryAcquireSRWLockExclusive(&lock));
    ReleaseSRWLockShared(&lock);
  });
  LeaveCriticalSection(&section);
  RunThreads(1, [&](int) { EXPECT_FALSE(TryEnterCriticalSection(&section)); });  // still held once
  LeaveCriticalSection(&section);
  RunThreads(1, [&](int) {
    EXPECT_TRUE(TryEnterCriticalSection(&section));
    LeaveCriticalSection(&section);
  });
  ReleaseSRWLockShared(&lock);
  EXPECT_TRUE(TryAcquireSRWLockExclusive(&lock));
  EXPECT_FALSE(TryAcquireSRWLockShared(&lock));
  ReleaseSRWLockExclusive(&lock);

  CaptureStderr();
  LeaveCriticalSection(&section);  // not owned
  EXPECT_NE(GetCapturedStderr().find("LeaveCriticalSection"), std::string::npos);
  DeleteCriticalSection(&section);
}

// A bounded queue between producers and consumers, once on a critical section and once on a slim lock:
// every item arrives exactly once, and neither side spins while the other is slow.
TEST(ConditionVariables, ProducersAndConsumersHandOverEveryItemOnBothLockKinds) {
  constexpr int kItems = 5000;
  for (bool slim : {false, true}) {
    SCOPED_TRACE(slim ? "SRWLOCK" : "CRITICAL_SECTION");
    CRITICAL_SECTION section;
    InitializeCriticalSection(&section);
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE notEmpty = CONDITION_VARIABLE_INIT;
    CONDITION_VARIABLE notFull;
    InitializeConditionVariable(&notFull);
    std::vector<int> queue;
    std::vector<int> received(kItems, 0);
    auto enter = [&] { slim ? AcquireSRWLockExclusive(&lock) : EnterCriticalSection(&section); };
    auto leave = [&] { slim ? ReleaseSRWLockExclusive(&lock) : LeaveCriticalSection(&section); };
    auto sleep = [&](CONDITION_VARIABLE* condition) {
      return slim ? SleepConditionVariableSRW(condition, &lock, INFINITE, 0)
                  : SleepConditionVariableCS(condition, &section, INFINITE);
    };
    RunThreads(4, [&](int index) {
      const bool producer = index < 2;
      for (int n = index % 2; n < kItems; n += 2) {
        enter();
        while (producer ? queue.size() >= 8 : queue.empty()) sleep(producer ? &notFull : &notEmpty);
        if (producer) {
          queue.push_back(n);
          WakeConditionVariable(&notEmpty);
        } else {
          ++received[queue.back()];
          queue.pop_back();
          WakeAllConditionVariable(&notFull);
        }
        leave();
      }
    });
    EXPECT_EQ(std::count(received.begin(), received.end(), 1), kItems);
    DeleteCriticalSection(&section);
  }
}

TEST(ConditionVariables, SleepsTimeOutWithTheLockHeldAgain) {
  CRITICAL_SECTION section;
  InitializeCriticalSection(&section);
  SRWLOCK lock = SRWLOCK_INIT;
  CONDITION_VARIABLE condition = CONDITION_VARIABLE_INIT;
  EnterCriticalSection(&section);
  EnterCriticalSection(&section);
  SetLastError(0);
  EXPECT_FALSE(SleepConditionVariableCS(&condition, &section, 20));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
  // Both entries are held again: it takes two leaves before another thread gets in.
  LeaveCriticalSection(&section);
  RunThreads(1, [&](int) { EXPECT_FALSE(TryEnterCriticalSection(&section)); });
  LeaveCriticalSection(&section);

  AcquireSRWLockShared(&lock);
  EXPECT_FALSE(SleepConditionVariableSRW(&condition, &lock, 10, CONDITION_VARIABLE_LOCKMODE_SHARED));
  EXPECT_FALSE(TryAcquireSRWLockExclusive(&lock));  // still read-held
  ReleaseSRWLockShared(&lock);
  DeleteCriticalSection(&section);
}

TEST(InterlockedLists, PushesAndPopsFromManyThreadsKeepEveryEntryAndTheDepth) {
  struct Item {
    SLIST_ENTRY entry;
    int value;
  };
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  alignas(16) SLIST_HEADER head;
  InitializeSListHead(&head);
  EXPECT_EQ(InterlockedPopEntrySList(&head), nullptr);
  std::vector<Item> items(kThreads * kPerThread);
  std::vector<std::atomic<int>> popped(items.size());
  RunThreads(kThreads, [&](int index) {
    for (int n = 0; n < kPerThread; ++n) {
      Item& item = items[index * kPerThread + n];
      item.value = index * kPerThread + n;
      InterlockedPushEntrySList(&head, &item.entry);
      if (n % 2 == 1) {
        PSLIST_ENTRY entry = InterlockedPopEntrySList(&head);
        ASSERT_NE(entry, nullptr);
        ++popped[CONTAINING_RECORD(entry, Item, entry)->value];
      }
    }
  });
  EXPECT_EQ(QueryDepthSList(&head), kThreads * kPerThread / 2);
  for (PSLIST_ENTRY entry = InterlockedFlushSList(&head); entry != nullptr; entry = entry->Next) {
    ++popped[CONTAINING_RECORD(entry, Item, entry)->value];
  }
  EXPECT_EQ(QueryDepthSList(&head), 0);
  EXPECT_TRUE(std::all_of(popped.begin(), popped.end(), [](const auto& count) { return count == 1; }));

  LUID first{}, second{};
  ASSERT_TRUE(AllocateLocallyUniqueId(&first));
  ASSERT_TRUE(AllocateLocallyUniqueId(&second));
  EXPECT_FALSE(first.LowPart == second.LowPart && first.HighPart == second.HighPart);
  EXPECT_FALSE(first.LowPart == 0 && first.HighPart == 0);
}

}  // namespace
