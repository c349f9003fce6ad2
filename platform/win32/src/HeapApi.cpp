// The process heap is glibc's malloc arena: compacting it is malloc_trim, which unmaps the free pages at the
// top of the heap and advises the kernel to drop whole free pages inside it.
#include <windows.h>

#include <heapapi.h>

#include "Diagnostics.h"

#include <malloc.h>

namespace {

// Only its address counts: it is no kernel table key and no pointer anyone follows.
char processHeap;

}  // namespace

HANDLE WINAPI GetProcessHeap(void) { return &processHeap; }

SIZE_T WINAPI HeapCompact(HANDLE heap, DWORD flags) {
  if (heap != &processHeap) {
    win32::FailCall("HeapCompact", ERROR_INVALID_HANDLE, "%p is not a heap handle", heap);
    return 0;
  }
  if ((flags & ~DWORD{HEAP_NO_SERIALIZE}) != 0) {
    win32::FailCall("HeapCompact", ERROR_INVALID_PARAMETER, "flags 0x%x are not HEAP_NO_SERIALIZE", flags);
    return 0;
  }
  malloc_trim(0);
  const SIZE_T free = mallinfo2().fordblks;
  if (free == 0) {
    SetLastError(NO_ERROR);
  }
  return free;
}
