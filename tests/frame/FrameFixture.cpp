#include "FrameFixture.h"

#include "anim/Animation.h"
#include "core/FrameTimer.h"
#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/Run.h"
#include "render/SwapChain.h"

#include <d3d12_vk_diagnostics.h>
#include <win32_test.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

RunFolder::RunFolder() : previous_(fs::current_path()) {
  static std::atomic<int> counter = 0;
  path_ = fs::temp_directory_path() / ("frame_tests_" + std::to_string(getpid()) + "_" + std::to_string(counter++));
  fs::create_directories(path_);
  fs::copy(ENGINE_SHADERS_DIR, path_ / "Shaders", fs::copy_options::recursive);
  fs::copy(ENGINE_ASSETS_DIR, path_, fs::copy_options::recursive);
  fs::current_path(path_);
}

RunFolder::~RunFolder() {
  fs::current_path(previous_);
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void RunFolder::WriteFile(const std::string& name, const std::string& contents) const {
  std::ofstream(path_ / name, std::ios::binary) << contents;
}

Rgb FrameImage::Pixel(uint32_t x, uint32_t y) const {
  const uint8_t* pixel = &Rgba[(size_t{y} * Width + x) * 4];
  return {pixel[0], pixel[1], pixel[2]};
}

bool Near(Rgb actual, Rgb expected, int tolerance) {
  return std::abs(actual.R - expected.R) <= tolerance && std::abs(actual.G - expected.G) <= tolerance &&
         std::abs(actual.B - expected.B) <= tolerance;
}

void FrameTest::SetUpTestSuite() {
  // The in-memory window, even when a display is there: the swap chain then renders off-screen.
  setenv("SDL_VIDEODRIVER", "dummy", 1);
}

void FrameTest::SetUp() {
  ASSERT_NO_FATAL_FAILURE(validation_.Start());
  win32_test::Reset();
  folder = std::make_unique<RunFolder>();
}

void FrameTest::TearDown() {
  validation_.ExpectSilent();
  renderer.reset();
  ResizePending = false;
  PendingWidth = 0;
  PendingHeight = 0;
  win32_test::Reset();
  folder.reset();
}

void FrameTest::CreateRenderer() {
  if (window == HWND{}) {
    window = CreateMainWindow(GetModuleHandleW(nullptr));
  }
  renderer = std::make_unique<Renderer>(window);
}

void FrameTest::StartUp() {
  CreateRenderer();
  renderer->InitDirect3D();
  renderer->LoadContent();
  renderer->CreateConstantBuffers();
  renderer->SetupCamera();
  ApplyPendingResize(*renderer);
}

void FrameTest::DrawFrameAt(float seconds) {
  // A timer whose previous frame was at `seconds`: that is the time the animation samples.
  FrameTimer timer;
  timer.CounterPeriod = 1.0 / 1000.0;
  timer.CurrentCount = static_cast<int64_t>(seconds * 1000.0f);
  timer.FrameDelta = 0.0;
  UpdateAnimation(renderer->Meshes.front().Geometry, timer, renderer->BonePalette);
  renderer->UpdateConstantBuffers();
  renderer->DrawFrame();
}

FrameImage FrameTest::LastPresentedFrame() const {
  FrameImage image;
  const HRESULT result =
      d3d12_vk::ReadLastPresentedFrame(renderer->SwapChain->Chain, &image.Rgba, &image.Width, &image.Height);
  EXPECT_EQ(result, S_OK) << "no frame was presented";
  return image;
}
