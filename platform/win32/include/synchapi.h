// Critical sections, slim reader/writer locks and condition variables, with Windows' layouts, so that
// they may live in static storage, be zero-initialised (SRWLOCK_INIT, CONDITION_VARIABLE_INIT) and be
// copied into structures sized for Windows. They wait on Linux futexes; none of them allocates.
#pragma once

#include <windef.h>
#include <winerror.h>

typedef struct _RTL_CRITICAL_SECTION_DEBUG* PRTL_CRITICAL_SECTION_DEBUG;

// The fields keep Windows' names and offsets; their meaning is the layer's own (LockCount is the futex
// word: 0 free, 1 held, 2 held with waiters), so programs must not read them, as Windows also asks.
typedef struct _RTL_CRITICAL_SECTION {
  PRTL_CRITICAL_SECTION_DEBUG DebugInfo;
  LONG LockCount;
  LONG RecursionCount;
  HANDLE OwningThread;
  HANDLE LockSemaphore;
  ULONG_PTR SpinCount;
} RTL_CRITICAL_SECTION, *PRTL_CRITICAL_SECTION, CRITICAL_SECTION, *PCRITICAL_SECTION, *LPCRITICAL_SECTION;

typedef struct _RTL_SRWLOCK {
  PVOID Ptr;
} RTL_SRWLOCK, SRWLOCK, *PSRWLOCK;

typedef struct _RTL_CONDITION_VARIABLE {
  PVOID Ptr;
} RTL_CONDITION_VARIABLE, CONDITION_VARIABLE, *PCONDITION_VARIABLE;

#define RTL_SRWLOCK_INIT {0}
#define SRWLOCK_INIT RTL_SRWLOCK_INIT
#define RTL_CONDITION_VARIABLE_INIT {0}
#define CONDITION_VARIABLE_INIT RTL_CONDITION_VARIABLE_INIT
#define CONDITION_VARIABLE_LOCKMODE_SHARED 0x1
#define CRITICAL_SECTION_NO_DEBUG_INFO 0x01000000

#ifdef __cplusplus
extern "C" {
#endif

void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
BOOL WINAPI InitializeCriticalSectionEx(LPCRITICAL_SECTION section, DWORD spinCount, DWORD flags);
// Returns the previous spin count.
DWORD WINAPI SetCriticalSectionSpinCount(LPCRITICAL_SECTION section, DWORD spinCount);
// Recursive: the owner may enter again and must leave as often as it entered.
void WINAPI EnterCriticalSection(LPCRITICAL_SECTION section);
BOOL WINAPI TryEnterCriticalSection(LPCRITICAL_SECTION section);
void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION section);
void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION section);

// Not recursive, and a shared owner cannot upgrade: both deadlock, as on Windows.
void WINAPI InitializeSRWLock(PSRWLOCK lock);
void WINAPI AcquireSRWLockExclusive(PSRWLOCK lock);
void WINAPI AcquireSRWLockShared(PSRWLOCK lock);
BOOLEAN WINAPI TryAcquireSRWLockExclusive(PSRWLOCK lock);
BOOLEAN WINAPI TryAcquireSRWLockShared(PSRWLOCK lock);
void WINAPI ReleaseSRWLockExclusive(PSRWLOCK lock);
void WINAPI ReleaseSRWLockShared(PSRWLOCK lock);

// The sleeps release the lock, wait for a wake (or, rarely, wake spuriously, as Windows allows) and take
// the lock again; FALSE with ERROR_TIMEOUT when the time ran out.
void WINAPI InitializeConditionVariable(PCONDITION_VARIABLE condition);
BOOL WINAPI SleepConditionVariableCS(PCONDITION_VARIABLE condition, PCRITICAL_SECTION section, DWORD milliseconds);
BOOL WINAPI SleepConditionVariableSRW(PCONDITION_VARIABLE condition, PSRWLOCK lock, DWORD milliseconds, ULONG flags);
void WINAPI WakeConditionVariable(PCONDITION_VARIABLE condition);
void WINAPI WakeAllConditionVariable(PCONDITION_VARIABLE condition);

#ifdef __cplusplus
}  // extern "C"
#endif
