// Keyboard and mouse input: SDL events become the messages and key states Windows would produce.

#include "WindowFixture.h"

#include <shellapi.h>
#include <win32_test.h>
#include <windowsx.h>

#include <SDL_events.h>

namespace {

constexpr LPARAM kPreviouslyDown = LPARAM{1} << 30;
constexpr LPARAM kReleasing = LPARAM{1} << 31;
constexpr LPARAM kExtended = LPARAM{1} << 24;
constexpr LPARAM kAltContext = LPARAM{1} << 29;

SDL_Event SdlKeyDown(SDL_Scancode scancode, SDL_Keycode keycode) {
  SDL_Event event{};
  event.type = SDL_KEYDOWN;
  event.key.state = SDL_PRESSED;
  event.key.keysym.scancode = scancode;
  event.key.keysym.sym = keycode;
  return event;
}

int ScanCode(LPARAM lParam) { return static_cast<int>((lParam >> 16) & 0xFF); }

class InputTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    window_ = CreateTestWindow();
    TakeReceived();
  }

  MSG TakeOne() {
    MSG message{};
    EXPECT_TRUE(PeekMessageW(&message, 0, 0, 0, PM_REMOVE));
    return message;
  }

  HWND window_ = nullptr;
};

}  // namespace

TEST_F(InputTest, KeyMessagesCarryTheVirtualKeyScanCodeAndTransitionBits) {
  win32_test::PressKey(window_, 'H');
  win32_test::PressKey(window_, 'H', /*autoRepeat=*/true);
  win32_test::ReleaseKey(window_, 'H');

  const auto queued = TakeQueued();
  ASSERT_EQ(queued.size(), 3u);
  EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(queued[0].hwnd, window_);
  EXPECT_EQ(queued[0].wParam, static_cast<WPARAM>('H'));
  EXPECT_EQ(queued[0].lParam, 1 | (LPARAM{0x23} << 16));
  EXPECT_EQ(queued[1].message, static_cast<UINT>(WM_KEYDOWN));  // auto-repeat is another key-down
  EXPECT_EQ(queued[1].lParam & kPreviouslyDown, kPreviouslyDown);
  EXPECT_EQ(queued[2].message, static_cast<UINT>(WM_KEYUP));
  EXPECT_EQ(queued[2].lParam & (kPreviouslyDown | kReleasing), kPreviouslyDown | kReleasing);
}

TEST_F(InputTest, EitherShiftKeyIsReportedAsVkShift) {
  win32_test::PressKey(window_, VK_RSHIFT);
  const MSG message = TakeOne();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(VK_SHIFT));
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  EXPECT_LT(GetAsyncKeyState(VK_RSHIFT), 0);
  EXPECT_GE(GetAsyncKeyState(VK_LSHIFT), 0);

  win32_test::PressKey(window_, VK_LSHIFT);
  win32_test::ReleaseKey(window_, VK_RSHIFT);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);  // the left one is still held
  win32_test::ReleaseKey(window_, VK_LSHIFT);
  EXPECT_GE(GetAsyncKeyState(VK_SHIFT), 0);
}

TEST_F(InputTest, SdlKeysMapToUsLayoutVirtualKeys) {
  struct Case {
    SDL_Scancode scancode;
    SDL_Keycode keycode;
    int virtualKey;
    bool extended;
  };
  const Case cases[] = {
      {SDL_SCANCODE_A, SDLK_a, 'A', false},
      {SDL_SCANCODE_Q, SDLK_a, 'A', false},  // an AZERTY keyboard: the letter follows the layout
      {SDL_SCANCODE_7, SDLK_7, '7', false},
      {SDL_SCANCODE_SPACE, SDLK_SPACE, VK_SPACE, false},
      {SDL_SCANCODE_RETURN, SDLK_RETURN, VK_RETURN, false},
      {SDL_SCANCODE_KP_ENTER, SDLK_KP_ENTER, VK_RETURN, true},
      {SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE, VK_BACK, false},
      {SDL_SCANCODE_TAB, SDLK_TAB, VK_TAB, false},
      {SDL_SCANCODE_ESCAPE, SDLK_ESCAPE, VK_ESCAPE, false},
      {SDL_SCANCODE_LEFT, SDLK_LEFT, VK_LEFT, true},
      {SDL_SCANCODE_UP, SDLK_UP, VK_UP, true},
      {SDL_SCANCODE_F5, SDLK_F5, VK_F5, false},
      {SDL_SCANCODE_SEMICOLON, SDLK_SEMICOLON, VK_OEM_1, false},
      {SDL_SCANCODE_SLASH, SDLK_SLASH, VK_OEM_2, false},
      {SDL_SCANCODE_GRAVE, SDLK_BACKQUOTE, VK_OEM_3, false},
      {SDL_SCANCODE_APOSTROPHE, SDLK_QUOTE, VK_OEM_7, false},
      {SDL_SCANCODE_MINUS, SDLK_MINUS, VK_OEM_MINUS, false},
      {SDL_SCANCODE_KP_4, SDLK_KP_4, VK_NUMPAD4, false},
      {SDL_SCANCODE_RCTRL, SDLK_RCTRL, VK_CONTROL, true},
  };
  for (const Case& test : cases) {
    win32_test::InjectEvent(window_, SdlKeyDown(test.scancode, test.keycode));
    const MSG message = TakeOne();
    EXPECT_EQ(message.wParam, static_cast<WPARAM>(test.virtualKey)) << SDL_GetScancodeName(test.scancode);
    EXPECT_EQ((message.lParam & kExtended) != 0, test.extended) << SDL_GetScancodeName(test.scancode);
    EXPECT_NE(ScanCode(message.lParam), 0) << SDL_GetScancodeName(test.scancode);
  }
}

