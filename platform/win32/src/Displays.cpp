// Monitors and display modes from SDL's displays: MonitorFromWindow, MonitorFromPoint, GetMonitorInfoW,
// EnumDisplaySettingsW, and the list DXGI's outputs read. A monitor handle is the display's index plus a
// fixed base, so it is never null and never a pointer.

#include "Diagnostics.h"
#include "WindowSystem.h"
#include "WindowTable.h"

#include <win32_platform.h>

#include <SDL_video.h>

#include <algorithm>
#include <cwchar>
#include <string>

namespace {

constexpr uintptr_t kMonitorBase = 0x4D000;
constexpr win32_platform::DisplayMode kInMemoryMode{1920, 1080, 60};

HMONITOR MonitorHandle(size_t index) { return reinterpret_cast<HMONITOR>(kMonitorBase + index); }

RECT RectFrom(const SDL_Rect& rect) { return {rect.x, rect.y, rect.x + rect.w, rect.y + rect.h}; }

win32_platform::DisplayMode ModeFrom(const SDL_DisplayMode& mode) { return {mode.w, mode.h, mode.refresh_rate}; }

win32_platform::Display InMemoryDisplay() {
  win32_platform::Display display;
  display.bounds = {0, 0, kInMemoryMode.width, kInMemoryMode.height};
  display.workArea = display.bounds;
  display.current = kInMemoryMode;
  display.modes = {kInMemoryMode};
  return display;
}

win32_platform::Display SdlDisplay(int index) {
  win32_platform::Display display;
  SDL_Rect bounds{};
  SDL_GetDisplayBounds(index, &bounds);
  display.bounds = RectFrom(bounds);
  SDL_Rect usable = bounds;
  SDL_GetDisplayUsableBounds(index, &usable);
  display.workArea = RectFrom(usable);
  SDL_DisplayMode mode{};
  display.current = SDL_GetCurrentDisplayMode(index, &mode) == 0 ? ModeFrom(mode)
                                                                 : win32_platform::DisplayMode{bounds.w, bounds.h, 0};
  for (int i = 0, count = SDL_GetNumDisplayModes(index); i < count; ++i) {
    if (SDL_GetDisplayMode(index, i, &mode) != 0) continue;
    const auto found = ModeFrom(mode);
    if (std::find(display.modes.begin(), display.modes.end(), found) == display.modes.end()) {
      display.modes.push_back(found);
    }
  }
  if (display.modes.empty()) display.modes.push_back(display.current);
  return display;
}

bool Contains(const RECT& rect, POINT point) {
  return point.x >= rect.left && point.x < rect.right && point.y >= rect.top && point.y < rect.bottom;
}

std::optional<size_t> IndexOfMonitor(HMONITOR monitor, size_t count) {
  const auto value = reinterpret_cast<uintptr_t>(monitor);
  if (value < kMonitorBase || value - kMonitorBase >= count) return std::nullopt;
  return value - kMonitorBase;
}

std::optional<size_t> IndexOfDeviceName(LPCWSTR name, const std::vector<win32_platform::Display>& displays) {
  if (name == nullptr) return 0;
  for (size_t i = 0; i < displays.size(); ++i) {
    if (displays[i].deviceName == name) return i;
  }
  return std::nullopt;
}

void FillMode(DEVMODEW* out, const win32_platform::DisplayMode& mode, const RECT& bounds, const std::wstring& name) {
  const WORD size = out->dmSize;
  const WORD extra = out->dmDriverExtra;
  *out = DEVMODEW{};
  out->dmSize = size;
  out->dmDriverExtra = extra;
  std::wcsncpy(out->dmDeviceName, name.c_str(), CCHDEVICENAME - 1);
  out->dmFields = DM_POSITION | DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT | DM_DISPLAYFLAGS | DM_DISPLAYFREQUENCY;
  out->dmPosition = {bounds.left, bounds.top};
  out->dmBitsPerPel = 32;
  out->dmPelsWidth = static_cast<DWORD>(mode.width);
  out->dmPelsHeight = static_cast<DWORD>(mode.height);
  out->dmDisplayFrequency = static_cast<DWORD>(mode.refreshRate);
}

}  // namespace

