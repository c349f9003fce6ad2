// With NOMINMAX, <windows.h> declares no min or max: a program may use the names for its own things.

#define NOMINMAX
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

// These would clash with any min or max that <windows.h> declared.
static int min = 1;
static int max = 2;

TEST(WindowsHeaders, NoMinMaxLeavesTheNamesFree) {
  EXPECT_EQ(min + max, 3);
  EXPECT_EQ(std::min(min, max), 1);
}
