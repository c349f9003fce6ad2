// Window creation, placement, titles and destruction. Window calls that change what the window procedure
// must know (creation, showing, destruction) send their messages synchronously, as on Windows, so the
// procedure has seen WM_SIZE before CreateWindowExW returns.

#include "Diagnostics.h"
#include "MessageQueue.h"
#include "WindowClasses.h"
#include "WindowFrame.h"
#include "WindowOperations.h"
#include "WindowSystem.h"
#include "platform_common/UnicodeText.h"

#include <win32_platform.h>

#include <SDL_video.h>

#include <algorithm>
#include <cwchar>
#include <utility>

static_assert(sizeof(WNDCLASSEXW) == 80, "WNDCLASSEXW must have its Windows layout");

namespace win32 {
namespace {

// The outer size Windows picks for CW_USEDEFAULT varies with the screen; a fixed one keeps runs alike.
constexpr int kDefaultOuterWidth = 1024;
constexpr int kDefaultOuterHeight = 768;

struct ClientArea {
  int x = SDL_WINDOWPOS_UNDEFINED;
  int y = SDL_WINDOWPOS_UNDEFINED;
  int width = 0;
  int height = 0;
};

// The outer rectangle CreateWindowExW receives, less the frame AdjustWindowRectEx added to it.
ClientArea ClientAreaFor(int x, int y, int width, int height, const FrameInsets& frame) {
  if (width == CW_USEDEFAULT) {
    width = kDefaultOuterWidth;
    height = kDefaultOuterHeight;
  }
  ClientArea area;
  if (x != CW_USEDEFAULT) {
    area.x = x + frame.left;
    area.y = y + frame.top;
  }
  area.width = std::max(width - frame.left - frame.right, 0);
  area.height = std::max(height - frame.top - frame.bottom, 0);
  return area;
}

std::optional<WindowRecord> FindWindowFor(HWND window, const char* call) {
  auto record = WindowTable::Instance().Find(window);
  if (!record) FailCall(call, ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
  return record;
}

// Makes the SDL window follow a new visibility and placement.
void ApplyToSdlWindow(SDL_Window* window, bool visible, Placement placement, Placement previous) {
  if (window == nullptr) return;
  if (!visible) {
    SDL_HideWindow(window);
    return;
  }
  SDL_ShowWindow(window);
  if (placement == previous) return;
  switch (placement) {
    case Placement::Minimized:
      SDL_MinimizeWindow(window);
      break;
    case Placement::Maximized:
      SDL_MaximizeWindow(window);
      break;
    case Placement::Normal:
      SDL_RestoreWindow(window);
      break;
  }
}

struct ShowRequest {
  bool visible;
  std::optional<Placement> placement;  // unchanged when empty
};

std::optional<ShowRequest> ShowRequestFor(int command) {
  switch (command) {
    case SW_HIDE:
      return ShowRequest{false, std::nullopt};
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
    case SW_RESTORE:
      return ShowRequest{true, Placement::Normal};
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
      return ShowRequest{true, Placement::Minimized};
    case SW_SHOWMAXIMIZED:
      return ShowRequest{true, Placement::Maximized};
    case SW_SHOW:
    case SW_SHOWNA:
    case SW_SHOWDEFAULT:
      return ShowRequest{true, std::nullopt};
    default:
      return std::nullopt;
  }
}

// Runs WM_NCCREATE and WM_CREATE; false when the procedure refused the window (which is then gone).
bool RunCreationMessages(HWND window, CREATESTRUCTW& create) {
  const auto createParam = reinterpret_cast<LPARAM>(&create);
  if (CallWindowProcedure(window, WM_NCCREATE, 0, createParam) == FALSE) {
    Report("CreateWindowExW", "the window procedure refused WM_NCCREATE");
    ReleaseWindow(window);
    return false;
  }
  if (CallWindowProcedure(window, WM_CREATE, 0, createParam) == -1) {
    Report("CreateWindowExW", "the window procedure refused WM_CREATE");
    DestroyWindow(window);
    return false;
  }
  return true;
}

}  // namespace

LRESULT CallWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto record = WindowTable::Instance().Find(window);
  if (!record || record->procedure == nullptr) return 0;
  return record->procedure(window, message, wParam, lParam);
}

std::optional<SizeReport> TakeNewSizeReport(HWND window) {
  std::optional<SizeReport> due;
  WindowTable::Instance().Modify(window, [&](WindowRecord& record) {
    const SizeReport current = CurrentSizeReport(record);
    if (record.lastSizeReport != current) {
      record.lastSizeReport = current;
      record.needsPaint = true;  // a new size is a new picture
      due = current;
    }
  });
  return due;
}

void SendSizeReportIfDue(HWND window) {
  if (auto report = TakeNewSizeReport(window)) {
    CallWindowProcedure(window, WM_SIZE, report->kind, PackSize(report->width, report->height));
  }
}

void StoreWindowTitle(HWND window, LPCWSTR title) {
  std::wstring text = title != nullptr ? title : L"";
  SDL_Window* sdlWindow = nullptr;
  WindowTable::Instance().Modify(window, [&](WindowRecord& record) {
    record.title = text;
    sdlWindow = record.sdlWindow;
  });
  if (sdlWindow != nullptr) SDL_SetWindowTitle(sdlWindow, platform::Utf8FromWide(text).c_str());
}

void ReleaseWindow(HWND window) {
  if (auto record = WindowTable::Instance().Find(window)) DestroySdlWindow(record->sdlWindow);
  WindowTable::Instance().Remove(window);
  MessageQueue::Instance().DiscardFor(window);
}

}  // namespace win32