namespace win32_platform {

std::vector<Display> Displays() {
  std::vector<Display> displays;
  const int count = win32::WindowSystemAvailable() ? SDL_GetNumVideoDisplays() : 0;
  for (int i = 0; i < count; ++i) displays.push_back(SdlDisplay(i));
  if (displays.empty()) displays.push_back(InMemoryDisplay());
  for (size_t i = 0; i < displays.size(); ++i) {
    displays[i].monitor = MonitorHandle(i);
    displays[i].deviceName = L"\\\\.\\DISPLAY" + std::to_wstring(i + 1);
  }
  return displays;
}

size_t DisplayIndexOfWindow(HWND window) {
  SDL_Window* sdlWindow = SdlWindowFromHandle(window);
  const int index = sdlWindow != nullptr ? SDL_GetWindowDisplayIndex(sdlWindow) : 0;
  return index > 0 ? static_cast<size_t>(index) : 0;
}

}  // namespace win32_platform

using namespace win32_platform;

HMONITOR WINAPI MonitorFromWindow(HWND window, DWORD) {
  if (!win32::WindowTable::Instance().Find(window)) {
    win32::FailCall("MonitorFromWindow", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle",
                    static_cast<void*>(window));
    return nullptr;
  }
  return MonitorHandle(DisplayIndexOfWindow(window));
}

HMONITOR WINAPI MonitorFromPoint(POINT point, DWORD flags) {
  const auto displays = Displays();
  for (const Display& display : displays) {
    if (Contains(display.bounds, point)) return display.monitor;
  }
  return flags == MONITOR_DEFAULTTONULL ? nullptr : displays.front().monitor;
}

BOOL WINAPI GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info) {
  const auto displays = Displays();
  const auto index = IndexOfMonitor(monitor, displays.size());
  if (!index) {
    win32::FailCall("GetMonitorInfoW", ERROR_INVALID_PARAMETER, "%p is not a monitor handle", static_cast<void*>(monitor));
    return FALSE;
  }
  if (info == nullptr || (info->cbSize != sizeof(MONITORINFO) && info->cbSize != sizeof(MONITORINFOEXW))) {
    win32::FailCall("GetMonitorInfoW", ERROR_INVALID_PARAMETER,
                    "cbSize must be sizeof(MONITORINFO) or sizeof(MONITORINFOEX)");
    return FALSE;
  }
  const Display& display = displays[*index];
  info->rcMonitor = display.bounds;
  info->rcWork = display.workArea;
  info->dwFlags = *index == 0 ? MONITORINFOF_PRIMARY : 0;
  if (info->cbSize == sizeof(MONITORINFOEXW)) {
    auto* extended = reinterpret_cast<LPMONITORINFOEXW>(info);
    std::wcsncpy(extended->szDevice, display.deviceName.c_str(), CCHDEVICENAME - 1);
    extended->szDevice[CCHDEVICENAME - 1] = L'\0';
  }
  return TRUE;
}

BOOL WINAPI EnumDisplaySettingsW(LPCWSTR deviceName, DWORD modeIndex, DEVMODEW* mode) {
  const auto displays = Displays();
  const auto index = IndexOfDeviceName(deviceName, displays);
  if (!index || mode == nullptr) {
    win32::FailCall("EnumDisplaySettingsW", ERROR_INVALID_PARAMETER, "%s",
                    mode == nullptr ? "the DEVMODE pointer is null" : "no display has that device name");
    return FALSE;
  }
  const Display& display = displays[*index];
  if (modeIndex == ENUM_CURRENT_SETTINGS || modeIndex == ENUM_REGISTRY_SETTINGS) {
    FillMode(mode, display.current, display.bounds, display.deviceName);
    return TRUE;
  }
  if (modeIndex >= display.modes.size()) return FALSE;  // the end of the list, which Windows reports silently
  FillMode(mode, display.modes[modeIndex], display.bounds, display.deviceName);
  return TRUE;
}
