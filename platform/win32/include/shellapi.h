// The one shell call Direct3D samples make: splitting a command line into arguments.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Splits `commandLine` by Windows' rules (blanks separate, quotes group, backslashes escape quotes); the
// array and its strings are one block for LocalFree. Null (GetLastError says why) on bad arguments.
LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR commandLine, int* count);

#ifdef __cplusplus
}  // extern "C"
#endif
