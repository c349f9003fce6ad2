// Painting. No GDI drawing happens here; what matters to programs is when WM_PAINT arrives: for a visible
// window once it was shown, resized or exposed, and again and again until something validates it, which
// is how programs that render from WM_PAINT keep rendering.

#include "Diagnostics.h"
#include "WindowOperations.h"

using namespace win32;

namespace {

// The device context BeginPaint hands out: programs only pass it back to EndPaint.
constexpr HDC kPaintContext = 1;

bool SetNeedsPaint(HWND window, bool needsPaint, const char* call) {
  if (!WindowTable::Instance().Modify(window, [&](WindowRecord& record) { record.needsPaint = needsPaint; })) {
    win32::FailCall(call, ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return false;
  }
  return true;
}

}  // namespace

namespace win32 {

void InvalidateWindow(HWND window) {
  WindowTable::Instance().Modify(window, [](WindowRecord& record) { record.needsPaint = true; });
}

std::optional<MSG> PaintMessage(HWND filter) {
  // Asked by every PeekMessageW that finds the queue empty, so once per frame of a render loop.
  const HWND window = WindowTable::Instance().FindFirst([filter](const WindowRecord& record) {
    return (filter == nullptr || filter == record.handle) && record.needsPaint && record.visible &&
           !record.destroying && record.placement != Placement::Minimized;
  });
  if (window == nullptr) return std::nullopt;
  return MSG{window, WM_PAINT, 0, 0, GetTickCount(), {}};
}

}  // namespace win32

HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  const auto record = WindowTable::Instance().Find(window);
  if (!record || paint == nullptr) {
    win32::FailCall("BeginPaint", record ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE,
                    record ? "null paint record" : "not a window handle");
    return 0;
  }
  *paint = PAINTSTRUCT{};
  paint->hdc = kPaintContext;
  paint->rcPaint = RECT{0, 0, static_cast<LONG>(record->clientWidth), static_cast<LONG>(record->clientHeight)};
  SetNeedsPaint(window, false, "BeginPaint");
  return kPaintContext;
}

BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint) {
  return WindowTable::Instance().Find(window).has_value() && paint != nullptr;
}

BOOL WINAPI InvalidateRect(HWND window, const RECT*, BOOL) {
  // No window: every window, as Windows repaints the whole desktop.
  if (window == nullptr) {
    for (HWND each : WindowTable::Instance().Handles()) win32::InvalidateWindow(each);
    return TRUE;
  }
  return SetNeedsPaint(window, true, "InvalidateRect");
}

BOOL WINAPI ValidateRect(HWND window, const RECT*) {
  // Part of the client area is as much as all of it here: nothing is drawn in pieces.
  return SetNeedsPaint(window, false, "ValidateRect");
}