using namespace win32;

HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
  const auto windowClass = FindWindowClass(className);
  if (!windowClass) {
    FailCall("CreateWindowExW", ERROR_CANNOT_FIND_WND_CLASS, "window class %s is not registered",
             DescribeClassName(className).c_str());
    return 0;
  }
  const FrameInsets frame = FrameFor(style, exStyle, menu != nullptr);
  const ClientArea area = ClientAreaFor(x, y, width, height, frame);

  WindowRecord record;
  record.procedure = windowClass->procedure;
  record.className = windowClass->name;
  record.title = windowName != nullptr ? windowName : L"";
  record.style = style;
  record.exStyle = exStyle;
  record.clientWidth = area.width;
  record.clientHeight = area.height;
  record.frame = frame;
  // Where Windows would cascade a CW_USEDEFAULT window, the frame's corner is at the origin here.
  record.clientX = area.x == SDL_WINDOWPOS_UNDEFINED ? frame.left : area.x;
  record.clientY = area.y == SDL_WINDOWPOS_UNDEFINED ? frame.top : area.y;
  if (WindowSystemAvailable()) {
    record.sdlWindow = CreateSdlWindow(platform::Utf8FromWide(record.title), area.x, area.y, area.width, area.height,
                                       style & WS_THICKFRAME);
    if (record.sdlWindow == nullptr) {
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return 0;
    }
    record.eventSourceId = SDL_GetWindowID(record.sdlWindow);
    SDL_GetWindowPosition(record.sdlWindow, &record.clientX, &record.clientY);
  }
  const HWND window = WindowTable::Instance().Add(std::move(record));
  WatchTerminationSignals();

  CREATESTRUCTW create{param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
                       windowName, className, exStyle};
  if (!RunCreationMessages(window, create)) return 0;
  SendSizeReportIfDue(window);
  if (style & WS_VISIBLE) ShowWindow(window, SW_SHOW);
  return window;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
  const auto record = FindWindowFor(window, "ShowWindow");
  if (!record) return FALSE;
  const auto request = ShowRequestFor(command);
  if (!request) {
    FailCall("ShowWindow", ERROR_INVALID_PARAMETER, "unknown show command %d", command);
    return FALSE;
  }
  const Placement placement = request->placement.value_or(record->placement);
  WindowTable::Instance().Modify(window, [&](WindowRecord& stored) {
    stored.visible = request->visible;
    stored.placement = placement;
    stored.needsPaint = stored.needsPaint || (request->visible && !record->visible);
  });
  ApplyToSdlWindow(record->sdlWindow, request->visible, placement, record->placement);
  if (request->visible != record->visible) CallWindowProcedure(window, WM_SHOWWINDOW, request->visible, 0);
  if (request->visible) SendSizeReportIfDue(window);
  return record->visible;
}

BOOL WINAPI UpdateWindow(HWND window) {
  // A window that needs paint gets its WM_PAINT now, sent rather than queued.
  if (!FindWindowFor(window, "UpdateWindow")) return FALSE;
  if (PaintMessage(window)) CallWindowProcedure(window, WM_PAINT, 0, 0);
  return TRUE;
}

