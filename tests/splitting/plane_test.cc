// The splitter plane: the questions a Triangle or Quad answers as splitter.
#include "splitting/plane.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/polygons.h"
#include "geometry/precision.h"
#include "geometry/precision_guard.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using test::KeepXPositive;

// (0,0,0), (1,1,0), (0,0,1): normal (0.7071, -0.7071, 0).
Triangle Oblique() {
  return Triangle({Point{0, 0, 0}, Point{1, 1, 0}, Point{0, 0, 1}}, Colour(16));
}

double Distance(const Element& splitter, const Point& p, Point* projection = nullptr) {
  Point q{7, 7, 7};
  double s = splitter.SignedDistance(p, &q);
  if (projection) *projection = q;
  return s;
}

TEST(SplitterNormal, FromTheFirstThreeCornersOnly) {
  Quad warped({Point{0, 0, 0}, Point{0, 0, 10}, Point{0, 10, 0}, Point{5, 5, 5}}, Colour(16));
  EXPECT_EQ(warped.Normal()->x, -1);
  Point q;
  EXPECT_EQ(warped.SignedDistance({1, 5, 5}, &q), -1);
  EXPECT_EQ(q.ToText(), "0 5 5");
}

TEST(SignedDistance, AxisPlaneSignAndProjection) {
  Triangle splitter = KeepXPositive();
  Point q;
  EXPECT_EQ(Distance(splitter, {1, 5, 5}, &q), -1);
  EXPECT_EQ(q.ToText(), "0 5 5");
  EXPECT_EQ(Distance(splitter, {-2, 0, 0}, &q), 2);
  EXPECT_EQ(q.ToText(), "0 0 0");
  double onPlane = Distance(splitter, {0, 3, 4}, &q);
  EXPECT_EQ(onPlane, 0);
  EXPECT_FALSE(std::signbit(onPlane));  // +0
  EXPECT_EQ(q.ToText(), "0 3 4");

  splitter.ReverseWinding();  // (0,10,0), (0,0,10), (0,0,0): the sides swap
  EXPECT_EQ(Distance(splitter, {1, 5, 5}), 1);
}

TEST(SignedDistance, ManhattanOnAnObliquePlane) {
  Triangle splitter = Oblique();
  Point q;
  EXPECT_NEAR(Distance(splitter, {1, 0, 0}, &q), 1.0, 1e-12);  // not the Euclidean 0.7071
  EXPECT_NEAR(q.x, 0.5, 1e-12);
  EXPECT_NEAR(q.y, 0.5, 1e-12);
  EXPECT_EQ(q.z, 0);
  EXPECT_NEAR(Distance(splitter, {-1, 0, 0}), -1.0, 1e-12);
  const double h = std::sqrt(0.5);
  // 0.0006 and 0.0008 from the plane (Euclidean) are 0.00085 and 0.00113 Manhattan.
  EXPECT_NEAR(Distance(splitter, {0.0006 * h, -0.0006 * h, 0}), 0.0006 * std::sqrt(2.0), 1e-12);
  EXPECT_NEAR(Distance(splitter, {0.0008 * h, -0.0008 * h, 0}), 0.0008 * std::sqrt(2.0), 1e-12);
}

using IsMirrorPairTest = test::PrecisionGuard;

TEST_F(IsMirrorPairTest, StrictlyWithinPrecision) {
  Triangle splitter = KeepXPositive();
  EXPECT_TRUE(splitter.IsMirrorPair({1, 2, 3}, {-1, 2, 3}));
  EXPECT_TRUE(splitter.IsMirrorPair({-1, 2, 3}, {1, 2, 3}));
  EXPECT_FALSE(splitter.IsMirrorPair({1, 2, 3}, {-1.002, 2, 3}));
  EXPECT_FALSE(splitter.IsMirrorPair({1, 2, 3}, {1, 2, 3}));
  EXPECT_TRUE(Oblique().IsMirrorPair({1, 0, 0}, {0, 1, 0}));
  precision = 0.25;
  EXPECT_TRUE(splitter.IsMirrorPair({1, 0, 0}, {-1.125, 0, 0}));
  EXPECT_FALSE(splitter.IsMirrorPair({1, 0, 0}, {-1.25, 0, 0}));  // bound excluded
  EXPECT_FALSE(splitter.IsMirrorPair({1, 0, 0}, {-1, 0.125, 0.125}));
}

