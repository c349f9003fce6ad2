// How the layer reports a failed call: the thread's last-error code, as Windows keeps it, plus one line on
// stderr naming the call and what was wrong with it.
#pragma once

#include <windows.h>

namespace win32 {

// Sets the last error to `error` and prints "<call>: <message>" to stderr.
void FailCall(DWORD error, const char* call, const char* format, ...) __attribute__((format(printf, 3, 4)));

// Prints "<call>: <message>" to stderr without touching the last error.
void ReportCall(const char* call, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace win32
