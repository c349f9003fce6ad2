// Window creation, placement and destruction, and the order in which their messages arrive.

#include "WindowFixture.h"

#include <win32_test.h>

#include <SDL_events.h>

#include <csignal>

using ::testing::ElementsAre;

namespace {

LPARAM Size(int width, int height) { return MAKELPARAM(width, height); }

}  // namespace

TEST_F(WindowFixture, CreationDeliversCreateAndClientSizeBeforeReturning) {
  HWND window = CreateTestWindow(800, 600);
  ASSERT_NE(window, nullptr);

  const auto received = TakeReceived();
  EXPECT_THAT(MessageIds(received), ElementsAre(WM_NCCREATE, WM_CREATE, WM_SIZE));
  EXPECT_EQ(received[2].wParam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(received[2].lParam, Size(800, 600));
  EXPECT_TRUE(TakeQueued().empty());
}

TEST_F(WindowFixture, AdjustedOuterSizeGivesBackTheRequestedClientArea) {
  RECT rect{0, 0, 800, 600};
  ASSERT_TRUE(AdjustWindowRectEx(&rect, kStyle, FALSE, kExStyle));
  // Windows 10's metrics: 8-pixel sizing frame, 23-pixel caption, 2-pixel client edge.
  EXPECT_EQ(rect.left, -10);
  EXPECT_EQ(rect.top, -33);
  EXPECT_EQ(rect.right, 810);
  EXPECT_EQ(rect.bottom, 610);

  for (auto [width, height] : {std::pair{800, 600}, std::pair{1, 1}, std::pair{1920, 1080}}) {
    HWND window = CreateTestWindow(width, height);
    RECT client{};
    ASSERT_TRUE(GetClientRect(window, &client));
    EXPECT_EQ(client.left, 0);
    EXPECT_EQ(client.top, 0);
    EXPECT_EQ(client.right, width);
    EXPECT_EQ(client.bottom, height);
  }

  RECT popup{0, 0, 100, 100};
  AdjustWindowRectEx(&popup, WS_POPUP, FALSE, 0);
  EXPECT_EQ(popup.right - popup.left, 100);
}

TEST_F(WindowFixture, ShowWindowReportsSizeOnlyWhenThePlacementChanges) {
  HWND window = CreateTestWindow();
  TakeReceived();

  EXPECT_FALSE(ShowWindow(window, SW_SHOWNORMAL));  // was hidden
  EXPECT_THAT(MessageIds(TakeReceived()), ElementsAre(WM_SHOWWINDOW));
  EXPECT_TRUE(UpdateWindow(window));
  EXPECT_THAT(MessageIds(TakeReceived()), ElementsAre(WM_PAINT)) << "a window just shown needs paint";

  EXPECT_TRUE(ShowWindow(window, SW_MINIMIZE));
  auto received = TakeReceived();
  ASSERT_THAT(MessageIds(received), ElementsAre(WM_SIZE));
  EXPECT_EQ(received[0].wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(received[0].lParam, 0);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 0);

  ShowWindow(window, SW_RESTORE);
  received = TakeReceived();
  ASSERT_THAT(MessageIds(received), ElementsAre(WM_SIZE));
  EXPECT_EQ(received[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(received[0].lParam, Size(800, 600));
}

// A procedure that renders on WM_PAINT without validating keeps getting it, as on Windows; a paint comes
// only when nothing else waits, and validation or a hidden window ends it.
TEST_F(WindowFixture, PaintIsDueAfterShowingAndResizingUntilValidated) {
  HWND window = CreateTestWindow();
  MSG message{};
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) << "a hidden window is not painted";
  ShowWindow(window, SW_SHOW);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
    EXPECT_EQ(message.hwnd, window);
  }
  PostMessageW(window, WM_USER, 0, 0);
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_USER)) << "posted messages come before the paint";
  EXPECT_FALSE(PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) << "outside the filter";

  PAINTSTRUCT paint{};
  EXPECT_NE(BeginPaint(window, &paint), 0);
  EXPECT_EQ(paint.rcPaint.right, 800);
  EXPECT_TRUE(EndPaint(window, &paint));
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));

  EXPECT_TRUE(InvalidateRect(window, nullptr, FALSE));
  ASSERT_EQ(GetMessageW(&message, nullptr, 0, 0), TRUE);
  EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
  DispatchMessageW(&message);  // DefWindowProcW validates
  EXPECT_FALSE(PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE));

  win32_test::ResizeClientArea(window, 640, 480);
  const std::vector<MSG> queued = TakeQueued();
  ASSERT_FALSE(queued.empty());
  EXPECT_EQ(queued.back().message, static_cast<UINT>(WM_SIZE));
  ASSERT_TRUE(PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT)) << "a resized window needs paint";
  EXPECT_TRUE(ValidateRect(window, nullptr));

  PostQuitMessage(4);
  EXPECT_EQ(GetMessageW(&message, nullptr, 0, 0), FALSE);
  EXPECT_EQ(message.wParam, 4u);
  EXPECT_EQ(GetMessageW(nullptr, nullptr, 0, 0), -1);
}