TEST(Intersect, CrossingParallelAndExactZeroStart) {
  const struct {
    Point a, b;
    Crossing result;
    const char* crossing;  // the out point, (7,7,7) when left unwritten
  } rows[] = {
      {{1, 0, 0}, {-1, 0, 0}, Crossing::kCrosses, "0 0 0"},
      {{1, 0, 0}, {-1, 2, 0}, Crossing::kCrosses, "0 1 0"},
      {{1, 0, 0}, {0, 0, 0}, Crossing::kCrosses, "0 0 0"},  // t = 1 included
      {{0, 0, 0}, {1, 0, 0}, Crossing::kCrosses, "0 0 0"},  // t = 0 included
      {{2, 0, 0}, {1, 0, 0}, Crossing::kNone, "7 7 7"},
      {{-1, 0, 0}, {-2, 0, 0}, Crossing::kNone, "7 7 7"},
      {{0, 0, 0}, {0, 5, 0}, Crossing::kParallelOnPlane, "7 7 7"},
      {{0, 0, 0}, {0.0004, 5, 0}, Crossing::kParallelOnPlane, "7 7 7"},
      {{1e-300, 0, 0}, {1e-300, 5, 0}, Crossing::kNone, "7 7 7"},  // start not exactly on it
      {{1, 0, 0}, {1, 5, 0}, Crossing::kNone, "7 7 7"},
      // |den| = 0.0008 < 0.001: parallel, although the segment crosses.
      {{0.0004, 0, 0}, {-0.0004, 5, 0}, Crossing::kNone, "7 7 7"},
      // |den| = 0.001 exactly is not parallel.
      {{0.0005, 0, 0}, {-0.0005, 5, 0}, Crossing::kCrosses, "0 2.5 0"},
  };
  Triangle splitter = KeepXPositive();
  for (const auto& row : rows) {
    Point crossing{7, 7, 7};
    EXPECT_EQ(splitter.Intersect(row.a, row.b, &crossing), row.result)
        << row.a.ToText() << " - " << row.b.ToText();
    EXPECT_EQ(crossing.ToText(), row.crossing) << row.a.ToText() << " - " << row.b.ToText();
  }
}

// The point Cut uses when Intersect does not answer 1 (issue 3).
TEST(CrossingPoint, AlwaysAnswersOnTheSegment) {
  const Plane plane = *KeepXPositive().SplitterPlane();
  EXPECT_EQ(CrossingPoint(plane, {1, 0, 0}, {-1, 2, 0}).ToText(), "0 1 0");
  EXPECT_EQ(CrossingPoint(plane, {0.0004, 0, 0}, {-0.0004, 5, 0}).ToText(), "0 2.5 0");
  EXPECT_EQ(CrossingPoint(plane, {1, 0, 0}, {2, 0, 0}).ToText(), "1 0 0");     // t = -1 -> 0
  EXPECT_EQ(CrossingPoint(plane, {-2, 0, 0}, {-1, 0, 0}).ToText(), "-1 0 0");  // t = 2 -> 1
  EXPECT_EQ(CrossingPoint(plane, {3, 0, 0}, {3, 4, 0}).ToText(), "3 0 0");     // den 0, tie: a
}

TEST(DegenerateSplitter, EverythingLiesInThePlane) {
  Triangle splitter({Point{0, 0, 0}, Point{1, 0, 0}, Point{2, 0, 0}}, Colour(16));
  EXPECT_EQ(Length(*splitter.Normal()), 0);
  Point q;
  EXPECT_EQ(splitter.SignedDistance({3, 4, 5}, &q), 0);
  EXPECT_EQ(q.ToText(), "3 4 5");
  EXPECT_TRUE(splitter.IsMirrorPair({1, 1, 1}, {1.0004, 1, 1}));
  EXPECT_FALSE(splitter.IsMirrorPair({1, 1, 1}, {-1, 1, 1}));
  EXPECT_EQ(splitter.Intersect({1, 2, 3}, {4, 5, 6}, &q), Crossing::kParallelOnPlane);

  for (const char* line :
       {"1 16 1 2 3 1 0 0 0 1 0 0 0 1 a.dat", "2 24 1 0 0 -1 0 0", "5 24 1 0 0 -1 0 0 0 1 0 0 -1 0",
        "3 16 -1 0 0 1 0 0 1 1 0", "4 16 -1 0 0 2 0 0 2 2 0 1 2 0"}) {
    auto element = test::ReadElement(line);
    EXPECT_EQ(element->Classify(splitter), Side::kInPlane) << line;
    EXPECT_EQ(element->ToText(), line);
  }
}

TEST(DegenerateSplitter, ShortNormalIsUsedUnnormalised) {
  // Cross product (0, 0, 0.0001), below the fixed 0.001: left as it is, so a
  // point 1 off the plane measures only about 1e-8.
  Triangle splitter({Point{0, 0, 0}, Point{0.01, 0, 0}, Point{0, 0.01, 0}}, Colour(16));
  EXPECT_NEAR(splitter.Normal()->z, 1e-4, 1e-18);
  EXPECT_NEAR(Distance(splitter, {0, 0, 1}), 1e-8, 1e-15);
}

}  // namespace
}  // namespace halvex
