// A fixture that starts the application shell the way Run does, on an in-memory window with a manual
// clock, so tests can drive single passes of the real main loop and window procedure.
#pragma once

#include "app/FrameRateTitle.h"
#include "app/InputState.h"
#include "app/MainLoop.h"
#include "app/Run.h"
#include "core/FrameTimer.h"
#include "render/Renderer.h"

#include <gtest/gtest.h>
#include <win32_test.h>
#include <windows.h>

#include <cstdint>
#include <memory>

inline void ResetShellState() {
  ActiveRenderer = nullptr;
  TypedKey = {};
  ResizePending = false;
  PendingWidth = 0;
  PendingHeight = 0;
  InSizeMove = false;
  FrameCount = 0;
  TitleMark = 0.0f;
}

inline int64_t TicksPerSecond() {
  LARGE_INTEGER frequency = {};
  QueryPerformanceFrequency(&frequency);
  return frequency.QuadPart;
}

class ShellTest : public testing::Test {
 protected:
  void SetUp() override {
    win32_test::Reset();
    ResetShellState();
    win32_test::UseManualClock(0);
    window = CreateMainWindow(GetModuleHandleW(nullptr));
    renderer = std::make_unique<Renderer>(window);
    renderer->SetupCamera();
    timer.Restart();
    ActiveRenderer = renderer.get();
  }

  void TearDown() override {
    ResetShellState();
    win32_test::Reset();
  }

  bool Pass() { return RunOnePass(window, *renderer, timer, message); }

  static bool MessageWaiting() {
    MSG peeked = {};
    return PeekMessageW(&peeked, HWND{}, 0, 0, PM_NOREMOVE) != FALSE;
  }

  // One pass per queued message, including those the passes themselves post (TranslateMessage adds a
  // character message after each printable key).
  void PassUntilQueueEmpty() {
    for (int passes = 0; MessageWaiting(); ++passes) {
      ASSERT_LT(passes, 100) << "the queue does not run dry";
      ASSERT_TRUE(Pass());
    }
  }

  // Takes whatever start-up left in the queue (and the resize it raised), then starts the frame-rate
  // statistics afresh.
  void SettleStartUp() {
    while (DispatchOneMessage(message)) {}
    ApplyPendingResize(*renderer);
    FrameCount = 0;
    TitleMark = 0.0f;
  }

  void SetClockSeconds(double seconds) {
    win32_test::SetClockTicks(static_cast<int64_t>(seconds * static_cast<double>(TicksPerSecond())));
  }

  TextLabel& AddTextBox() {
    TextLabel label;
    label.X = 500.0f;
    label.Y = 0.0f;
    label.Width = 200.0f;
    label.Height = 70.0f;
    renderer->TextLabels.push_back(label);
    return renderer->TextLabels.front();
  }

  HWND window = {};
  std::unique_ptr<Renderer> renderer;
  FrameTimer timer;
  MSG message = {};
};
