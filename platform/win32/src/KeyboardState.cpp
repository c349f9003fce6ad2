#include "KeyboardState.h"

namespace win32 {
namespace {

constexpr SHORT kDownBit = static_cast<SHORT>(0x8000);
constexpr SHORT kLowBit = 0x0001;

// The generic code of a side-specific modifier and its two sides, or 0 for other keys.
struct ModifierSides {
  uint8_t generic;
  uint8_t left;
  uint8_t right;
};

ModifierSides SidesOf(uint8_t virtualKey) {
  switch (virtualKey) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return {VK_SHIFT, VK_LSHIFT, VK_RSHIFT};
    case VK_LCONTROL:
    case VK_RCONTROL:
      return {VK_CONTROL, VK_LCONTROL, VK_RCONTROL};
    case VK_LMENU:
    case VK_RMENU:
      return {VK_MENU, VK_LMENU, VK_RMENU};
    default:
      return {0, 0, 0};
  }
}

bool InRange(int virtualKey) { return virtualKey >= 0 && virtualKey < 256; }

}  // namespace

KeyboardState& KeyboardState::Instance() {
  static KeyboardState state;
  return state;
}

void KeyboardState::Apply(Table& table, const KeyTransition& transition) {
  const uint8_t key = transition.virtualKey;
  const bool newPress = transition.down && !table.down[key];
  table.down[key] = transition.down;
  if (transition.down) table.pressedSinceQuery[key] = true;
  if (newPress) table.toggled[key] = !table.toggled[key];

  const ModifierSides sides = SidesOf(key);
  if (sides.generic == 0) return;
  const bool genericWasDown = table.down[sides.generic];
  table.down[sides.generic] = table.down[sides.left] || table.down[sides.right];
  if (transition.down) table.pressedSinceQuery[sides.generic] = true;
  if (table.down[sides.generic] && !genericWasDown) table.toggled[sides.generic] = !table.toggled[sides.generic];
}

void KeyboardState::ApplyToAsync(const KeyTransition& transition) {
  std::lock_guard lock(mutex_);
  Apply(async_, transition);
}

void KeyboardState::ApplyToSync(const KeyTransition& transition) {
  std::lock_guard lock(mutex_);
  Apply(sync_, transition);
}

bool KeyboardState::IsDownNow(int virtualKey) {
  std::lock_guard lock(mutex_);
  return InRange(virtualKey) && async_.down[virtualKey];
}

SHORT KeyboardState::QueryAsync(int virtualKey) {
  if (!InRange(virtualKey)) return 0;
  std::lock_guard lock(mutex_);
  SHORT result = 0;
  if (async_.down[virtualKey]) result |= kDownBit;
  if (async_.pressedSinceQuery[virtualKey]) result |= kLowBit;
  async_.pressedSinceQuery[virtualKey] = false;
  return result;
}

SHORT KeyboardState::QuerySync(int virtualKey) {
  if (!InRange(virtualKey)) return 0;
  std::lock_guard lock(mutex_);
  SHORT result = 0;
  if (sync_.down[virtualKey]) result |= kDownBit;
  if (sync_.toggled[virtualKey]) result |= kLowBit;
  return result;
}

void KeyboardState::SetCapsLockToggled(bool toggled) {
  std::lock_guard lock(mutex_);
  async_.toggled[VK_CAPITAL] = toggled;
  sync_.toggled[VK_CAPITAL] = toggled;
}

void KeyboardState::Reset() {
  std::lock_guard lock(mutex_);
  async_ = Table{};
  sync_ = Table{};
}

}  // namespace win32

SHORT WINAPI GetAsyncKeyState(int virtualKey) { return win32::KeyboardState::Instance().QueryAsync(virtualKey); }

SHORT WINAPI GetKeyState(int virtualKey) { return win32::KeyboardState::Instance().QuerySync(virtualKey); }
