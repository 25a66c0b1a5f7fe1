// Identical lines: same type and colour, same points in any order; a
// conditional line by its ends alone.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(DuplicateRule, PolygonsInAnyCornerOrder) {
  EXPECT_EQ(BodyFindings("3 16 0 0 0 10 0 0 0 10 0\n"
                         "3 16 0 10 0 0 0 0 10 0 0\n"
                         "3 4 0 10 0 0 0 0 10 0 0\n"),
            Lines{"10: warning: duplicate: same as line 9"});
}

TEST(DuplicateRule, LinesEitherWayRound) {
  EXPECT_EQ(
      BodyFindings("2 24 0 0 0 10 0 0\n"
                   "2 24 10 0 0 0 0 0\n"
                   "5 24 0 0 0 10 0 0 0 1 0 0 -1 0\n"
                   "5 24 10 0 0 0 0 0 0 2 1 0 -2 1\n"),
      (Lines{"10: warning: duplicate: same as line 9", "12: warning: duplicate: same as line 11"}));
}

TEST(DuplicateRule, PointsApartByTheLastPlace) {
  EXPECT_EQ(BodyFindings("2 24 0 0 0 10 0 0\n2 24 0 0 0 10.001 0 0\n"),
            Lines{"10: warning: overlap: overlaps line 9 by 10 LDU"});
}

TEST(DuplicateRule, References) {
  EXPECT_EQ(BodyFindings("1 16 0 0 0 1 0 0 0 1 0 0 0 1 stud.dat\n"
                         "1 16 0 0 0 1 0 0 0 1 0 0 0 1 STUD.DAT\n"
                         "1 16 0 0 0 1 0 0 0 1 0 0 0 1 stud2.dat\n"),
            Lines{"10: warning: duplicate: same as line 9"});
}

}  // namespace
}  // namespace halvex::testing
