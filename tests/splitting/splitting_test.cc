// Classify, Intersect, Cut and IsSelfSymmetric of every element type against
// the splitters of splitters.h, checked through the lines the elements print.
#include <gtest/gtest.h>

#include <string>

#include "geometry/precision.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using test::ReadElement;
using test::Splitter;
using test::TextOf;
using SplitTest = test::PrecisionGuard;

// `after` is the element once classified, nullptr when it is unchanged.
TEST_F(SplitTest, ClassifyMeasuresManhattanAndSnapsWithinTheBand) {
  const struct {
    const char* line;
    char splitter;
    Side side;
    const char* after;
    double tolerance = 0.001;
  } rows[] = {
      {"3 16 0.0005 0 0 1 0 0 1 1 0", '+', Side::kKept, "3 16 0 0 0 1 0 0 1 1 0"},
      {"3 16 1 0 0 -0.0005 2 0 -1 1 0", '+', Side::kAcross, "3 16 1 0 0 0 2 0 -1 1 0"},
      {"4 16 -1 0 0 0.0005 0 0 -1 1 0 -2 1 0", '+', Side::kRemoved,
       "4 16 -1 0 0 0 0 0 -1 1 0 -2 1 0"},
      // The band includes its bounds, and follows the precision.
      {"3 16 0.001 0 0 -0.001 1 0 0 0 1", '+', Side::kInPlane, "3 16 0 0 0 0 1 0 0 0 1"},
      {"3 16 0.0010001 0 0 -0.001 1 0 0 0 1", '+', Side::kKept, "3 16 0.0010001 0 0 0 1 0 0 0 1"},
      {"3 16 -0.0010001 0 0 0.001 1 0 0 0 1", '+', Side::kRemoved,
       "3 16 -0.0010001 0 0 0 1 0 0 0 1"},
      {"3 16 0.25 0 0 -0.25 1 0 0.2500001 0 1", '+', Side::kKept, "3 16 0 0 0 0 1 0 0.25 0 1",
       0.25},
      // 0.00085 from the plane, but 0.0012 measured as |dx| + |dy| + |dz|.
      {"3 16 0.0006 -0.0006 0 -1 1 0 -1 1 1", '/', Side::kAcross, nullptr},
      // Lines by their ends: the control points neither count nor move.
      {"2 24 5.0005 1 0 4.9991 2 0", '5', Side::kInPlane, "2 24 5 1 0 5 2 0"},
      {"5 24 4.9995 0 0 9 0 0 5.0005 0 0 1 0 0", '5', Side::kRemoved,
       "5 24 5 0 0 9 0 0 5.0005 0 0 1 0 0"},
      // A reference by its offset alone, whatever its matrix spans.
      {"1 16 0.0005 3 4 -1 0 0 0 1 0 0 0 1 a.dat", '+', Side::kInPlane,
       "1 16 0 3 4 -1 0 0 0 1 0 0 0 1 a.dat"},
      {"1 16 -5 0 0 100 0 0 0 1 0 0 0 1 a.dat", '+', Side::kRemoved, nullptr},
      // A splitter with collinear corners has everything in its plane.
      {"3 16 -1 0 0 1 0 0 1 1 0", 'd', Side::kInPlane, nullptr},
      {"5 24 1 0 0 -1 0 0 0 1 0 0 -1 0", 'd', Side::kInPlane, nullptr},
      {"1 16 1 2 3 1 0 0 0 1 0 0 0 1 a.dat", 'd', Side::kInPlane, nullptr},
  };
  for (const auto& row : rows) {
    precision = row.tolerance;
    auto element = ReadElement(row.line);
    EXPECT_EQ(element->Classify(Splitter(row.splitter)), row.side) << row.line;
    EXPECT_EQ(element->ToText(), row.after ? row.after : row.line) << row.line;
  }
}

