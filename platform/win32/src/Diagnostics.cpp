#include "Diagnostics.h"

#include <cstdarg>
#include <cstdio>

namespace win32 {
namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

void PrintLine(const char* call, const char* format, va_list arguments) {
  // One fprintf of the whole line, so lines of different threads do not interleave.
  char message[512];
  std::vsnprintf(message, sizeof message, format, arguments);
  std::fprintf(stderr, "%s: %s\n", call, message);
}

}  // namespace

void FailCall(DWORD error, const char* call, const char* format, ...) {
  lastError = error;
  va_list arguments;
  va_start(arguments, format);
  PrintLine(call, format, arguments);
  va_end(arguments);
}

void ReportCall(const char* call, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  PrintLine(call, format, arguments);
  va_end(arguments);
}

}  // namespace win32

DWORD WINAPI GetLastError(void) { return win32::lastError; }

void WINAPI SetLastError(DWORD errorCode) { win32::lastError = errorCode; }
