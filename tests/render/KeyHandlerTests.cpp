#include "support/ShellTest.h"

#include <gtest/gtest.h>
#include <win32_test.h>

#include <cmath>

namespace {

using KeyHandlers = ShellTest;

TEST_F(KeyHandlers, SetupCameraStandsFourUnitsBehindTheOrigin) {
  const Camera& camera = renderer->Camera;
  EXPECT_FALSE(camera.ViewStale);
  EXPECT_EQ(camera.ViewMatrix.m[3][0], 0.0f);
  EXPECT_EQ(camera.ViewMatrix.m[3][1], 0.0f);
  EXPECT_EQ(camera.ViewMatrix.m[3][2], 4.0f);
  EXPECT_EQ(camera.ViewMatrix.m[3][3], 1.0f);
  EXPECT_EQ(camera.NearPlane, 500.0f);  // until the first resize sets near 1
  EXPECT_EQ(camera.FarPlane, 1000.0f);
  EXPECT_EQ(camera.AspectRatio, 800.0f / 600.0f);
}

TEST_F(KeyHandlers, FreshRendererTakesTheRealClientSize) {
  Renderer fresh(window);
  EXPECT_EQ(fresh.Width, 800);
  EXPECT_EQ(fresh.Height, 600);
  EXPECT_EQ(fresh.Camera.FieldOfViewY, 0.7853982f);
  EXPECT_EQ(fresh.Camera.AspectRatio, 1.0f);
  EXPECT_EQ(fresh.Camera.NearPlane, 1.0f);
  EXPECT_TRUE(fresh.Camera.ViewStale);
  EXPECT_TRUE(fresh.CameraChanged);
  EXPECT_EQ(fresh.BufferCount, 2);
}

TEST_F(KeyHandlers, WMovesHalfAUnitAlongLook) {
  renderer->CameraChanged = false;
  win32_test::PressKey(window, 'W');
  renderer->HandleMovementKeys();
  EXPECT_EQ(renderer->Camera.Position.z, -3.5f);
  EXPECT_TRUE(renderer->Camera.ViewStale);
  EXPECT_TRUE(renderer->CameraChanged);
  renderer->HandleMovementKeys();  // still held: another step
  EXPECT_EQ(renderer->Camera.Position.z, -3.0f);
}

// A steps to the camera's left and D to its right, whichever way the camera faces: turned a quarter about
// the world's up axis to look along +x, right is -z.
TEST_F(KeyHandlers, AStepsLeftAndDStepsRightOfTheView) {
  renderer->Camera.TurnAboutWorldY(1.5707964f);
  const float3 start = renderer->Camera.Position;
  const float3 right = renderer->Camera.Right;
  ASSERT_NEAR(right.z, -1.0f, 1e-5f);
  win32_test::PressKey(window, 'D');
  renderer->HandleMovementKeys();
  EXPECT_NEAR(renderer->Camera.Position.x, start.x + 0.5f * right.x, 1e-5f);
  EXPECT_NEAR(renderer->Camera.Position.z, start.z - 0.5f, 1e-5f);
  win32_test::ReleaseKey(window, 'D');
  win32_test::PressKey(window, 'A');
  renderer->HandleMovementKeys();
  renderer->HandleMovementKeys();
  EXPECT_NEAR(renderer->Camera.Position.z, start.z + 0.5f, 1e-5f);
}

TEST_F(KeyHandlers, OppositeKeysCancel) {
  renderer->Camera.TurnAboutWorldY(0.3f);
  const float3 start = renderer->Camera.Position;
  for (const int key : {'W', 'S', 'A', 'D'}) {
    win32_test::PressKey(window, key);
  }
  for (int frame = 0; frame < 10; ++frame) {
    renderer->HandleMovementKeys();
  }
  EXPECT_NEAR(renderer->Camera.Position.x, start.x, 1e-5f);
  EXPECT_NEAR(renderer->Camera.Position.y, start.y, 1e-5f);
  EXPECT_NEAR(renderer->Camera.Position.z, start.z, 1e-5f);
}

TEST_F(KeyHandlers, ReleasedKeysDoNotMove) {
  win32_test::PressKey(window, 'D');
  win32_test::ReleaseKey(window, 'D');
  renderer->CameraChanged = false;
  renderer->HandleMovementKeys();
  EXPECT_EQ(renderer->Camera.Position.x, 0.0f);
  EXPECT_FALSE(renderer->CameraChanged);
}

TEST_F(KeyHandlers, TapOnUBetweenFramesTurnsTheModelOnce) {
  Mesh mesh;
  mesh.Dirty = false;
  renderer->Meshes.push_back(mesh);
  win32_test::PressKey(window, 'U');
  win32_test::ReleaseKey(window, 'U');

  renderer->HandleModelTurnKey();
  const Mesh& turned = renderer->Meshes.front();
  EXPECT_TRUE(turned.Dirty);
  const float4x4 once = Multiply(Multiply(Translation(0.1f, 0, 0), RotationZ(0.001f)), Identity());
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(turned.World.m[r][c], once.m[r][c]);
    }
  }

  renderer->Meshes.front().Dirty = false;
  renderer->HandleModelTurnKey();  // the tap was counted already
  EXPECT_FALSE(renderer->Meshes.front().Dirty);
}

TEST_F(KeyHandlers, HeldUWalksEveryMeshAroundACircle) {
  renderer->Meshes.resize(2);
  win32_test::PressKey(window, 'U');
  for (int frame = 0; frame < 3; ++frame) {
    renderer->HandleModelTurnKey();
  }
  // Each step moves 0.1 along the mesh's own x, which the earlier steps have turned a little.
  for (const Mesh& mesh : renderer->Meshes) {
    EXPECT_NEAR(mesh.World.m[3][0], 0.3f, 1e-6f);
    EXPECT_GT(mesh.World.m[3][1], 0.0f);
    EXPECT_NEAR(mesh.World.m[0][1], std::sin(0.003f), 1e-6f);
  }
}

}  // namespace
