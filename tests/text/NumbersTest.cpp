#include "text/Numbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace text {
namespace {

struct FloorCase {
  double x;
  std::int64_t expected;
};

class FloorTest : public ::testing::TestWithParam<FloorCase> {};

TEST_P(FloorTest, TakesTheGreatestIntegerNotAbove) {
  EXPECT_EQ(Floor(GetParam().x), GetParam().expected) << GetParam().x;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FloorTest,
    ::testing::Values(FloorCase{2.5, 2}, FloorCase{-2.5, -3}, FloorCase{0, 0}, FloorCase{-0.0, 0},
                      FloorCase{7, 7}, FloorCase{-7, -7},
                      // 29 / 100 * 100 comes out a hair below 29.
                      FloorCase{29.0 / 100 * 100, 29}, FloorCase{0.9999999999995, 1},
                      FloorCase{0.999999999, 0}, FloorCase{-2.9999999999995, -3},
                      FloorCase{-2.0000000000001, -3},
                      FloorCase{std::numeric_limits<double>::quiet_NaN(), 0},
                      FloorCase{1e300, std::numeric_limits<std::int64_t>::max()},
                      FloorCase{-1e300, std::numeric_limits<std::int64_t>::min()}));

struct RoundCase {
  double x;
  int n;
  double expected;
};

class RoundTest : public ::testing::TestWithParam<RoundCase> {};

TEST_P(RoundTest, RoundsHalvesAwayFromZero) {
  const RoundCase& c = GetParam();
  EXPECT_DOUBLE_EQ(Round(c.x, c.n), c.expected) << c.x << " to " << c.n;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RoundTest,
    ::testing::Values(RoundCase{2.5, 0, 3}, RoundCase{-2.5, 0, -3}, RoundCase{2.4, 0, 2},
                      // Stored a hair below the half; the 1e-12 lifts it.
                      RoundCase{2.675, 2, 2.68}, RoundCase{99.995, 2, 100},
                      RoundCase{29.0 / 100 * 100, 2, 29}, RoundCase{1023.0 / 1024 * 100, 2, 99.9},
                      RoundCase{0.004, 2, 0}, RoundCase{-0.004, 2, 0}, RoundCase{1250, -2, 1300},
                      RoundCase{1e20, 2, 1e20}, RoundCase{1.5, 400, 1.5}));

TEST(NumbersTest, RoundKeepsInfinitiesAndNaN) {
  EXPECT_EQ(Round(INFINITY, 2), INFINITY);
  EXPECT_TRUE(std::isnan(Round(NAN, 2)));
  EXPECT_FALSE(std::signbit(Round(-0.001, 0)));
}

}  // namespace
}  // namespace text
