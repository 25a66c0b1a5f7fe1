// How the split judges the extent of a reference's full expansion: kept
// whole, removed whole, or to be inlined, under every plane and switch.
#include "app/split_pass.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "elements/polygons.h"
#include "geometry/precision.h"

namespace halvex {
namespace {

// The plane x = value, keeping x > value, as the axis option -x++ makes it.
void AddKeepAboveX(Model& splitter, double value) {
  std::array<Point, 3> corners{{{value, 0, 0}, {value, 0, 10}, {value, 10, 0}}};
  splitter.Append(splitter.Arena().Make<Triangle>(corners, Colour(kMainColour)));
}

class JudgeExtentTest : public ::testing::Test {
 protected:
  JudgeExtentTest() {
    precision = kDefaultPrecision;
    AddKeepAboveX(splitter_, 0);
  }
  ~JudgeExtentTest() override { precision = kDefaultPrecision; }

  Verdict Judge(std::vector<Point> points) const {
    return JudgeExtent(points, splitter_, settings_);
  }

  Model splitter_;
  RunSettings settings_;
};

TEST_F(JudgeExtentTest, OneSideBeyondThePrecisionIsSettled) {
  EXPECT_EQ(Judge({{1, 5, 5}, {0.0011, -3, 2}}), Verdict::kKeepWhole);
  EXPECT_EQ(Judge({{-1, 5, 5}, {-0.0011, -3, 2}}), Verdict::kRemoveWhole);
  EXPECT_EQ(Judge({}), Verdict::kKeepWhole);  // A file that draws nothing.
}

// A point within the precision would be snapped, one in the plane marked or
// deleted by some switch: only inlining shows what becomes of them.
TEST_F(JudgeExtentTest, APointNearThePlaneOrOnBothSidesNeedsInlining) {
  EXPECT_EQ(Judge({{1, 0, 0}, {0.001, 0, 0}}), Verdict::kInline);
  EXPECT_EQ(Judge({{-1, 0, 0}, {-0.0009, 0, 0}}), Verdict::kInline);
  EXPECT_EQ(Judge({{1, 0, 0}, {0, 0, 0}}), Verdict::kInline);
  EXPECT_EQ(Judge({{1, 0, 0}, {-1, 0, 0}}), Verdict::kInline);
  EXPECT_EQ(Judge({{1, 0, 0}, {NAN, 0, 0}}), Verdict::kInline);
  precision = 0.5;
  EXPECT_EQ(Judge({{0.4, 0, 0}}), Verdict::kInline);
}

TEST_F(JudgeExtentTest, SwitchesDecideWhatBecomesOfEachSide) {
  settings_.snapOnly = true;  // -d0: nothing is removed, far points are not snapped.
  EXPECT_EQ(Judge({{-1, 0, 0}}), Verdict::kKeepWhole);
  settings_.snapOnly = false;
  settings_.deleteNotInOrAcross = true;  // -dn: the kept side goes.
  EXPECT_EQ(Judge({{1, 0, 0}}), Verdict::kRemoveWhole);
  settings_.colourElements = settings_.cutAcross = settings_.deleteAcross = true;
  settings_.deleteNotInOrAcross = false;
  EXPECT_EQ(Judge({{1, 0, 0}}), Verdict::kKeepWhole);
  EXPECT_EQ(Judge({{-1, 0, 0}}), Verdict::kRemoveWhole);
}

// Every plane counts: the second removes what the first keeps, and one
// that touches the points after a plane that keeps them asks for inlining.
TEST_F(JudgeExtentTest, EveryPlaneOfTheRunIsAsked) {
  AddKeepAboveX(splitter_, 5);
  EXPECT_EQ(Judge({{1, 0, 0}, {2, 0, 0}}), Verdict::kRemoveWhole);
  EXPECT_EQ(Judge({{6, 0, 0}, {7, 0, 0}}), Verdict::kKeepWhole);
  EXPECT_EQ(Judge({{1, 0, 0}, {7, 0, 0}}), Verdict::kInline);
  EXPECT_EQ(Judge({{-1, 0, 0}, {7, 0, 0}}), Verdict::kInline);
}

// A plane is first asked about the box around the points; a box that a
// slanted plane crosses may still hold points all on one side, and many
// points, one of them near the plane, are judged by that one.
TEST(JudgeExtent, PointsDecideWhereTheirBoxDoesNot) {
  precision = kDefaultPrecision;
  Model splitter;
  // The plane x + y = 0, keeping x + y > 0.
  std::array<Point, 3> corners{{{0, 0, 0}, {10, -10, 0}, {0, 0, 10}}};
  splitter.Append(splitter.Arena().Make<Triangle>(corners, Colour(kMainColour)));
  RunSettings settings;
  // The box's corner (-5, -5, 0) lies beyond the plane; neither point does.
  std::vector<Point> points{{6, -5, 0}, {-5, 6, 1}};
  EXPECT_EQ(JudgeExtent(points, splitter, settings), Verdict::kKeepWhole);
  for (int k = 0; k < 5000; ++k) points.push_back({10.0 + k, 10.0 + k, 3});
  points.push_back({0.0004, 0, 2});
  EXPECT_EQ(JudgeExtent(points, splitter, settings), Verdict::kInline);
  points.back() = {-4, -5, 0};
  EXPECT_EQ(JudgeExtent(points, splitter, settings), Verdict::kInline);
}

}  // namespace
}  // namespace halvex
