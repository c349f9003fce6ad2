// Writes PNG files of any colour type and bit depth from plain sample values, so tests know exactly what
// each file holds.
#pragma once

#include <png.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PngContents {
  int ColorType = PNG_COLOR_TYPE_RGB;  // PNG_COLOR_TYPE_*
  int BitDepth = 8;
  uint32_t Width = 0;
  uint32_t Height = 0;
  // Row by row, channels interleaved as the colour type orders them, each in 0 .. 2^BitDepth - 1.
  std::vector<uint16_t> Samples;
  std::vector<png_color> Palette;
  std::vector<uint8_t> PaletteAlpha;             // tRNS for palette images
  std::optional<png_color_16> TransparentColor;  // tRNS for gray and RGB images
  std::optional<uint32_t> PixelsPerMetre;        // pHYs, the same on both axes
  bool Interlaced = false;

  int Channels() const;
};

// A description of an image with no ancillary chunks.
PngContents MakePng(int colorType, int bitDepth, uint32_t width, uint32_t height, std::vector<uint16_t> samples);

// Writes the file; returns false (with a test failure message on stderr) if libpng refuses.
bool WritePng(const std::string& path, const PngContents& contents);

// Writes 8-bit RGBA pixels, rows tightly packed, top row first: for pictures a test leaves behind.
bool WriteRgbaPng(const std::string& path, const void* rgba, uint32_t width, uint32_t height);

// The file's bytes, for tests that damage or cut them.
std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
