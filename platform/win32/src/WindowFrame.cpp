#include "WindowFrame.h"

#include "Diagnostics.h"

namespace win32 {
namespace {

constexpr int kCaptionHeight = 23;  // SM_CYCAPTION
constexpr int kMenuHeight = 20;     // SM_CYMENU
constexpr int kSizingFrame = 8;     // SM_CXFRAME with the padded border
constexpr int kDialogFrame = 3;     // SM_CXDLGFRAME
constexpr int kThinBorder = 1;      // SM_CXBORDER
constexpr int kClientEdge = 2;      // SM_CXEDGE

void Inflate(FrameInsets& frame, int amount) {
  frame.left += amount;
  frame.top += amount;
  frame.right += amount;
  frame.bottom += amount;
}

int BorderWidth(DWORD style) {
  if (style & WS_THICKFRAME) return kSizingFrame;
  if (style & WS_DLGFRAME) return kDialogFrame;
  if (style & WS_BORDER) return kThinBorder;
  return 0;
}

}  // namespace

FrameInsets FrameFor(DWORD style, DWORD exStyle, bool hasMenu) {
  FrameInsets frame;
  if ((style & WS_CAPTION) == WS_CAPTION) frame.top += kCaptionHeight;
  if (hasMenu) frame.top += kMenuHeight;
  Inflate(frame, BorderWidth(style));
  if (exStyle & WS_EX_CLIENTEDGE) Inflate(frame, kClientEdge);
  return frame;
}

}  // namespace win32

BOOL WINAPI AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL menu, DWORD exStyle) {
  if (rect == nullptr) {
    win32::FailCall("AdjustWindowRectEx", ERROR_INVALID_PARAMETER, "null rectangle");
    return FALSE;
  }
  const win32::FrameInsets frame = win32::FrameFor(style, exStyle, menu);
  rect->left -= frame.left;
  rect->top -= frame.top;
  rect->right += frame.right;
  rect->bottom += frame.bottom;
  return TRUE;
}

BOOL WINAPI AdjustWindowRect(LPRECT rect, DWORD style, BOOL menu) { return AdjustWindowRectEx(rect, style, menu, 0); }
