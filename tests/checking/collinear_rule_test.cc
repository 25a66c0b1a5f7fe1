// Corners collinear: every angle at a corner between 0.025 and 179.9
// degrees (the Tracker's min_point_angle and max_point_angle).
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

// A long thin triangle; its angle at corner 1 is atan(y / 1000):
//
//   3 (1000, y)
//   |  `.
//   |     `.
//   2 ------ 1 (0, 0)
TEST(CollinearRule, SmallestAngleAgainstTheLowerLimit) {
  // atan(0.43 / 1000) = 0.024637 degrees, atan(0.44 / 1000) = 0.025210.
  EXPECT_EQ(BodyFindings("3 16 0 0 0 1000 0 0 1000 0.43 0\n"),
            Lines{"9: error: collinear: 0.02464 degrees at corner 1 < 0.025"});
  EXPECT_EQ(BodyFindings("3 16 0 0 0 1000 0 0 1000 0.44 0\n"), Lines{});
}

// A flat triangle whose top corner is h above its base of 2000: its angle
// there is 180 - 2 atan(h / 1000).
TEST(CollinearRule, LargestAngleAgainstTheUpperLimit) {
  // h = 0.87: 179.900305 degrees; h = 0.88: 179.899159.
  EXPECT_EQ(BodyFindings("3 16 -1000 0 0 0 0.87 0 1000 0 0\n"),
            Lines{"9: error: collinear: 179.9003 degrees at corner 2 > 179.9"});
  EXPECT_EQ(BodyFindings("3 16 -1000 0 0 0 0.88 0 1000 0 0\n"), Lines{});
}

TEST(CollinearRule, QuadrilateralWithACornerOnTheLineOfItsNeighbours) {
  // Corner 2 lies on the line from corner 1 to corner 3: 180 degrees.
  EXPECT_EQ(BodyFindings("4 16 0 0 0 5 0 0 10 0 0 0 10 0\n"),
            Lines{"9: error: collinear: 180 degrees at corner 2 > 179.9"});
}

}  // namespace
}  // namespace halvex::testing
