// JPEG files for the tests, made and decoded by the Debian tools cjpeg and djpeg (libjpeg-turbo-progs) at
// test time: the decoder's pixels are checked against an independent program's, never against constants
// written down from the decoder itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Pixels as plain samples: rows top first, channels interleaved (gray, or red-green-blue).
struct RasterImage {
  uint32_t Width = 0;
  uint32_t Height = 0;
  uint32_t Channels = 3;
  std::vector<uint8_t> Samples;
};

// A deterministic picture with smooth gradients, hard edges and noise, so that every DCT block and both
// chroma planes carry detail.
RasterImage TestPicture(uint32_t width, uint32_t height, uint32_t channels);

// Writes the image as a binary PGM (one channel) or PPM (three), the input cjpeg and ImageMagick read.
void WritePnm(const RasterImage& image, const std::string& path);

// Compresses the image with cjpeg and the given options (for example "-progressive -restart 1") into
// `jpegPath`; false, with the tool's complaint on stderr, when cjpeg fails.
bool EncodeWithCjpeg(const RasterImage& image, const std::string& jpegPath, const std::string& options);

// The pixels djpeg decodes from the file, with its default (accurate integer) settings.
RasterImage DecodeWithDjpeg(const std::string& jpegPath);

// Samples reordered from red-green-blue to the blue-green-red order of 24bppBGR, or to BGRA / RGBA with
// opaque alpha; gray images repeat the gray value in every colour.
std::vector<uint8_t> AsBgr(const RasterImage& image);
std::vector<uint8_t> AsRgba(const RasterImage& image);
std::vector<uint8_t> AsBgra(const RasterImage& image);

// Runs a shell command, returning true when it exits with 0.
bool RunCommand(const std::string& command);
