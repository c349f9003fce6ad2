// Turns a text into glyph records: the pen walks along the line in clip space, each space and each glyph
// the font has becomes one record, and a carriage return starts a new line at the left edge.
#pragma once

#include "text/BitmapFont.h"
#include "text/GlyphInstance.h"
#include "text/GlyphLookup.h"

#include <cstddef>
#include <span>
#include <string_view>

// Where a text starts and how big it is drawn: the upper-left corner of its box and the screen it lies
// on, in client pixels, and the scale applied to every font metric.
struct TextFrame {
  float X = 0.0f;
  float Y = 0.0f;
  float ScreenWidth = 0.0f;
  float ScreenHeight = 0.0f;
  float ScaleX = 0.0f;
  float ScaleY = 0.0f;
};

// The colour of every character record.
inline constexpr ColorRGBA TextColor = {0.2f, 0.2f, 0.7f, 1.0f};

// A space advances the pen by this many font pixels whatever the font's own space glyph says.
inline constexpr float SpaceAdvance = 40.2f;

// Lays `text` out into `records`, in text order, and returns how many were written. Characters without
// a glyph are skipped; when `records` is full the rest of the text is left out.
size_t LayOutText(std::wstring_view text, const BitmapFont& font, const GlyphLookup& lookup, const TextFrame& frame,
                  std::span<GlyphInstance> records);
