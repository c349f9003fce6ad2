// Basic Win32 types beyond those DirectX-Headers' <wsl/winadapter.h> defines (HRESULT, DWORD, BOOL, HANDLE,
// RECT, POINT, LARGE_INTEGER, GUID), which d3d12.h also uses: building on them keeps both headers in
// agreement. HWND is Windows' own pointer type (see basetsd.h).
#pragma once

#include <basetsd.h>
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
