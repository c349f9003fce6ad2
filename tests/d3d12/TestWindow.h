// A plain Win32 window for swap chain tests: on a display a real one, without one an in-memory one.
#pragma once

#include <windows.h>

class TestWindow {
 public:
  TestWindow(int clientWidth, int clientHeight);
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  ~TestWindow();

  HWND Handle() const { return window_; }

 private:
  HWND window_ = nullptr;
};
