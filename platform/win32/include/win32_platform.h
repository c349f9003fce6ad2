// Services the Win32 module offers the other platform modules (Direct3D 12/DXGI, WIC). This is not part of
// the Win32 API: engine code never includes it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

struct SDL_Window;

namespace win32_platform {

// The SDL window behind a window handle; null for an in-memory window (no display) or an unknown handle.
// Real windows are created with SDL_WINDOW_VULKAN so a Vulkan surface can be made on them.
SDL_Window* SdlWindowFromHandle(HWND window);

// `path` (a Linux path) with each folder and file name that does not exist as written replaced by the entry
// whose name differs only in ASCII case, as Windows finds files; the first name without any match and the
// rest of the path stay as written.
std::string PathInDiskCase(const std::string& path);

// The displays, as the monitor calls and DXGI's outputs report them: the window system's (SDL's), in its
// order, or without a display one 1920 x 1080 monitor at 60 Hz.
struct DisplayMode {
  int width = 0;
  int height = 0;
  int refreshRate = 0;  // Hz; 0 when unknown
  bool operator==(const DisplayMode&) const = default;
};
struct Display {
  HMONITOR monitor = nullptr;
  std::wstring deviceName;  // \\.\DISPLAY1, ...
  RECT bounds{};            // desktop coordinates
  RECT workArea{};          // less the panels the desktop keeps
  DisplayMode current;
  std::vector<DisplayMode> modes;  // largest first, each once
};
std::vector<Display> Displays();
// The display that holds most of the window (the first one for in-memory windows).
size_t DisplayIndexOfWindow(HWND window);

// True when windows are in-memory only because no display is available.
bool IsHeadless();

// COM classes that CoCreateInstance can create. A module registers its classes before first use
// (a static registrar in a library linked as a whole archive is enough).
using ClassFactory = HRESULT (*)(REFIID riid, void** object);
void RegisterComClass(REFCLSID clsid, ClassFactory create);

// Lets a module complete an event from a wait of its own (the D3D12 fence waits on a Vulkan timeline
// semaphore). While the event is unsignalled, WaitForSingleObject calls the waiter with its remaining
// timeout; the waiter blocks for at most that long and calls SetEvent when the awaited work is done.
// The waiter is dropped once the event has been signalled or when another waiter is attached.
using EventWaiter = std::function<void(DWORD timeoutMilliseconds)>;
void AttachEventWaiter(HANDLE event, EventWaiter waiter);

}  // namespace win32_platform
