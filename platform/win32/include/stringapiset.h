// Text conversion between code pages and wide text. The ANSI code page is UTF-8 here (file names and the
// terminal are UTF-8 on Linux, and CreateFileA takes UTF-8), so CP_ACP, CP_THREAD_ACP and CP_UTF8 are the same
// and the only ones there are. Invalid input becomes U+FFFD unless MB_ERR_INVALID_CHARS / WC_ERR_INVALID_CHARS ask
// for ERROR_NO_UNICODE_TRANSLATION instead; wide text has one code point per wchar_t, and a UTF-16 surrogate
// pair in it counts as one.
#pragma once

#include <windef.h>
#include <winerror.h>

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF7 65000
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_COMPOSITECHECK 0x00000200
#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

#ifdef __cplusplus
extern "C" {
#endif

int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteCount, LPWSTR wideText,
                               int wideCount);
int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideCount, LPSTR multiByteText,
                               int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar);

#ifdef __cplusplus
}  // extern "C"
#endif
