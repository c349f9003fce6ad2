// The process heap: its handle and the compaction that gives the memory freed into it back to the system.
// Included by name after <windows.h>, as the SDK's header can be.
#pragma once

#include <windef.h>
#include <winerror.h>

#define HEAP_NO_SERIALIZE 0x00000001

#ifdef __cplusplus
extern "C" {
#endif

// The one heap of the process, the C library's; the handle is not a kernel handle (CloseHandle refuses it).
HANDLE WINAPI GetProcessHeap(void);
// Returns the freed pages of the heap to the system and answers the bytes it still holds free (the size of
// its largest free block on Windows); 0 with ERROR_INVALID_HANDLE for another handle and
// ERROR_INVALID_PARAMETER for flags other than HEAP_NO_SERIALIZE, or 0 and NO_ERROR when nothing is free.
SIZE_T WINAPI HeapCompact(HANDLE heap, DWORD flags);

#ifdef __cplusplus
}  // extern "C"
#endif
