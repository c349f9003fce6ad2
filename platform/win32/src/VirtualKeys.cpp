#include "VirtualKeys.h"

#include <array>

namespace win32 {
namespace {

struct KeyEntry {
  SDL_Scancode scancode;
  KeyIdentity identity;
};

constexpr KeyIdentity Key(int virtualKey, int scanCode, bool extended = false) {
  return {static_cast<uint8_t>(virtualKey), static_cast<uint8_t>(scanCode), extended};
}

// Physical keys by SDL scancode (USB usage). When several keys share a virtual-key code, the first entry
// is the one SdlKeyFor picks.
constexpr std::array kKeys = {
    KeyEntry{SDL_SCANCODE_A, Key('A', 0x1E)},
    KeyEntry{SDL_SCANCODE_B, Key('B', 0x30)},
    KeyEntry{SDL_SCANCODE_C, Key('C', 0x2E)},
    KeyEntry{SDL_SCANCODE_D, Key('D', 0x20)},
    KeyEntry{SDL_SCANCODE_E, Key('E', 0x12)},
    KeyEntry{SDL_SCANCODE_F, Key('F', 0x21)},
    KeyEntry{SDL_SCANCODE_G, Key('G', 0x22)},
    KeyEntry{SDL_SCANCODE_H, Key('H', 0x23)},
    KeyEntry{SDL_SCANCODE_I, Key('I', 0x17)},
    KeyEntry{SDL_SCANCODE_J, Key('J', 0x24)},
    KeyEntry{SDL_SCANCODE_K, Key('K', 0x25)},
    KeyEntry{SDL_SCANCODE_L, Key('L', 0x26)},
    KeyEntry{SDL_SCANCODE_M, Key('M', 0x32)},
    KeyEntry{SDL_SCANCODE_N, Key('N', 0x31)},
    KeyEntry{SDL_SCANCODE_O, Key('O', 0x18)},
    KeyEntry{SDL_SCANCODE_P, Key('P', 0x19)},
    KeyEntry{SDL_SCANCODE_Q, Key('Q', 0x10)},
    KeyEntry{SDL_SCANCODE_R, Key('R', 0x13)},
    KeyEntry{SDL_SCANCODE_S, Key('S', 0x1F)},
    KeyEntry{SDL_SCANCODE_T, Key('T', 0x14)},
    KeyEntry{SDL_SCANCODE_U, Key('U', 0x16)},
    KeyEntry{SDL_SCANCODE_V, Key('V', 0x2F)},
    KeyEntry{SDL_SCANCODE_W, Key('W', 0x11)},
    KeyEntry{SDL_SCANCODE_X, Key('X', 0x2D)},
    KeyEntry{SDL_SCANCODE_Y, Key('Y', 0x15)},
    KeyEntry{SDL_SCANCODE_Z, Key('Z', 0x2C)},

    KeyEntry{SDL_SCANCODE_1, Key('1', 0x02)},
    KeyEntry{SDL_SCANCODE_2, Key('2', 0x03)},
    KeyEntry{SDL_SCANCODE_3, Key('3', 0x04)},
    KeyEntry{SDL_SCANCODE_4, Key('4', 0x05)},
    KeyEntry{SDL_SCANCODE_5, Key('5', 0x06)},
    KeyEntry{SDL_SCANCODE_6, Key('6', 0x07)},
    KeyEntry{SDL_SCANCODE_7, Key('7', 0x08)},
    KeyEntry{SDL_SCANCODE_8, Key('8', 0x09)},
    KeyEntry{SDL_SCANCODE_9, Key('9', 0x0A)},
    KeyEntry{SDL_SCANCODE_0, Key('0', 0x0B)},

    KeyEntry{SDL_SCANCODE_RETURN, Key(VK_RETURN, 0x1C)},
    KeyEntry{SDL_SCANCODE_ESCAPE, Key(VK_ESCAPE, 0x01)},
    KeyEntry{SDL_SCANCODE_BACKSPACE, Key(VK_BACK, 0x0E)},
    KeyEntry{SDL_SCANCODE_TAB, Key(VK_TAB, 0x0F)},
    KeyEntry{SDL_SCANCODE_SPACE, Key(VK_SPACE, 0x39)},

    KeyEntry{SDL_SCANCODE_MINUS, Key(VK_OEM_MINUS, 0x0C)},
    KeyEntry{SDL_SCANCODE_EQUALS, Key(VK_OEM_PLUS, 0x0D)},
    KeyEntry{SDL_SCANCODE_LEFTBRACKET, Key(VK_OEM_4, 0x1A)},
    KeyEntry{SDL_SCANCODE_RIGHTBRACKET, Key(VK_OEM_6, 0x1B)},
    KeyEntry{SDL_SCANCODE_BACKSLASH, Key(VK_OEM_5, 0x2B)},
    KeyEntry{SDL_SCANCODE_SEMICOLON, Key(VK_OEM_1, 0x27)},
    KeyEntry{SDL_SCANCODE_APOSTROPHE, Key(VK_OEM_7, 0x28)},
    KeyEntry{SDL_SCANCODE_GRAVE, Key(VK_OEM_3, 0x29)},
    KeyEntry{SDL_SCANCODE_COMMA, Key(VK_OEM_COMMA, 0x33)},
    KeyEntry{SDL_SCANCODE_PERIOD, Key(VK_OEM_PERIOD, 0x34)},
    KeyEntry{SDL_SCANCODE_SLASH, Key(VK_OEM_2, 0x35)},
    KeyEntry{SDL_SCANCODE_NONUSBACKSLASH, Key(VK_OEM_102, 0x56)},

    KeyEntry{SDL_SCANCODE_CAPSLOCK, Key(VK_CAPITAL, 0x3A)},
    KeyEntry{SDL_SCANCODE_F1, Key(VK_F1, 0x3B)},
    KeyEntry{SDL_SCANCODE_F2, Key(VK_F2, 0x3C)},
    KeyEntry{SDL_SCANCODE_F3, Key(VK_F3, 0x3D)},
    KeyEntry{SDL_SCANCODE_F4, Key(VK_F4, 0x3E)},
    KeyEntry{SDL_SCANCODE_F5, Key(VK_F5, 0x3F)},
    KeyEntry{SDL_SCANCODE_F6, Key(VK_F6, 0x40)},
    KeyEntry{SDL_SCANCODE_F7, Key(VK_F7, 0x41)},
    KeyEntry{SDL_SCANCODE_F8, Key(VK_F8, 0x42)},
    KeyEntry{SDL_SCANCODE_F9, Key(VK_F9, 0x43)},
    KeyEntry{SDL_SCANCODE_F10, Key(VK_F10, 0x44)},
    KeyEntry{SDL_SCANCODE_F11, Key(VK_F11, 0x57)},
    KeyEntry{SDL_SCANCODE_F12, Key(VK_F12, 0x58)},

    KeyEntry{SDL_SCANCODE_PRINTSCREEN, Key(VK_SNAPSHOT, 0x37, true)},
    KeyEntry{SDL_SCANCODE_SCROLLLOCK, Key(VK_SCROLL, 0x46)},
    KeyEntry{SDL_SCANCODE_PAUSE, Key(VK_PAUSE, 0x45)},
    KeyEntry{SDL_SCANCODE_INSERT, Key(VK_INSERT, 0x52, true)},
    KeyEntry{SDL_SCANCODE_HOME, Key(VK_HOME, 0x47, true)},
    KeyEntry{SDL_SCANCODE_PAGEUP, Key(VK_PRIOR, 0x49, true)},
    KeyEntry{SDL_SCANCODE_DELETE, Key(VK_DELETE, 0x53, true)},
    KeyEntry{SDL_SCANCODE_END, Key(VK_END, 0x4F, true)},
    KeyEntry{SDL_SCANCODE_PAGEDOWN, Key(VK_NEXT, 0x51, true)},
    KeyEntry{SDL_SCANCODE_RIGHT, Key(VK_RIGHT, 0x4D, true)},
    KeyEntry{SDL_SCANCODE_LEFT, Key(VK_LEFT, 0x4B, true)},
    KeyEntry{SDL_SCANCODE_DOWN, Key(VK_DOWN, 0x50, true)},
    KeyEntry{SDL_SCANCODE_UP, Key(VK_UP, 0x48, true)},

    KeyEntry{SDL_SCANCODE_NUMLOCKCLEAR, Key(VK_NUMLOCK, 0x45, true)},
    KeyEntry{SDL_SCANCODE_KP_DIVIDE, Key(VK_DIVIDE, 0x35, true)},
    KeyEntry{SDL_SCANCODE_KP_MULTIPLY, Key(VK_MULTIPLY, 0x37)},
    KeyEntry{SDL_SCANCODE_KP_MINUS, Key(VK_SUBTRACT, 0x4A)},
    KeyEntry{SDL_SCANCODE_KP_PLUS, Key(VK_ADD, 0x4E)},
    KeyEntry{SDL_SCANCODE_KP_ENTER, Key(VK_RETURN, 0x1C, true)},
    KeyEntry{SDL_SCANCODE_KP_1, Key(VK_NUMPAD1, 0x4F)},
    KeyEntry{SDL_SCANCODE_KP_2, Key(VK_NUMPAD2, 0x50)},
    KeyEntry{SDL_SCANCODE_KP_3, Key(VK_NUMPAD3, 0x51)},
    KeyEntry{SDL_SCANCODE_KP_4, Key(VK_NUMPAD4, 0x4B)},
    KeyEntry{SDL_SCANCODE_KP_5, Key(VK_NUMPAD5, 0x4C)},
    KeyEntry{SDL_SCANCODE_KP_6, Key(VK_NUMPAD6, 0x4D)},
    KeyEntry{SDL_SCANCODE_KP_7, Key(VK_NUMPAD7, 0x47)},
    KeyEntry{SDL_SCANCODE_KP_8, Key(VK_NUMPAD8, 0x48)},
    KeyEntry{SDL_SCANCODE_KP_9, Key(VK_NUMPAD9, 0x49)},
    KeyEntry{SDL_SCANCODE_KP_0, Key(VK_NUMPAD0, 0x52)},
    KeyEntry{SDL_SCANCODE_KP_PERIOD, Key(VK_DECIMAL, 0x53)},
    KeyEntry{SDL_SCANCODE_APPLICATION, Key(VK_APPS, 0x5D, true)},

    KeyEntry{SDL_SCANCODE_LSHIFT, Key(VK_LSHIFT, 0x2A)},
    KeyEntry{SDL_SCANCODE_RSHIFT, Key(VK_RSHIFT, 0x36)},
    KeyEntry{SDL_SCANCODE_LCTRL, Key(VK_LCONTROL, 0x1D)},
    KeyEntry{SDL_SCANCODE_RCTRL, Key(VK_RCONTROL, 0x1D, true)},
    KeyEntry{SDL_SCANCODE_LALT, Key(VK_LMENU, 0x38)},
    KeyEntry{SDL_SCANCODE_RALT, Key(VK_RMENU, 0x38, true)},
    KeyEntry{SDL_SCANCODE_LGUI, Key(VK_LWIN, 0x5B, true)},
    KeyEntry{SDL_SCANCODE_RGUI, Key(VK_RWIN, 0x5C, true)},
};

const KeyEntry* FindByScancode(SDL_Scancode scancode) {
  for (const KeyEntry& entry : kKeys) {
    if (entry.scancode == scancode) return &entry;
  }
  return nullptr;
}

const KeyEntry* FindByVirtualKey(int virtualKey) {
  for (const KeyEntry& entry : kKeys) {
    if (entry.identity.virtualKey == virtualKey) return &entry;
  }
  return nullptr;
}

// The left-hand key stands for the generic modifier codes.
int SideSpecificKey(int virtualKey) {
  switch (virtualKey) {
    case VK_SHIFT:
      return VK_LSHIFT;
    case VK_CONTROL:
      return VK_LCONTROL;
    case VK_MENU:
      return VK_LMENU;
    default:
      return virtualKey;
  }
}

bool IsLetterKeycode(SDL_Keycode key) { return key >= SDLK_a && key <= SDLK_z; }

// What the unshifted and shifted key types on a US layout, for the keys whose character is not simply
// their virtual-key code.
struct TypedPair {
  int virtualKey;
  wchar_t plain;
  wchar_t shifted;
};

constexpr std::array kTypedPairs = {
    TypedPair{'1', L'1', L'!'},          TypedPair{'2', L'2', L'@'},          TypedPair{'3', L'3', L'#'},
    TypedPair{'4', L'4', L'$'},          TypedPair{'5', L'5', L'%'},          TypedPair{'6', L'6', L'^'},
    TypedPair{'7', L'7', L'&'},          TypedPair{'8', L'8', L'*'},          TypedPair{'9', L'9', L'('},
    TypedPair{'0', L'0', L')'},          TypedPair{VK_OEM_1, L';', L':'},     TypedPair{VK_OEM_PLUS, L'=', L'+'},
    TypedPair{VK_OEM_COMMA, L',', L'<'}, TypedPair{VK_OEM_MINUS, L'-', L'_'}, TypedPair{VK_OEM_PERIOD, L'.', L'>'},
    TypedPair{VK_OEM_2, L'/', L'?'},     TypedPair{VK_OEM_3, L'`', L'~'},     TypedPair{VK_OEM_4, L'[', L'{'},
    TypedPair{VK_OEM_5, L'\\', L'|'},    TypedPair{VK_OEM_6, L']', L'}'},     TypedPair{VK_OEM_7, L'\'', L'"'},
    TypedPair{VK_OEM_102, L'\\', L'|'},  TypedPair{VK_SPACE, L' ', L' '},     TypedPair{VK_RETURN, L'\r', L'\r'},
    TypedPair{VK_BACK, L'\b', L'\b'},    TypedPair{VK_TAB, L'\t', L'\t'},     TypedPair{VK_ESCAPE, 0x1B, 0x1B},
    TypedPair{VK_MULTIPLY, L'*', L'*'},  TypedPair{VK_ADD, L'+', L'+'},       TypedPair{VK_SUBTRACT, L'-', L'-'},
    TypedPair{VK_DECIMAL, L'.', L'.'},   TypedPair{VK_DIVIDE, L'/', L'/'},
};

}  // namespace

std::optional<KeyIdentity> IdentifyKey(const SDL_Keysym& key) {
  const KeyEntry* entry = FindByScancode(key.scancode);
  if (IsLetterKeycode(key.sym)) {
    // The letter this layout puts on the key, at the key's own position.
    const int letter = 'A' + (key.sym - SDLK_a);
    return KeyIdentity{static_cast<uint8_t>(letter), entry ? entry->identity.scanCode : uint8_t{0},
                       entry ? entry->identity.extended : false};
  }
  if (entry == nullptr) return std::nullopt;
  return entry->identity;
}

uint8_t MessageVirtualKey(uint8_t sideSpecificKey) {
  switch (sideSpecificKey) {
    case VK_LSHIFT:
    case VK_RSHIFT:
      return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL:
      return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU:
      return VK_MENU;
    default:
      return sideSpecificKey;
  }
}

std::optional<SDL_Keysym> SdlKeyFor(int virtualKey) {
  const KeyEntry* entry = FindByVirtualKey(SideSpecificKey(virtualKey));
  if (entry == nullptr) return std::nullopt;
  SDL_Keysym key{};
  key.scancode = entry->scancode;
  const bool letter = virtualKey >= 'A' && virtualKey <= 'Z';
  key.sym = letter ? SDLK_a + (virtualKey - 'A') : SDL_SCANCODE_TO_KEYCODE(entry->scancode);
  return key;
}

wchar_t CharacterForKey(int virtualKey, const ModifierState& modifiers) {
  if (virtualKey >= 'A' && virtualKey <= 'Z') {
    if (modifiers.control) return static_cast<wchar_t>(virtualKey - 'A' + 1);
    const bool upper = modifiers.shift != modifiers.capsLock;
    return static_cast<wchar_t>(upper ? virtualKey : virtualKey - 'A' + 'a');
  }
  if (virtualKey >= VK_NUMPAD0 && virtualKey <= VK_NUMPAD9) return static_cast<wchar_t>('0' + virtualKey - VK_NUMPAD0);
  for (const TypedPair& pair : kTypedPairs) {
    if (pair.virtualKey == virtualKey) return modifiers.shift ? pair.shifted : pair.plain;
  }
  return 0;
}

}  // namespace win32
