// Basic Win32 types beyond those DirectX-Headers' <wsl/winadapter.h> defines (HRESULT, DWORD, BOOL, HANDLE,
// RECT, POINT, LARGE_INTEGER, GUID), which d3d12.h also uses: building on them keeps both headers in
// agreement. HWND is Windows' own pointer type (see basetsd.h).
#pragma once

#include <basetsd.h>
#include <msvc_keywords.h>
#include <sal.h>
#include <wsl/winadapter.h>

#include <stdint.h>

#define CALLBACK
#define WINAPIV

typedef int16_t SHORT;
typedef ULONG_PTR DWORD_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef DWORD* LPDWORD;
typedef BOOL* LPBOOL;
typedef LONG* LPLONG;
typedef RECT* PRECT;
typedef RECT* LPRECT;
typedef const RECT* LPCRECT;
typedef POINT* PPOINT;
typedef POINT* LPPOINT;
typedef void* HLOCAL;
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

DECLARE_HANDLE(HINSTANCE);
typedef HINSTANCE HMODULE;
DECLARE_HANDLE(HICON);
typedef HICON HCURSOR;
DECLARE_HANDLE(HBRUSH);
DECLARE_HANDLE(HMENU);

#define LOWORD(l) ((WORD)(((DWORD_PTR)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((DWORD_PTR)(l)) >> 16) & 0xffff))
#define LOBYTE(w) ((BYTE)(((DWORD_PTR)(w)) & 0xff))
#define HIBYTE(w) ((BYTE)((((DWORD_PTR)(w)) >> 8) & 0xff))
#define MAKEWORD(a, b) ((WORD)(((BYTE)(((DWORD_PTR)(a)) & 0xff)) | ((WORD)((BYTE)(((DWORD_PTR)(b)) & 0xff))) << 8))
#define MAKELONG(a, b) \
  ((LONG)(((WORD)(((DWORD_PTR)(a)) & 0xffff)) | ((DWORD)((WORD)(((DWORD_PTR)(b)) & 0xffff))) << 16))

// The Windows version a program targets; programs may set their own before including <windows.h>.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#ifndef WINVER
#define WINVER _WIN32_WINNT
#endif

typedef unsigned char byte;

// Windows defines min and max as macros unless the program defines NOMINMAX. Macros would break the C++
// standard headers a program includes afterwards (libstdc++ declares std::min and calls
// std::numeric_limits<T>::max()), so in C++ they are function templates in the global namespace instead.
// They keep what programs rely on from the macros: the two arguments may have different types, and the
// result has the type the conditional operator would give. Where both arguments have the same type and
// std::min is visible too (`using namespace std`), std::min is the better match, so neither call is ambiguous.
#ifndef NOMINMAX
#ifdef __cplusplus
#include <type_traits>

template <typename A, typename B>
constexpr std::common_type_t<A, B> min(const A& a, const B& b) {
  using Common = std::common_type_t<A, B>;
  return Common(a) < Common(b) ? Common(a) : Common(b);
}

template <typename A, typename B>
constexpr std::common_type_t<A, B> max(const A& a, const B& b) {
  using Common = std::common_type_t<A, B>;
  return Common(a) > Common(b) ? Common(a) : Common(b);
}
#else
#ifndef min
#define min(a, b) (((a) < (b)) ? (a) : (b))
#endif
#ifndef max
#define max(a, b) (((a) > (b)) ? (a) : (b))
#endif
#endif
#endif
