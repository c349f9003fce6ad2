// Key identities between SDL and Windows: the virtual-key code and the PC scan code (set 1) of a physical
// key, the SDL key that stands for a virtual-key code, and the character a key types on a US layout.
#pragma once

#include <windows.h>

#include <SDL_keyboard.h>

#include <cstdint>
#include <optional>

namespace win32 {

struct KeyIdentity {
  uint8_t virtualKey;  // side-specific for Shift, Ctrl and Alt (VK_LSHIFT, ...)
  uint8_t scanCode;    // set-1 make code
  bool extended;       // the E0-prefixed keys: arrows, the navigation block, right Ctrl and Alt, ...
};

// The Windows identity of an SDL key. Letters follow the keyboard layout (as virtual-key codes do on
// Windows); every other key is identified by its position, named as on a US layout. The numeric keypad
// always reports its digit keys (VK_NUMPAD0..9), as with Num Lock on.
std::optional<KeyIdentity> IdentifyKey(const SDL_Keysym& key);

// VK_LSHIFT and VK_RSHIFT are VK_SHIFT in key messages, and likewise for Ctrl and Alt.
uint8_t MessageVirtualKey(uint8_t sideSpecificKey);

// The SDL key for a virtual-key code, as a keyboard would report it (VK_SHIFT is the left Shift key).
std::optional<SDL_Keysym> SdlKeyFor(int virtualKey);

struct ModifierState {
  bool shift = false;
  bool control = false;
  bool capsLock = false;
};

// The character WM_CHAR carries for a key on a US layout, or 0 when the key types nothing.
wchar_t CharacterForKey(int virtualKey, const ModifierState& modifiers);

}  // namespace win32
