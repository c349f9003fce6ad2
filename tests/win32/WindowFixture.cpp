#include "WindowFixture.h"

#include <win32_test.h>

namespace {

std::vector<ReceivedMessage> received;

LRESULT CALLBACK RecordingProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  received.push_back({message, wParam, lParam});
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void WindowFixture::SetUp() {
  win32_test::Reset();
  received.clear();
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = RecordingProcedure;
  windowClass.lpszClassName = L"test";
  ASSERT_NE(RegisterClassExW(&windowClass), 0);
}

void WindowFixture::TearDown() { win32_test::Reset(); }

HWND WindowFixture::CreateTestWindow(int clientWidth, int clientHeight) {
  RECT rect{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle);
  return CreateWindowExW(kExStyle, L"test", L"title", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, rect.right - rect.left,
                         rect.bottom - rect.top, 0, nullptr, GetModuleHandleW(nullptr), nullptr);
}

std::vector<ReceivedMessage> WindowFixture::TakeReceived() { return std::exchange(received, {}); }

std::vector<MSG> WindowFixture::TakeQueued() {
  std::vector<MSG> messages;
  MSG message;
  // WM_PAINT comes only once the queue is empty, and again until the window is validated.
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) && message.message != WM_PAINT) messages.push_back(message);
  return messages;
}

void WindowFixture::PumpAll() {
  MSG message;
  while (PeekMessageW(&message, 0, 0, 0, PM_REMOVE) && message.message != WM_QUIT) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

std::vector<UINT> MessageIds(const std::vector<ReceivedMessage>& messages) {
  std::vector<UINT> ids;
  for (const ReceivedMessage& message : messages) ids.push_back(message.message);
  return ids;
}
