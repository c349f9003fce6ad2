// What the imaging tests share: a fixture with a factory made through CoCreateInstance and a scratch
// folder for the PNG files each test writes, and helpers to open and read images.
#pragma once

#include "support/PngWriter.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

using Microsoft::WRL::ComPtr;

std::wstring Wide(const std::string& text);

// Little-endian bytes of 16-bit values, the layout of the 16-bit formats.
std::vector<uint8_t> Le16(std::initializer_list<uint16_t> values);

class WicTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string PathOf(const std::string& name) const { return folder_ + "/" + name; }

  // Writes the contents as `name` in the scratch folder and returns its path.
  std::string Write(const std::string& name, const PngContents& contents);

  // Opens a file through CreateDecoderFromFilename and returns frame 0; fails the test otherwise.
  ComPtr<IWICBitmapFrameDecode> OpenFrame(const std::string& path);

  // The result of opening the file written from `bytes`; when it fails, also checks that one line naming
  // the file was printed.
  HRESULT OpenResult(const std::string& name, const std::vector<uint8_t>& bytes);

  // A converter initialised on `source` to `format` the way the engine asks (error diffusion, no palette).
  ComPtr<IWICFormatConverter> Convert(IWICBitmapSource* source, REFWICPixelFormatGUID format);

  ComPtr<IWICImagingFactory> factory_;

 private:
  std::string folder_;
};

// Every pixel of the source, rows tightly packed.
std::vector<uint8_t> CopyAllPixels(IWICBitmapSource* source, unsigned bitsPerPixel);

WICPixelFormatGUID PixelFormatOf(IWICBitmapSource* source);
