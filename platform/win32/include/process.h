// The C runtime's thread calls. A thread started with _beginthreadex is a Win32 thread: its handle
// (returned as uintptr_t) is waited on and closed like CreateThread's.
#pragma once

#include <windef.h>

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef unsigned(__stdcall* _beginthreadex_proc_type)(void*);

// Returns 0 and sets errno (EINVAL for a null start routine) on failure. The stack size is the C
// library's default whatever is asked; `initFlag` may be CREATE_SUSPENDED.
uintptr_t __cdecl _beginthreadex(void* security, unsigned stackSize, _beginthreadex_proc_type start, void* argument,
                                 unsigned initFlag, unsigned* threadId);
// Ends the calling thread (one started by _beginthreadex or CreateThread) with `exitCode`. The thread's
// stack is unwound on the way out, so its C++ objects are destroyed.
void __cdecl _endthreadex(unsigned exitCode);

#ifdef __cplusplus
}  // extern "C"
#endif
