// Numbers without trailing zeros after the decimal point and without
// leading zeros before a digit.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(ZerosRule, TrailingZeros) {
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1.50 0 0\n"), Lines{"9: error: trailing-zero: 1.50"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1.0 0 0\n"), Lines{"9: error: trailing-zero: 1.0"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 10 0 0.5\n"), Lines{});
}

TEST(ZerosRule, LeadingZeros) {
  EXPECT_EQ(BodyFindings("2 24 0 0 0 01.5 0 0\n"), Lines{"9: error: leading-zero: 01.5"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 -01 0 0\n"), Lines{"9: error: leading-zero: -01"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 0.5 -0.5 .5\n"), Lines{});
}

}  // namespace
}  // namespace halvex::testing
