// Critical sections: a three-state futex lock (free, held, held with waiters) in LockCount, recursion
// counted for the owner, and an optional spin before sleeping.

#include "CriticalSection.h"

#include "Diagnostics.h"

#include "Futex.h"

static_assert(sizeof(CRITICAL_SECTION) == 40, "CRITICAL_SECTION must have its Windows size");

namespace win32 {
namespace {

constexpr uint32_t kFree = 0;
constexpr uint32_t kHeld = 1;
constexpr uint32_t kContended = 2;

std::atomic<uint32_t>* WordOf(LPCRITICAL_SECTION section) { return FutexWordOf(&section->LockCount); }

HANDLE CurrentOwner() { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(GetCurrentThreadId())); }

bool TryTake(std::atomic<uint32_t>* word) {
  uint32_t expected = kFree;
  return word->compare_exchange_strong(expected, kHeld, std::memory_order_acquire);
}

void Take(std::atomic<uint32_t>* word, ULONG_PTR spinCount) {
  for (ULONG_PTR spin = 0; spin < spinCount; ++spin) {
    if (TryTake(word)) return;
    YieldProcessor();
  }
  if (TryTake(word)) return;
  while (word->exchange(kContended, std::memory_order_acquire) != kFree) FutexWait(word, kContended, INFINITE);
}

void Release(std::atomic<uint32_t>* word) {
  if (word->exchange(kFree, std::memory_order_release) == kContended) FutexWake(word, 1);
}

}  // namespace

LONG LeaveCompletely(LPCRITICAL_SECTION section) {
  const LONG recursion = section->RecursionCount;
  section->RecursionCount = 0;
  section->OwningThread = nullptr;
  Release(WordOf(section));
  return recursion;
}

void EnterAgain(LPCRITICAL_SECTION section, LONG recursion) {
  Take(WordOf(section), section->SpinCount);
  section->OwningThread = CurrentOwner();
  section->RecursionCount = recursion;
}

}  // namespace win32

using namespace win32;

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section) { InitializeCriticalSectionEx(section, 0, 0); }

BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount) {
  return InitializeCriticalSectionEx(section, spinCount, 0);
}

BOOL WINAPI InitializeCriticalSectionEx(LPCRITICAL_SECTION section, DWORD spinCount, DWORD) {
  *section = CRITICAL_SECTION{};
  section->SpinCount = spinCount;
  return TRUE;
}

DWORD WINAPI SetCriticalSectionSpinCount(LPCRITICAL_SECTION section, DWORD spinCount) {
  const auto previous = static_cast<DWORD>(section->SpinCount);
  section->SpinCount = spinCount;
  return previous;
}

void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section) {
  if (section->OwningThread == CurrentOwner()) {
    ++section->RecursionCount;
    return;
  }
  EnterAgain(section, 1);
}

BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section) {
  if (section->OwningThread == CurrentOwner()) {
    ++section->RecursionCount;
    return TRUE;
  }
  if (!TryTake(WordOf(section))) return FALSE;
  section->OwningThread = CurrentOwner();
  section->RecursionCount = 1;
  return TRUE;
}

void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section) {
  if (section->OwningThread != CurrentOwner()) {
    Report("LeaveCriticalSection", "the calling thread does not own critical section %p", static_cast<void*>(section));
    return;
  }
  if (--section->RecursionCount == 0) LeaveCompletely(section);
}

void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section) { *section = CRITICAL_SECTION{}; }
