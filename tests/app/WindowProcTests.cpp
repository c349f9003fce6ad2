#include "app/WindowProc.h"

#include "support/ShellTest.h"

#include <gtest/gtest.h>
#include <win32_test.h>

namespace {

constexpr float RadiansPerPixel = 0.25f * 0.017453292f;

void ExpectSameFrame(const Camera& actual, const Camera& expected) {
  EXPECT_EQ(actual.Look.x, expected.Look.x);
  EXPECT_EQ(actual.Look.y, expected.Look.y);
  EXPECT_EQ(actual.Look.z, expected.Look.z);
  EXPECT_EQ(actual.Up.x, expected.Up.x);
  EXPECT_EQ(actual.Up.y, expected.Up.y);
  EXPECT_EQ(actual.Up.z, expected.Up.z);
  EXPECT_EQ(actual.Right.x, expected.Right.x);
  EXPECT_EQ(actual.Right.z, expected.Right.z);
}

using WindowProcedure = ShellTest;

TEST_F(WindowProcedure, FocusRectangleIsClosedOnAllFourEdges) {
  SettleStartUp();
  TextLabel& box = AddTextBox();  // x 500..700, y 0..70
  const struct {
    int x, y;
    bool inside;
  } clicks[] = {{700, 70, true},  {500, 0, true},   {600, 35, true}, {701, 35, false},
                {499, 35, false}, {600, 71, false}, {700, 0, true}};
  for (const auto& click : clicks) {
    win32_test::PressMouseButton(window, click.x, click.y);
    ASSERT_TRUE(Pass());
    EXPECT_EQ(box.HasFocus, click.inside) << click.x << ", " << click.y;
    win32_test::ReleaseMouseButton(window, click.x, click.y);
    ASSERT_TRUE(Pass());
  }
}

TEST_F(WindowProcedure, ClickWithoutATextBoxOnlyRecordsThePosition) {
  SettleStartUp();
  win32_test::PressMouseButton(window, 12, 34);
  ASSERT_TRUE(Pass());
  EXPECT_EQ(renderer->LastMouseX, 12.0f);
  EXPECT_EQ(renderer->LastMouseY, 34.0f);
}

TEST_F(WindowProcedure, DragTurnsFromTheClickWithoutAJump) {
  SettleStartUp();
  win32_test::PressMouseButton(window, 100, 200);
  ASSERT_TRUE(Pass());
  renderer->CameraChanged = false;
  win32_test::MoveMouse(window, 110, 196);
  ASSERT_TRUE(Pass());

  Camera expected;
  expected.AimAt({0, 0, -4}, {0, 0, 0}, {0, 1, 0});
  expected.Pitch(-4.0f * RadiansPerPixel);  // up by four pixels: the view turns up
  expected.TurnAboutWorldY(10.0f * RadiansPerPixel);
  ExpectSameFrame(renderer->Camera, expected);
  EXPECT_GT(renderer->Camera.Look.x, 0.0f);  // moving right turns the view right
  EXPECT_GT(renderer->Camera.Look.y, 0.0f);
  EXPECT_TRUE(renderer->CameraChanged);
  EXPECT_EQ(renderer->LastMouseX, 110.0f);
  EXPECT_EQ(renderer->LastMouseY, 196.0f);
}

TEST_F(WindowProcedure, MoveWithoutTheButtonOnlyTracksTheCursor) {
  SettleStartUp();
  renderer->CameraChanged = false;
  const Camera before = renderer->Camera;
  win32_test::MoveMouse(window, 300, 100);
  ASSERT_TRUE(Pass());
  ExpectSameFrame(renderer->Camera, before);
  EXPECT_FALSE(renderer->CameraChanged);
  EXPECT_EQ(renderer->LastMouseX, 300.0f);
}

TEST_F(WindowProcedure, CoordinatesOutsideTheClientAreaAreNegative) {
  SettleStartUp();
  win32_test::PressMouseButton(window, 10, 10);
  ASSERT_TRUE(Pass());
  win32_test::MoveMouse(window, -5, -7);
  ASSERT_TRUE(Pass());
  EXPECT_EQ(renderer->LastMouseX, -5.0f);
  EXPECT_EQ(renderer->LastMouseY, -7.0f);
}

TEST_F(WindowProcedure, MouseMessagesChangeNothingBeforeARendererIsBound) {
  ActiveRenderer = nullptr;
  EXPECT_EQ(WindowProc(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 60)), 0);
  EXPECT_EQ(WindowProc(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 60)), 0);
  EXPECT_EQ(renderer->LastMouseX, 0.0f);
  EXPECT_EQ(renderer->LastMouseY, 0.0f);
}

TEST_F(WindowProcedure, KeyCodePlus32WrapsToEightBits) {
  const struct {
    WPARAM key;
    uint8_t typed;
  } keys[] = {{'A', 'a'}, {VK_BACK, 40}, {VK_RETURN, 45}, {VK_SPACE, 64}, {VK_SHIFT, 48}, {0xF0, 0x10}};
  for (const auto& key : keys) {
    TypedKey = {};
    WindowProc(window, WM_KEYDOWN, key.key, 0);
    EXPECT_EQ(TypedKey.Char, key.typed);
    EXPECT_EQ(TypedKey.Pending, 1);
  }
}

TEST_F(WindowProcedure, SizesDuringADragWaitForItsEnd) {
  SettleStartUp();
  WindowProc(window, WM_ENTERSIZEMOVE, 0, 0);
  WindowProc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(640, 480));
  WindowProc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(700, 500));
  EXPECT_FALSE(ResizePending);
  EXPECT_EQ(PendingWidth, 700);
  WindowProc(window, WM_EXITSIZEMOVE, 0, 0);
  EXPECT_TRUE(ResizePending);
  EXPECT_FALSE(InSizeMove);
  EXPECT_EQ(PendingHeight, 500);
}

TEST_F(WindowProcedure, MovingTheWindowStillResizesAtTheEnd) {
  SettleStartUp();
  WindowProc(window, WM_ENTERSIZEMOVE, 0, 0);
  WindowProc(window, WM_EXITSIZEMOVE, 0, 0);
  EXPECT_TRUE(ResizePending);
  EXPECT_EQ(PendingWidth, 800);
}

TEST_F(WindowProcedure, SizeHalvesAreUnsigned) {
  WindowProc(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(0xFFFF, 0x8000));
  EXPECT_EQ(PendingWidth, 65535);
  EXPECT_EQ(PendingHeight, 32768);
}

TEST_F(WindowProcedure, MinimisedSizeIsPassedOnUnfiltered) {
  SettleStartUp();
  win32_test::Minimize(window);
  ASSERT_TRUE(Pass());
  EXPECT_EQ(renderer->Width, 0);
  EXPECT_EQ(renderer->Height, 0);
}

TEST_F(WindowProcedure, OtherMessagesGoToTheDefaultProcedure) {
  EXPECT_EQ(WindowProc(window, WM_USER + 7, 1, 2), DefWindowProcW(window, WM_USER + 7, 1, 2));
  EXPECT_EQ(WindowProc(window, WM_CHAR, 'a', 0), DefWindowProcW(window, WM_CHAR, 'a', 0));
  EXPECT_EQ(TypedKey.Pending, 0);
}

}  // namespace