TEST_F(WindowFixture, WindowLongsKeepUserDataAndTheProcedure) {
  HWND window = CreateTestWindow();
  int owner = 0;
  EXPECT_EQ(SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&owner)), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GetWindowLongPtrW(window, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(&owner));
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), kStyle);

  static int subclassed = 0;
  const WNDPROC replacement = [](HWND, UINT message, WPARAM, LPARAM) -> LRESULT {
    subclassed += message == WM_USER;
    return 0;
  };
  const LONG_PTR original = SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(replacement));
  EXPECT_NE(original, 0);
  SendMessageW(window, WM_USER, 0, 0);
  EXPECT_EQ(subclassed, 1);
  SetWindowLongPtrW(window, GWLP_WNDPROC, original);

  EXPECT_EQ(GetWindowLongPtrW(window, 1234), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX));
  EXPECT_EQ(SetWindowLongPtrW(reinterpret_cast<HWND>(0x7777), GWLP_USERDATA, 1), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
  EXPECT_GT(GetSystemMetrics(SM_CYSCREEN), 0);
}

TEST_F(WindowFixture, WindowManagerResizesArriveAsQueuedSizeMessages) {
  HWND window = CreateTestWindow();
  TakeReceived();

  // A drag of the frame: only the newest size is still queued when the loop comes round.
  win32_test::ResizeClientArea(window, 640, 480);
  win32_test::ResizeClientArea(window, 1024, 768);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 1024);
  auto queued = TakeQueued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_SIZE));
  EXPECT_EQ(queued[0].hwnd, window);
  EXPECT_EQ(queued[0].lParam, Size(1024, 768));

  win32_test::Minimize(window);
  queued = TakeQueued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(queued[0].lParam, 0);

  win32_test::Restore(window);
  win32_test::ResizeClientArea(window, 1024, 768);  // the same size again: nothing new to report
  queued = TakeQueued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].wParam, static_cast<WPARAM>(SIZE_RESTORED));
  EXPECT_EQ(queued[0].lParam, Size(1024, 768));

  win32_test::Maximize(window);
  queued = TakeQueued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].wParam, static_cast<WPARAM>(SIZE_MAXIMIZED));
}