TEST_F(InputTest, TranslateMessagePostsTheCharacterAheadOfLaterInput) {
  win32_test::PressKey(window_, VK_SHIFT);
  win32_test::PressKey(window_, '1');
  win32_test::ReleaseKey(window_, VK_SHIFT);
  win32_test::PressKey(window_, 'Q');

  std::vector<std::pair<UINT, WPARAM>> seen;
  MSG message;
  while (PeekMessageW(&message, 0, 0, 0, PM_REMOVE)) {
    if (message.message != WM_KEYUP) seen.emplace_back(message.message, message.wParam);
    TranslateMessage(&message);
  }
  const std::vector<std::pair<UINT, WPARAM>> expected = {
      {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, '1'}, {WM_CHAR, '!'}, {WM_KEYDOWN, 'Q'}, {WM_CHAR, 'q'}};
  EXPECT_EQ(seen, expected);
}

TEST_F(InputTest, KeysHeldWithAltAreSystemKeys) {
  win32_test::PressKey(window_, VK_MENU);
  win32_test::PressKey(window_, 'F');
  MSG alt = TakeOne();
  MSG letter = TakeOne();
  EXPECT_EQ(alt.message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(alt.wParam, static_cast<WPARAM>(VK_MENU));
  EXPECT_EQ(letter.message, static_cast<UINT>(WM_SYSKEYDOWN));
  EXPECT_EQ(letter.lParam & kAltContext, kAltContext);
  TranslateMessage(&letter);
  EXPECT_EQ(TakeOne().message, static_cast<UINT>(WM_SYSCHAR));
}

TEST_F(InputTest, AsyncStateRemembersATapBetweenTwoQueries) {
  EXPECT_EQ(GetAsyncKeyState('U'), 0);
  win32_test::PressKey(window_, 'U');
  win32_test::ReleaseKey(window_, 'U');
  EXPECT_EQ(GetAsyncKeyState('U'), 1);  // up now, but pressed since the last query
  EXPECT_EQ(GetAsyncKeyState('U'), 0);  // the query used it up

  win32_test::PressKey(window_, 'W');
  EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('W')), 0x8001);
  EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('W')), 0x8000);
  win32_test::PressKey(window_, 'W', /*autoRepeat=*/true);
  EXPECT_EQ(static_cast<uint16_t>(GetAsyncKeyState('W')), 0x8001);
}

TEST_F(InputTest, KeyStateFollowsTheMessagesTaken) {
  win32_test::PressKey(window_, VK_SHIFT);
  EXPECT_LT(GetAsyncKeyState(VK_SHIFT), 0);
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);  // the key-down is still queued

  TakeOne();
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  win32_test::ReleaseKey(window_, VK_SHIFT);
  EXPECT_LT(GetKeyState(VK_SHIFT), 0);
  TakeOne();
  EXPECT_GE(GetKeyState(VK_SHIFT), 0);

  // The low bit toggles with every press, which is what Caps Lock's state is.
  win32_test::PressKey(window_, VK_CAPITAL);
  win32_test::PressKey(window_, VK_CAPITAL, /*autoRepeat=*/true);
  win32_test::ReleaseKey(window_, VK_CAPITAL);
  TakeQueued();
  EXPECT_EQ(GetKeyState(VK_CAPITAL), 1);
  win32_test::PressKey(window_, 'A');
  MSG letter = TakeOne();
  TranslateMessage(&letter);
  EXPECT_EQ(TakeOne().wParam, static_cast<WPARAM>('A'));
}

