#include "Diagnostics.h"

#include <cstdarg>

namespace win32 {
namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

}  // namespace

void FailCall(const char* call, DWORD error, const char* format, ...) {
  lastError = error;
  va_list arguments;
  va_start(arguments, format);
  platform::ReportV(call, format, arguments);
  va_end(arguments);
}

}  // namespace win32

DWORD WINAPI GetLastError(void) { return win32::lastError; }

void WINAPI SetLastError(DWORD errorCode) { win32::lastError = errorCode; }
