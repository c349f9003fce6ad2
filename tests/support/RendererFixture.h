// The one fixture for tests of the Renderer: the real start-up steps in a scratch copy of the run folder
// (shaders and assets, the working directory while the test runs), on the Direct3D 12 layer in the
// in-memory window of the Win32 layer, whose swap chain renders off-screen and keeps each presented frame.
// Resources and views can be read back; frames can be drawn at chosen animation times. Every test fails if
// the Vulkan validation layer reported anything.
#pragma once

#include "render/Renderer.h"
#include "support/GpuContext.h"
#include "support/ScratchFolder.h"
#include "support/ValidationWatch.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <d3d12.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// GoogleTest's HRESULT checks exist on Windows only.
#define ASSERT_SUCCEEDED(expression) ASSERT_GE((expression), 0) << #expression

// The log lines of the steps run while it lives, without their result texts.
class LogCapture {
 public:
  LogCapture();
  std::vector<std::string> Messages();
};

struct Rgb {
  int R = 0, G = 0, B = 0;
};

// Within `tolerance` per channel.
bool Near(Rgb actual, Rgb expected, int tolerance = 2);

// A presented frame, tightly packed RGBA8 rows, top row first.
struct FrameImage {
  uint32_t Width = 0;
  uint32_t Height = 0;
  std::vector<uint8_t> Rgba;

  Rgb Pixel(uint32_t x, uint32_t y) const;
};

// RGBA8 of a solid colour given as floats, as a clear writes it.
std::vector<uint8_t> SolidPixels(const float rgba[4], size_t pixelCount);

class RendererFixture : public testing::Test {
 protected:
  static void SetUpTestSuite();
  // The run folder, the program's 800 x 600 window and a Renderer constructed on it; the start-up steps
  // are the test's to run.
  void SetUp() override;
  void TearDown() override;

  // InitDirect3D, with the log lines it wrote.
  std::vector<std::string> StartRenderer();

  // The whole start-up of the program, then the resize the window's first size message left pending, as
  // the main loop's first pass runs it.
  void StartUp();

  // One frame as the main loop draws it, with the character posed at `seconds` into its animation.
  void DrawFrameAt(float seconds);

  FrameImage LastPresentedFrame() const;

  // Resets the Renderer's command list for a test's own commands; SubmitAndWait runs them.
  void BeginCommands();
  void SubmitAndWait();

  // The pixels of a texture or back buffer in `state`, rows tightly packed, as the format has them. The
  // resource is back in `state` afterwards.
  std::vector<uint8_t> ReadBack(ID3D12Resource* resource, D3D12_RESOURCE_STATES state);

  // Draws the shader-resource view in `slot` of the shader-visible heap texel for texel into an RGBA8
  // target of width x height and returns the target's pixels.
  std::vector<uint8_t> DrawTextureView(int slot, uint32_t width, uint32_t height);

  // Clears the current back buffer through its render-target view and presents it.
  void ClearAndPresent(const float rgba[4]);

  D3D12_CPU_DESCRIPTOR_HANDLE RenderTargetView(int slot) const;

  std::unique_ptr<ScratchFolder> folder;
  HWND window = {};
  std::unique_ptr<Renderer> renderer;

 private:
  // Read-back and test drawing on a queue of its own on the Renderer's device, opened at first use.
  GpuContext& Gpu();

  ValidationWatch validation_;
  std::unique_ptr<GpuContext> gpu_;
};
