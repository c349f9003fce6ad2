// Slim reader/writer locks and condition variables, each in the first four bytes of its pointer-sized
// Windows structure, so a zero-filled one is ready and none needs deleting.
//
// A lock word holds the writer bit, a bit that says someone sleeps on the word, and the reader count.
// Whoever releases the lock while that bit is set clears it and wakes every sleeper to compete again;
// a sleeper that loses sets it again. Readers may enter while others read, so a stream of readers can keep a
// writer waiting; Windows does not promise an order either.
//
// A condition variable's word is a wake counter: a sleeper reads it before releasing its lock and sleeps
// only while it is unchanged, so a wake between the release and the sleep is never lost.

#include "CriticalSection.h"
#include "Futex.h"

#include <climits>

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*),
              "SRWLOCK and CONDITION_VARIABLE must have their Windows size");

namespace win32 {
namespace {

constexpr uint32_t kWriter = 0x80000000u;
constexpr uint32_t kSleepers = 0x40000000u;
constexpr uint32_t kReaders = 0x3FFFFFFFu;

std::atomic<uint32_t>* WordOf(PSRWLOCK lock) { return FutexWordOf(&lock->Ptr); }
std::atomic<uint32_t>* WordOf(PCONDITION_VARIABLE condition) { return FutexWordOf(&condition->Ptr); }

// Sleeps until the word changes from `seen` (a state in which the lock could not be taken), first marking
// that someone sleeps.
void SleepOnLock(std::atomic<uint32_t>* word, uint32_t seen) {
  if ((seen & kSleepers) == 0 && !word->compare_exchange_strong(seen, seen | kSleepers)) return;
  FutexWait(word, seen | kSleepers, INFINITE);
}

void WakeSleepers(std::atomic<uint32_t>* word) {
  word->fetch_and(~kSleepers);
  FutexWake(word, INT_MAX);
}

bool TryExclusive(std::atomic<uint32_t>* word, uint32_t& seen) {
  seen = word->load(std::memory_order_relaxed);
  while ((seen & ~kSleepers) == 0) {
    if (word->compare_exchange_weak(seen, seen | kWriter, std::memory_order_acquire)) return true;
  }
  return false;
}

bool TryShared(std::atomic<uint32_t>* word, uint32_t& seen) {
  seen = word->load(std::memory_order_relaxed);
  while ((seen & kWriter) == 0) {
    if (word->compare_exchange_weak(seen, seen + 1, std::memory_order_acquire)) return true;
  }
  return false;
}

// Sleeps on the condition's counter as it was before the lock was released; false on a timeout.
template <typename ReleaseLock, typename TakeLock>
BOOL SleepOnCondition(PCONDITION_VARIABLE condition, DWORD milliseconds, ReleaseLock release, TakeLock take) {
  std::atomic<uint32_t>* word = WordOf(condition);
  const uint32_t wakes = word->load(std::memory_order_acquire);
  release();
  const bool woken = FutexWait(word, wakes, milliseconds);
  take();
  if (woken) return TRUE;
  SetLastError(ERROR_TIMEOUT);
  return FALSE;
}

}  // namespace
}  // namespace win32

using namespace win32;

void WINAPI InitializeSRWLock(PSRWLOCK lock) { lock->Ptr = nullptr; }

void WINAPI AcquireSRWLockExclusive(PSRWLOCK lock) {
  uint32_t seen = 0;
  while (!TryExclusive(WordOf(lock), seen)) SleepOnLock(WordOf(lock), seen);
}

void WINAPI AcquireSRWLockShared(PSRWLOCK lock) {
  uint32_t seen = 0;
  while (!TryShared(WordOf(lock), seen)) SleepOnLock(WordOf(lock), seen);
}

BOOLEAN WINAPI TryAcquireSRWLockExclusive(PSRWLOCK lock) {
  uint32_t seen = 0;
  return TryExclusive(WordOf(lock), seen) ? TRUE : FALSE;
}

BOOLEAN WINAPI TryAcquireSRWLockShared(PSRWLOCK lock) {
  uint32_t seen = 0;
  return TryShared(WordOf(lock), seen) ? TRUE : FALSE;
}

void WINAPI ReleaseSRWLockExclusive(PSRWLOCK lock) {
  if (WordOf(lock)->fetch_and(~kWriter, std::memory_order_release) & kSleepers) WakeSleepers(WordOf(lock));
}

void WINAPI ReleaseSRWLockShared(PSRWLOCK lock) {
  const uint32_t now = WordOf(lock)->fetch_sub(1, std::memory_order_release) - 1;
  if ((now & kReaders) == 0 && (now & kSleepers) != 0) WakeSleepers(WordOf(lock));
}

void WINAPI InitializeConditionVariable(PCONDITION_VARIABLE condition) { condition->Ptr = nullptr; }

BOOL WINAPI SleepConditionVariableCS(PCONDITION_VARIABLE condition, PCRITICAL_SECTION section, DWORD milliseconds) {
  LONG recursion = 0;
  return SleepOnCondition(
      condition, milliseconds, [&] { recursion = LeaveCompletely(section); },
      [&] { EnterAgain(section, recursion); });
}

BOOL WINAPI SleepConditionVariableSRW(PCONDITION_VARIABLE condition, PSRWLOCK lock, DWORD milliseconds, ULONG flags) {
  if (flags & CONDITION_VARIABLE_LOCKMODE_SHARED) {
    return SleepOnCondition(
        condition, milliseconds, [&] { ReleaseSRWLockShared(lock); }, [&] { AcquireSRWLockShared(lock); });
  }
  return SleepOnCondition(
      condition, milliseconds, [&] { ReleaseSRWLockExclusive(lock); }, [&] { AcquireSRWLockExclusive(lock); });
}

void WINAPI WakeConditionVariable(PCONDITION_VARIABLE condition) {
  WordOf(condition)->fetch_add(1, std::memory_order_release);
  FutexWake(WordOf(condition), 1);
}

void WINAPI WakeAllConditionVariable(PCONDITION_VARIABLE condition) {
  WordOf(condition)->fetch_add(1, std::memory_order_release);
  FutexWake(WordOf(condition), INT_MAX);
}
