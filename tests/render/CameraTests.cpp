#include "render/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectOrthonormalFrame(const Camera& camera) {
  EXPECT_NEAR(Dot3(camera.Right, camera.Right), 1.0f, 1e-5f);
  EXPECT_NEAR(Dot3(camera.Up, camera.Up), 1.0f, 1e-5f);
  EXPECT_NEAR(Dot3(camera.Look, camera.Look), 1.0f, 1e-5f);
  EXPECT_NEAR(Dot3(camera.Right, camera.Up), 0.0f, 1e-5f);
  EXPECT_NEAR(Dot3(camera.Right, camera.Look), 0.0f, 1e-5f);
  EXPECT_NEAR(Dot3(camera.Up, camera.Look), 0.0f, 1e-5f);
  // Left-handed: Right = Up x Look.
  const float3 right = Cross(camera.Up, camera.Look);
  EXPECT_NEAR(right.x, camera.Right.x, 1e-5f);
  EXPECT_NEAR(right.y, camera.Right.y, 1e-5f);
  EXPECT_NEAR(right.z, camera.Right.z, 1e-5f);
}

TEST(Camera, RebuildViewRestoresAnOrthonormalFrameAfterManyTurns) {
  Camera camera;
  camera.AimAt({1, 2, -5}, {0, 0, 0}, {0, 1, 0});
  for (int i = 0; i < 2000; ++i) {
    camera.Pitch(0.013f * static_cast<float>(i % 7 - 3));
    camera.TurnAboutWorldY(0.021f * static_cast<float>(i % 5 - 2));
  }
  const float3 look = Normalize3(camera.Look);
  camera.RebuildView();
  ExpectOrthonormalFrame(camera);
  EXPECT_FALSE(camera.ViewStale);
  // Look keeps its direction; Up and Right are corrected around it.
  EXPECT_NEAR(camera.Look.x, look.x, 1e-6f);
  EXPECT_NEAR(camera.Look.y, look.y, 1e-6f);
  EXPECT_NEAR(camera.Look.z, look.z, 1e-6f);
  const float4x4 expected = ViewFromFrame(camera.Position, camera.Right, camera.Up, camera.Look);
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_EQ(camera.ViewMatrix.m[r][c], expected.m[r][c]);
    }
  }
}

TEST(Camera, RebuildViewLeavesAnUpToDateViewAlone) {
  Camera camera;
  camera.RebuildView();
  camera.Look = {0, 0, 2};  // changed behind the camera's back: not stale, so not rebuilt
  camera.RebuildView();
  EXPECT_EQ(camera.Look.z, 2.0f);
  EXPECT_EQ(camera.ViewMatrix.m[2][2], 1.0f);
}

TEST(Camera, TurningAboutWorldYNeverRolls) {
  Camera camera;
  camera.Pitch(0.6f);
  const float upAngleToWorldY = camera.Up.y;
  const float lookHeight = camera.Look.y;
  for (int i = 0; i < 100; ++i) {
    camera.TurnAboutWorldY(0.37f);
    EXPECT_NEAR(camera.Up.y, upAngleToWorldY, 1e-5f);
    EXPECT_NEAR(camera.Look.y, lookHeight, 1e-5f);
    EXPECT_NEAR(camera.Right.y, 0.0f, 1e-5f);  // the horizon stays level
  }
}

TEST(Camera, PitchIsNotLimitedAndTurnsOverTheTop) {
  Camera camera;
  camera.Pitch(3.14159265f);  // half a turn: upside down, looking backwards
  EXPECT_NEAR(camera.Up.y, -1.0f, 1e-5f);
  EXPECT_NEAR(camera.Look.z, -1.0f, 1e-5f);
  EXPECT_EQ(camera.Right.x, 1.0f);  // Right is the axis and does not move
}

TEST(Camera, PitchDownLowersTheLook) {
  Camera camera;
  camera.Pitch(0.1f);
  EXPECT_LT(camera.Look.y, 0.0f);
  EXPECT_TRUE(camera.ViewStale);
}

TEST(Camera, AimAtBuildsTheFrameTowardsTheTarget) {
  Camera camera;
  camera.AimAt({0, 0, -4}, {0, 0, 0}, {0, 1, 0});
  EXPECT_EQ(camera.Look.z, 1.0f);
  EXPECT_EQ(camera.Right.x, 1.0f);
  EXPECT_EQ(camera.Up.y, 1.0f);
  EXPECT_TRUE(camera.ViewStale);
}

TEST(Camera, SetProjectionStoresTheLensAndWindowHeights) {
  Camera camera;
  camera.RebuildView();
  camera.SetProjection(0.785f, 2.0f, 1.0f, 1000.0f);
  EXPECT_EQ(camera.AspectRatio, 2.0f);
  EXPECT_FLOAT_EQ(camera.NearPlaneHeight, 2.0f * std::tan(0.3925f));
  EXPECT_FLOAT_EQ(camera.FarPlaneHeight, 2000.0f * std::tan(0.3925f));
  EXPECT_FLOAT_EQ(camera.ProjMatrix.m[1][1] / camera.ProjMatrix.m[0][0], 2.0f);
  EXPECT_FALSE(camera.ViewStale);  // the lens does not touch the view
}

}  // namespace
