// Identical points: corners and ends closer than 0.0001 LDU.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(IdenticalRule, TriangleCornersJustEitherSideOfTheLimit) {
  // A right triangle with legs 0.00009 long; with legs of 0.0001 its angles
  // are 45, 90 and 45 degrees and it passes.
  EXPECT_EQ(BodyFindings("3 16 0 0 0 0.00009 0 0 0 0.00009 0\n"),
            (Lines{"9: warning: decimals: 5 places in 0.00009 > 3 recommended",
                   "9: error: identical: corners 1 and 2 are 9e-05 LDU apart < 0.0001"}));
  EXPECT_EQ(BodyFindings("3 16 0 0 0 0.0001 0 0 0 0.0001 0\n"),
            Lines{"9: warning: decimals: 4 places in 0.0001 > 3 recommended"});
}

TEST(IdenticalRule, QuadrilateralDiagonalsCompared) {
  EXPECT_EQ(BodyFindings("4 16 0 0 0 10 0 0 0 0 0 0 10 0\n"),
            Lines{"9: error: identical: corners 1 and 3 are 0 LDU apart < 0.0001"});
}

TEST(IdenticalRule, LineEnds) {
  EXPECT_EQ(BodyFindings("2 24 1 1 1 1 1 1\n"),
            Lines{"9: error: identical: ends 1 and 2 are 0 LDU apart < 0.0001"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 0.00011 0 0\n"),
            Lines{"9: warning: decimals: 5 places in 0.00011 > 3 recommended"});
  EXPECT_EQ(BodyFindings("5 24 0 0 0 5 0 0 1 1 0 1 1 0\n"),
            Lines{"9: error: identical: control points 1 and 2 are 0 LDU apart < 0.0001"});
}

}  // namespace
}  // namespace halvex::testing
