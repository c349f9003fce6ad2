// The real start-up in a scratch copy of the run folder, on the Direct3D 12 layer in the in-memory window
// of the Win32 layer (its swap chain renders off-screen and keeps each presented frame), with frames
// drawn at chosen animation times and read back. Every test fails if the Vulkan validation layer spoke.
#pragma once

#include "render/Renderer.h"
#include "support/ValidationWatch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

// A fresh copy of the shaders and assets that is the working directory while the object lives: the
// program reads its files by fixed names from there, and a test may replace one of them.
class RunFolder {
 public:
  RunFolder();
  ~RunFolder();
  RunFolder(const RunFolder&) = delete;
  RunFolder& operator=(const RunFolder&) = delete;

  void WriteFile(const std::string& name, const std::string& contents) const;

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

struct Rgb {
  int R = 0, G = 0, B = 0;
};

// A presented frame, tightly packed RGBA8 rows, top row first.
struct FrameImage {
  uint32_t Width = 0;
  uint32_t Height = 0;
  std::vector<uint8_t> Rgba;

  Rgb Pixel(uint32_t x, uint32_t y) const;
};

// Within `tolerance` per channel.
bool Near(Rgb actual, Rgb expected, int tolerance = 2);

class FrameTest : public testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Constructs a Renderer on the test's 800 x 600 window (made by the first call); the start-up steps are
  // the test's to run.
  void CreateRenderer();

  // The whole start-up of the program, then the resize the window's first size message left pending, as
  // the main loop's first pass runs it.
  void StartUp();

  // One frame as the main loop draws it, with the character posed at `seconds` into its animation.
  void DrawFrameAt(float seconds);

  FrameImage LastPresentedFrame() const;

  std::unique_ptr<RunFolder> folder;
  HWND window = {};
  std::unique_ptr<Renderer> renderer;

 private:
  ValidationWatch validation_;
};
