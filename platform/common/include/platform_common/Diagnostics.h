// How every platform module reports on stderr: one line per event, always starting with the call, so a
// program's log reads the same whichever API it went wrong in.
#pragma once

#include <windows.h>

#include <cstdarg>
#include <string>

namespace platform {

// Prints "<call>: <message>".
void Report(const char* call, const char* format, ...) __attribute__((format(printf, 2, 3)));
// The same for modules that wrap it in reports of their own (Win32's, which also set the last error).
void ReportV(const char* call, const char* format, va_list arguments) __attribute__((format(printf, 2, 0)));

// Misuse and failures: prints "<call>: <message>" and returns `result`, so an error path is one
// `return Fail(...)`.
HRESULT Fail(const char* call, HRESULT result, const char* format, ...) __attribute__((format(printf, 3, 4)));
HRESULT Fail(const char* call, HRESULT result, const std::string& message);

// What a valid program may call and the platform lacks: prints "<call>: not implemented" the first time
// `call` is reported, nothing after that.
void ReportNotImplementedOnce(const char* call);

// The same, for methods that return an HRESULT: E_NOTIMPL.
inline HRESULT NotImplemented(const char* call) {
  ReportNotImplementedOnce(call);
  return E_NOTIMPL;
}

}  // namespace platform
