// Threads: creation (optionally suspended), resumption, identity and exit codes. A thread handle is
// signalled when its thread ends, so WaitForSingleObject and WaitForMultipleObjects wait for threads.
#pragma once

#include <windef.h>
#include <winerror.h>

#define CREATE_SUSPENDED 0x00000004
#define STACK_SIZE_PARAM_IS_A_RESERVATION 0x00010000
#define STILL_ACTIVE 259L

typedef DWORD(WINAPI* PTHREAD_START_ROUTINE)(LPVOID parameter);
typedef PTHREAD_START_ROUTINE LPTHREAD_START_ROUTINE;

#ifdef __cplusplus
extern "C" {
#endif

// The stack size is the C library's default whatever is asked: the engine's threads need no more.
HANDLE WINAPI CreateThread(LPSECURITY_ATTRIBUTES attributes, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                           LPVOID parameter, DWORD creationFlags, LPDWORD threadId);
// Returns the previous suspend count; the thread starts when it drops to zero.
DWORD WINAPI ResumeThread(HANDLE thread);
DWORD WINAPI GetCurrentThreadId(void);
BOOL WINAPI GetExitCodeThread(HANDLE thread, LPDWORD exitCode);
DWORD WINAPI GetThreadId(HANDLE thread);
// Ends a thread the layer started (CreateThread, _beginthreadex) from anywhere in it, unwinding its stack;
// its handle then reports `exitCode`.
void WINAPI ExitThread(DWORD exitCode);

#ifdef __cplusplus
}  // extern "C"
#endif
