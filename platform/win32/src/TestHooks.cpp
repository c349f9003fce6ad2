// The test hooks of win32_test.h. Input is built as SDL events and handed to the same translation that
// real window-system events go through.

#include <win32_test.h>

#include "Diagnostics.h"
#include "InputTranslator.h"
#include "KeyboardState.h"
#include "MessageQueue.h"
#include "PerformanceCounter.h"
#include "VirtualKeys.h"
#include "WindowClasses.h"
#include "WindowOperations.h"
#include "platform_common/UnicodeText.h"

#include <SDL_events.h>
#include <SDL_mouse.h>
#include <SDL_video.h>

namespace win32_test {
namespace {

using win32::KeyboardState;

void AddressTo(SDL_Event& event, Uint32 windowId) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      event.key.windowID = windowId;
      break;
    case SDL_MOUSEMOTION:
      event.motion.windowID = windowId;
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      event.button.windowID = windowId;
      break;
    case SDL_MOUSEWHEEL:
      event.wheel.windowID = windowId;
      break;
    case SDL_WINDOWEVENT:
      event.window.windowID = windowId;
      break;
    case SDL_TEXTINPUT:
      event.text.windowID = windowId;
      break;
    case SDL_DROPBEGIN:
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPCOMPLETE:
      event.drop.windowID = windowId;
      break;
    default:
      break;
  }
}

void InjectKey(HWND window, int virtualKey, bool down, bool autoRepeat) {
  const auto key = win32::SdlKeyFor(virtualKey);
  if (!key) {
    win32::Report("win32_test", "no key has virtual-key code %d", virtualKey);
    return;
  }
  SDL_Event event{};
  event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
  event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.key.repeat = autoRepeat ? 1 : 0;
  event.key.keysym = *key;
  InjectEvent(window, event);
}

Uint8 SdlButton(MouseButton button) {
  switch (button) {
    case MouseButton::Right:
      return SDL_BUTTON_RIGHT;
    case MouseButton::Middle:
      return SDL_BUTTON_MIDDLE;
    case MouseButton::Left:
      break;
  }
  return SDL_BUTTON_LEFT;
}

void InjectButton(HWND window, int x, int y, MouseButton button, bool down) {
  SDL_Event event{};
  event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
  event.button.button = SdlButton(button);
  event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
  event.button.clicks = 1;
  event.button.x = x;
  event.button.y = y;
  InjectEvent(window, event);
}

void InjectWindowEvent(HWND window, SDL_WindowEventID id, int data1 = 0, int data2 = 0) {
  SDL_Event event{};
  event.type = SDL_WINDOWEVENT;
  event.window.event = id;
  event.window.data1 = data1;
  event.window.data2 = data2;
  InjectEvent(window, event);
}

}  // namespace

void PressKey(HWND window, int virtualKey, bool autoRepeat) { InjectKey(window, virtualKey, true, autoRepeat); }

void ReleaseKey(HWND window, int virtualKey) { InjectKey(window, virtualKey, false, false); }

void MoveMouse(HWND window, int x, int y) {
  KeyboardState& keys = KeyboardState::Instance();
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = x;
  event.motion.y = y;
  // The buttons held, as SDL reports them with every motion.
  if (keys.IsDownNow(VK_LBUTTON)) event.motion.state |= SDL_BUTTON_LMASK;
  if (keys.IsDownNow(VK_RBUTTON)) event.motion.state |= SDL_BUTTON_RMASK;
  if (keys.IsDownNow(VK_MBUTTON)) event.motion.state |= SDL_BUTTON_MMASK;
  InjectEvent(window, event);
}

void PressMouseButton(HWND window, int x, int y, MouseButton button) { InjectButton(window, x, y, button, true); }

void ReleaseMouseButton(HWND window, int x, int y, MouseButton button) { InjectButton(window, x, y, button, false); }

void DropFiles(HWND window, const std::vector<std::string>& files) {
  SDL_Event event{};
  event.type = SDL_DROPBEGIN;
  InjectEvent(window, event);
  for (const std::string& file : files) {
    event.type = SDL_DROPFILE;
    event.drop.file = SDL_strdup(file.c_str());  // the translation frees it, as it frees SDL's own
    InjectEvent(window, event);
  }
  event.type = SDL_DROPCOMPLETE;
  event.drop.file = nullptr;
  InjectEvent(window, event);
}

void RequestClose(HWND window) { InjectWindowEvent(window, SDL_WINDOWEVENT_CLOSE); }

void ResizeClientArea(HWND window, int width, int height) {
  InjectWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, width, height);
}

void Minimize(HWND window) { InjectWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED); }

void Maximize(HWND window) { InjectWindowEvent(window, SDL_WINDOWEVENT_MAXIMIZED); }

void Restore(HWND window) { InjectWindowEvent(window, SDL_WINDOWEVENT_RESTORED); }

void InjectEvent(HWND window, const SDL_Event& event) {
  const auto record = win32::WindowTable::Instance().Find(window);
  if (!record) {
    win32::Report("win32_test", "%p is not a window handle", static_cast<void*>(window));
    return;
  }
  SDL_Event addressed = event;
  AddressTo(addressed, record->eventSourceId);
  win32::TranslateWindowSystemEvent(addressed);
}

std::wstring WindowTitle(HWND window) {
  const auto record = win32::WindowTable::Instance().Find(window);
  if (!record) return {};
  if (record->sdlWindow != nullptr) return platform::WideFromUtf8(SDL_GetWindowTitle(record->sdlWindow));
  return record->title;
}

void UseManualClock(int64_t startTicks) { win32::UseManualCounter(startTicks); }

void SetClockTicks(int64_t ticks) { win32::SetManualCounter(ticks); }

void AdvanceClockTicks(int64_t ticks) { win32::AdvanceManualCounter(ticks); }

void UseRealClock() { win32::UseRealCounter(); }

void Reset() {
  for (HWND window : win32::WindowTable::Instance().Handles()) win32::ReleaseWindow(window);
  win32::ForgetAllWindowClasses();
  win32::MessageQueue::Instance().Clear();
  KeyboardState::Instance().Reset();
  win32::UseRealCounter();
}

}  // namespace win32_test
