// What condition variables need of a critical section: leaving it whatever the recursion, and entering it
// again with the recursion it had.
#pragma once

#include <windows.h>

namespace win32 {

// Returns the recursion count the owner had.
LONG LeaveCompletely(LPCRITICAL_SECTION section);
void EnterAgain(LPCRITICAL_SECTION section, LONG recursion);

}  // namespace win32
