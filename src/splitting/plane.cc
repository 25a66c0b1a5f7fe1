#include "splitting/plane.h"

#include <algorithm>
#include <cmath>

#include "geometry/precision.h"

namespace halvex {

Plane PlaneThrough(const Point& p1, const Point& p2, const Point& p3) {
  return {p1, Normalize(Cross(Difference(p1, p2), Difference(p2, p3)))};
}

double SignedDistance(const Plane& plane, const Point& p, Point* projection) {
  const Vector& n = plane.normal;
  double d = Dot(Difference(p, plane.origin), n);
  Point q = Add(p, Scale(n, d));
  *projection = q;
  double m = ManhattanDistance(p, q);
  return d > 0 ? -m : m;
}

bool IsMirrorPair(const Plane& plane, const Point& a, const Point& b) {
  const Vector& n = plane.normal;
  double d = Dot(Difference(a, plane.origin), n);
  Point mirrored = Add(a, Scale(n, 2 * d));
  return ManhattanDistance(mirrored, b) < precision;
}

namespace {

struct Parameter {
  double num;
  double den;
};

Parameter CrossingParameter(const Plane& plane, const Point& a, const Point& b) {
  return {Dot(plane.normal, Difference(plane.origin, a)), Dot(plane.normal, Difference(b, a))};
}

}  // namespace

Crossing Intersect(const Plane& plane, const Point& a, const Point& b, Point* crossing) {
  auto [num, den] = CrossingParameter(plane, a, b);
  if (std::fabs(den) < kFixedThreshold) {
    return num == 0 ? Crossing::kParallelOnPlane : Crossing::kNone;
  }
  double t = num / den;
  if (!(t >= 0 && t <= 1)) return Crossing::kNone;
  *crossing = Add(a, Scale(Difference(a, b), t));
  return Crossing::kCrosses;
}

Point CrossingPoint(const Plane& plane, const Point& a, const Point& b) {
  Point crossing;
  if (Intersect(plane, a, b, &crossing) == Crossing::kCrosses) return crossing;
  auto [num, den] = CrossingParameter(plane, a, b);
  if (den == 0) {
    Point unused;
    double sa = std::fabs(SignedDistance(plane, a, &unused));
    double sb = std::fabs(SignedDistance(plane, b, &unused));
    return sb < sa ? b : a;
  }
  double t = std::clamp(num / den, 0.0, 1.0);
  return Add(a, Scale(Difference(a, b), t));
}

}  // namespace halvex
