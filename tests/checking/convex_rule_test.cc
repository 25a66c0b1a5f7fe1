// Quadrilaterals convex, their corners in order: a concave one and a
// bow-tie ("bad vertex sequence") are errors.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

//   4 .......3        Corner 4 at (5, 5.1) lies just beyond the diagonal
//   |   ,.'  |        from 1 to 3 (y = x): convex; at (5, 4.9) just short
//   1'-------2        of it: concave. Its angle is 178.85 degrees either way.
TEST(ConvexRule, CornerEitherSideOfTheDiagonal) {
  EXPECT_EQ(BodyFindings("4 16 0 0 0 10 0 0 10 10 0 5 5.1 0\n"), Lines{});
  EXPECT_EQ(BodyFindings("4 16 0 0 0 10 0 0 10 10 0 5 4.9 0\n"),
            Lines{"9: error: convex: concave"});
}

TEST(ConvexRule, CrossingEdgesAreABadVertexSequence) {
  // The square's corners taken 1 3 2 4: its edges 1-2 and 3-4 cross.
  EXPECT_EQ(BodyFindings("4 16 0 0 0 10 10 0 10 0 0 0 10 0\n"),
            Lines{"9: error: convex: bad vertex sequence"});
  EXPECT_EQ(BodyFindings("4 16 0 0 0 10 0 0 10 10 0 0 10 0\n"), Lines{});
}

// The Tracker reports one problem per quadrilateral: a bent bow-tie is a
// bad vertex sequence, not also bent.
TEST(ConvexRule, ComesBeforeTheBend) {
  EXPECT_EQ(BodyFindings("4 16 0 0 0 10 10 5 10 0 0 0 10 0\n"),
            Lines{"9: error: convex: bad vertex sequence"});
}

}  // namespace
}  // namespace halvex::testing
