// Classify, Cut and IsSelfSymmetric of triangles and quadrilaterals, checked
// through the lines they print.
#include "splitting/polygon_split.h"

#include <gtest/gtest.h>

#include <cmath>

#include "elements/polygons.h"
#include "geometry/precision.h"
#include "geometry/precision_guard.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using test::KeepXNegative;
using test::KeepXPositive;
using test::ReadElement;
using test::TextOf;

using ClassifyTest = test::PrecisionGuard;

TEST_F(ClassifyTest, AnswersAndSnapping) {
  const struct {
    const char* line;
    Side side;
    const char* after;
  } rows[] = {
      {"3 16 -1 0 0 1 0 0 1 1 0", Side::kAcross, "3 16 -1 0 0 1 0 0 1 1 0"},
      {"3 16 1 0 0 2 0 0 1 1 0", Side::kKept, "3 16 1 0 0 2 0 0 1 1 0"},
      {"4 16 -1 0 0 -2 0 0 -2 1 0 -1 1 0", Side::kRemoved, "4 16 -1 0 0 -2 0 0 -2 1 0 -1 1 0"},
      // The near vertex is snapped, whatever the answer.
      {"3 16 0.0005 0 0 1 0 0 1 1 0", Side::kKept, "3 16 0 0 0 1 0 0 1 1 0"},
      {"3 16 1 0 0 -0.0005 2 0 -1 1 0", Side::kAcross, "3 16 1 0 0 0 2 0 -1 1 0"},
      {"4 16 -1 0 0 0.0005 0 0 -1 1 0 -2 1 0", Side::kRemoved, "4 16 -1 0 0 0 0 0 -1 1 0 -2 1 0"},
      {"3 16 0.0015 0 0 1 0 0 1 1 0", Side::kKept, "3 16 0.0015 0 0 1 0 0 1 1 0"},
      // The band includes its bounds: 0.001 is snapped, 0.0010001 is not.
      {"3 16 0.001 0 0 -0.001 1 0 0 0 1", Side::kInPlane, "3 16 0 0 0 0 1 0 0 0 1"},
      {"4 16 0.0005 0 0 -0.0009 1 0 0.001 1 1 0 0 1", Side::kInPlane,
       "4 16 0 0 0 0 1 0 0 1 1 0 0 1"},
      {"3 16 0.0010001 0 0 -0.001 1 0 0 0 1", Side::kKept, "3 16 0.0010001 0 0 0 1 0 0 0 1"},
      {"3 16 -0.0010001 0 0 0.001 1 0 0 0 1", Side::kRemoved, "3 16 -0.0010001 0 0 0 1 0 0 0 1"},
  };
  Triangle splitter = KeepXPositive();
  for (const auto& row : rows) {
    auto polygon = ReadElement(row.line);
    EXPECT_EQ(polygon->Classify(splitter), row.side) << row.line;
    EXPECT_EQ(polygon->ToText(), row.after) << row.line;
  }
  precision = 0.25;  // a bound exact in binary
  auto polygon = ReadElement("3 16 0.25 0 0 -0.25 1 0 0.2500001 0 1");
  EXPECT_EQ(polygon->Classify(splitter), Side::kKept);
  EXPECT_EQ(polygon->ToText(), "3 16 0 0 0 0 1 0 0.25 0 1");
}

TEST_F(ClassifyTest, BandIsManhattanOnAnObliquePlane) {
  // Normal (0.7071, -0.7071, 0); (-1,1,0) and (-1,1,1) lie on the kept side.
  Triangle splitter({Point{0, 0, 0}, Point{1, 1, 0}, Point{0, 0, 1}}, Colour(16));
  const double h = std::sqrt(0.5);
  // 0.0006 from the plane: Manhattan 0.00085, inside the band, snapped.
  Triangle near({Point{0.0006 * h, -0.0006 * h, 0}, Point{-1, 1, 0}, Point{-1, 1, 1}}, Colour(16));
  EXPECT_EQ(near.Classify(splitter), Side::kKept);
  EXPECT_NEAR(near.Corners()[0].x, 0, 1e-15);
  EXPECT_NEAR(near.Corners()[0].y, 0, 1e-15);
  // 0.0008 from the plane: Manhattan 0.00113, outside although closer than 0.001.
  Triangle far({Point{0.0008 * h, -0.0008 * h, 0}, Point{-1, 1, 0}, Point{-1, 1, 1}}, Colour(16));
  EXPECT_EQ(far.Classify(splitter), Side::kAcross);
  EXPECT_EQ(far.Corners()[0].x, 0.0008 * h);
}

