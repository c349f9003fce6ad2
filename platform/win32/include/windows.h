// The part of the Win32 API the engine uses, implemented on SDL2. Names, values and signatures are the
// real ones; like the SDK's <windows.h>, this header only gathers the headers of each area.
#pragma once

#include <windef.h>
#include <winnt.h>
#include <winerror.h>
#include <winbase.h>
#include <fileapi.h>
#include <processthreadsapi.h>
#include <winuser.h>
#include <objbase.h>
#include <secure_crt.h>
