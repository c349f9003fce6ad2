#include "math/Vector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(Normalize3, ZeroVectorStaysZeroInsteadOfNaN) {
  const float3 n = Normalize3(float3{0.0f, 0.0f, 0.0f});
  EXPECT_EQ(n.x, 0.0f);
  EXPECT_EQ(n.y, 0.0f);
  EXPECT_EQ(n.z, 0.0f);
}

TEST(Normalize3, OverflowingLengthGivesNaNInEveryComponent) {
  const float inf = std::numeric_limits<float>::infinity();
  for (const float3 v : {float3{inf, 0.0f, 0.0f}, float3{0.0f, -inf, 1.0f}, float3{1e30f, 1e30f, 0.0f}}) {
    const float3 n = Normalize3(v);
    EXPECT_TRUE(std::isnan(n.x) && std::isnan(n.y) && std::isnan(n.z));
  }
}

TEST(Normalize3, ScalesToUnitLengthKeepingDirection) {
  const float3 n = Normalize3(float3{3.0f, 0.0f, -4.0f});
  EXPECT_FLOAT_EQ(n.x, 0.6f);
  EXPECT_FLOAT_EQ(n.y, 0.0f);
  EXPECT_FLOAT_EQ(n.z, -0.8f);
}

TEST(Cross, FollowsTheLeftHandedFrameOfTheCamera) {
  // Right = Up x Look in the camera's frame: (0,1,0) x (0,0,1) = (1,0,0).
  const float3 right = Cross(float3{0, 1, 0}, float3{0, 0, 1});
  EXPECT_EQ(right.x, 1.0f);
  EXPECT_EQ(right.y, 0.0f);
  EXPECT_EQ(right.z, 0.0f);
  const float3 c = Cross(float3{1, 2, 3}, float3{4, 5, 6});
  EXPECT_EQ(c.x, -3.0f);
  EXPECT_EQ(c.y, 6.0f);
  EXPECT_EQ(c.z, -3.0f);
}

}  // namespace
