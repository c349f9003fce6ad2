#include "app/WindowProc.h"

#include "app/InputState.h"
#include "render/Renderer.h"
#include "viewer/ModelViewer.h"

#include <windowsx.h>

#include <cstdint>

namespace {

// A quarter of a degree per pixel of mouse movement.
constexpr float RadiansPerPixel = 0.25f * 0.017453292f;

// Signed 16-bit halves: the cursor may be left of or above the client area while a button is held.
float MouseX(LPARAM lParam) { return static_cast<float>(GET_X_LPARAM(lParam)); }
float MouseY(LPARAM lParam) { return static_cast<float>(GET_Y_LPARAM(lParam)); }

void OnSize(LPARAM lParam) {
  PendingWidth = LOWORD(lParam);
  PendingHeight = HIWORD(lParam);
  // During a drag of the frame, only the latest size is kept; the end of the drag raises the resize.
  if (!InSizeMove) {
    ResizePending = true;
  }
}

void OnKeyDown(WPARAM virtualKey) {
  TypedKey.Char = static_cast<uint8_t>(virtualKey + 32);
  TypedKey.Pending = 1;
}

// With the left button held, vertical movement pitches the camera and horizontal movement turns it about
// the world's vertical axis, by the movement since the previous mouse message (a move or a click, so the
// first drag after a click does not jump).
void OnMouseMove(Renderer& renderer, WPARAM buttons, float x, float y) {
  if (ActiveViewer != nullptr) {
    ActiveViewer->OnMouseDrag(renderer, buttons, x - renderer.LastMouseX, y - renderer.LastMouseY);
  } else if (buttons & MK_LBUTTON) {
    renderer.Camera.Pitch((y - renderer.LastMouseY) * RadiansPerPixel);
    renderer.Camera.TurnAboutWorldY((x - renderer.LastMouseX) * RadiansPerPixel);
    renderer.CameraChanged = true;
  }
  renderer.LastMouseX = x;
  renderer.LastMouseY = y;
}

// A click on the text box gives it the keyboard focus; a click anywhere else takes the focus away.
void OnLeftButtonDown(Renderer& renderer, float x, float y) {
  renderer.LastMouseX = x;
  renderer.LastMouseY = y;
  if (!renderer.TextLabels.empty()) {
    TextLabel& label = renderer.TextLabels.front();
    label.HasFocus = LabelContainsPoint(label, x, y);
  }
}

// Viewer mode's keys while the text box does not take them; true when the viewer used the key.
bool OnViewerKey(WPARAM virtualKey) {
  if (ActiveViewer == nullptr || ActiveRenderer == nullptr) {
    return false;
  }
  const bool typing = !ActiveRenderer->TextLabels.empty() && ActiveRenderer->TextLabels.front().HasFocus;
  return !typing && ActiveViewer->OnKey(*ActiveRenderer, virtualKey);
}

// Viewer mode: a right or middle click starts a pan from where it was pressed.
bool OnViewerButtonDown(float x, float y) {
  if (ActiveViewer == nullptr || ActiveRenderer == nullptr) {
    return false;
  }
  ActiveRenderer->LastMouseX = x;
  ActiveRenderer->LastMouseY = y;
  return true;
}

}  // namespace

bool LabelContainsPoint(const TextLabel& label, float x, float y) {
  return x >= label.X && label.X + label.Width >= x && y >= label.Y && label.Y + label.Height >= y;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      OnSize(lParam);
      return 0;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_KEYDOWN:
      if (!OnViewerKey(wParam)) {
        OnKeyDown(wParam);
      }
      return 0;
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (OnViewerButtonDown(MouseX(lParam), MouseY(lParam))) {
        return 0;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_MOUSEWHEEL:
      if (ActiveViewer != nullptr && ActiveRenderer != nullptr) {
        // The wheel's delta is the high word, signed, in 120ths of a notch.
        ActiveViewer->OnWheel(*ActiveRenderer, static_cast<float>(static_cast<int16_t>(HIWORD(wParam))) / 120.0f);
        return 0;
      }
      return DefWindowProcW(window, message, wParam, lParam);
    case WM_MOUSEMOVE:
      if (ActiveRenderer != nullptr) {
        OnMouseMove(*ActiveRenderer, wParam, MouseX(lParam), MouseY(lParam));
      }
      return 0;
    case WM_LBUTTONDOWN:
      if (ActiveRenderer != nullptr) {
        OnLeftButtonDown(*ActiveRenderer, MouseX(lParam), MouseY(lParam));
      }
      return 0;
    case WM_ENTERSIZEMOVE:
      InSizeMove = true;
      return 0;
    case WM_EXITSIZEMOVE:
      InSizeMove = false;
      ResizePending = true;
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}
