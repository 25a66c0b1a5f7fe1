// Colours: edge and conditional lines in colour 24 only, and colour 24 on
// no other line.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(ColourRule, LinesInColour24Only) {
  EXPECT_EQ(BodyFindings("2 24 0 0 0 1 0 0\n5 24 0 0 0 1 0 0 0 1 0 0 -1 0\n"), Lines{});
  EXPECT_EQ(BodyFindings("2 16 0 0 0 1 0 0\n5 0 0 0 0 1 0 0 0 1 0 0 -1 0\n"),
            (Lines{"9: error: colour: edge line in colour 16, must be 24",
                   "10: error: colour: conditional line in colour 0, must be 24"}));
}

TEST(ColourRule, NoColour24OnReferencesAndPolygons) {
  EXPECT_EQ(BodyFindings("3 16 0 0 0 1 0 0 0 1 0\n4 4 0 0 0 1 0 0 1 1 0 0 1 0\n"), Lines{});
  EXPECT_EQ(BodyFindings("1 24 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n3 24 0 0 0 1 0 0 0 1 0\n"),
            (Lines{"9: error: colour: reference in colour 24, which only lines may have",
                   "10: error: colour: triangle in colour 24, which only lines may have"}));
}

}  // namespace
}  // namespace halvex::testing
