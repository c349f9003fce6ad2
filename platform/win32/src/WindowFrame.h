// The non-client frame around a window's client area. The window manager draws the real decoration, so
// the layer uses fixed metrics, those of Windows 10 at 96 DPI: AdjustWindowRectEx adds them and
// CreateWindowExW takes them off again, which keeps the client area exactly the size asked for.
#pragma once

#include <windows.h>

namespace win32 {

struct FrameInsets {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};

FrameInsets FrameFor(DWORD style, DWORD exStyle, bool hasMenu);

}  // namespace win32
