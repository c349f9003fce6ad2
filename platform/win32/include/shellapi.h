// The shell calls programs make: splitting a command line into arguments, and files dropped on a window.
#pragma once

#include <windows.h>

// The files of one drop, handed to the window procedure as WM_DROPFILES' wParam.
DECLARE_HANDLE(HDROP);

// Windows declares these two in winuser.h, which a program including shellapi.h after WIN32_LEAN_AND_MEAN
// has too; here they come with the calls that use them.
#ifndef WM_DROPFILES
#define WM_DROPFILES 0x0233
#endif
#ifndef WS_EX_ACCEPTFILES
#define WS_EX_ACCEPTFILES 0x00000010L
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Splits `commandLine` by Windows' rules (blanks separate, quotes group, backslashes escape quotes); the
// array and its strings are one block for LocalFree. Null (GetLastError says why) on bad arguments.
LPWSTR* WINAPI CommandLineToArgvW(LPCWSTR commandLine, int* count);

// Drag and drop from the file manager. A window accepts dropped files after DragAcceptFiles(window, TRUE)
// or when created with WS_EX_ACCEPTFILES; each drop then posts one WM_DROPFILES holding every file of it.
// DragQueryFile with index 0xFFFFFFFF answers the number of files; with a null buffer the length of file
// `index` in characters without the terminating null; else it copies at most size - 1 characters and the
// null and answers the characters copied (0 for an index past the last file). DragFinish frees the drop.
// File names arrive as full paths; the ANSI forms give UTF-8.
void WINAPI DragAcceptFiles(HWND window, BOOL accept);
UINT WINAPI DragQueryFileW(HDROP drop, UINT index, LPWSTR file, UINT size);
UINT WINAPI DragQueryFileA(HDROP drop, UINT index, LPSTR file, UINT size);
void WINAPI DragFinish(HDROP drop);

#ifdef UNICODE
#define DragQueryFile DragQueryFileW
#else
#define DragQueryFile DragQueryFileA
#endif

#ifdef __cplusplus
}  // extern "C"
#endif
