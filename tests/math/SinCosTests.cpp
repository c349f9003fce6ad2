#include "math/SinCos.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

TEST(SinCos, ZeroIsExact) {
  const auto [s, c] = SinCos(0.0f);
  EXPECT_EQ(s, 0.0f);
  EXPECT_EQ(c, 1.0f);
}

TEST(SinCos, PiTakesTheFoldedBranch) {
  const float pi = std::numbers::pi_v<float>;
  for (const float angle : {pi, -pi}) {
    const auto [s, c] = SinCos(angle);
    EXPECT_NEAR(s, 0.0f, 1e-6f) << angle;
    EXPECT_FLOAT_EQ(c, -1.0f) << angle;
  }
}

TEST(SinCos, MatchesTheLibraryOverManyTurns) {
  for (float angle = -40.0f; angle <= 40.0f; angle += 0.0137f) {
    const auto [s, c] = SinCos(angle);
    const double tolerance = 1e-6 + std::fabs(angle) * 6e-8;
    ASSERT_NEAR(s, std::sin(static_cast<double>(angle)), tolerance) << angle;
    ASSERT_NEAR(c, std::cos(static_cast<double>(angle)), tolerance) << angle;
  }
}

TEST(SinCos, LargeAnglesReduceCorrectly) {
  for (const float angle : {1000.0f, -1000.0f, 12345.678f, 1.0e6f}) {
    const auto [s, c] = SinCos(angle);
    const double tolerance = 1e-6 + std::fabs(angle) * 6e-8;
    EXPECT_NEAR(s, std::sin(static_cast<double>(angle)), tolerance) << angle;
    EXPECT_NEAR(c, std::cos(static_cast<double>(angle)), tolerance) << angle;
  }
}

}  // namespace
