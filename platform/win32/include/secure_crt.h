// The secure conversion of the MSVC runtime's <stdlib.h> that the engine uses; glibc has no equivalent.
#pragma once

#include <stddef.h>
#include <wchar.h>

typedef int errno_t;

#ifndef _TRUNCATE
#define _TRUNCATE ((size_t)-1)
#endif
#ifndef STRUNCATE
#define STRUNCATE 80
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Converts up to `count` characters of `source` (or as many as fit, for _TRUNCATE) into `destination`,
// which holds `destinationSize` wide characters and is always terminated. `convertedCount` receives the
// characters written including the terminator. Returns 0, STRUNCATE, EINVAL, ERANGE or EILSEQ.
errno_t mbstowcs_s(size_t* convertedCount, wchar_t* destination, size_t destinationSize, const char* source,
                   size_t count);

#ifdef __cplusplus
}  // extern "C"
#endif
