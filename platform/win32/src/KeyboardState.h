// The two key-state tables Windows keeps. The asynchronous one follows the keyboard as the window system
// reports it (GetAsyncKeyState); the synchronous one follows the messages the thread has taken from its
// queue (GetKeyState), so a program sees the keys as they were when its current message was generated.
// Mouse buttons are keys too (VK_LBUTTON, ...).
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <mutex>

namespace win32 {

// One key going down or up. `virtualKey` is side-specific for Shift, Ctrl and Alt; the generic code
// (VK_SHIFT, ...) follows from both sides.
struct KeyTransition {
  uint8_t virtualKey = 0;
  bool down = false;
  bool autoRepeat = false;
};

class KeyboardState {
 public:
  static KeyboardState& Instance();

  // The window system reported a transition.
  void ApplyToAsync(const KeyTransition& transition);
  // The thread took a message that carries a transition.
  void ApplyToSync(const KeyTransition& transition);

  bool IsDownNow(int virtualKey);
  // GetAsyncKeyState: high bit while down; bit 0 when pressed since the previous query of that key
  // (the query clears it).
  SHORT QueryAsync(int virtualKey);
  // GetKeyState: high bit while down as of the last message taken; bit 0 toggled by each press.
  SHORT QuerySync(int virtualKey);

  void SetCapsLockToggled(bool toggled);
  void Reset();

 private:
  struct Table {
    std::array<bool, 256> down{};
    std::array<bool, 256> pressedSinceQuery{};
    std::array<bool, 256> toggled{};
  };
  static void Apply(Table& table, const KeyTransition& transition);

  std::mutex mutex_;
  Table async_;
  Table sync_;
};

}  // namespace win32
