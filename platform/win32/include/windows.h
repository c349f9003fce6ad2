// The part of the Win32 API the engine uses, implemented on SDL2. Names, values and signatures are the
// real ones; like the SDK's <windows.h>, this header only gathers the headers of each area.
#pragma once

#include <fileapi.h>
#include <heapapi.h>
#include <objbase.h>
#include <processthreadsapi.h>
#include <secure_crt.h>
#include <stringapiset.h>
#include <synchapi.h>
#include <winbase.h>
#include <windef.h>
#include <winerror.h>
#include <winnt.h>
#include <winuser.h>

// Like the SDK's, the full header also brings the shell's calls (drag and drop, CommandLineToArgvW);
// WIN32_LEAN_AND_MEAN leaves them out.
#ifndef WIN32_LEAN_AND_MEAN
#include <shellapi.h>
#endif
