// How the layer reports a failed call: the thread's last-error code, as Windows keeps it, plus one line on
// stderr naming the call and what was wrong with it, in the format every platform module uses.
#pragma once

#include <windows.h>

#include "platform_common/Diagnostics.h"

namespace win32 {

using platform::Report;

// Sets the last error to `error` and prints "<call>: <message>" to stderr.
void FailCall(const char* call, DWORD error, const char* format, ...) __attribute__((format(printf, 3, 4)));

}  // namespace win32
