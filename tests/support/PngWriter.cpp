#include "support/PngWriter.h"

#include <csetjmp>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <utility>

namespace {

// PNG rows: sub-byte samples packed from the high bit down, 16-bit samples big-endian.
std::vector<png_byte> PackRow(const PngContents& contents, uint32_t y) {
  const size_t samplesPerRow = size_t{contents.Width} * contents.Channels();
  const uint16_t* samples = contents.Samples.data() + samplesPerRow * y;
  const int bits = contents.BitDepth;
  std::vector<png_byte> row((samplesPerRow * bits + 7) / 8, 0);
  for (size_t i = 0; i < samplesPerRow; ++i) {
    if (bits == 16) {
      row[2 * i] = static_cast<png_byte>(samples[i] >> 8);
      row[2 * i + 1] = static_cast<png_byte>(samples[i]);
    } else if (bits == 8) {
      row[i] = static_cast<png_byte>(samples[i]);
    } else {
      const size_t bit = i * bits;
      row[bit / 8] |= static_cast<png_byte>(samples[i] << (8 - bits - bit % 8));
    }
  }
  return row;
}

}  // namespace

int PngContents::Channels() const {
  switch (ColorType) {
    case PNG_COLOR_TYPE_RGB:
      return 3;
    case PNG_COLOR_TYPE_RGBA:
      return 4;
    case PNG_COLOR_TYPE_GRAY_ALPHA:
      return 2;
    default:
      return 1;
  }
}

bool WritePng(const std::string& path, const PngContents& contents) {
  std::vector<std::vector<png_byte>> rows;
  for (uint32_t y = 0; y < contents.Height; ++y) {
    rows.push_back(PackRow(contents, y));
  }
  std::vector<png_bytep> rowPointers;
  for (auto& row : rows) {
    rowPointers.push_back(row.data());
  }

  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) {
    std::fprintf(stderr, "WritePng: cannot create %s\n", path.c_str());
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png)) != 0) {
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    std::fprintf(stderr, "WritePng: libpng refused %s\n", path.c_str());
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, contents.Width, contents.Height, contents.BitDepth, contents.ColorType,
               contents.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!contents.Palette.empty()) {
    png_set_PLTE(png, info, contents.Palette.data(), static_cast<int>(contents.Palette.size()));
  }
  if (!contents.PaletteAlpha.empty()) {
    png_set_tRNS(png, info, contents.PaletteAlpha.data(), static_cast<int>(contents.PaletteAlpha.size()), nullptr);
  }
  if (contents.TransparentColor) {
    png_color_16 color = *contents.TransparentColor;
    png_set_tRNS(png, info, nullptr, 0, &color);
  }
  if (contents.PixelsPerMetre) {
    png_set_pHYs(png, info, *contents.PixelsPerMetre, *contents.PixelsPerMetre, PNG_RESOLUTION_METER);
  }
  png_write_info(png, info);
  png_write_image(png, rowPointers.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return true;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

PngContents MakePng(int colorType, int bitDepth, uint32_t width, uint32_t height, std::vector<uint16_t> samples) {
  PngContents png;
  png.ColorType = colorType;
  png.BitDepth = bitDepth;
  png.Width = width;
  png.Height = height;
  png.Samples = std::move(samples);
  return png;
}

bool WriteRgbaPng(const std::string& path, const void* rgba, uint32_t width, uint32_t height) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGBA;
  if (png_image_write_to_file(&image, path.c_str(), 0, rgba, 0, nullptr) == 0) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), image.message);
    return false;
  }
  return true;
}
