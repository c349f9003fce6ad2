#pragma once
// 8-bit RGBA images read from and written to PNG files through libpng.

#include <cstdint>
#include <string>
#include <vector>

struct RgbaImage {
  unsigned Width = 0;
  unsigned Height = 0;
  std::vector<std::uint8_t> Pixels;  // rows top first, four bytes per pixel

  std::uint8_t* At(unsigned x, unsigned y) { return &Pixels[(static_cast<std::size_t>(y) * Width + x) * 4]; }
  const std::uint8_t* At(unsigned x, unsigned y) const {
    return &Pixels[(static_cast<std::size_t>(y) * Width + x) * 4];
  }
};

// False (after one stderr line naming the file and the reason) when the file cannot be read or written.
bool ReadPng(const std::string& path, RgbaImage& image);
bool WritePng(const std::string& path, const RgbaImage& image);
