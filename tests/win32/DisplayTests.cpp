// The window-system path on a real X display: SDL windows that Vulkan can present to, titles and sizes
// that reach the display, and sizes the display changes coming back as WM_SIZE. Skipped when no display
// can be reached.

#include "WindowFixture.h"

#include <win32_platform.h>

#include <SDL_video.h>

#include <chrono>
#include <cstdlib>

namespace {

class DisplayTest : public WindowFixture {
 protected:
  static void SetUpTestSuite() {
    // Unit tests run with the dummy video driver; this suite is about the real one, whenever there is a
    // display to talk to. The window system is chosen at the first window call, which comes after this.
    if (std::getenv("DISPLAY") != nullptr) unsetenv("SDL_VIDEODRIVER");
  }

  void SetUp() override {
    WindowFixture::SetUp();
    if (win32_platform::IsHeadless()) GTEST_SKIP() << "no display";
  }

  // Runs the message loop until the window procedure has received a WM_SIZE for width x height.
  bool PumpUntilSized(int width, int height) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < deadline) {
      PumpAll();
      for (const ReceivedMessage& message : TakeReceived()) {
        if (message.message == WM_SIZE && message.lParam == MAKELPARAM(width, height)) return true;
      }
      Sleep(10);
    }
    return false;
  }
};

}  // namespace

TEST_F(DisplayTest, WindowsAreVulkanSdlWindowsWithTheRequestedClientArea) {
  HWND window = CreateTestWindow(800, 600);
  SDL_Window* sdlWindow = win32_platform::SdlWindowFromHandle(window);
  ASSERT_NE(sdlWindow, nullptr);
  EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_VULKAN);
  EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_RESIZABLE);
  int width = 0, height = 0;
  SDL_GetWindowSize(sdlWindow, &width, &height);
  EXPECT_EQ(width, 800);
  EXPECT_EQ(height, 600);

  ShowWindow(window, SW_SHOWNORMAL);
  EXPECT_TRUE(SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN);
  SetWindowTextW(window, L"fps: 1.000000 mspf: 1000.000000 \u00e9");
  EXPECT_STREQ(SDL_GetWindowTitle(sdlWindow), "fps: 1.000000 mspf: 1000.000000 \xc3\xa9");

  DestroyWindow(window);
  EXPECT_EQ(win32_platform::SdlWindowFromHandle(window), nullptr);
}

TEST_F(DisplayTest, SizesSetOnTheDisplayComeBackAsSizeMessages) {
  HWND window = CreateTestWindow(800, 600);
  ShowWindow(window, SW_SHOWNORMAL);
  SDL_SetWindowSize(win32_platform::SdlWindowFromHandle(window), 640, 480);

  ASSERT_TRUE(PumpUntilSized(640, 480));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 640);
  EXPECT_EQ(client.bottom, 480);
}
