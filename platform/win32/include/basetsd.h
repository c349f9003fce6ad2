// DirectX-Headers' Linux stubs declare HWND as an int in their basetsd.h. Windows declares it as a pointer
// to an opaque struct, and Win32 programs rely on that: they pass nullptr for "no window". This header
// reads the stubs' basetsd.h with their HWND renamed and then declares Windows' own. The stub headers
// through which basetsd.h is first reached (rpc.h, unknwn.h, and windef.h's winadapter.h) include this one
// before them, so the stubs' HWND never takes the name.
//
// LARGE_INTEGER and ULARGE_INTEGER get the same treatment: the stubs' unions only have the parts inside
// `u` (`x.u.LowPart`), and their HighPart is unsigned, where Windows programs write `x.LowPart` and
// `x.HighPart` (signed, for LARGE_INTEGER) directly. Ours have both spellings and the same layout.
#pragma once

#define HWND DirectXHeadersIntegerHwnd
#define _LARGE_INTEGER DirectXHeadersLargeIntegerTag
#define LARGE_INTEGER DirectXHeadersLargeInteger
#define PLARGE_INTEGER DirectXHeadersLargeIntegerPointer
#define _ULARGE_INTEGER DirectXHeadersUnsignedLargeIntegerTag
#define ULARGE_INTEGER DirectXHeadersUnsignedLargeInteger
#define PULARGE_INTEGER DirectXHeadersUnsignedLargeIntegerPointer
#include_next <basetsd.h>
#undef HWND
#undef _LARGE_INTEGER
#undef LARGE_INTEGER
#undef PLARGE_INTEGER
#undef _ULARGE_INTEGER
#undef ULARGE_INTEGER
#undef PULARGE_INTEGER

typedef struct HWND__* HWND;

typedef union _LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  };
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  LONGLONG QuadPart;
} LARGE_INTEGER, *PLARGE_INTEGER;

typedef union _ULARGE_INTEGER {
  struct {
    DWORD LowPart;
    DWORD HighPart;
  };
  struct {
    DWORD LowPart;
    DWORD HighPart;
  } u;
  ULONGLONG QuadPart;
} ULARGE_INTEGER, *PULARGE_INTEGER;
