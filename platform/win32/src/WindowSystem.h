// The window system behind the windows: SDL video on the display, or nothing at all when there is no
// display (no DISPLAY or WAYLAND_DISPLAY, SDL_VIDEODRIVER=dummy as in unit tests, or SDL failing to
// start), in which case windows live in memory only and behave the same otherwise.
#pragma once

#include <SDL_events.h>

#include <functional>
#include <string>

struct SDL_Window;

namespace win32 {

// Decided once, at the first call.
bool WindowSystemAvailable();

// A hidden SDL window with the given client area, created with SDL_WINDOW_VULKAN so that a Vulkan
// surface can be made on it (and without it when that fails). `x` and `y` may be SDL_WINDOWPOS_UNDEFINED.
SDL_Window* CreateSdlWindow(const std::string& title, int x, int y, int width, int height, bool resizable);
void DestroySdlWindow(SDL_Window* window);

// Hands every event the window system has waiting to `handle`; never blocks.
void DrainSdlEvents(const std::function<void(const SDL_Event&)>& handle);

// Waits until the window system has an event (leaving it queued) or `milliseconds` pass.
void WaitForSdlEvent(int milliseconds);

// The desktop's size: the first display's, or 1920 x 1080 for windows in memory.
void GetDesktopSize(int* width, int* height);

// SIGTERM and SIGINT, every time they come, become close requests for every window, so that a terminated
// program leaves its message loop the regular way.
void WatchTerminationSignals();
bool TakeTerminationRequest();

}  // namespace win32
