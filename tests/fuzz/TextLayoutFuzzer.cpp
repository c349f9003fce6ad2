// The text box's layout with arbitrary text, on the CPU: the label's record buffer is ordinary memory of
// exactly the size the GPU buffer has, so a record written past its end is a memory error here. The
// input is a client size and a box corner (two bytes each) followed by the text as 16-bit code units;
// the same text is then shortened and typed into, the ways the box's count of drawn records changes.
#include "text/BitmapFont.h"
#include "text/GlyphInstance.h"
#include "text/TextLabel.h"
#include "text/TypedKey.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

struct FuzzInput {
  const uint8_t* Data;
  size_t Size;

  bool Empty() const { return Size == 0; }
  uint16_t Take16() {
    uint16_t value = 0;
    const size_t taken = Size < 2 ? Size : 2;
    std::memcpy(&value, Data, taken);
    Data += taken;
    Size -= taken;
    return value;
  }
};

// Client sizes the window can report: 1 to 4096 pixels a side (a minimised window never lays out).
float ClientSide(uint16_t value) { return static_cast<float>(1 + value % 4096); }

const BitmapFont& RealFont() {
  static const BitmapFont font = ParseFontFile(ENGINE_ASSETS_DIR L"/newarial.fnt", 800, 600);
  return font;
}

// A label as the program lays it out, with its records going to `records`.
void SetUpLabel(TextLabel& label, FuzzInput& input, GlyphInstance* records) {
  label.Font = RealFont();
  label.Lookup = GlyphLookup(label.Font);
  label.ScreenWidth = ClientSide(input.Take16());
  label.ScreenHeight = ClientSide(input.Take16());
  label.X = static_cast<float>(input.Take16() % 4096);
  label.Y = static_cast<float>(input.Take16() % 4096);
  label.Width = label.ScreenWidth / 2.0f;
  label.Height = label.ScreenHeight / 2.0f;
  label.MappedInstances = reinterpret_cast<uint8_t*>(records);
}

// What the frame relies on: it draws InstanceCount records of the buffer, so the count stays within it
// and every drawn record holds finite numbers.
void CheckDrawnRecords(const TextLabel& label, const GlyphInstance* records) {
  if (label.InstanceCount < 1 || static_cast<uint32_t>(label.InstanceCount) > label.MaxCharacters) {
    __builtin_trap();
  }
  for (int32_t i = 1; i < label.InstanceCount; ++i) {
    const QuadRect& position = records[i].Position;
    if (!std::isfinite(position.Left) || !std::isfinite(position.Top) || !std::isfinite(position.Width) ||
        !std::isfinite(position.Height)) {
      __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input{data, size};
  TextLabel label;
  const auto records = std::make_unique<GlyphInstance[]>(label.MaxCharacters);
  SetUpLabel(label, input, records.get());

  std::wstring text;
  while (!input.Empty()) {
    text += static_cast<wchar_t>(input.Take16());
  }
  label.SetText(text);
  CheckDrawnRecords(label, records.get());

  label.SetText(text.substr(0, text.size() / 2));
  CheckDrawnRecords(label, records.get());

  // Typing appends one character per key; the last code units of the text stand in for the keys.
  const size_t keys = text.size() < 8 ? text.size() : 8;
  for (size_t i = text.size() - keys; i < text.size(); ++i) {
    TypedKeyRecord key{1, static_cast<uint8_t>(text[i])};
    label.OnTypedKey(key);
    CheckDrawnRecords(label, records.get());
  }
  return 0;
}
