// The windows that exist: what the layer knows about each (class procedure, title, client size,
// placement) and, when there is a display, its SDL window. Handles are keys into this table and are
// never reused, so a stale handle is reported instead of reaching another window.
#pragma once

#include "WindowFrame.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct SDL_Window;

namespace win32 {

enum class Placement { Normal, Minimized, Maximized };

// What the window procedure was last told by WM_SIZE.
struct SizeReport {
  WPARAM kind = SIZE_RESTORED;
  int width = 0;
  int height = 0;
  bool operator==(const SizeReport&) const = default;
};

struct WindowRecord {
  HWND handle = nullptr;
  WNDPROC procedure = nullptr;
  std::wstring className;
  std::wstring title;
  DWORD style = 0;
  DWORD exStyle = 0;
  int clientX = 0;  // the client area's top-left corner on the screen
  int clientY = 0;
  int clientWidth = 0;
  int clientHeight = 0;
  FrameInsets frame;  // as of creation or the last SWP_FRAMECHANGED
  bool visible = false;
  Placement placement = Placement::Normal;
  std::optional<SizeReport> lastSizeReport;
  SDL_Window* sdlWindow = nullptr;  // null for an in-memory window
  uint32_t eventSourceId = 0;       // the window id SDL events carry
  bool destroying = false;
  bool needsPaint = false;  // shown, resized or exposed and not validated since
  LONG_PTR userData = 0;    // GWLP_USERDATA
};

class WindowTable {
 public:
  static WindowTable& Instance();

  // Stores the window under a new handle. An in-memory window also gets an event source id of its own.
  HWND Add(WindowRecord record);
  std::optional<WindowRecord> Find(HWND window) const;
  // Runs `change` on the stored record; false when there is no such window.
  bool Modify(HWND window, const std::function<void(WindowRecord&)>& change);
  // The first window (oldest handle first) that `matches`, or null; the records are not copied.
  HWND FindFirst(const std::function<bool(const WindowRecord&)>& matches) const;
  HWND FindByEventSource(uint32_t eventSourceId) const;
  std::vector<HWND> Handles() const;
  void Remove(HWND window);

 private:
  mutable std::mutex mutex_;
  std::map<HWND, WindowRecord> windows_;
  uintptr_t nextHandle_ = 0x10010;
  uint32_t nextInMemorySourceId_ = 1;
};

// The WM_SIZE report for the window's current placement and client size: SIZE_MINIMIZED with 0 x 0 while
// minimised, as Windows reports it.
SizeReport CurrentSizeReport(const WindowRecord& window);

inline LPARAM PackSize(int width, int height) { return MAKELPARAM(width, height); }

}  // namespace win32