// Against x = 0, x > 0 kept. `crossing` is what Intersect writes ("7 7 7":
// nothing); `fallback` is CrossingPoint, the point a cut uses. The parallel
// threshold is fixed at 0.001, whatever the precision.
TEST_F(SplitTest, IntersectIncludesBothEndsAndCallsNearlyParallelParallel) {
  const struct {
    Point a, b;
    Crossing result;
    const char* crossing;
    const char* fallback;
  } rows[] = {
      {{1, 0, 0}, {-1, 2, 0}, Crossing::kCrosses, "0 1 0", "0 1 0"},
      {{1, 0, 0}, {0, 0, 0}, Crossing::kCrosses, "0 0 0", "0 0 0"},  // t = 1
      {{0, 0, 0}, {1, 0, 0}, Crossing::kCrosses, "0 0 0", "0 0 0"},  // t = 0
      {{2, 0, 0}, {1, 0, 0}, Crossing::kNone, "7 7 7", "1 0 0"},     // t = 2, clamped
      {{-1, 0, 0}, {-2, 0, 0}, Crossing::kNone, "7 7 7", "-1 0 0"},  // t = -1, clamped
      // |den| = 0.0004: parallel, and on the plane as the start lies exactly on it.
      {{0, 0, 0}, {0.0004, 5, 0}, Crossing::kParallelOnPlane, "7 7 7", "0 0 0"},
      // den = 0 with the start not exactly on the plane; both ends equally
      // near, so the fallback is a.
      {{1e-300, 0, 0}, {1e-300, 5, 0}, Crossing::kNone, "7 7 7", "1e-300 0 0"},
      // |den| = 0.0008 counts as parallel although the segment crosses.
      {{0.0004, 0, 0}, {-0.0004, 5, 0}, Crossing::kNone, "7 7 7", "0 2.5 0"},
      {{0.0005, 0, 0}, {-0.0005, 5, 0}, Crossing::kCrosses, "0 2.5 0", "0 2.5 0"},
  };
  const Triangle splitter = Splitter('+');
  precision = 0.5;
  for (const auto& row : rows) {
    Point crossing{7, 7, 7};
    const std::string segment = row.a.ToText() + " - " + row.b.ToText();
    EXPECT_EQ(splitter.Intersect(row.a, row.b, &crossing), row.result) << segment;
    EXPECT_EQ(crossing.ToText(), row.crossing) << segment;
    EXPECT_EQ(CrossingPoint(*splitter.SplitterPlane(), row.a, row.b).ToText(), row.fallback)
        << segment;
  }
}

// Every way a triangle or quadrilateral can be cut, and lines. `after` is the
// cut element itself, nullptr when unchanged: a cut polygon is left rotated
// so that p1 is the first kept vertex after a removed one. "" is no piece.
TEST(Cut, PiecesAndTheRotationLeftBehind) {
  const struct {
    const char* line;
    char splitter;
    const char* first;
    const char* second;
    const char* after;
  } rows[] = {
      // Triangle keeps one, then two.
      {"3 16 -1 0 0 1 0 0 -1 1 0", '+', "3 16 0 0 0 1 0 0 0 0.5 0", "", "3 16 1 0 0 -1 1 0 -1 0 0"},
      {"3 16 -1 0 0 1 0 0 1 1 0", '+', "4 16 0 0 0 1 0 0 1 1 0 0 0.5 0", "",
       "3 16 1 0 0 1 1 0 -1 0 0"},
      // Quad keeps one, two, three (the pieces with the line's own colour token).
      {"4 16 -2 0 0 2 1 0 -2 2 0 -4 1 0", '+', "3 16 0 0.5 0 2 1 0 0 1.5 0", "",
       "4 16 2 1 0 -2 2 0 -4 1 0 -2 0 0"},
      {"4 16 2 2 0 -2 2 0 -2 0 0 2 0 0", '+', "4 16 0 0 0 2 0 0 2 2 0 0 2 0", "",
       "4 16 2 0 0 2 2 0 -2 2 0 -2 0 0"},
      {"4 0x2FF00FF 2 2 0 1 2 0 -1 0 0 2 0 0", '+', "4 0x2FF00FF 0 0 0 2 0 0 2 2 0 1 2 0",
       "3 0x2FF00FF 1 2 0 0 1 0 0 0 0", "4 0x2FF00FF 2 0 0 2 2 0 1 2 0 -1 0 0"},
      // p1 and p3 kept, p2 and p4 removed: cut as a quad that keeps one.
      {"4 16 1 0 0 -1 1 0 1 2 0 -1 3 0", '+', "3 16 0 1.5 0 1 2 0 0 2.5 0", "",
       "4 16 1 2 0 -1 3 0 1 0 0 -1 1 0"},
      // A vertex exactly on the plane is not kept.
      {"3 16 0 0 0 1 0 0 1 1 0", '+', "4 16 0 0 0 1 0 0 1 1 0 0 0 0", "", "3 16 1 0 0 1 1 0 0 0 0"},
      // Intersect calls both crossed edges parallel (|den| 0.0008): the
      // crossings come from CrossingPoint, not a stale (0,0,0).
      {"3 16 0.0004 0 0 -0.0004 5 0 0.0004 10 0", '+',
       "4 16 0 7.5 0 0.0004 10 0 0.0004 0 0 0 2.5 0", "",
       "3 16 0.0004 10 0 0.0004 0 0 -0.0004 5 0"},
      // Nothing removed: an unrotated copy. Nothing kept: no piece.
      {"4 0X2a 1 0 0 2 0 0 2 1 0 1 1 0", '+', "4 0X2a 1 0 0 2 0 0 2 1 0 1 1 0", "", nullptr},
      {"4 16 0 0 0 0 1 0 0 1 1 0 0 1", '+', "", "", nullptr},
      {"4 16 -1 0 0 2 0 0 2 2 0 1 2 0", 'd', "", "", nullptr},
      // Lines: from the kept end to the crossing; control points carried along.
      {"2 0x2FF00FF 10 0 0 0 0 0", '5', "2 0x2FF00FF 5 0 0 0 0 0", "", nullptr},
      {"5 24 0 0 0 10 0 0 1 1 1 20 2 2", '5', "5 24 0 0 0 5 0 0 1 1 1 20 2 2", "", nullptr},
      {"2 24 -1 2 0 3 -2 0", '+', "2 24 0 1 0 3 -2 0", "", nullptr},
      {"2 24 0.0004 0 0 -0.0004 5 0", '+', "2 24 0.0004 0 0 0 2.5 0", "", nullptr},
      {"2 24 1 0 0 2 0 0", '+', "2 24 1 0 0 2 0 0", "", nullptr},
      {"2 24 0 0 0 -1 0 0", '+', "", "", nullptr},  // an end on the plane is not kept
  };
  for (const auto& row : rows) {
    auto element = ReadElement(row.line);
    ElementArena arena;
    CutPieces pieces = element->Cut(Splitter(row.splitter), arena);
    EXPECT_EQ(TextOf(pieces.first), row.first) << row.line;
    EXPECT_EQ(TextOf(pieces.second), row.second) << row.line;
    EXPECT_EQ(element->ToText(), row.after ? row.after : row.line) << row.line;
  }
}

