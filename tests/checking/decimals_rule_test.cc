// Decimal places: more than 5 is an error; in coordinates, more than the
// library recommends (3 in parts, 4 in primitives) a warning.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

const std::string kPrimitiveHeader =
    "0 Test primitive\n"
    "0 Name: test.dat\n"
    "0 Author: Test Author [tester]\n"
    "0 !LDRAW_ORG Primitive UPDATE 2024-01\n"
    "0 !LICENSE Licensed under CC BY 4.0 : see CAreadme.txt\n"
    "\n"
    "0 BFC CERTIFY CCW\n"
    "\n";

TEST(DecimalsRule, PartCoordinates) {
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1.123 0 0\n"), Lines{});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1.1234 0 0\n"),
            Lines{"9: warning: decimals: 4 places in 1.1234 > 3 recommended"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1.12345 0 0\n"),
            Lines{"9: warning: decimals: 5 places in 1.12345 > 3 recommended"});
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1.123456 0 0\n"),
            Lines{"9: error: decimals: 6 places in 1.123456 > 5"});
}

TEST(DecimalsRule, PrimitiveCoordinates) {
  EXPECT_EQ(Findings(kPrimitiveHeader + "2 24 0 0 0 1.1234 0 0\n"), Lines{});
  EXPECT_EQ(Findings(kPrimitiveHeader + "2 24 0 0 0 1.12345 0 0\n"),
            Lines{"9: warning: decimals: 5 places in 1.12345 > 4 recommended"});
  EXPECT_EQ(Findings(kPrimitiveHeader + "2 24 0 0 0 1.123456 0 0\n"),
            Lines{"9: error: decimals: 6 places in 1.123456 > 5"});
}

// A rotation needs more places than a coordinate: a reference's matrix is
// held to the Tracker's limit alone, its position to the recommendation.
TEST(DecimalsRule, ReferenceMatrixAndPosition) {
  EXPECT_EQ(BodyFindings("1 16 0 0 0 0.7071 0 0.7071 0 1 0 -0.7071 0 0.7071 a.dat\n"), Lines{});
  EXPECT_EQ(BodyFindings("1 16 0 0 0 0.707107 0 0.7071 0 1 0 -0.7071 0 0.7071 a.dat\n"),
            Lines{"9: error: decimals: 6 places in 0.707107 > 5"});
  EXPECT_EQ(BodyFindings("1 16 0.5555 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"),
            Lines{"9: warning: decimals: 4 places in 0.5555 > 3 recommended"});
}

}  // namespace
}  // namespace halvex::testing
