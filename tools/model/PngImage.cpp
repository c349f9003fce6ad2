#include "PngImage.h"

#include <png.h>

#include <cstdio>

bool ReadPng(const std::string& path, RgbaImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), png.message);
    return false;
  }
  png.format = PNG_FORMAT_RGBA;
  image.Width = png.width;
  image.Height = png.height;
  image.Pixels.resize(PNG_IMAGE_SIZE(png));
  if (png_image_finish_read(&png, nullptr, image.Pixels.data(), 0, nullptr) == 0) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), png.message);
    png_image_free(&png);
    return false;
  }
  return true;
}

bool WritePng(const std::string& path, const RgbaImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = image.Width;
  png.height = image.Height;
  png.format = PNG_FORMAT_RGBA;
  if (png_image_write_to_file(&png, path.c_str(), 0, image.Pixels.data(), 0, nullptr) == 0) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), png.message);
    return false;
  }
  return true;
}
