#include "WindowSystem.h"

#include "Diagnostics.h"
#include "KeyboardState.h"
#include "StandardStreams.h"

#include <SDL.h>

#include <strings.h>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <mutex>

namespace win32 {
namespace {

std::atomic<bool> terminationRequested{false};

extern "C" void OnTerminationSignal(int) { terminationRequested = true; }

// Before main, and so before anything opens a descriptor: this file is part of every program that makes a
// window.
[[gnu::constructor]] void PrepareStreamsAtStart() { PrepareStandardStreams(); }

bool DisplayConfigured() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver != nullptr) return strcasecmp(driver, "dummy") != 0;
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

// SDL quietly moves on to its off-screen driver when the X server named by DISPLAY refuses the connection;
// say so, since the windows then never appear on that display.
void ReportUnreachableDisplay() {
  const char* display = std::getenv("DISPLAY");
  const char* driver = SDL_GetCurrentVideoDriver();
  if (std::getenv("SDL_VIDEODRIVER") != nullptr || display == nullptr || driver == nullptr) return;
  if (strcasecmp(driver, "offscreen") != 0 && strcasecmp(driver, "dummy") != 0) return;
  Report("SDL_InitSubSystem", "the display \"%s\" could not be reached; windows stay off-screen", display);
}

bool StartSdlVideo() {
  if (!DisplayConfigured()) return false;
  PrepareStandardStreams();
  // The layer handles termination signals itself, and closing the last window is the program's business.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    Report("SDL_InitSubSystem", "%s; windows stay in memory", SDL_GetError());
    return false;
  }
  ReportUnreachableDisplay();
  // Characters come from virtual-key codes (TranslateMessage), not from SDL's text input.
  SDL_StopTextInput();
  KeyboardState::Instance().SetCapsLockToggled((SDL_GetModState() & KMOD_CAPS) != 0);
  return true;
}

}  // namespace

bool WindowSystemAvailable() {
  static const bool available = StartSdlVideo();
  return available;
}

SDL_Window* CreateSdlWindow(const std::string& title, int x, int y, int width, int height, bool resizable) {
  const Uint32 flags = SDL_WINDOW_HIDDEN | (resizable ? SDL_WINDOW_RESIZABLE : 0);
  // SDL cannot make a window without area; the client size the layer reports stays what was asked for.
  width = std::max(width, 1);
  height = std::max(height, 1);
  SDL_Window* window = SDL_CreateWindow(title.c_str(), x, y, width, height, flags | SDL_WINDOW_VULKAN);
  if (window == nullptr) {
    Report("CreateWindowExW", "no Vulkan window (%s); creating one without Vulkan", SDL_GetError());
    window = SDL_CreateWindow(title.c_str(), x, y, width, height, flags);
  }
  if (window == nullptr) Report("CreateWindowExW", "SDL_CreateWindow failed: %s", SDL_GetError());
  return window;
}

void DestroySdlWindow(SDL_Window* window) {
  if (window != nullptr) SDL_DestroyWindow(window);
}

void DrainSdlEvents(const std::function<void(const SDL_Event&)>& handle) {
  SDL_Event event;
  while (SDL_PollEvent(&event)) handle(event);
}

void WaitForSdlEvent(int milliseconds) {
  if (WindowSystemAvailable()) {
    SDL_WaitEventTimeout(nullptr, milliseconds);
  } else {
    SDL_Delay(static_cast<Uint32>(milliseconds));
  }
}

void GetDesktopSize(int* width, int* height) {
  constexpr SDL_Rect kInMemoryDesktop{0, 0, 1920, 1080};
  SDL_Rect bounds = kInMemoryDesktop;
  if (WindowSystemAvailable() && SDL_GetDisplayBounds(0, &bounds) != 0) bounds = kInMemoryDesktop;
  *width = bounds.w;
  *height = bounds.h;
}

void WatchTerminationSignals() {
  static std::once_flag installed;
  std::call_once(installed, [] {
    for (int signal : {SIGTERM, SIGINT}) {
      struct sigaction current {};
      sigaction(signal, nullptr, &current);
      if (current.sa_handler != SIG_DFL) continue;  // someone else already handles it
      struct sigaction action {};
      action.sa_handler = OnTerminationSignal;
      // Not reset after the first signal: `timeout` and a terminal signal the whole process group, and a
      // second signal while the first close is under way must still end in the regular way, with 0.
      action.sa_flags = 0;
      sigemptyset(&action.sa_mask);
      sigaction(signal, &action, nullptr);
    }
  });
}

bool TakeTerminationRequest() { return terminationRequested.exchange(false); }

}  // namespace win32
