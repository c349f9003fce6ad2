#include "math/Matrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectMatrixNear(const float4x4& actual, const float4x4& expected, float tolerance) {
  for (int r = 0; r < 4; ++r) {
    for (int c = 0; c < 4; ++c) {
      EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tolerance) << "element [" << r << "][" << c << "]";
    }
  }
}

// A point through a scene matrix: p x M with w = 1.
float3 TransformPoint(float3 p, const float4x4& m) {
  const float3 direction = TransformNormal(p, m);
  return {direction.x + m.m[3][0], direction.y + m.m[3][1], direction.z + m.m[3][2]};
}

TEST(Matrix, StoredRowByRow) {
  const float4x4 t = Translation(1.0f, 2.0f, 3.0f);
  const float* values = &t.m[0][0];
  EXPECT_EQ(values[12], 1.0f);
  EXPECT_EQ(values[13], 2.0f);
  EXPECT_EQ(values[14], 3.0f);
  EXPECT_EQ(values[15], 1.0f);
}

TEST(RotationY, TurnsTheXAxisTowardsMinusZ) {
  const float a = 0.7f;
  const float3 v = TransformNormal(float3{1, 0, 0}, RotationY(a));
  EXPECT_NEAR(v.x, std::cos(a), 1e-6f);
  EXPECT_EQ(v.y, 0.0f);
  EXPECT_NEAR(v.z, -std::sin(a), 1e-6f);
}

TEST(RotationZ, TurnsTheXAxisTowardsPlusY) {
  const float a = 0.3f;
  const float3 v = TransformNormal(float3{1, 0, 0}, RotationZ(a));
  EXPECT_NEAR(v.x, std::cos(a), 1e-6f);
  EXPECT_NEAR(v.y, std::sin(a), 1e-6f);
  EXPECT_EQ(v.z, 0.0f);
}

TEST(RotationAxis, MatchesTheAxisRotationsAndNormalisesItsAxis) {
  ExpectMatrixNear(RotationAxis(float3{0, 3, 0}, 1.1f), RotationY(1.1f), 1e-6f);
  ExpectMatrixNear(RotationAxis(float3{0, 0, 0.5f}, -0.4f), RotationZ(-0.4f), 1e-6f);
}

TEST(RotationAxis, FollowsRodriguesFormula) {
  // v cos a + (n x v) sin a + n (n . v)(1 - cos a) for an oblique axis.
  const float3 n = Normalize3(float3{1, 2, 2});
  const float3 v{0.5f, -1.0f, 2.0f};
  const float a = 0.9f;
  const float3 expected = std::cos(a) * v + std::sin(a) * Cross(n, v) + (Dot3(n, v) * (1.0f - std::cos(a))) * n;
  const float3 actual = TransformNormal(v, RotationAxis(n, a));
  EXPECT_NEAR(actual.x, expected.x, 1e-5f);
  EXPECT_NEAR(actual.y, expected.y, 1e-5f);
  EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

TEST(RotationQuaternion, EqualsTheAxisRotationOfTheSameTurn) {
  const float3 axis = Normalize3(float3{-1, 2, 0.5f});
  const float a = 1.3f;
  const float s = std::sin(0.5f * a);
  const float4 q{axis.x * s, axis.y * s, axis.z * s, std::cos(0.5f * a)};
  ExpectMatrixNear(RotationQuaternion(q), RotationAxis(axis, a), 1e-6f);
}

TEST(PerspectiveFov, MapsNearToZeroAndFarToOne) {
  const float4x4 p = PerspectiveFov(0.785f, 800.0f / 600.0f, 1.0f, 1000.0f);
  const float r = 1000.0f / 999.0f;
  const float h = 1.0f / std::tan(0.3925f);
  EXPECT_NEAR(p.m[1][1], h, 1e-5f);
  EXPECT_NEAR(p.m[0][0], h / (800.0f / 600.0f), 1e-5f);
  EXPECT_FLOAT_EQ(p.m[2][2], r);
  EXPECT_EQ(p.m[2][3], 1.0f);
  EXPECT_FLOAT_EQ(p.m[3][2], -r);
  EXPECT_EQ(p.m[3][3], 0.0f);
  // Depth after the divide by w (= view z).
  for (const float z : {1.0f, 1000.0f}) {
    const float clipZ = z * p.m[2][2] + p.m[3][2];
    const float clipW = z * p.m[2][3];
    EXPECT_NEAR(clipZ / clipW, z == 1.0f ? 0.0f : 1.0f, 1e-6f);
  }
}

TEST(ViewFromFrame, MovesTheEyeToTheOrigin) {
  const float3 eye{0, 0, -4};
  const float4x4 view = ViewFromFrame(eye, {1, 0, 0}, {0, 1, 0}, {0, 0, 1});
  EXPECT_EQ(view.m[3][0], 0.0f);
  EXPECT_EQ(view.m[3][1], 0.0f);
  EXPECT_EQ(view.m[3][2], 4.0f);
  EXPECT_EQ(view.m[3][3], 1.0f);
  const float3 origin = TransformPoint(float3{0, 0, 0}, view);
  EXPECT_EQ(origin.z, 4.0f);  // four units in front of the camera
}

TEST(ViewFromFrame, PutsTheFrameOnTheViewAxes) {
  const float3 right = Normalize3(float3{1, 0, -1});
  const float3 up{0, 1, 0};
  const float3 look = Cross(right, up);
  const float3 eye{2, 3, 4};
  const float4x4 view = ViewFromFrame(eye, right, up, look);
  const float3 ahead = TransformPoint(eye + look, view);
  EXPECT_NEAR(ahead.x, 0.0f, 1e-6f);
  EXPECT_NEAR(ahead.y, 0.0f, 1e-6f);
  EXPECT_NEAR(ahead.z, 1.0f, 1e-6f);
  const float3 aside = TransformPoint(eye + right, view);
  EXPECT_NEAR(aside.x, 1.0f, 1e-6f);
}

TEST(Multiply, LeftMatrixActsFirstOnRowVectors) {
  // Move along x, then turn a quarter about z: the point lands on +y, not back on x.
  const float4x4 moveThenTurn = Multiply(Translation(1, 0, 0), RotationZ(1.5707964f));
  const float3 p = TransformPoint(float3{0, 0, 0}, moveThenTurn);
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  EXPECT_NEAR(p.y, 1.0f, 1e-6f);
  const float4x4 turnThenMove = Multiply(RotationZ(1.5707964f), Translation(1, 0, 0));
  const float3 q = TransformPoint(float3{0, 0, 0}, turnThenMove);
  EXPECT_NEAR(q.x, 1.0f, 1e-6f);
  EXPECT_NEAR(q.y, 0.0f, 1e-6f);
}

TEST(Transpose, MovesTranslationToTheColumnConvention) {
  const float4x4 t = Transpose(Translation(5, 6, 7));
  EXPECT_EQ(t.m[0][3], 5.0f);
  EXPECT_EQ(t.m[1][3], 6.0f);
  EXPECT_EQ(t.m[2][3], 7.0f);
  EXPECT_EQ(t.m[3][0], 0.0f);
  // (A x B)^T = B^T x A^T: the two conventions compose in opposite orders.
  const float4x4 a = Multiply(Scaling(1, 2, 3), RotationY(0.4f));
  const float4x4 b = Translation(5, 6, 7);
  ExpectMatrixNear(Transpose(Multiply(a, b)), Multiply(Transpose(b), Transpose(a)), 1e-6f);
}

}  // namespace
