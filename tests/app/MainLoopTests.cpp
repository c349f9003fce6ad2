#include "support/ShellTest.h"

#include <gtest/gtest.h>
#include <win32_test.h>

#include <cstring>
#include <string>

namespace {

using MainLoop = ShellTest;

TEST_F(MainLoop, SizeMessageOfStartUpLeavesAResizeForTheFirstPass) {
  EXPECT_TRUE(ResizePending);
  EXPECT_EQ(PendingWidth, 800);
  EXPECT_EQ(PendingHeight, 600);
  renderer->Width = 0;
  renderer->Height = 0;
  ASSERT_TRUE(Pass());
  EXPECT_FALSE(ResizePending);
  EXPECT_EQ(renderer->Width, 800);
  EXPECT_EQ(renderer->Height, 600);
}

TEST_F(MainLoop, ResizeCopiesThePendingSizeInTheSamePass) {
  SettleStartUp();
  win32_test::ResizeClientArea(window, 640, 480);
  ASSERT_TRUE(Pass());
  EXPECT_FALSE(ResizePending);
  EXPECT_EQ(renderer->Width, 640);
  EXPECT_EQ(renderer->Height, 480);
}

TEST_F(MainLoop, EveryTypedKeyIsHandledInThePassThatDispatchedIt) {
  SettleStartUp();
  TextLabel& box = AddTextBox();
  box.HasFocus = true;
  // Two quick keys before the loop gets to either: the second must not overwrite the first.
  win32_test::PressKey(window, 'H');
  win32_test::PressKey(window, 'I');
  ASSERT_TRUE(Pass());
  EXPECT_EQ(box.Text, L"h");
  EXPECT_EQ(TypedKey.Pending, 0);
  PassUntilQueueEmpty();
  EXPECT_EQ(box.Text, L"hi");
  EXPECT_EQ(TypedKey.Pending, 0);
}

TEST_F(MainLoop, KeyWithoutAFocusedBoxIsDroppedForGood) {
  SettleStartUp();
  TextLabel& box = AddTextBox();
  win32_test::PressKey(window, 'Q');
  ASSERT_TRUE(Pass());
  EXPECT_EQ(TypedKey.Pending, 0);
  PassUntilQueueEmpty();
  // Giving the box the focus afterwards does not deliver the key late.
  win32_test::PressMouseButton(window, 600, 30);
  PassUntilQueueEmpty();
  EXPECT_TRUE(box.HasFocus);
  EXPECT_EQ(box.Text, L"");
}

TEST_F(MainLoop, KeyIsDroppedWhenThereIsNoTextBoxAtAll) {
  SettleStartUp();
  win32_test::PressKey(window, 'Q');
  ASSERT_TRUE(Pass());
  EXPECT_EQ(TypedKey.Pending, 0);
}

TEST_F(MainLoop, QuitEndsThePassBeforeItsLaterSteps) {
  SettleStartUp();
  win32_test::RequestClose(window);
  int passes = 0;
  while (Pass()) {
    ASSERT_LT(++passes, 10) << "the close request never produced the quit message";
    // Input that arrives alongside the quit message must be left alone by the quit pass.
    TypedKey.Pending = 1;
    ResizePending = true;
    renderer->Width = 0;
  }
  EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(FrameCount, passes);  // the quit pass itself was not counted
  EXPECT_EQ(TypedKey.Pending, 1);
  EXPECT_TRUE(ResizePending);
  EXPECT_EQ(renderer->Width, 0);
}

TEST_F(MainLoop, FramePassesAdvanceTheTimer) {
  SettleStartUp();
  SetClockSeconds(0.5);
  ASSERT_TRUE(Pass());
  EXPECT_DOUBLE_EQ(timer.FrameDelta, 0.5);
  // A pass that dispatches a message does not advance the timer.
  PostMessageW(window, WM_USER, 0, 0);
  SetClockSeconds(0.75);
  ASSERT_TRUE(Pass());
  EXPECT_FLOAT_EQ(timer.Elapsed(), 0.5f);
}

// Within a frame the held keys come before the constant update, so a step taken in a frame reaches that
// frame's constants: the camera is rebuilt and the turned mesh written, nothing is left for the next frame.
TEST_F(MainLoop, HeldKeysReachTheConstantsOfTheSameFrame) {
  SettleStartUp();
  Mesh mesh;
  mesh.DrawItems.push_back({});
  mesh.ConstantSlot = 0;
  mesh.Dirty = false;
  renderer->Meshes.push_back(mesh);
  win32_test::PressKey(window, 'W');
  win32_test::PressKey(window, 'U');
  PassUntilQueueEmpty();  // the key messages: no frame yet
  renderer->CameraChanged = false;
  const float4x4 viewBefore = renderer->Camera.ViewMatrix;
  ASSERT_TRUE(Pass());
  EXPECT_FALSE(renderer->CameraChanged) << "the move waits for the next frame's constants";
  EXPECT_NE(std::memcmp(&renderer->Camera.ViewMatrix, &viewBefore, sizeof(viewBefore)), 0);
  EXPECT_FALSE(renderer->Meshes.front().Dirty) << "the turn waits for the next frame's constants";
  const float4x4 identity = Identity();
  EXPECT_NE(std::memcmp(&renderer->Meshes.front().World, &identity, sizeof(identity)), 0) << "U did not turn the mesh";
}

class FrameRateTitle : public ShellTest {
 protected:
  std::wstring Title() const { return win32_test::WindowTitle(window); }
};

TEST_F(FrameRateTitle, CountsEveryPassNotOnlyFrames) {
  SettleStartUp();
  // 30 dispatched messages and 30 frames within the first second.
  for (int i = 0; i < 30; ++i) {
    PostMessageW(window, WM_USER, 0, 0);
    ASSERT_TRUE(Pass());
  }
  for (int i = 0; i < 29; ++i) {
    SetClockSeconds(0.5 + i * 0.01);
    ASSERT_TRUE(Pass());
  }
  EXPECT_EQ(Title(), L"d3dWin");
  SetClockSeconds(1.0);
  ASSERT_TRUE(Pass());
  EXPECT_EQ(Title(), L"fps: 60.000000 mspf: 16.666666");
  EXPECT_EQ(FrameCount, 0);
  EXPECT_EQ(TitleMark, 1.0f);
}

TEST_F(FrameRateTitle, SinglePassInASecond) {
  SettleStartUp();
  SetClockSeconds(1.0);
  ASSERT_TRUE(Pass());
  EXPECT_EQ(Title(), L"fps: 1.000000 mspf: 1000.000000");
}

TEST_F(FrameRateTitle, CatchesUpOneSecondPerPassAfterAStall) {
  SettleStartUp();
  SetClockSeconds(0.5);
  ASSERT_TRUE(Pass());
  ASSERT_TRUE(Pass());
  SetClockSeconds(5.0);  // a stall of four and a half seconds
  ASSERT_TRUE(Pass());
  EXPECT_EQ(Title(), L"fps: 3.000000 mspf: 333.333344");
  for (float mark = 2.0f; mark <= 5.0f; mark += 1.0f) {
    SetWindowTextW(window, L"d3dWin");
    ASSERT_TRUE(Pass());
    EXPECT_EQ(Title(), L"fps: 1.000000 mspf: 1000.000000");
    EXPECT_EQ(TitleMark, mark);
  }
  // Caught up: the mark is within a second of the timer, so the title rests.
  SetWindowTextW(window, L"d3dWin");
  ASSERT_TRUE(Pass());
  EXPECT_EQ(Title(), L"d3dWin");
  EXPECT_EQ(FrameCount, 1);
}

}  // namespace
