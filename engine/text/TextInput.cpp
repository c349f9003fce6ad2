// Keyboard editing of a text box. Characters come from virtual-key codes, not from the platform's
// character translation: the window procedure stores code + 32, which makes letter keys lower-case
// letters, and a held Shift, Space or Enter takes the 32 back off. So:
//   letter           a..z, with Shift A..Z
//   digit 0..9       P..Y, with Shift 0..9
//   Space            space        Enter   carriage return (a line break in the layout)
//   Shift alone      nothing      Backspace  deletes the last character
//   any other key k  character k + 32, with Shift k
// The modifiers are tested by state, not by which key was pressed: holding Space or Enter while typing
// a letter gives upper case, and holding Backspace makes any key delete.
#include "text/TextLabel.h"

#include "text/TypedKey.h"

#include <windows.h>

#include <cstdlib>

namespace {

constexpr uint8_t ShiftKeyCharacter = VK_SHIFT;  // Shift itself, once corrected: appends nothing

// As of the key-down message the loop has just dispatched.
bool IsKeyDown(int virtualKey) { return GetKeyState(virtualKey) < 0; }

bool IsUpperCaseHeld() { return IsKeyDown(VK_SHIFT) || IsKeyDown(VK_SPACE) || IsKeyDown(VK_RETURN); }

// Under the default "C" locale every byte becomes the character of the same code; the zero byte becomes
// the empty string.
std::wstring WidenCharacter(uint8_t character) {
  const char narrow[2] = {static_cast<char>(character), '\0'};
  wchar_t wide[2] = {};
  size_t converted = 0;
  mbstowcs_s(&converted, wide, 2, narrow, _TRUNCATE);
  return wide;
}

}  // namespace

void TextLabel::OnTypedKey(TypedKeyRecord& key) {
  if (IsKeyDown(VK_BACK)) {
    DeleteLastCharacter();
    return;
  }
  if (IsUpperCaseHeld()) {
    key.Char = static_cast<uint8_t>(key.Char - 32);
  }
  const std::wstring typed = WidenCharacter(key.Char);
  if (key.Char == ShiftKeyCharacter) {
    return;
  }
  SetText(Text + typed);
}

// Lays the shorter text out again rather than dropping the last record: a character the font cannot draw
// made no record, so the last record may belong to a character that is still in the text.
void TextLabel::DeleteLastCharacter() {
  if (Text.empty()) {
    return;
  }
  Text.pop_back();
  InstanceCount = static_cast<int32_t>(WriteTextRecords() + 1);
}
