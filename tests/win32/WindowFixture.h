// A test window whose procedure records every message it receives, on a freshly reset Win32 layer.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

struct ReceivedMessage {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

class WindowFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A WS_OVERLAPPEDWINDOW | client-edge window sized, like the engine's, for the given client area.
  HWND CreateTestWindow(int clientWidth = 800, int clientHeight = 600);

  // Messages the window procedure has received since the last call.
  std::vector<ReceivedMessage> TakeReceived();
  // Everything queued, without dispatching (up to the WM_PAINT that says the queue is empty).
  std::vector<MSG> TakeQueued();
  // Takes, translates and dispatches until the queue is empty (WM_QUIT excluded).
  void PumpAll();

  static constexpr DWORD kStyle = WS_OVERLAPPEDWINDOW;
  static constexpr DWORD kExStyle = WS_EX_CLIENTEDGE;
};

std::vector<UINT> MessageIds(const std::vector<ReceivedMessage>& messages);
