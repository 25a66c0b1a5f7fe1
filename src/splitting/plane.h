// The splitting plane of a triangle or quadrilateral, and the three questions
// every element asks of it: on which side and how far a point lies, whether two
// points mirror each other, and where a segment crosses. Only plain points go in
// and out.
#pragma once

#include "geometry/point.h"

namespace halvex {

// The plane through the first three corners of a polygon. The positive side is
// the one the normal points to, and seen from there the corners run
// counter-clockwise; the split removes the positive side and keeps the
// negative one.
struct Plane {
  Point origin;   // The polygon's first corner.
  Vector normal;  // Unit length, or shorter (zero for collinear corners).
};

// Normalize(Cross(p2 - p1, p3 - p2)) with p1 as the plane point.
Plane PlaneThrough(const Point& p1, const Point& p2, const Point& p3);

// The signed Manhattan distance |dx| + |dy| + |dz| between p and its orthogonal
// projection, positive on the side the normal points to (+0 on the plane).
// Writes the projection to *projection.
double SignedDistance(const Plane& plane, const Point& p, Point* projection);

// Whether b lies within `precision` (Manhattan, strictly) of the mirror image
// of a.
bool IsMirrorPair(const Plane& plane, const Point& a, const Point& b);

// Where an element lies relative to a splitting plane (the answer of Classify).
enum class Side { kRemoved = -1, kAcross = 0, kKept = 1, kInPlane = 2 };

enum class Crossing { kNone = 0, kCrosses = 1, kParallelOnPlane = 2 };

// Where the segment a-b crosses the plane, both ends included. A segment whose
// direction has a component along the normal below kFixedThreshold counts as
// parallel: kParallelOnPlane when a lies exactly on the plane, kNone otherwise.
// *crossing is written only with kCrosses.
Crossing Intersect(const Plane& plane, const Point& a, const Point& b, Point* crossing);

// A crossing point that always exists, for cutting: Intersect's point when it
// finds one; otherwise the point at the same parameter clamped to the segment,
// or, when the segment is exactly parallel, the end nearer to the plane (a on
// a tie). Rounding near the plane or a tiny precision can make Intersect miss
// a crossing that the cut needs.
Point CrossingPoint(const Plane& plane, const Point& a, const Point& b);

}  // namespace halvex
