// Typing into a text box the way the program does: key events go through the platform's message queue
// to the real window procedure, which leaves the key in TypedKey, and the key is handed to the box in
// the same step, as the main loop does, while the key state is the one of that key-down message.
#pragma once

#include "app/InputState.h"
#include "app/WindowProc.h"
#include "text/TextLabel.h"

#include <win32_test.h>
#include <windows.h>

#include <gtest/gtest.h>

class Typing {
 public:
  explicit Typing(TextLabel& box) : box_(box) {
    win32_test::Reset();
    TypedKey = {};
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = WindowProc;
    windowClass.lpszClassName = L"typing";
    RegisterClassExW(&windowClass);
    window_ = CreateWindowExW(0, L"typing", L"typing", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, HWND{}, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    EXPECT_NE(window_, HWND{});
    TakeMessages();
    box_.HasFocus = true;
  }

  ~Typing() {
    TypedKey = {};
    win32_test::Reset();
  }

  void Press(int virtualKey) {
    win32_test::PressKey(window_, virtualKey);
    TakeMessages();
    if (TypedKey.Pending && box_.HasFocus) {
      box_.OnTypedKey(TypedKey);
    }
    TypedKey.Pending = 0;
  }

  void Release(int virtualKey) {
    win32_test::ReleaseKey(window_, virtualKey);
    TakeMessages();
  }

  void Type(int virtualKey) {
    Press(virtualKey);
    Release(virtualKey);
  }

  void TypeWithShift(int virtualKey) {
    Press(VK_SHIFT);
    Type(virtualKey);
    Release(VK_SHIFT);
  }

 private:
  void TakeMessages() {
    MSG message = {};
    while (PeekMessageW(&message, HWND{}, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  TextLabel& box_;
  HWND window_ = {};
};
