// A screen-space text box: a rectangle in client pixels with a translucent background and a text drawn
// over it with the bitmap font. Its GPU side is one upload-heap buffer of glyph records, mapped for the
// whole run: record 0 is the background, the records after it are the characters of the latest layout.
// The frame draws InstanceCount records of it as instanced four-vertex strips.
#pragma once

#include "core/Direct3D12.h"
#include "text/BitmapFont.h"
#include "text/GlyphInstance.h"
#include "text/GlyphLookup.h"

#include <windows.h>

#include <cstdint>
#include <string>

struct TypedKeyRecord;

class TextLabel {
 public:
  // A box without a font or a buffer: it has a rectangle and a focus, keeps a text and lays nothing out.
  TextLabel() = default;

  // Reads "newarial.fnt" from the working directory (a bad file throws FontFileError), creates and maps
  // the record buffer on the shared device and writes the background; no text yet. All values are client
  // pixels: the screen size, the box's upper-left corner and its size.
  TextLabel(float screenWidth, float screenHeight, float x, float y, float width, float height);

  // Stores the text and lays all of it out again.
  void SetText(std::wstring text);

  // Recomputes the box in clip space, reads the font file again (a changed file takes effect here),
  // rewrites the background and lays the same text out again.
  void Relayout();

  // The box follows the client area: half its width and height (or its text's size when FitsText), its
  // corner staying where it was.
  void Resize(float clientWidth, float clientHeight);

  // One typed key while the box has the focus: Backspace deletes the last character, anything else
  // appends one (see TextInput.cpp for the keyboard map). The key's character may be corrected in place.
  void OnTypedKey(TypedKeyRecord& key);

  float ScreenWidth = 0.0f;  // client size the layout divides by
  float ScreenHeight = 0.0f;
  float X = 0.0f;  // upper-left corner, client pixels
  float Y = 0.0f;
  float Width = 0.0f;
  float Height = 0.0f;
  QuadRect ClipRect;    // the box in clip space
  float ScaleX = 0.2f;  // applied to every font metric
  float ScaleY = 0.2f;
  bool HasFocus = false;
  // The box is only as large as its text, with a small margin, and grows and shrinks with it.
  bool FitsText = false;
  int32_t InstanceCount = 1;  // records drawn: the background and the text records; never below 1
  std::wstring Text;
  BitmapFont Font;
  GlyphLookup Lookup;                               // index of Font; the two are only ever replaced together
  uint32_t TextDataOffset = sizeof(GlyphInstance);  // byte offset of the first text record
  uint32_t MaxCharacters = 1024;                    // buffer capacity in records, the background included
  // Copies of a label share this buffer; it lives for the whole run and is never unmapped or released.
  ID3D12Resource* InstanceBuffer = nullptr;
  D3D12_VERTEX_BUFFER_VIEW InstanceBufferView = {};
  uint8_t* MappedInstances = nullptr;  // null when the buffer could not be created

 private:
  QuadRect ComputeClipRect() const;
  void ReadFont();
  void CreateInstanceBuffer();
  void WriteBackground(const QuadRect& texCoord, const ColorRGBA& color);
  void DeleteLastCharacter();
  // Lays Text out into the records after the background; returns how many it wrote.
  size_t WriteTextRecords();
  // Sizes the box around the laid-out records and writes its background again.
  void FitBox(const GlyphInstance* records, size_t count);
};
