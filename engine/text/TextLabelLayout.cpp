// Layout of a label: its box in clip space, its background record and its text records.
#include "text/TextLabel.h"

#include "text/TextLayout.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The font is read by this fixed name from the working directory.
const wchar_t* const FontFileName = L"newarial.fnt";

// After a relayout the background samples the opaque corner block of the atlas, so it shows as a flat
// translucent colour.
constexpr QuadRect LaidOutBackgroundTexCoord = {0.99f, 0.99f, 0.01f, 0.01f};
constexpr ColorRGBA LaidOutBackgroundColor = {0.1f, 0.9f, 0.4f, 0.2f};

// Client pixels around a text whose box fits it.
constexpr float FittedMargin = 4.0f;

}  // namespace

QuadRect TextLabel::ComputeClipRect() const {
  return {2.0f * X / ScreenWidth - 1.0f, -(2.0f * Y / ScreenHeight - 1.0f), 2.0f * Width / ScreenWidth,
          2.0f * Height / ScreenHeight};
}

void TextLabel::ReadFont() {
  Font = ParseFontFile(FontFileName, static_cast<int32_t>(ScreenWidth), static_cast<int32_t>(ScreenHeight));
  Lookup = GlyphLookup(Font);
}

void TextLabel::WriteBackground(const QuadRect& texCoord, const ColorRGBA& color) {
  if (MappedInstances == nullptr) {
    return;
  }
  const GlyphInstance background = {ClipRect, texCoord, color};
  std::memcpy(MappedInstances, &background, sizeof(background));
}

void TextLabel::SetText(std::wstring text) {
  Text = std::move(text);
  const size_t written = WriteTextRecords();
  // Only a layout that wrote records sets the count; Backspace sets it for the text it leaves itself.
  if (written == 0) {
    return;
  }
  InstanceCount = static_cast<int32_t>(written + 1);
}

size_t TextLabel::WriteTextRecords() {
  // The background takes one record of the buffer; no character makes more than one.
  const size_t capacity = MaxCharacters > 0 ? MaxCharacters - 1 : 0;
  const size_t maxRecords = std::min(Text.size(), capacity);
  const auto records = std::make_unique_for_overwrite<GlyphInstance[]>(maxRecords);
  const TextFrame frame = {X, Y, ScreenWidth, ScreenHeight, ScaleX, ScaleY};
  const size_t written = LayOutText(Text, Font, Lookup, frame, {records.get(), maxRecords});
  if (MappedInstances != nullptr && written > 0) {
    std::memcpy(MappedInstances + TextDataOffset, records.get(), written * sizeof(GlyphInstance));
  }
  if (FitsText) {
    FitBox(records.get(), written);
  }
  return written;
}

void TextLabel::FitBox(const GlyphInstance* records, size_t count) {
  // Records are clip-space rectangles from their upper-left corner; the text starts at the box's corner.
  const float left = 2.0f * X / ScreenWidth - 1.0f;
  const float top = 1.0f - 2.0f * Y / ScreenHeight;
  float right = left;
  float bottom = top;
  for (size_t i = 0; i < count; ++i) {
    const QuadRect& quad = records[i].Position;
    right = std::max(right, quad.Left + quad.Width);
    bottom = std::min(bottom, quad.Top - quad.Height);
  }
  Width = (right - left) * ScreenWidth / 2.0f + FittedMargin;
  Height = (top - bottom) * ScreenHeight / 2.0f + FittedMargin;
  ClipRect = ComputeClipRect();
  WriteBackground(LaidOutBackgroundTexCoord, LaidOutBackgroundColor);
}

void TextLabel::Relayout() {
  ClipRect = ComputeClipRect();
  ReadFont();
  WriteBackground(LaidOutBackgroundTexCoord, LaidOutBackgroundColor);
  SetText(Text);
}

void TextLabel::Resize(float clientWidth, float clientHeight) {
  ScreenWidth = clientWidth;
  ScreenHeight = clientHeight;
  if (!FitsText) {
    Width = ScreenWidth / 100.0f * 50.0f;
    Height = ScreenHeight / 100.0f * 50.0f;
  }
  Relayout();
}
