// The key segment search and the blends of vector and rotation keys.
#include "anim/KeyInterpolation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

std::vector<aiVectorKey> KeysAtTicks0_10_20() {
  return {{0.0, aiVector3D(0, 0, 0)}, {10.0, aiVector3D(10, 20, 30)}, {20.0, aiVector3D(0, 0, 0)}};
}

void ExpectSegment(float t, uint32_t index, float factor) {
  const std::vector<aiVectorKey> keys = KeysAtTicks0_10_20();
  const KeySegment segment = FindKeySegment(t, 3, keys.data());
  EXPECT_EQ(segment.Index, index) << "t = " << t;
  EXPECT_FLOAT_EQ(segment.Factor, factor) << "t = " << t;
}

}  // namespace

TEST(KeySegment, StartsAtTheKeyATimeFallsOnAndFallsBackToTheFirstSegmentPastTheLastKey) {
  ExpectSegment(5.0f, 0, 0.5f);
  ExpectSegment(10.0f, 1, 0.0f);  // exactly on a key: the segment that starts there
  ExpectSegment(19.0f, 1, 0.9f);
  ExpectSegment(20.0f, 0, 2.0f);  // at the last key: first segment, factor not clamped
  ExpectSegment(25.0f, 0, 2.5f);
  ExpectSegment(-5.0f, 0, -0.5f);  // before the first key: extrapolated backwards
}

TEST(KeySegment, ZeroLengthSegmentGivesFactorZeroInsteadOfNaN) {
  const std::vector<aiVectorKey> keys = {{3.0, aiVector3D(1, 1, 1)}, {3.0, aiVector3D(2, 2, 2)}};
  EXPECT_EQ(FindKeySegment(3.0f, 2, keys.data()).Factor, 0.0f);
  EXPECT_EQ(InterpolateVector(5.0f, 2, keys.data()).x, 1.0f);
}

TEST(InterpolateVector, SingleKeyIsItsValueAndTwoKeysBlendPerComponent) {
  const aiVectorKey single = {50.0, aiVector3D(1, 2, 3)};
  const float3 held = InterpolateVector(-7.0f, 1, &single);
  EXPECT_EQ(held.x, 1.0f);
  EXPECT_EQ(held.z, 3.0f);

  const std::vector<aiVectorKey> keys = KeysAtTicks0_10_20();
  const float3 extrapolated = InterpolateVector(25.0f, 3, keys.data());
  EXPECT_FLOAT_EQ(extrapolated.x, 25.0f);
  EXPECT_FLOAT_EQ(extrapolated.y, 50.0f);
}

TEST(InterpolateRotation, SingleKeyIsReturnedAsStoredAndBlendsTakeTheShorterArcNormalised) {
  aiNodeAnim channel;
  const float half = std::sqrt(0.5f);
  // A 90 degree turn about z, then the same turn with every sign flipped.
  aiQuatKey keys[2] = {{0.0, aiQuaternion(half, 0, 0, half)}, {10.0, aiQuaternion(-half, 0, 0, -half)}};
  channel.mRotationKeys = keys;

  channel.mNumRotationKeys = 1;
  keys[0].mValue = aiQuaternion(2, 0, 0, 0);  // not unit length, and kept so
  EXPECT_EQ(InterpolateRotation(3.0f, channel).w, 2.0f);

  keys[0].mValue = aiQuaternion(half, 0, 0, half);
  channel.mNumRotationKeys = 2;
  const aiQuaternion blend = InterpolateRotation(5.0f, channel);
  EXPECT_NEAR(blend.w, half, 1e-6f);  // q and -q are one rotation: no half-turn in between
  EXPECT_NEAR(blend.z, half, 1e-6f);

  keys[1].mValue = aiQuaternion(1, 0, 0, 0);
  const aiQuaternion halfway = InterpolateRotation(5.0f, channel);
  EXPECT_NEAR(halfway.w * halfway.w + halfway.z * halfway.z, 1.0f, 1e-6f);
  EXPECT_NEAR(halfway.z, std::sin(0.3926991f), 1e-6f);  // 45 degrees: half of 90
  channel.mRotationKeys = nullptr;                      // the keys are not the channel's to delete
  channel.mNumRotationKeys = 0;
}
