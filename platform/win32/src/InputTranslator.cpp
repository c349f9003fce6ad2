#include "InputTranslator.h"

#include "DragDrop.h"
#include "KeyboardState.h"
#include "MessageQueue.h"
#include "VirtualKeys.h"
#include "WindowOperations.h"
#include "WindowSystem.h"

#include <win32_platform.h>

#include <SDL_mouse.h>

#include <algorithm>

namespace win32 {
namespace {

// Bits of a key message's lParam.
constexpr LPARAM kRepeatCountOfOne = 1;
constexpr int kScanCodeShift = 16;
constexpr LPARAM kExtendedKeyBit = LPARAM{1} << 24;
constexpr LPARAM kAltContextBit = LPARAM{1} << 29;
constexpr LPARAM kPreviouslyDownBit = LPARAM{1} << 30;
constexpr LPARAM kReleasingBit = LPARAM{1} << 31;

POINT lastCursorPosition{};

void PostInput(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
               std::optional<KeyTransition> transition = std::nullopt) {
  QueuedMessage input;
  input.message = {window, message, wParam, lParam, GetTickCount(), lastCursorPosition};
  input.transition = transition;
  MessageQueue::Instance().PostInput(input);
}

// Client coordinates as Windows packs them: two signed 16-bit halves, so that positions left of or above
// the client area (while the mouse is captured) read back negative with GET_X_LPARAM / GET_Y_LPARAM.
LPARAM PackCoordinates(int x, int y) {
  auto toWord = [](int value) { return static_cast<WORD>(static_cast<int16_t>(std::clamp(value, -32768, 32767))); };
  return MAKELPARAM(toWord(x), toWord(y));
}

WPARAM ModifierFlags() {
  KeyboardState& keys = KeyboardState::Instance();
  WPARAM flags = 0;
  if (keys.IsDownNow(VK_SHIFT)) flags |= MK_SHIFT;
  if (keys.IsDownNow(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

WPARAM ButtonFlags(Uint32 sdlButtonMask) {
  WPARAM flags = 0;
  if (sdlButtonMask & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
  if (sdlButtonMask & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
  if (sdlButtonMask & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
  return flags;
}

Uint32 ButtonsDownNow() {
  KeyboardState& keys = KeyboardState::Instance();
  Uint32 mask = 0;
  if (keys.IsDownNow(VK_LBUTTON)) mask |= SDL_BUTTON_LMASK;
  if (keys.IsDownNow(VK_RBUTTON)) mask |= SDL_BUTTON_RMASK;
  if (keys.IsDownNow(VK_MBUTTON)) mask |= SDL_BUTTON_MMASK;
  return mask;
}

void RememberCursor(HWND window, int x, int y) {
  // The message's cursor position is in screen coordinates; an in-memory window sits at the origin.
  int left = 0, top = 0;
  if (auto record = WindowTable::Instance().Find(window); record && record->sdlWindow) {
    SDL_GetWindowPosition(record->sdlWindow, &left, &top);
  }
  lastCursorPosition = {left + x, top + y};
}

// Windows sends WM_SYSKEYDOWN / WM_SYSKEYUP for keys pressed with Alt (but not with AltGr, which is
// Ctrl+Alt), for Alt itself and for F10.
bool IsSystemKey(uint8_t messageKey, bool altHeld, bool controlHeld) {
  return (altHeld && !controlHeld) || messageKey == VK_F10;
}

void TranslateKey(const SDL_KeyboardEvent& event) {
  const auto identity = IdentifyKey(event.keysym);
  if (!identity) return;
  KeyboardState& keys = KeyboardState::Instance();
  const bool down = event.type == SDL_KEYDOWN;
  const bool autoRepeat = down && event.repeat != 0;
  const bool wasDown = keys.IsDownNow(identity->virtualKey) || autoRepeat;
  const KeyTransition transition{identity->virtualKey, down, autoRepeat};
  keys.ApplyToAsync(transition);

  const HWND window = WindowTable::Instance().FindByEventSource(event.windowID);
  if (window == nullptr) return;  // no window has the focus; the key state still follows the keyboard

  const uint8_t messageKey = MessageVirtualKey(identity->virtualKey);
  const bool altHeld = keys.IsDownNow(VK_MENU) || messageKey == VK_MENU;
  const bool system = IsSystemKey(messageKey, altHeld, keys.IsDownNow(VK_CONTROL));
  LPARAM lParam = kRepeatCountOfOne | (LPARAM{identity->scanCode} << kScanCodeShift);
  if (identity->extended) lParam |= kExtendedKeyBit;
  if (system && altHeld) lParam |= kAltContextBit;
  if (down) {
    if (wasDown) lParam |= kPreviouslyDownBit;
  } else {
    lParam |= kPreviouslyDownBit | kReleasingBit;
  }
  const UINT message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  PostInput(window, message, messageKey, lParam, transition);
}

void TranslateMouseMotion(const SDL_MouseMotionEvent& event) {
  const HWND window = WindowTable::Instance().FindByEventSource(event.windowID);
  if (window == nullptr) return;
  RememberCursor(window, event.x, event.y);
  PostInput(window, WM_MOUSEMOVE, ButtonFlags(event.state) | ModifierFlags(), PackCoordinates(event.x, event.y));
}

struct ButtonMessages {
  uint8_t virtualKey;
  UINT down;
  UINT up;
};

std::optional<ButtonMessages> MessagesForButton(Uint8 button) {
  switch (button) {
    case SDL_BUTTON_LEFT:
      return ButtonMessages{VK_LBUTTON, WM_LBUTTONDOWN, WM_LBUTTONUP};
    case SDL_BUTTON_RIGHT:
      return ButtonMessages{VK_RBUTTON, WM_RBUTTONDOWN, WM_RBUTTONUP};
    case SDL_BUTTON_MIDDLE:
      return ButtonMessages{VK_MBUTTON, WM_MBUTTONDOWN, WM_MBUTTONUP};
    default:
      return std::nullopt;
  }
}

void TranslateMouseButton(const SDL_MouseButtonEvent& event) {
  const auto messages = MessagesForButton(event.button);
  if (!messages) return;
  const bool down = event.type == SDL_MOUSEBUTTONDOWN;
  const KeyTransition transition{messages->virtualKey, down, false};
  KeyboardState::Instance().ApplyToAsync(transition);

  const HWND window = WindowTable::Instance().FindByEventSource(event.windowID);
  if (window == nullptr) return;
  RememberCursor(window, event.x, event.y);
  // Like Windows, the flags describe the buttons after the change: a press includes its own button.
  const WPARAM flags = ButtonFlags(ButtonsDownNow()) | ModifierFlags();
  PostInput(window, down ? messages->down : messages->up, flags, PackCoordinates(event.x, event.y), transition);
}

void QueueSizeReportIfDue(HWND window) {
  if (auto report = TakeNewSizeReport(window)) {
    PostInput(window, WM_SIZE, report->kind, PackSize(report->width, report->height));
  }
}

void TranslateWindowEvent(const SDL_WindowEvent& event) {
  const HWND window = WindowTable::Instance().FindByEventSource(event.windowID);
  if (window == nullptr) return;
  WindowTable& windows = WindowTable::Instance();
  switch (event.event) {
    case SDL_WINDOWEVENT_CLOSE:
      PostInput(window, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      windows.Modify(window, [&](WindowRecord& record) {
        record.clientWidth = std::max(event.data1, 0);
        record.clientHeight = std::max(event.data2, 0);
      });
      QueueSizeReportIfDue(window);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      windows.Modify(window, [](WindowRecord& record) { record.placement = Placement::Minimized; });
      QueueSizeReportIfDue(window);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      windows.Modify(window, [](WindowRecord& record) { record.placement = Placement::Maximized; });
      QueueSizeReportIfDue(window);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      windows.Modify(window, [](WindowRecord& record) { record.placement = Placement::Normal; });
      QueueSizeReportIfDue(window);
      break;
    case SDL_WINDOWEVENT_EXPOSED:
      InvalidateWindow(window);
      break;
    case SDL_WINDOWEVENT_MOVED:
      windows.Modify(window, [&](WindowRecord& record) {
        record.clientX = event.data1;
        record.clientY = event.data2;
      });
      PostInput(window, WM_MOVE, 0, PackCoordinates(event.data1, event.data2));
      break;
    default:
      break;
  }
}

// A display came, went or turned: every top-level window hears the primary display's mode, as Windows
// broadcasts it.
void TranslateDisplayEvent() {
  const auto displays = win32_platform::Displays();
  const auto& mode = displays.front().current;
  for (HWND window : WindowTable::Instance().Handles()) {
    PostInput(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(mode.width, mode.height));
  }
}

}  // namespace

// WM_MOUSEWHEEL goes to the window under the cursor with the delta in 120ths of a notch in the high word of
// wParam (positive away from the user) and the cursor in screen coordinates in lParam.
void TranslateMouseWheel(const SDL_MouseWheelEvent& event) {
  const HWND window = WindowTable::Instance().FindByEventSource(event.windowID);
  if (window == nullptr || event.y == 0) return;
  constexpr int kWheelDelta = 120;
  const int sign = event.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
  const int delta = std::clamp(sign * event.y * kWheelDelta, -32768, 32767);
  const WPARAM flags = ButtonFlags(ButtonsDownNow()) | ModifierFlags();
  PostInput(window, WM_MOUSEWHEEL, MAKEWPARAM(flags, static_cast<WORD>(static_cast<int16_t>(delta))),
            PackCoordinates(lastCursorPosition.x, lastCursorPosition.y));
}

void TranslateWindowSystemEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      TranslateKey(event.key);
      break;
    case SDL_MOUSEMOTION:
      TranslateMouseMotion(event.motion);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      TranslateMouseButton(event.button);
      break;
    case SDL_MOUSEWHEEL:
      TranslateMouseWheel(event.wheel);
      break;
    case SDL_WINDOWEVENT:
      TranslateWindowEvent(event.window);
      break;
    case SDL_DROPBEGIN:
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPCOMPLETE:
      TranslateDropEvent(event.drop);
      break;
    case SDL_DISPLAYEVENT:
      TranslateDisplayEvent();
      break;
    default:
      break;  // text input and whatever else the engine has no message for
  }
}

void PumpWindowSystem() {
  if (WindowSystemAvailable()) DrainSdlEvents(TranslateWindowSystemEvent);
  if (TakeTerminationRequest()) {
    for (HWND window : WindowTable::Instance().Handles()) PostInput(window, WM_CLOSE, 0, 0);
  }
}

}  // namespace win32