// A vertex counts as on the plane only when |s| < precision, and mirror
// images must lie strictly within precision. `after` as for Cut.
TEST_F(SplitTest, IsSelfSymmetricAndTheRotationLeftBehind) {
  const struct {
    const char* line;
    char splitter;
    bool symmetric;
    const char* after;
    double tolerance = 0.001;
  } rows[] = {
      {"3 16 1 1 0 -1 1 0 0 0 0", '+', true, "3 16 0 0 0 1 1 0 -1 1 0"},  // two turns
      // p2 and p3 mirror each other, but p1 lies 1 off the plane.
      {"3 16 1 0 0 2 1 0 -2 1 0", '+', false, nullptr},
      {"3 16 0.25 0 0 1 1 0 -1 1 0", '+', false, nullptr, 0.25},
      {"3 16 0 0 0 1 1 0 -1.25 1 0", '+', false, nullptr, 0.25},
      {"3 16 -0.125 0 0 1 1 0 -1.125 1 0", '+', true, nullptr, 0.25},
      {"4 16 1 0 0 -1 0 0 -1 1 0 1 1 0", '+', true, nullptr},  // the plane halves p1-p2, p3-p4
      {"4 16 0 0 0 1 1 0 0 2 0 -1 1 0", '+', true, nullptr},   // the diagonal p1-p3 in it
      {"4 16 1 1 0 0 2 0 -1 1 0 0 0 0", '+', true, "4 16 0 2 0 -1 1 0 0 0 0 1 1 0"},  // one turn
      // p1 and p2 mirror each other, p3 and p4 do not.
      {"4 16 1 0 0 -1 0 0 -1 1 0 2 1 0", '+', false, "4 16 -1 1 0 2 1 0 1 0 0 -1 0 0"},
      // The diagonal p1-p3 with p1, then p3, off the plane.
      {"4 16 1 0 0 2 1 0 0 2 0 -2 1 0", '+', false, "4 16 0 2 0 -2 1 0 1 0 0 2 1 0"},
      {"4 16 0 0 0 1 1 0 5 2 0 -1 1 0", '+', false, "4 16 5 2 0 -1 1 0 0 0 0 1 1 0"},
      // Lines: the ends mirror each other.
      {"2 24 1 2 3 -1 2 3", '+', true, nullptr},
      {"5 24 1 2 3 -1.0005 2 3 9 9 9 8 8 8", '+', true, nullptr},
      {"2 24 1 2 3 -1.002 2 3", '+', false, nullptr},
      {"2 24 1 0 0 0 1 0", '/', true, nullptr},
  };
  for (const auto& row : rows) {
    precision = row.tolerance;
    auto element = ReadElement(row.line);
    EXPECT_EQ(element->IsSelfSymmetric(Splitter(row.splitter)), row.symmetric) << row.line;
    EXPECT_EQ(element->ToText(), row.after ? row.after : row.line) << row.line;
  }
}

}  // namespace
}  // namespace halvex
