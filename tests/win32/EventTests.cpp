// Events and waits, including the waiter another module attaches to complete a wait of its own.

#include <gtest/gtest.h>

#include <win32_platform.h>
#include <windows.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

struct EventHandle {
  explicit EventHandle(HANDLE handle) : handle(handle) {}
  ~EventHandle() { CloseHandle(handle); }
  HANDLE handle;
};

}  // namespace

TEST(Events, AutoResetEventReleasesOneWaitAtATime) {
  EventHandle event(CreateEventW(nullptr, FALSE, TRUE, nullptr));
  ASSERT_NE(event.handle, nullptr);
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(event.handle);
  EXPECT_EQ(WaitForSingleObject(event.handle, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  // The alertable wait behaves the same: nothing here queues calls that could end it early.
  EXPECT_EQ(WaitForSingleObjectEx(event.handle, 0, TRUE), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(event.handle);
  EXPECT_EQ(WaitForSingleObjectEx(event.handle, INFINITE, FALSE), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST(Events, ManualResetEventStaysSignalledUntilReset) {
  EventHandle event(
      CreateEventExW(nullptr, nullptr, CREATE_EVENT_MANUAL_RESET | CREATE_EVENT_INITIAL_SET, EVENT_ALL_ACCESS));
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), static_cast<DWORD>(WAIT_OBJECT_0));
  ASSERT_TRUE(ResetEvent(event.handle));
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(Events, WaitTimesOutNoSoonerThanAsked) {
  EventHandle event(CreateEventExW(nullptr, nullptr, 0, EVENT_ALL_ACCESS));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(event.handle, 30), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(30));
}

TEST(Events, SetEventFromAnotherThreadEndsAnInfiniteWait) {
  EventHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  std::thread setter([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    SetEvent(event.handle);
  });
  EXPECT_EQ(WaitForSingleObject(event.handle, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  setter.join();
}

TEST(Events, AttachedWaiterCompletesTheWaitAndIsThenDropped) {
  EventHandle event(CreateEventW(nullptr, FALSE, FALSE, nullptr));
  std::vector<DWORD> timeoutsSeen;
  win32_platform::AttachEventWaiter(event.handle, [&](DWORD timeout) {
    timeoutsSeen.push_back(timeout);
    SetEvent(event.handle);
  });

  EXPECT_EQ(WaitForSingleObject(event.handle, INFINITE), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(timeoutsSeen, std::vector<DWORD>{INFINITE});
  // The signal was consumed by the auto-reset wait, and the waiter went with it.
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(timeoutsSeen.size(), 1u);
}

TEST(Events, WaiterGetsItsTurnEvenOnAPoll) {
  EventHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  int calls = 0;
  win32_platform::AttachEventWaiter(event.handle, [&](DWORD timeout) {
    ++calls;
    EXPECT_EQ(timeout, 0u);
  });
  EXPECT_EQ(WaitForSingleObject(event.handle, 0), static_cast<DWORD>(WAIT_TIMEOUT));
  EXPECT_EQ(calls, 1);
}

TEST(Events, BadHandlesFailWithInvalidHandle) {
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  ASSERT_TRUE(CloseHandle(event));

  SetLastError(0);
  EXPECT_FALSE(CloseHandle(event));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(WaitForSingleObject(event, INFINITE), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(nullptr));
  EXPECT_FALSE(ResetEvent(INVALID_HANDLE_VALUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}
