#include "splitting/polygon_split.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "geometry/precision.h"

namespace halvex {
namespace {

double DistanceOf(const Plane& plane, const Point& p) {
  Point unused;
  return SignedDistance(plane, p, &unused);
}

bool IsKeptForCut(const Plane& plane, const Point& p) { return DistanceOf(plane, p) < 0; }

bool LiesOnPlane(const Plane& plane, const Point& p) {
  return std::fabs(DistanceOf(plane, p)) < precision;
}

}  // namespace

Side ClassifyPoints(const Plane& plane, std::span<Point> corners) {
  int positive = 0;
  int negative = 0;
  for (Point& p : corners) {
    Point projection;
    double s = SignedDistance(plane, p, &projection);
    if (s > precision) {
      ++positive;
    } else if (s < -precision) {
      ++negative;
    } else if (std::isnan(s)) {
      // A point with an infinite or NaN coordinate, or measured against a
      // plane with one, has no distance: it stays as read, on neither side,
      // rather than being "snapped" to a projection made of NaNs.
    } else {
      p = projection;
    }
  }
  if (negative > 0) return positive > 0 ? Side::kAcross : Side::kKept;
  return positive > 0 ? Side::kRemoved : Side::kInPlane;
}

void RotateCorners(std::span<Point> corners) {
  std::rotate(corners.begin(), corners.begin() + 1, corners.end());
}

CutCorners CutPolygon(const Plane& plane, std::span<Point> corners) {
  assert(corners.size() == 3 || corners.size() == 4);
  std::size_t kept = 0;
  for (const Point& p : corners) kept += IsKeptForCut(plane, p) ? 1 : 0;
  if (kept == 0) return {};
  if (kept == corners.size()) return {{corners.begin(), corners.end()}, {}};

  // Turn the corner list until corner 1 is the first kept corner after a
  // removed one. Both loops end: there is a corner of each kind.
  while (IsKeptForCut(plane, corners[0])) RotateCorners(corners);
  do {
    RotateCorners(corners);
  } while (!IsKeptForCut(plane, corners[0]));

  const Point& p1 = corners[0];
  const Point& p2 = corners[1];
  const Point& p3 = corners[2];
  const Point& last = corners.back();
  // I1 lies on the edge entering the kept run, I2 on the edge leaving it.
  Point i1 = CrossingPoint(plane, last, p1);
  if (!IsKeptForCut(plane, p2)) {
    return {{i1, p1, CrossingPoint(plane, p2, p1)}, {}};
  }
  if (corners.size() == 4 && IsKeptForCut(plane, p3)) {
    Point i2 = CrossingPoint(plane, p3, corners[3]);
    return {{i1, p1, p2, p3}, {p3, i2, i1}};
  }
  return {{i1, p1, p2, CrossingPoint(plane, p3, p2)}, {}};
}

std::optional<std::pair<Point, Point>> CutSegment(const Plane& plane, const Point& a,
                                                  const Point& b) {
  bool keepA = IsKeptForCut(plane, a);
  bool keepB = IsKeptForCut(plane, b);
  if (keepA && keepB) return std::pair{a, b};
  if (!keepA && !keepB) return std::nullopt;
  Point crossing = CrossingPoint(plane, a, b);
  if (keepA) return std::pair{a, crossing};
  return std::pair{crossing, b};
}

bool IsSelfSymmetricPolygon(const Plane& plane, std::span<Point> corners) {
  if (corners.size() == 3) {
    for (int step = 0; step < 3; ++step) {
      if (LiesOnPlane(plane, corners[0]) && IsMirrorPair(plane, corners[1], corners[2])) {
        return true;
      }
      RotateCorners(corners);
    }
    return false;
  }
  assert(corners.size() == 4);
  for (int step = 0; step < 2; ++step) {
    // Symmetric about the diagonal p1-p3, which lies in the plane.
    if (LiesOnPlane(plane, corners[0]) && LiesOnPlane(plane, corners[2]) &&
        IsMirrorPair(plane, corners[1], corners[3])) {
      return true;
    }
    // The plane halves the edges p1-p2 and p3-p4.
    if (IsMirrorPair(plane, corners[0], corners[1]) &&
        IsMirrorPair(plane, corners[2], corners[3])) {
      return true;
    }
    RotateCorners(corners);
  }
  return false;
}

}  // namespace halvex
