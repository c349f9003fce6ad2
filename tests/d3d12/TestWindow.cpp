#include "TestWindow.h"

namespace {

LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* RegisteredClass() {
  static const wchar_t* name = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"d3d12 test window";
    RegisterClassExW(&windowClass);
    return windowClass.lpszClassName;
  }();
  return name;
}

}  // namespace

TestWindow::TestWindow(int clientWidth, int clientHeight) {
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  window_ =
      CreateWindowExW(0, RegisteredClass(), L"d3d12 test", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                      frame.right - frame.left, frame.bottom - frame.top, 0, 0, GetModuleHandleW(nullptr), nullptr);
  ShowWindow(window_, SW_SHOWNORMAL);
}

TestWindow::~TestWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
}
