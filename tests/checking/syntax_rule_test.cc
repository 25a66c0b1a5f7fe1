// Lines in the forms the Tracker accepts: known line types, the right count
// of plain decimal numbers, colour numbers, a reference's file name.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(SyntaxRule, FieldsOfEachType) {
  EXPECT_EQ(BodyFindings("3 16 0 0 0 1 0 0 0 1\n"),
            Lines{"9: error: syntax: 8 numbers, a triangle has 9"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1 0 0 7\n"),
            Lines{"9: error: syntax: 7 numbers, an edge line has 6"});
  EXPECT_EQ(BodyFindings("1 16 0 0 0 1 0 0 0 1 0 0 0 1\n"),
            Lines{"9: error: syntax: no file name"});
}

// What a C library reads as numbers the Tracker does not: exponents, a
// plus sign, a point with no digit after it; nor negative colours.
TEST(SyntaxRule, NumbersAndColours) {
  EXPECT_EQ(BodyFindings("2 24 1e-005 0 0 1 0 0\n"),
            Lines{"9: error: syntax: 1e-005 is no plain decimal number"});
  EXPECT_EQ(BodyFindings("2 24 +1 0 0 1. 0 0\n"),
            Lines{"9: error: syntax: +1 is no plain decimal number"});
  EXPECT_EQ(BodyFindings("2 -1 0 0 0 1 0 0\n"),
            Lines{"9: error: syntax: colour -1 is no colour number"});
  EXPECT_EQ(BodyFindings("3 0x2FF0000 0 0 0 1 0 0 0 1 0\n"), Lines{});
}

TEST(SyntaxRule, UnknownLineTypes) {
  EXPECT_EQ(BodyFindings("6 16 0 0 0\nx\n  \n"), (Lines{"9: error: syntax: line type 6 unknown",
                                                        "10: error: syntax: line type x unknown"}));
}

}  // namespace
}  // namespace halvex::testing
