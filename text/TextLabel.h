// A screen-space text box drawn with the bitmap font. For now only the rectangle and the focus flag that
// the window procedure and the main loop use; the layout and its GPU buffer are filled in by the text work.
#pragma once

struct TypedKeyRecord;

class TextLabel {
 public:
  // Takes a typed key while the box has the focus; may correct the key's character in place.
  void OnTypedKey(TypedKeyRecord& /*key*/) {}

  float X = 0.0f;  // upper-left corner, client pixels
  float Y = 0.0f;
  float Width = 0.0f;
  float Height = 0.0f;
  bool HasFocus = false;
};