using CutTest = test::PrecisionGuard;

// Every row of the cut tables. `after` is the cut polygon itself, left
// rotated so that p1 is the first kept vertex after a removed one (nullptr:
// not checked).
TEST_F(CutTest, PiecesAndRotations) {
  enum Keep { kXPositive, kXNegative };
  const struct {
    const char* name;
    const char* line;
    Keep keep;
    const char* first;
    const char* second;
    const char* after;
  } rows[] = {
      {"triangle keeps one (three rotations)", "3 16 -1 0 0 1 0 0 1 1 0", kXNegative,
       "3 16 0 0.5 0 -1 0 0 0 0 0", "(none)", "3 16 -1 0 0 1 0 0 1 1 0"},
      {"triangle keeps two", "3 16 -1 0 0 1 0 0 1 1 0", kXPositive,
       "4 16 0 0 0 1 0 0 1 1 0 0 0.5 0", "(none)", "3 16 1 0 0 1 1 0 -1 0 0"},
      {"quad keeps one", "4 16 -2 0 0 2 1 0 -2 2 0 -4 1 0", kXPositive,
       "3 16 0 0.5 0 2 1 0 0 1.5 0", "(none)", "4 16 2 1 0 -2 2 0 -4 1 0 -2 0 0"},
      {"quad keeps two (three rotations)", "4 16 2 2 0 -2 2 0 -2 0 0 2 0 0", kXPositive,
       "4 16 0 0 0 2 0 0 2 2 0 0 2 0", "(none)", "4 16 2 0 0 2 2 0 -2 2 0 -2 0 0"},
      {"quad keeps three", "4 16 -1 0 0 2 0 0 2 2 0 1 2 0", kXPositive,
       "4 16 0 0 0 2 0 0 2 2 0 1 2 0", "3 16 1 2 0 0 1 0 0 0 0", "4 16 2 0 0 2 2 0 1 2 0 -1 0 0"},
      {"quad keeps p1 and p3, falls under one kept", "4 16 1 0 0 -1 1 0 1 2 0 -1 3 0", kXPositive,
       "3 16 0 1.5 0 1 2 0 0 2.5 0", "(none)", "4 16 1 2 0 -1 3 0 1 0 0 -1 1 0"},
      {"a vertex exactly on the plane counts as removed", "3 16 0 0 0 1 0 0 1 1 0", kXPositive,
       "4 16 0 0 0 1 0 0 1 1 0 0 0 0", "(none)", "3 16 1 0 0 1 1 0 0 0 0"},
      {"pieces inherit a direct colour token", "4 0x2FF00FF -1 0 0 2 0 0 2 2 0 1 2 0", kXPositive,
       "4 0x2FF00FF 0 0 0 2 0 0 2 2 0 1 2 0", "3 0x2FF00FF 1 2 0 0 1 0 0 0 0",
       "4 0x2FF00FF 2 0 0 2 2 0 1 2 0 -1 0 0"},
      // Intersect calls both crossing edges parallel (|den| 0.0008);
      // Cut computes the points itself instead of using (0,0,0).
      {"crossing points when Intersect misses", "3 16 0.0004 0 0 -0.0004 5 0 0.0004 10 0",
       kXPositive, "4 16 0 7.5 0 0.0004 10 0 0.0004 0 0 0 2.5 0", "(none)",
       "3 16 0.0004 10 0 0.0004 0 0 -0.0004 5 0"},
      // Nothing removed gives a copy, nothing kept no piece.
      {"triangle with nothing removed", "3 16 1 0 0 2 0 0 1 1 0", kXPositive,
       "3 16 1 0 0 2 0 0 1 1 0", "(none)", nullptr},
      {"quad with nothing removed", "4 0X2a 1 0 0 2 0 0 2 1 0 1 1 0", kXPositive,
       "4 0X2a 1 0 0 2 0 0 2 1 0 1 1 0", "(none)", nullptr},
      {"triangle with nothing kept", "3 16 -1 0 0 -2 0 0 -1 1 0", kXPositive, "(none)", "(none)",
       nullptr},
      {"quad on the plane, nothing kept", "4 16 0 0 0 0 1 0 0 1 1 0 0 1", kXPositive, "(none)",
       "(none)", nullptr},
  };
  for (const auto& row : rows) {
    Triangle splitter = row.keep == kXPositive ? KeepXPositive() : KeepXNegative();
    auto polygon = ReadElement(row.line);
    CutPieces pieces = polygon->Cut(splitter);
    EXPECT_EQ(TextOf(pieces.first), row.first) << row.name;
    EXPECT_EQ(TextOf(pieces.second), row.second) << row.name;
    if (row.after) {
      EXPECT_EQ(polygon->ToText(), row.after) << row.name;
    }
  }
}

