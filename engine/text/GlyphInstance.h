// The per-instance record of the text pipeline: one screen quad, either a label's background box or one
// character. The vertex shader expands it into a four-vertex strip; the layout matches FontInputLayout.
#pragma once

// Left, top, width and height. In clip space (left, top) is the upper-left corner, and width and height
// are positive extents that run right and down.
struct QuadRect {
  float Left = 0.0f;
  float Top = 0.0f;
  float Width = 0.0f;
  float Height = 0.0f;
};

struct ColorRGBA {
  float R = 0.0f;
  float G = 0.0f;
  float B = 0.0f;
  float A = 0.0f;
};

struct GlyphInstance {
  QuadRect Position;  // the quad in clip space
  QuadRect TexCoord;  // the atlas rectangle, normalised to the atlas size
  ColorRGBA Color;
};

static_assert(sizeof(GlyphInstance) == 48, "the text pipeline reads 48-byte records");
