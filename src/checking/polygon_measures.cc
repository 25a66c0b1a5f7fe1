#include "checking/polygon_measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace halvex {
namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// The angle between two vectors, in degrees; atan2 of the sine and cosine
// parts keeps it exact near 0 and 180 degrees, where acos of their ratio
// loses half the digits.
double AngleBetween(const Vector& u, const Vector& v) {
  return std::atan2(Length(Cross(u, v)), Dot(u, v)) * kDegreesPerRadian;
}

// The normal of the triangle a, b, c as the Tracker takes it
// (VectorMath::triangleNormal): (a - b) x (c - a), not normalised, since
// only angles between normals are measured.
Vector TriangleNormal(const Point& a, const Point& b, const Point& c) {
  return Cross(Difference(b, a), Difference(a, c));
}

template <class Better>
CornerMeasure PickCorner(std::span<const Point> corners, Better better) {
  const int n = static_cast<int>(corners.size());
  CornerMeasure picked{-1, 0};
  for (int k = 0; k < n; ++k) {
    const Point& previous = corners[static_cast<std::size_t>((k + n - 1) % n)];
    const Point& next = corners[static_cast<std::size_t>((k + 1) % n)];
    double angle = CornerAngle(previous, corners[static_cast<std::size_t>(k)], next);
    if (picked.corner < 0 || better(angle, picked.angle)) picked = {k, angle};
  }
  return picked;
}

}  // namespace

ClosestPair ClosestPoints(std::span<const Point> points) {
  ClosestPair closest{0, 1, INFINITY};
  for (std::size_t i = 0; i < points.size(); ++i) {
    for (std::size_t j = i + 1; j < points.size(); ++j) {
      double distance = Length(Difference(points[i], points[j]));
      if (distance < closest.distance) {
        closest = {static_cast<int>(i), static_cast<int>(j), distance};
      }
    }
  }
  return closest;
}

double CornerAngle(const Point& previous, const Point& corner, const Point& next) {
  return AngleBetween(Difference(corner, previous), Difference(corner, next));
}

CornerMeasure LargestCornerAngle(std::span<const Point> corners) {
  return PickCorner(corners, [](double a, double b) { return a > b; });
}

CornerMeasure SmallestCornerAngle(std::span<const Point> corners) {
  return PickCorner(corners, [](double a, double b) { return a < b; });
}

QuadShape ShapeOf(const std::array<Point, 4>& corners) {
  // turns[k]: the normal of the turn at corner k + 1, from edge k to edge k + 1.
  Vector turns[4];
  for (int k = 0; k < 4; ++k) {
    Vector edge = Difference(corners[static_cast<std::size_t>(k)],
                             corners[static_cast<std::size_t>((k + 1) % 4)]);
    Vector nextEdge = Difference(corners[static_cast<std::size_t>((k + 1) % 4)],
                                 corners[static_cast<std::size_t>((k + 2) % 4)]);
    turns[k] = Cross(edge, nextEdge);
  }
  bool convex = true;
  for (int k = 0; k < 4; ++k) convex = convex && Dot(turns[k], turns[(k + 1) % 4]) > 0;
  if (convex) return QuadShape::kConvex;
  // Against the first turn: one or three turning the other way is one
  // corner against the rest; two is a crossing.
  int against = 0;
  for (int k = 1; k < 4; ++k) against += Dot(turns[k], turns[0]) < 0 ? 1 : 0;
  return against == 2 ? QuadShape::kBowTie : QuadShape::kConcave;
}

double CoplanarAngle(const std::array<Point, 4>& c) {
  // Split along the diagonal 2-4: triangles 1 2 4 and 2 3 4; along 1-3:
  // triangles 1 3 4 and 1 2 3. Every triangle keeps the quadrilateral's
  // winding, so a flat quadrilateral gives 0 twice.
  double alongSecond =
      AngleBetween(TriangleNormal(c[0], c[1], c[3]), TriangleNormal(c[1], c[2], c[3]));
  double alongFirst =
      AngleBetween(TriangleNormal(c[0], c[2], c[3]), TriangleNormal(c[0], c[1], c[2]));
  return std::max(alongSecond, alongFirst);
}

double DistanceToLine(const Point& p, const Point& a, const Point& b) {
  Vector along = Difference(a, b);
  double length = Length(along);
  Vector offset = Difference(a, p);
  if (length == 0) return Length(offset);
  return Length(Cross(along, offset)) / length;
}

}  // namespace halvex
