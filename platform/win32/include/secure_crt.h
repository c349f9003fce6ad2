// The secure functions of the MSVC runtime that Windows programs use (conversion, copying, formatting,
// case-blind comparison); glibc has no equivalent. A bounds violation is what the MSVC runtime calls an
// invalid parameter: as with a handler that lets the program go on, the destination is left empty, the
// error comes back (and in errno), and one line on stderr names the call. Nothing is ever written past
// the destination's size.
#pragma once

#include <stdarg.h>
#include <stddef.h>
#include <wchar.h>

typedef int errno_t;

#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif
// What the case-blind comparisons return for invalid arguments.
#ifndef _NLSCMPERROR
#define _NLSCMPERROR 2147483647
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Converts up to `count` characters of `source` (or as many as fit, for _TRUNCATE) into `destination`,
// which holds `destinationSize` wide characters and is always terminated. `convertedCount` receives the
// characters written including the terminator. Returns 0, STRUNCATE, EINVAL, ERANGE or EILSEQ.
errno_t mbstowcs_s(size_t* convertedCount, wchar_t* destination, size_t destinationSize, const char* source,
                   size_t count);

// Copy or append `source` into `destination` of `destinationSize` characters. 0, EINVAL or ERANGE.
errno_t strcpy_s(char* destination, size_t destinationSize, const char* source);
errno_t wcscpy_s(wchar_t* destination, size_t destinationSize, const wchar_t* source);
errno_t strcat_s(char* destination, size_t destinationSize, const char* source);
errno_t wcscat_s(wchar_t* destination, size_t destinationSize, const wchar_t* source);

// The characters written, without the terminator, or -1 (EINVAL for null arguments, ERANGE when the text
// does not fit). The format is read as the MSVC runtime reads it: %ld is 32 bits (long is on Windows),
// %I64d 64; in the wide forms %s and %c take wide arguments and %S and %C narrow ones. That dialect is why
// these carry no printf format attribute: GCC would check them against glibc's.
int sprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, ...);
int vsprintf_s(char* buffer, size_t sizeOfBuffer, const char* format, va_list arguments);
int swprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, ...);
int vswprintf_s(wchar_t* buffer, size_t sizeOfBuffer, const wchar_t* format, va_list arguments);

// Case-blind comparisons (ASCII letters, as in the "C" locale): negative, zero or positive, or _NLSCMPERROR
// with errno EINVAL for a null string.
int _stricmp(const char* first, const char* second);
int _strnicmp(const char* first, const char* second, size_t count);
int _wcsicmp(const wchar_t* first, const wchar_t* second);
int _wcsnicmp(const wchar_t* first, const wchar_t* second, size_t count);

#ifdef __cplusplus
}  // extern "C"

// The MSVC runtime's C++ overloads that take the destination's size from the array itself.
template <size_t size>
errno_t mbstowcs_s(size_t* convertedCount, wchar_t (&destination)[size], const char* source, size_t count) {
  return mbstowcs_s(convertedCount, destination, size, source, count);
}
template <size_t size>
errno_t strcpy_s(char (&destination)[size], const char* source) {
  return strcpy_s(destination, size, source);
}
template <size_t size>
errno_t wcscpy_s(wchar_t (&destination)[size], const wchar_t* source) {
  return wcscpy_s(destination, size, source);
}
template <size_t size>
errno_t strcat_s(char (&destination)[size], const char* source) {
  return strcat_s(destination, size, source);
}
template <size_t size>
errno_t wcscat_s(wchar_t (&destination)[size], const wchar_t* source) {
  return wcscat_s(destination, size, source);
}
template <size_t size>
int sprintf_s(char (&buffer)[size], const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = vsprintf_s(buffer, size, format, arguments);
  va_end(arguments);
  return written;
}
template <size_t size>
int swprintf_s(wchar_t (&buffer)[size], const wchar_t* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  const int written = vswprintf_s(buffer, size, format, arguments);
  va_end(arguments);
  return written;
}
#endif
