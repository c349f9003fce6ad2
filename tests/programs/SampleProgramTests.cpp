// The sample-style programs driven frame by frame: their presented frames are read back and compared exactly,
// with the Vulkan validation layer watching.
#include "BundleSample.h"
#include "ComputeSample.h"

#include <d3d12_vk_diagnostics.h>
#include <gtest/gtest.h>

#include "support/ValidationWatch.h"

#include <cstdlib>
#include <vector>

namespace {

struct Frame {
  std::vector<uint8_t> rgba;
  UINT width = 0, height = 0;
  uint32_t At(UINT x, UINT y) const {
    const uint8_t* p = &rgba[(y * width + x) * 4];
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
};

constexpr uint32_t Rgba(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16 | 0xFFu << 24; }

class SampleProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    // Windows stay in memory, so the presented frames can be read back even when a display is there.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    ASSERT_NO_FATAL_FAILURE(validation_.Start());
  }
  void TearDown() override { validation_.ExpectSilent(); }

  // Runs `frames` frames of `sample` in a window of its own and returns the last one shown.
  Frame Run(Sample& sample, UINT frames) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"SampleProgramTest";
    RegisterClassExW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"test", WS_OVERLAPPEDWINDOW, 0, 0, int(Sample::kWidth),
                                  int(Sample::kHeight), nullptr, nullptr, nullptr, nullptr);
    sample.OnInit(window);
    ShowWindow(window, SW_SHOW);
    for (UINT i = 0; i < frames; ++i) sample.OnRender();
    Frame frame;
    EXPECT_EQ(d3d12_vk::ReadLastPresentedFrame(sample.SwapChain(), &frame.rgba, &frame.width, &frame.height), S_OK);
    sample.OnDestroy();
    DestroyWindow(window);
    return frame;
  }

 private:
  ValidationWatch validation_;
};

TEST_F(SampleProgram, ComputeSampleShowsTheComputedGradient) {
  ComputeSample sample;
  const Frame frame = Run(sample, 3);
  ASSERT_EQ(frame.width, Sample::kWidth);
  ASSERT_EQ(frame.height, Sample::kHeight);
  for (UINT y : {0u, 17u, 64u, 127u}) {
    for (UINT x : {0u, 5u, 100u, 127u}) {
      ASSERT_EQ(frame.At(x, y), Rgba(x * 2 % 256, y * 2 % 256, ComputeSample::kBlue)) << x << ", " << y;
    }
  }
}

TEST_F(SampleProgram, BundleSampleDrawsItsTriangleEveryFrame) {
  BundleSample sample;
  const Frame frame = Run(sample, 3);
  ASSERT_EQ(frame.width, Sample::kWidth);
  ASSERT_EQ(frame.height, Sample::kHeight);
  const uint32_t clear = Rgba(0, 51, 102);
  EXPECT_EQ(frame.At(2, 2), clear);
  EXPECT_EQ(frame.At(125, 125), clear);
  EXPECT_EQ(frame.At(64, 64), Rgba(255, 255, 0));
  EXPECT_EQ(frame.At(64, 40), Rgba(255, 255, 0));
  EXPECT_EQ(frame.At(10, 64), clear) << "left of the triangle";
}

}  // namespace
