// DirectX-Headers' Linux stubs declare HWND as an int in their basetsd.h. Windows declares it as a pointer
// to an opaque struct, and Win32 programs rely on that: they pass nullptr for "no window". This header
// reads the stubs' basetsd.h with their HWND renamed and then declares Windows' own. The stub headers
// through which basetsd.h is first reached (rpc.h, unknwn.h, and windef.h's winadapter.h) include this one
// before them, so the stubs' HWND never takes the name.
#pragma once

#define HWND DirectXHeadersIntegerHwnd
#include_next <basetsd.h>
#undef HWND

typedef struct HWND__* HWND;