TEST_F(WindowFixture, CloseRequestDestroysThroughTheDefaultProcedureAndQuitFollows) {
  HWND window = CreateTestWindow();
  TakeReceived();

  win32_test::RequestClose(window);
  MSG message{};
  ASSERT_TRUE(PeekMessageW(&message, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
  DispatchMessageW(&message);  // DefWindowProcW destroys the window
  EXPECT_THAT(MessageIds(TakeReceived()), ElementsAre(WM_CLOSE, WM_DESTROY, WM_NCDESTROY));
  EXPECT_FALSE(IsWindow(window));

  PostQuitMessage(3);
  ASSERT_TRUE(PeekMessageW(&message, 0, 0, 0, PM_REMOVE));
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(message.hwnd, nullptr);
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_FALSE(PeekMessageW(&message, 0, 0, 0, PM_REMOVE));
}

TEST_F(WindowFixture, PostedMessagesComeBeforeQuitAndInputAfterIt) {
  HWND window = CreateTestWindow();
  win32_test::RequestClose(window);  // input
  PostQuitMessage(0);
  PostMessageW(window, WM_USER, 1, 2);

  MSG peeked{};
  ASSERT_TRUE(PeekMessageW(&peeked, 0, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(peeked.message, static_cast<UINT>(WM_USER));

  const auto queued = TakeQueued();
  ASSERT_EQ(queued.size(), 3u);
  EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_USER));
  EXPECT_EQ(queued[1].message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(queued[2].message, static_cast<UINT>(WM_CLOSE));
}

TEST_F(WindowFixture, DestroyWindowDeliversDestroyAndDropsQueuedMessages) {
  HWND window = CreateTestWindow();
  TakeReceived();
  win32_test::PressKey(window, 'A');

  ASSERT_TRUE(DestroyWindow(window));
  EXPECT_THAT(MessageIds(TakeReceived()), ElementsAre(WM_DESTROY, WM_NCDESTROY));
  EXPECT_TRUE(TakeQueued().empty());

  SetLastError(0);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(WindowFixture, TitleGoesThroughTheProcedureToTheWindowSystem) {
  HWND window = CreateTestWindow();
  EXPECT_EQ(win32_test::WindowTitle(window), L"title");
  TakeReceived();

  ASSERT_TRUE(SetWindowTextW(window, L"fps: 60.000000 mspf: 16.666666 \u00e9\u4e2d"));
  EXPECT_THAT(MessageIds(TakeReceived()), ElementsAre(WM_SETTEXT));
  EXPECT_EQ(win32_test::WindowTitle(window), L"fps: 60.000000 mspf: 16.666666 \u00e9\u4e2d");

  wchar_t small[4];
  EXPECT_EQ(GetWindowTextW(window, small, 4), 3);
  EXPECT_STREQ(small, L"fps");
  EXPECT_EQ(GetWindowTextLengthW(window), 33);
}

TEST_F(WindowFixture, BadArgumentsFailWithTheWindowsErrorCodes) {
  SetLastError(0);
  EXPECT_EQ(CreateWindowExW(0, L"no such class", L"", kStyle, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));

  const HWND bogus = reinterpret_cast<HWND>(0x7777);
  RECT rect{};
  SetLastError(0);
  EXPECT_FALSE(GetClientRect(bogus, &rect));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_FALSE(ShowWindow(bogus, SW_SHOW));
  EXPECT_FALSE(SetWindowTextW(bogus, L"x"));
  EXPECT_FALSE(PostMessageW(bogus, WM_USER, 0, 0));
  MSG message{};
  message.hwnd = bogus;
  message.message = WM_USER;
  EXPECT_EQ(DispatchMessageW(&message), 0);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.lpszClassName = L"TEST";  // class names ignore case
  SetLastError(0);
  EXPECT_EQ(RegisterClassExW(&windowClass), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));
  windowClass.cbSize = 48;
  windowClass.lpszClassName = L"other";
  EXPECT_EQ(RegisterClassExW(&windowClass), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(WindowFixture, RefusingCreationLeavesNoWindow) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.lpfnWndProc = [](HWND window, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
    if (message == WM_CREATE) return -1;
    return DefWindowProcW(window, message, wParam, lParam);
  };
  windowClass.lpszClassName = L"refusing";
  ASSERT_NE(RegisterClassExW(&windowClass), 0);
  EXPECT_EQ(CreateWindowExW(0, L"refusing", L"", kStyle, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowFixture, TerminationSignalBecomesACloseRequest) {
  HWND window = CreateTestWindow();  // the first window installs the handler
  struct sigaction current {};
  sigaction(SIGTERM, nullptr, &current);
  if (current.sa_handler == SIG_DFL) GTEST_SKIP() << "SIGTERM is handled by someone else in this process";

  raise(SIGTERM);
  const auto queued = TakeQueued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_CLOSE));
  EXPECT_EQ(queued[0].hwnd, window);
}

// The fixture's window has WS_OVERLAPPEDWINDOW with a client edge: a 23-pixel caption, an 8-pixel sizing
// frame and a 2-pixel edge, so its client area sits 10 pixels in from the left and 33 down from the top.
TEST_F(WindowFixture, WindowRectanglesRoundTripThroughSetWindowPosAndStyles) {
  HWND window = CreateTestWindow(640, 480);
  RECT outer{};
  ASSERT_TRUE(GetWindowRect(window, &outer));
  EXPECT_EQ(outer.right - outer.left, 640 + 20);
  EXPECT_EQ(outer.bottom - outer.top, 480 + 43);
  TakeReceived();

  struct Step {
    HWND insertAfter;
    RECT requested;  // left, top, width, height as SetWindowPos takes them
    UINT flags;
    RECT expectedOuter;
    std::vector<UINT> expectedMessages;
  };
  const Step steps[] = {
      {HWND_TOP, {100, 50, 700, 500}, 0, {100, 50, 800, 550}, {WM_MOVE, WM_SIZE}},
      {HWND_TOP, {300, 200, 1, 1}, SWP_NOSIZE, {300, 200, 1000, 700}, {WM_MOVE}},
      {HWND_TOP, {0, 0, 400, 300}, SWP_NOMOVE, {300, 200, 700, 500}, {WM_SIZE}},
      {HWND_TOPMOST, {0, 0, 0, 0}, SWP_NOMOVE | SWP_NOSIZE, {300, 200, 700, 500}, {}},
  };
  for (const Step& step : steps) {
    ASSERT_TRUE(SetWindowPos(window, step.insertAfter, step.requested.left, step.requested.top, step.requested.right,
                             step.requested.bottom, step.flags));
    ASSERT_TRUE(GetWindowRect(window, &outer));
    EXPECT_EQ(outer.left, step.expectedOuter.left);
    EXPECT_EQ(outer.top, step.expectedOuter.top);
    EXPECT_EQ(outer.right, step.expectedOuter.right);
    EXPECT_EQ(outer.bottom, step.expectedOuter.bottom);
    EXPECT_EQ(MessageIds(TakeReceived()), step.expectedMessages);
  }
  // WM_MOVE carries the client area's corner; WM_SIZE its size.
  SetWindowPos(window, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  auto received = TakeReceived();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].lParam, MAKELPARAM(10 + 10, 20 + 33));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(window, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_FALSE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

  // A new style changes the frame only with SWP_FRAMECHANGED; the outer rectangle stays, the client grows.
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(SetWindowLongW(window, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE)), style);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 400 - 20);
  SetWindowLongW(window, GWL_EXSTYLE, 0);
  SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 400);
  EXPECT_EQ(client.bottom, 300);
  received = TakeReceived();
  ASSERT_EQ(MessageIds(received), (std::vector<UINT>{WM_MOVE, WM_SIZE}));
  EXPECT_EQ(received[1].lParam, Size(400, 300));

  MoveWindow(window, 5, 6, 200, 100, TRUE);
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.right, 205);
  EXPECT_EQ(outer.bottom, 106);
  EXPECT_FALSE(SetWindowPos(reinterpret_cast<HWND>(0x7777), nullptr, 0, 0, 1, 1, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

// Without a display there is one monitor, 1920 x 1080 at 60 Hz, as the headers promise.
TEST_F(WindowFixture, MonitorsAndDisplayModesDescribeTheDisplay) {
  HWND window = CreateTestWindow();
  HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
  ASSERT_NE(monitor, nullptr);
  EXPECT_EQ(MonitorFromPoint(POINT{5, 5}, MONITOR_DEFAULTTONULL), monitor);
  EXPECT_EQ(MonitorFromPoint(POINT{-5000, 5}, MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromPoint(POINT{-5000, 5}, MONITOR_DEFAULTTOPRIMARY), monitor);

  MONITORINFOEXW info{};
  info.cbSize = sizeof(info);
  ASSERT_TRUE(GetMonitorInfoW(monitor, &info));
  EXPECT_EQ(info.rcMonitor.right - info.rcMonitor.left, 1920);
  EXPECT_EQ(info.rcMonitor.bottom - info.rcMonitor.top, 1080);
  EXPECT_EQ(info.dwFlags, static_cast<DWORD>(MONITORINFOF_PRIMARY));
  EXPECT_STREQ(info.szDevice, L"\\\\.\\DISPLAY1");
  MONITORINFO plain{};
  plain.cbSize = sizeof(plain) + 1;
  EXPECT_FALSE(GetMonitorInfoW(monitor, &plain));
  EXPECT_FALSE(GetMonitorInfoW(reinterpret_cast<HMONITOR>(0x10), &info));

  DEVMODEW mode{};
  mode.dmSize = sizeof(mode);
  ASSERT_TRUE(EnumDisplaySettingsW(nullptr, ENUM_CURRENT_SETTINGS, &mode));
  EXPECT_EQ(mode.dmSize, sizeof(mode));
  EXPECT_EQ(mode.dmPelsWidth, 1920u);
  EXPECT_EQ(mode.dmPelsHeight, 1080u);
  EXPECT_EQ(mode.dmDisplayFrequency, 60u);
  EXPECT_EQ(mode.dmBitsPerPel, 32u);
  EXPECT_TRUE(mode.dmFields & DM_PELSWIDTH);
  EXPECT_TRUE(EnumDisplaySettingsW(info.szDevice, 0, &mode));
  EXPECT_FALSE(EnumDisplaySettingsW(info.szDevice, 1, &mode));  // past the last mode
  EXPECT_FALSE(EnumDisplaySettingsW(L"\\\\.\\DISPLAY9", 0, &mode));

  // A display coming or going is broadcast with the primary display's mode.
  SDL_Event event{};
  event.type = SDL_DISPLAYEVENT;
  event.display.event = SDL_DISPLAYEVENT_CONNECTED;
  win32_test::InjectEvent(window, event);
  const auto queued = TakeQueued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_DISPLAYCHANGE));
  EXPECT_EQ(queued[0].wParam, 32u);
  EXPECT_EQ(queued[0].lParam, Size(1920, 1080));
}
