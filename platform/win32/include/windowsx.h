// Message-cracking helpers of <windowsx.h> the engine uses.
#pragma once

#include <windows.h>

// Mouse coordinates are signed 16-bit values: they go negative when the mouse is captured outside the
// client area, so they must not be read with LOWORD/HIWORD.
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))
