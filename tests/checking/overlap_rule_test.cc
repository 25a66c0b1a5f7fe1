// Edge lines over part of another: on one line, sharing a stretch.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(OverlapRule, SharedStretch) {
  EXPECT_EQ(BodyFindings("2 24 0 0 0 10 0 0\n2 24 8 0 0 20 0 0\n"),
            Lines{"10: warning: overlap: overlaps line 9 by 2 LDU"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 10 10 10\n2 24 2 2 2 4 4 4\n"),
            Lines{"10: warning: overlap: overlaps line 9 by 3.4641 LDU"});
}

TEST(OverlapRule, EndToEndOrApartIsNoOverlap) {
  EXPECT_EQ(BodyFindings("2 24 0 0 0 10 0 0\n2 24 10 0 0 20 0 0\n"), Lines{});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 10 0 0\n2 24 10.001 0 0 20 0 0\n"), Lines{});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 10 0 0\n2 24 5 0.01 0 20 0.01 0\n"), Lines{});
}

}  // namespace
}  // namespace halvex::testing
