// A conditional line's control points off its line.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(ControlRule, ControlPointOnTheLineIsAWarning) {
  EXPECT_EQ(BodyFindings("5 24 0 0 0 10 0 0 20 0 0 0 1 0\n"),
            Lines{"9: warning: control: control point 1 is 0 LDU from the line < 0.0001"});
  EXPECT_EQ(BodyFindings("5 24 0 0 0 10 0 0 0 1 0 20 0.00009 0\n"),
            (Lines{"9: warning: decimals: 5 places in 0.00009 > 3 recommended",
                   "9: warning: control: control point 2 is 9e-05 LDU from the line < 0.0001"}));
  EXPECT_EQ(BodyFindings("5 24 0 0 0 10 0 0 0 1 0 20 0.00011 0\n"),
            Lines{"9: warning: decimals: 5 places in 0.00011 > 3 recommended"});
}

}  // namespace
}  // namespace halvex::testing
