#include "JpegTools.h"

#include "support/PngWriter.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

// Reads a binary PGM or PPM as djpeg writes it (no comments, maximum 255).
RasterImage ReadPnm(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string magic;
  unsigned maximum = 0;
  RasterImage image;
  file >> magic >> image.Width >> image.Height >> maximum;
  file.get();  // the one whitespace byte before the samples
  image.Channels = magic == "P5" ? 1 : 3;
  image.Samples.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (maximum != 255 || image.Samples.size() != size_t{image.Width} * image.Height * image.Channels) {
    std::fprintf(stderr, "%s is not an 8-bit PNM file of the size its header states\n", path.c_str());
    image.Samples.clear();
  }
  return image;
}

std::vector<uint8_t> Reordered(const RasterImage& image, const int (&order)[3], bool withAlpha) {
  std::vector<uint8_t> out;
  for (size_t pixel = 0; pixel < size_t{image.Width} * image.Height; ++pixel) {
    const uint8_t* samples = &image.Samples[pixel * image.Channels];
    for (int channel : order) {
      out.push_back(image.Channels == 1 ? samples[0] : samples[channel]);
    }
    if (withAlpha) {
      out.push_back(255);
    }
  }
  return out;
}

}  // namespace

RasterImage TestPicture(uint32_t width, uint32_t height, uint32_t channels) {
  RasterImage image{width, height, channels, {}};
  uint32_t noise = 2463534242u;
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const bool edge = ((x / 5) + (y / 3)) % 2 == 0;
      for (uint32_t c = 0; c < channels; ++c) {
        const uint32_t gradient = (x * (40 + 70 * c) + y * (90 - 25 * c)) & 0xFF;
        image.Samples.push_back(static_cast<uint8_t>((edge ? gradient : 255 - gradient) ^ ((noise >> (8 * c)) & 0x1F)));
      }
    }
  }
  return image;
}

void WritePnm(const RasterImage& image, const std::string& path) {
  std::ofstream file(path, std::ios::binary);
  file << (image.Channels == 1 ? "P5" : "P6") << "\n" << image.Width << " " << image.Height << "\n255\n";
  file.write(reinterpret_cast<const char*>(image.Samples.data()), static_cast<std::streamsize>(image.Samples.size()));
}

bool RunCommand(const std::string& command) { return std::system(command.c_str()) == 0; }

bool EncodeWithCjpeg(const RasterImage& image, const std::string& jpegPath, const std::string& options) {
  const std::string pnmPath = jpegPath + (image.Channels == 1 ? ".pgm" : ".ppm");
  WritePnm(image, pnmPath);
  return RunCommand(std::string(CJPEG_PROGRAM) + " " + options + " -outfile '" + jpegPath + "' '" + pnmPath + "'");
}

RasterImage DecodeWithDjpeg(const std::string& jpegPath) {
  const std::string pnmPath = jpegPath + ".djpeg.pnm";
  if (!RunCommand(std::string(DJPEG_PROGRAM) + " -pnm -outfile '" + pnmPath + "' '" + jpegPath + "'")) {
    return {};
  }
  return ReadPnm(pnmPath);
}

std::vector<uint8_t> AsBgr(const RasterImage& image) { return Reordered(image, {2, 1, 0}, false); }

std::vector<uint8_t> AsRgba(const RasterImage& image) { return Reordered(image, {0, 1, 2}, true); }

std::vector<uint8_t> AsBgra(const RasterImage& image) { return Reordered(image, {2, 1, 0}, true); }
