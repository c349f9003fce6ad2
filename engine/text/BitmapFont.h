// The bitmap font: where each character lies in the atlas image and how it sits on a line, read from a
// text description in the AngelCode BMFont layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One character's picture in the atlas. The atlas rectangle is normalised to the atlas size; every
// other value stays in font pixels.
struct Glyph {
  int32_t Id = 0;  // character code; compared with the text's characters cut to 16 bits
  float U = 0.0f;  // left edge in the atlas, x / TextureWidth
  float V = 0.0f;  // top edge in the atlas, y / TextureHeight
  float TexWidth = 0.0f;
  float TexHeight = 0.0f;
  float Width = 0.0f;  // picture size, pixels
  float Height = 0.0f;
  float XOffset = 0.0f;   // picture offset from the pen position
  float YOffset = 0.0f;   // picture offset below the line top
  float XAdvance = 0.0f;  // pen advance after the glyph
};

// A horizontal adjustment between two characters that stand next to each other.
struct KerningPair {
  int32_t First = 0;
  int32_t Second = 0;
  float Amount = 0.0f;  // pixels
};

// Glyphs and kerning pairs keep the order of the file; they are never sorted or changed after the parse,
// so copies of a font share nothing mutable.
struct BitmapFont {
  std::wstring FaceName;
  std::wstring TextureFile;  // atlas image named by the file; loaded elsewhere, under its fixed name
  int32_t Size = 0;
  float LineHeight = 0.0f;
  float Base = 0.0f;
  int32_t TextureWidth = 0;
  int32_t TextureHeight = 0;
  int32_t GlyphCount = 0;
  std::vector<Glyph> Glyphs;
  int32_t KerningCount = 0;
  std::vector<KerningPair> Kernings;
  float PaddingLeft = 0.0f;
  float PaddingTop = 0.0f;
  float PaddingRight = 0.0f;
  float PaddingBottom = 0.0f;
};

// Reads a font description by word position (see FontWordReader.h for how values are taken). The screen
// size is accepted for the callers' sake; nothing in the result depends on it. A value that is not a
// number, or a count that cannot size its table, throws FontFileError naming the file: no partial font
// is ever returned.
BitmapFont ParseFontFile(const std::wstring& fileName, int32_t screenWidth, int32_t screenHeight);
