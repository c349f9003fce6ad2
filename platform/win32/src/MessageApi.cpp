// The message loop calls: taking messages from the queue, translating key messages into characters,
// dispatching to window procedures, and the default window procedure.

#include "Diagnostics.h"
#include "InputTranslator.h"
#include "KeyboardState.h"
#include "MessageQueue.h"
#include "VirtualKeys.h"
#include "WindowOperations.h"
#include "WindowSystem.h"

#include <algorithm>
#include <cwchar>

using namespace win32;

namespace {

bool IsKnownWindow(HWND window) { return WindowTable::Instance().Find(window).has_value(); }

// WM_PAINT comes last: only when nothing else waits. It stays due (PM_REMOVE or not) until validated.
BOOL TakePaintMessage(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
  const bool wanted = (filterMin == 0 && filterMax == 0) || (filterMin <= WM_PAINT && WM_PAINT <= filterMax);
  if (!wanted || window == kThreadMessagesOnly) return FALSE;
  const auto paint = PaintMessage(window);
  if (!paint) return FALSE;
  *message = *paint;
  return TRUE;
}

ModifierState ModifiersAsOfLastMessage() {
  KeyboardState& keys = KeyboardState::Instance();
  ModifierState modifiers;
  modifiers.shift = keys.QuerySync(VK_SHIFT) < 0;
  // Ctrl with Alt is AltGr, which types characters rather than control codes.
  modifiers.control = keys.QuerySync(VK_CONTROL) < 0 && keys.QuerySync(VK_MENU) >= 0;
  modifiers.capsLock = (keys.QuerySync(VK_CAPITAL) & 1) != 0;
  return modifiers;
}

LRESULT CopyTitle(HWND window, WPARAM capacity, LPWSTR buffer) {
  const auto record = WindowTable::Instance().Find(window);
  if (!record || buffer == nullptr || capacity == 0) return 0;
  const size_t copied = std::min(record->title.size(), static_cast<size_t>(capacity - 1));
  std::wmemcpy(buffer, record->title.c_str(), copied);
  buffer[copied] = L'\0';
  return static_cast<LRESULT>(copied);
}

}  // namespace

BOOL WINAPI PeekMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax, UINT removeFlags) {
  if (message == nullptr) {
    FailCall("PeekMessageW", ERROR_INVALID_PARAMETER, "null message record");
    return FALSE;
  }
  if (window != nullptr && window != kThreadMessagesOnly && !IsKnownWindow(window)) {
    FailCall("PeekMessageW", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return FALSE;
  }
  PumpWindowSystem();
  const bool remove = (removeFlags & PM_REMOVE) != 0;
  const auto taken = MessageQueue::Instance().Take({window, filterMin, filterMax}, remove);
  if (!taken) return TakePaintMessage(message, window, filterMin, filterMax);
  *message = taken->message;
  // GetKeyState follows the messages the thread takes.
  if (remove && taken->transition) KeyboardState::Instance().ApplyToSync(*taken->transition);
  return TRUE;
}

BOOL WINAPI GetMessageW(LPMSG message, HWND window, UINT filterMin, UINT filterMax) {
  if (message == nullptr) {
    FailCall("GetMessageW", ERROR_INVALID_PARAMETER, "null message record");
    return -1;
  }
  if (window != nullptr && window != kThreadMessagesOnly && !IsKnownWindow(window)) {
    FailCall("GetMessageW", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return -1;
  }
  // Termination signals and in-memory windows raise no window-system event, so the wait is short.
  while (!PeekMessageW(message, window, filterMin, filterMax, PM_REMOVE)) WaitForSdlEvent(10);
  return message->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WINAPI TranslateMessage(const MSG* message) {
  if (message == nullptr) return FALSE;
  UINT characterMessage = 0;
  switch (message->message) {
    case WM_KEYDOWN:
      characterMessage = WM_CHAR;
      break;
    case WM_SYSKEYDOWN:
      characterMessage = WM_SYSCHAR;
      break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      return TRUE;
    default:
      return FALSE;
  }
  const wchar_t character = CharacterForKey(static_cast<int>(message->wParam), ModifiersAsOfLastMessage());
  if (character != 0) {
    MessageQueue::Instance().Post(
        {message->hwnd, characterMessage, static_cast<WPARAM>(character), message->lParam, message->time, message->pt});
  }
  return TRUE;
}

LRESULT WINAPI DispatchMessageW(const MSG* message) {
  if (message == nullptr || message->hwnd == nullptr) return 0;  // thread messages have no procedure
  if (!IsKnownWindow(message->hwnd)) {
    FailCall("DispatchMessageW", ERROR_INVALID_WINDOW_HANDLE, "message %u for %p, which is not a window",
             message->message, static_cast<void*>(message->hwnd));
    return 0;
  }
  return CallWindowProcedure(message->hwnd, message->message, message->wParam, message->lParam);
}

LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE:
      return TRUE;
    case WM_CLOSE:
      DestroyWindow(window);
      return 0;
    case WM_SETTEXT:
      StoreWindowTitle(window, reinterpret_cast<LPCWSTR>(lParam));
      return TRUE;
    case WM_GETTEXT:
      return CopyTitle(window, wParam, reinterpret_cast<LPWSTR>(lParam));
    case WM_PAINT:
      ValidateRect(window, nullptr);
      return 0;
    case WM_GETTEXTLENGTH: {
      const auto record = WindowTable::Instance().Find(window);
      return record ? static_cast<LRESULT>(record->title.size()) : 0;
    }
    default:
      return 0;
  }
}

LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!IsKnownWindow(window)) {
    FailCall("SendMessageW", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return 0;
  }
  return CallWindowProcedure(window, message, wParam, lParam);
}

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window != nullptr && !IsKnownWindow(window)) {
    FailCall("PostMessageW", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return FALSE;
  }
  MessageQueue::Instance().Post({window, message, wParam, lParam, GetTickCount(), {}});
  return TRUE;
}

void WINAPI PostQuitMessage(int exitCode) { MessageQueue::Instance().PostQuit(exitCode); }
