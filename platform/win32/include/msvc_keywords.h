// The MSVC keywords Windows programs write as if they were C++: __declspec(...), _uuidof,
// __forceinline. GCC and Clang on Linux know none of them; this is the layer's own header, reached
// through <windows.h>. __uuidof itself comes from the DirectX-Headers stubs.
#pragma once

// __declspec(x) becomes the macro __declspec_x, so each attribute maps on its own: align(16) becomes
// __declspec_align(16), and uuid("...") becomes __declspec_uuid("...").
#ifndef __declspec
#define __declspec(attribute) __declspec_##attribute
#define __declspec_align(bytes) __attribute__((aligned(bytes)))
#define __declspec_noinline __attribute__((noinline))
#define __declspec_noreturn __attribute__((noreturn))
#define __declspec_nothrow __attribute__((nothrow))
#define __declspec_novtable
#define __declspec_selectany __attribute__((weak))
#define __declspec_thread __thread
#define __declspec_dllexport __attribute__((visibility("default")))
#define __declspec_dllimport
#define __declspec_uuid(text)
#define __declspec_restrict
#define __declspec_noalias
#endif

#ifndef _uuidof
#define _uuidof __uuidof
#endif
#ifndef __forceinline
#define __forceinline inline __attribute__((always_inline))
#endif
#ifndef _inline
#define _inline inline
#endif
#ifndef __int64
#define __int64 long long
#endif