TEST_F(InputTest, MouseCoordinatesAreSigned16BitAndButtonsAreFlagged) {
  win32_test::MoveMouse(window_, -5, -7);
  MSG message = TakeOne();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(GET_X_LPARAM(message.lParam), -5);
  EXPECT_EQ(GET_Y_LPARAM(message.lParam), -7);
  EXPECT_EQ(message.wParam, 0u);

  win32_test::PressMouseButton(window_, 10, 20);
  message = TakeOne();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(MK_LBUTTON));
  EXPECT_EQ(GET_X_LPARAM(message.lParam), 10);
  EXPECT_EQ(GET_Y_LPARAM(message.lParam), 20);
  EXPECT_LT(GetKeyState(VK_LBUTTON), 0);

  win32_test::PressKey(window_, VK_SHIFT);
  TakeOne();
  win32_test::MoveMouse(window_, 900, -1);  // dragged out of the window to the right and above
  message = TakeOne();
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(MK_LBUTTON | MK_SHIFT));
  EXPECT_EQ(GET_X_LPARAM(message.lParam), 900);
  EXPECT_EQ(GET_Y_LPARAM(message.lParam), -1);

  win32_test::ReleaseMouseButton(window_, 900, -1);
  message = TakeOne();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_LBUTTONUP));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(MK_SHIFT));

  // Two notches towards the user: the signed delta in the high word, the held keys in the low one.
  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.y = -2;
  wheel.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
  win32_test::InjectEvent(window_, wheel);
  message = TakeOne();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_MOUSEWHEEL));
  EXPECT_EQ(static_cast<int16_t>(HIWORD(message.wParam)), -240);
  EXPECT_EQ(LOWORD(message.wParam), static_cast<WORD>(MK_SHIFT));
}

TEST_F(InputTest, QueuedMouseMovesMergeOnlyWhenNothingCameBetween) {
  win32_test::MoveMouse(window_, 1, 1);
  win32_test::MoveMouse(window_, 2, 2);
  win32_test::PressMouseButton(window_, 2, 2);
  win32_test::MoveMouse(window_, 3, 3);

  const auto queued = TakeQueued();
  ASSERT_EQ(queued.size(), 3u);
  EXPECT_EQ(GET_X_LPARAM(queued[0].lParam), 2);
  EXPECT_EQ(queued[1].message, static_cast<UINT>(WM_LBUTTONDOWN));
  EXPECT_EQ(GET_X_LPARAM(queued[2].lParam), 3);
}

TEST_F(InputTest, DroppedFilesReachAcceptingWindowsAsOneDropWithTheirNamesIntact) {
  // Not accepting yet: the drop passes unseen, and its names are not kept for a later one.
  win32_test::DropFiles(window_, {"/tmp/ignored.glb"});
  EXPECT_TRUE(TakeQueued().empty());

  DragAcceptFiles(window_, TRUE);
  EXPECT_NE(GetWindowLongPtrW(window_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  const std::string accented = "/tmp/Téléchargements/dück.glb";
  const std::string astral = "/tmp/\xF0\x9F\x98\x80.fbx";  // U+1F600, beyond 16 bits
  win32_test::DropFiles(window_, {accented, astral});
  const auto queued = TakeQueued();
  ASSERT_EQ(queued.size(), 1u);
  EXPECT_EQ(queued[0].message, static_cast<UINT>(WM_DROPFILES));
  const auto drop = reinterpret_cast<HDROP>(queued[0].wParam);

  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  const std::wstring wide = L"/tmp/T\u00E9l\u00E9chargements/d\u00FCck.glb";
  ASSERT_EQ(DragQueryFileW(drop, 0, nullptr, 0), wide.size());
  std::wstring name(wide.size() + 1, L'?');
  EXPECT_EQ(DragQueryFileW(drop, 0, name.data(), static_cast<UINT>(name.size())), wide.size());
  EXPECT_EQ(name.c_str(), wide);
  wchar_t shortBuffer[6];
  EXPECT_EQ(DragQueryFileW(drop, 0, shortBuffer, 6), 5u);  // cut to fit, null included
  EXPECT_EQ(std::wstring(shortBuffer), L"/tmp/");
  char narrow[64];
  EXPECT_EQ(DragQueryFileA(drop, 1, narrow, sizeof narrow), astral.size());
  EXPECT_EQ(std::string(narrow), astral);
  EXPECT_EQ(DragQueryFileW(drop, 2, name.data(), 8), 0u);  // past the last file

  DragFinish(drop);
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 0u);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

  DragAcceptFiles(window_, FALSE);
  win32_test::DropFiles(window_, {accented});
  EXPECT_TRUE(TakeQueued().empty());
}
