// The measurements the polygon and line rules compare with their limits,
// on plain points: distances between corners, angles at corners, the shape
// of a quadrilateral and how far it is bent.
#pragma once

#include <array>
#include <span>

#include "geometry/point.h"

namespace halvex {

// The two closest of `points` (every pair, diagonals of a quadrilateral
// included, as the Tracker compares them) and their distance.
struct ClosestPair {
  int first = 0;
  int second = 1;
  double distance = 0;
};
ClosestPair ClosestPoints(std::span<const Point> points);

// The angle in degrees, 0 to 180, at `corner` between the directions to
// `previous` and `next`; 0 when either coincides with `corner`.
double CornerAngle(const Point& previous, const Point& corner, const Point& next);

// The corner (0-based) of a polygon, its corners in order, with the largest
// or the smallest angle, and that angle.
struct CornerMeasure {
  int corner = 0;
  double angle = 0;
};
CornerMeasure LargestCornerAngle(std::span<const Point> corners);
CornerMeasure SmallestCornerAngle(std::span<const Point> corners);

// The Tracker's test (VectorMath::isConvexQuad): the normals of the turns at
// the four corners, taken in order, each point the way of the next. A
// quadrilateral failing it is concave (one corner turns against the other
// three) or a bow-tie (two do: its edges cross).
enum class QuadShape { kConvex, kConcave, kBowTie };
QuadShape ShapeOf(const std::array<Point, 4>& corners);

// The larger of the angles, in degrees, between the normals of the two
// triangles a quadrilateral splits into along either diagonal: 0 for a flat
// quadrilateral (VectorMath::getMaxCoplanarAngle).
double CoplanarAngle(const std::array<Point, 4>& corners);

// The distance from `p` to the infinite line through `a` and `b`; the
// distance to `a` when the two coincide.
double DistanceToLine(const Point& p, const Point& a, const Point& b);

}  // namespace halvex
