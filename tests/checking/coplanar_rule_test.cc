// Quadrilaterals flat: the angle between the normals of the triangles of
// either diagonal split is a warning above 1 degree and an error above 3.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

// The square 10 x 10 with corner 3 lifted by z; the bend grows with z:
// z = 0.123 bends it 0.99659 degrees, 0.124: 1.00469, 0.37: 2.99634,
// 0.371: 3.00443 (worked out apart from the program).
std::string LiftedSquare(const char* z) {
  return std::string("4 16 0 0 0 10 0 0 10 10 ") + z + " 0 10 0\n";
}

TEST(CoplanarRule, WarningAboveOneDegree) {
  EXPECT_EQ(BodyFindings(LiftedSquare("0.123")), Lines{});
  EXPECT_EQ(BodyFindings(LiftedSquare("0.124")), Lines{"9: warning: coplanar: 1.005 degrees > 1"});
}

TEST(CoplanarRule, ErrorAboveThreeDegrees) {
  EXPECT_EQ(BodyFindings(LiftedSquare("0.37")), Lines{"9: warning: coplanar: 2.996 degrees > 1"});
  EXPECT_EQ(BodyFindings(LiftedSquare("0.371")), Lines{"9: error: coplanar: 3.004 degrees > 3"});
}

TEST(CoplanarRule, FlatQuadrilateralInAnyPlane) {
  EXPECT_EQ(BodyFindings("4 16 0 0 0 10 10 10 20 0 20 10 -10 10\n"), Lines{});
}

}  // namespace
}  // namespace halvex::testing
