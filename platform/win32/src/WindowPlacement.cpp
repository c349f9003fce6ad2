// Window rectangles on the screen: GetWindowRect, SetWindowPos and MoveWindow, and the 32-bit window
// longs. The record keeps the client area's place and size and the frame around it; the outer rectangle is
// always the two together, so what SetWindowPos sets GetWindowRect returns.

#include "Diagnostics.h"
#include "WindowOperations.h"

#include <SDL_video.h>

#include <algorithm>

using namespace win32;

namespace {

struct OuterRect {
  int x, y, width, height;
};

OuterRect OuterRectOf(const WindowRecord& record) {
  const FrameInsets& frame = record.frame;
  return {record.clientX - frame.left, record.clientY - frame.top,
          record.clientWidth + frame.left + frame.right, record.clientHeight + frame.top + frame.bottom};
}

// The outer rectangle the call asks for, from the current one and the flags.
OuterRect RequestedRect(const OuterRect& current, int x, int y, int cx, int cy, UINT flags) {
  OuterRect wanted = current;
  if (!(flags & SWP_NOMOVE)) {
    wanted.x = x;
    wanted.y = y;
  }
  if (!(flags & SWP_NOSIZE)) {
    wanted.width = std::max(cx, 0);
    wanted.height = std::max(cy, 0);
  }
  return wanted;
}

// Stores the new rectangle (and frame) and returns the record as it was.
std::optional<WindowRecord> Place(HWND window, const OuterRect& outer, const FrameInsets& frame,
                                  std::optional<bool> topmost) {
  std::optional<WindowRecord> before;
  WindowTable::Instance().Modify(window, [&](WindowRecord& record) {
    before = record;
    record.frame = frame;
    record.clientX = outer.x + frame.left;
    record.clientY = outer.y + frame.top;
    record.clientWidth = std::max(outer.width - frame.left - frame.right, 0);
    record.clientHeight = std::max(outer.height - frame.top - frame.bottom, 0);
    if (topmost) record.exStyle = *topmost ? (record.exStyle | WS_EX_TOPMOST) : (record.exStyle & ~WS_EX_TOPMOST);
  });
  return before;
}

void ApplyToSdlWindow(const WindowRecord& after, bool frameChanged, std::optional<bool> topmost) {
  SDL_Window* sdlWindow = after.sdlWindow;
  if (sdlWindow == nullptr) return;
  if (frameChanged) SDL_SetWindowBordered(sdlWindow, (after.style & WS_CAPTION) == WS_CAPTION ? SDL_TRUE : SDL_FALSE);
  if (topmost) SDL_SetWindowAlwaysOnTop(sdlWindow, *topmost ? SDL_TRUE : SDL_FALSE);
  SDL_SetWindowPosition(sdlWindow, after.clientX, after.clientY);
  SDL_SetWindowSize(sdlWindow, std::max(after.clientWidth, 1), std::max(after.clientHeight, 1));
}

std::optional<bool> TopmostRequest(HWND insertAfter, UINT flags) {
  if (flags & SWP_NOZORDER) return std::nullopt;
  if (insertAfter == HWND_TOPMOST) return true;
  if (insertAfter == HWND_NOTOPMOST) return false;
  return std::nullopt;
}

}  // namespace

BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  const auto record = WindowTable::Instance().Find(window);
  if (!record) {
    FailCall("GetWindowRect", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return FALSE;
  }
  if (rect == nullptr) {
    FailCall("GetWindowRect", ERROR_INVALID_PARAMETER, "null rectangle");
    return FALSE;
  }
  const OuterRect outer = OuterRectOf(*record);
  *rect = {outer.x, outer.y, outer.x + outer.width, outer.y + outer.height};
  return TRUE;
}

BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  const auto current = WindowTable::Instance().Find(window);
  if (!current) {
    FailCall("SetWindowPos", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return FALSE;
  }
  const bool frameChanged = (flags & SWP_FRAMECHANGED) != 0;
  const FrameInsets frame = frameChanged ? FrameFor(current->style, current->exStyle, false) : current->frame;
  const std::optional<bool> topmost = TopmostRequest(insertAfter, flags);
  Place(window, RequestedRect(OuterRectOf(*current), x, y, cx, cy, flags), frame, topmost);
  const auto after = WindowTable::Instance().Find(window);
  ApplyToSdlWindow(*after, frameChanged, topmost);

  if (after->clientX != current->clientX || after->clientY != current->clientY) {
    CallWindowProcedure(window, WM_MOVE, 0, MAKELPARAM(after->clientX, after->clientY));
  }
  SendSizeReportIfDue(window);
  if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOWNA);
  if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
  return TRUE;
}

BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL) {
  return SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LONG WINAPI GetWindowLongW(HWND window, int index) { return static_cast<LONG>(GetWindowLongPtrW(window, index)); }

LONG WINAPI SetWindowLongW(HWND window, int index, LONG value) {
  // Styles are 32-bit values: WS_POPUP's high bit must not spread into the wider field.
  const LONG_PTR wide = (index == GWL_STYLE || index == GWL_EXSTYLE) ? static_cast<LONG_PTR>(static_cast<DWORD>(value))
                                                                     : static_cast<LONG_PTR>(value);
  return static_cast<LONG>(SetWindowLongPtrW(window, index, wide));
}