TEST_F(CutTest, FallbackRowIsACrossingAtASmallPrecision) {
  // The "Intersect misses" row above is what the pass cuts when "-p" is small.
  precision = 1e-5;
  auto polygon = ReadElement("3 16 0.0004 0 0 -0.0004 5 0 0.0004 10 0");
  EXPECT_EQ(polygon->Classify(KeepXPositive()), Side::kAcross);
  EXPECT_EQ(TextOf(polygon->Cut(KeepXPositive()).first),
            "4 16 0 7.5 0 0.0004 10 0 0.0004 0 0 0 2.5 0");
}

TEST_F(CutTest, DegenerateSplitterTerminatesWithoutPieces) {
  Triangle splitter({Point{0, 0, 0}, Point{1, 0, 0}, Point{2, 0, 0}}, Colour(16));
  auto quad = ReadElement("4 16 -1 0 0 2 0 0 2 2 0 1 2 0");
  CutPieces pieces = quad->Cut(splitter);
  EXPECT_EQ(pieces.first, nullptr);
  EXPECT_EQ(pieces.second, nullptr);
}

using SymmetryTest = test::PrecisionGuard;

TEST_F(SymmetryTest, AnswersAndRotationsLeftInPlace) {
  const struct {
    const char* line;
    bool symmetric;
    const char* after;
  } rows[] = {
      {"3 16 0 0 0 1 1 0 -1 1 0", true, "3 16 0 0 0 1 1 0 -1 1 0"},
      {"3 16 1 1 0 -1 1 0 0 0 0", true, "3 16 0 0 0 1 1 0 -1 1 0"},  // two rotations
      {"3 16 -1 1 0 0 0 0 1 1 0", true, "3 16 0 0 0 1 1 0 -1 1 0"},  // one rotation
      {"3 16 -0.0005 0 0 1 1 0 -1 1 0", true, "3 16 -0.0005 0 0 1 1 0 -1 1 0"},
      // p1 lies 1 off the plane on the kept side, so not symmetric.
      {"3 16 1 0 0 2 1 0 -2 1 0", false, "3 16 1 0 0 2 1 0 -2 1 0"},
      {"3 16 -1 0 0 1 0 0 1 1 0", false, "3 16 -1 0 0 1 0 0 1 1 0"},
      {"4 16 1 0 0 -1 0 0 -1 1 0 1 1 0", true, "4 16 1 0 0 -1 0 0 -1 1 0 1 1 0"},  // rule b
      {"4 16 0 0 0 1 1 0 0 2 0 -1 1 0", true, "4 16 0 0 0 1 1 0 0 2 0 -1 1 0"},    // rule a
      {"4 16 1 1 0 0 2 0 -1 1 0 0 0 0", true, "4 16 0 2 0 -1 1 0 0 0 0 1 1 0"},    // one rotation
      {"4 16 -1 0 0 2 0 0 2 2 0 1 2 0", false, "4 16 2 2 0 1 2 0 -1 0 0 2 0 0"},   // p3 p4 p1 p2
      // Diagonal rule: p1 lies 1 off the plane.
      {"4 16 1 0 0 2 1 0 0 2 0 -2 1 0", false, "4 16 0 2 0 -2 1 0 1 0 0 2 1 0"},
  };
  Triangle splitter = KeepXPositive();
  for (const auto& row : rows) {
    auto polygon = ReadElement(row.line);
    EXPECT_EQ(polygon->IsSelfSymmetric(splitter), row.symmetric) << row.line;
    EXPECT_EQ(polygon->ToText(), row.after) << row.line;
  }
  precision = 0.25;  // |s| must be strictly below precision
  EXPECT_FALSE(ReadElement("3 16 0.25 0 0 1 1 0 -1 1 0")->IsSelfSymmetric(splitter));
  EXPECT_FALSE(ReadElement("3 16 -0.25 0 0 1 1 0 -1 1 0")->IsSelfSymmetric(splitter));
  EXPECT_TRUE(ReadElement("3 16 -0.125 0 0 1 1 0 -1 1 0")->IsSelfSymmetric(splitter));
}

}  // namespace
}  // namespace halvex
