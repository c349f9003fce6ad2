// The thread's message queue. As on Windows, PeekMessageW looks at posted messages first (PostMessageW,
// the WM_CHAR of TranslateMessage), then at the quit request, then at input from the window system.
// The engine runs its windows on one thread, so there is one queue for the process.
#pragma once

#include "KeyboardState.h"

#include <windows.h>

#include <deque>
#include <mutex>
#include <optional>

namespace win32 {

struct QueuedMessage {
  MSG message{};
  // The key or mouse-button transition the message reports; applied to the GetKeyState table when the
  // message is taken.
  std::optional<KeyTransition> transition;
};

// PeekMessageW's window argument -1: messages posted to the thread rather than to a window.
inline const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(-1);

struct MessageFilter {
  HWND window = nullptr;  // null: any window and thread messages; or kThreadMessagesOnly
  UINT first = 0;         // first == last == 0: every message
  UINT last = 0;
};

class MessageQueue {
 public:
  static MessageQueue& Instance();

  void Post(const MSG& message);
  // Input from the window system. A mouse move or size message still waiting for the same window is
  // replaced by the newer one, as Windows coalesces them.
  void PostInput(const QueuedMessage& input);
  void PostQuit(int exitCode);

  std::optional<QueuedMessage> Take(const MessageFilter& filter, bool remove);

  // Drops what is queued for a window that no longer exists.
  void DiscardFor(HWND window);
  void Clear();

 private:
  std::optional<QueuedMessage> TakeFrom(std::deque<QueuedMessage>& queue, const MessageFilter& filter, bool remove);

  std::mutex mutex_;
  std::deque<QueuedMessage> posted_;
  std::deque<QueuedMessage> input_;
  bool quitRequested_ = false;
  int quitCode_ = 0;
};

}  // namespace win32