BOOL WINAPI DestroyWindow(HWND window) {
  const auto record = FindWindowFor(window, "DestroyWindow");
  if (!record) return FALSE;
  if (record->destroying) return TRUE;  // called again from the window's own WM_DESTROY
  WindowTable::Instance().Modify(window, [](WindowRecord& stored) { stored.destroying = true; });
  CallWindowProcedure(window, WM_DESTROY, 0, 0);
  CallWindowProcedure(window, WM_NCDESTROY, 0, 0);
  ReleaseWindow(window);
  return TRUE;
}

BOOL WINAPI IsWindow(HWND window) { return WindowTable::Instance().Find(window) ? TRUE : FALSE; }

BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text) {
  if (!FindWindowFor(window, "SetWindowTextW")) return FALSE;
  // As on Windows, the text goes through the window procedure; DefWindowProcW stores it.
  return CallWindowProcedure(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int WINAPI GetWindowTextW(HWND window, LPWSTR text, int maxCount) {
  const auto record = FindWindowFor(window, "GetWindowTextW");
  if (!record || text == nullptr || maxCount <= 0) return 0;
  const size_t copied = std::min(record->title.size(), static_cast<size_t>(maxCount - 1));
  std::wmemcpy(text, record->title.c_str(), copied);
  text[copied] = L'\0';
  return static_cast<int>(copied);
}

int WINAPI GetWindowTextLengthW(HWND window) {
  const auto record = FindWindowFor(window, "GetWindowTextLengthW");
  return record ? static_cast<int>(record->title.size()) : 0;
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  const auto record = FindWindowFor(window, "GetClientRect");
  if (!record) return FALSE;
  if (rect == nullptr) {
    FailCall("GetClientRect", ERROR_INVALID_PARAMETER, "null rectangle");
    return FALSE;
  }
  const bool minimized = record->placement == Placement::Minimized;
  *rect = {0, 0, minimized ? 0 : record->clientWidth, minimized ? 0 : record->clientHeight};
  return TRUE;
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index) {
  const auto record = FindWindowFor(window, "GetWindowLongPtrW");
  if (!record) return 0;
  switch (index) {
    case GWLP_USERDATA:
      return record->userData;
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(record->procedure);
    case GWL_STYLE:
      return static_cast<LONG_PTR>(record->style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(record->exStyle);
    default:
      FailCall("GetWindowLongPtrW", ERROR_INVALID_INDEX, "index %d is not kept for windows here", index);
      return 0;
  }
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  LONG_PTR previous = 0;
  bool known = true;
  const bool found = WindowTable::Instance().Modify(window, [&](WindowRecord& record) {
    switch (index) {
      case GWLP_USERDATA:
        previous = std::exchange(record.userData, value);
        break;
      case GWLP_WNDPROC:
        previous = reinterpret_cast<LONG_PTR>(std::exchange(record.procedure, reinterpret_cast<WNDPROC>(value)));
        break;
      // Kept and read back; the frame of the window is not redrawn for them.
      case GWL_STYLE:
        previous = std::exchange(record.style, static_cast<DWORD>(value));
        break;
      case GWL_EXSTYLE:
        previous = std::exchange(record.exStyle, static_cast<DWORD>(value));
        break;
      default:
        known = false;
    }
  });
  if (!found) {
    FailCall("SetWindowLongPtrW", ERROR_INVALID_WINDOW_HANDLE, "%p is not a window handle", static_cast<void*>(window));
    return 0;
  }
  if (!known) FailCall("SetWindowLongPtrW", ERROR_INVALID_INDEX, "index %d is not kept for windows here", index);
  // A previous value of 0 is told from failure by the last error, as on Windows.
  if (known) SetLastError(ERROR_SUCCESS);
  return previous;
}

int WINAPI GetSystemMetrics(int index) {
  int width = 0;
  int height = 0;
  GetDesktopSize(&width, &height);
  switch (index) {
    case SM_CXSCREEN:
      return width;
    case SM_CYSCREEN:
      return height;
    default:
      return 0;  // Windows answers 0 for what it does not know, without an error
  }
}

namespace win32_platform {

SDL_Window* SdlWindowFromHandle(HWND window) {
  const auto record = WindowTable::Instance().Find(window);
  return record ? record->sdlWindow : nullptr;
}

bool IsHeadless() { return !WindowSystemAvailable(); }

}  // namespace win32_platform
