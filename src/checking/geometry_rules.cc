#include "checking/geometry_rules.h"

#include <array>
#include <string>

#include "checking/check_limits.h"
#include "checking/polygon_measures.h"
#include "checking/rule_names.h"

namespace halvex {
namespace {

Finding Make(Severity severity, std::string_view rule, std::string message) {
  return Finding{0, severity, rule, std::move(message)};
}

// Identical points: [T] ValidLines ("identical points"), which compares the
// three corners of a triangle, all six pairs of a quadrilateral's corners,
// the ends of an edge line, and the ends and the control points of a
// conditional line; at the distance of kIdenticalDistance.
std::optional<Finding> IdenticalPoints(std::span<const Point> points, const char* what) {
  ClosestPair pair = ClosestPoints(points);
  if (!(pair.distance < kIdenticalDistance - kDistanceSlack)) return std::nullopt;
  return Make(Severity::kError, rules::kIdentical,
              std::string(what) + " " + std::to_string(pair.first + 1) + " and " +
                  std::to_string(pair.second + 1) + " are " +
                  MeasureText(pair.distance, kIdenticalDistance) + " LDU apart < " +
                  MeasureText(kIdenticalDistance));
}

}  // namespace

std::optional<Finding> PolygonFinding(std::span<const Point> corners) {
  if (std::optional<Finding> identical = IdenticalPoints(corners, "corners")) return identical;
  // [T] VectorMath::hasColinearPoints with max_point_angle and
  // min_point_angle: the largest angle is tested first.
  CornerMeasure largest = LargestCornerAngle(corners);
  if (largest.angle > kMaxCornerAngle) {
    return Make(Severity::kError, rules::kCollinear,
                MeasureText(largest.angle, kMaxCornerAngle) + " degrees at corner " +
                    std::to_string(largest.corner + 1) + " > " + MeasureText(kMaxCornerAngle));
  }
  CornerMeasure smallest = SmallestCornerAngle(corners);
  if (smallest.angle < kMinCornerAngle) {
    return Make(Severity::kError, rules::kCollinear,
                MeasureText(smallest.angle, kMinCornerAngle) + " degrees at corner " +
                    std::to_string(smallest.corner + 1) + " < " + MeasureText(kMinCornerAngle));
  }
  if (corners.size() != 4) return std::nullopt;
  std::array<Point, 4> quad{corners[0], corners[1], corners[2], corners[3]};
  // [T] VectorMath::isConvexQuad ("quad is concave or bowtie"); a bow-tie's
  // corners are out of order, which editors report as a bad vertex sequence.
  switch (ShapeOf(quad)) {
    case QuadShape::kConcave:
      return Make(Severity::kError, rules::kConvex, "concave");
    case QuadShape::kBowTie:
      return Make(Severity::kError, rules::kConvex, "bad vertex sequence");
    case QuadShape::kConvex:
      break;
  }
  // [T] getMaxCoplanarAngle against coplanar_angle_error and _warning; [R]
  // "Co-planar Tolerance".
  double bend = CoplanarAngle(quad);
  if (bend > kCoplanarErrorAngle) {
    return Make(
        Severity::kError, rules::kCoplanar,
        MeasureText(bend, kCoplanarErrorAngle) + " degrees > " + MeasureText(kCoplanarErrorAngle));
  }
  if (bend > kCoplanarWarningAngle) {
    return Make(Severity::kWarning, rules::kCoplanar,
                MeasureText(bend, kCoplanarWarningAngle) + " degrees > " +
                    MeasureText(kCoplanarWarningAngle));
  }
  return std::nullopt;
}

std::optional<Finding> EdgeFinding(const Point& p1, const Point& p2) {
  const Point ends[] = {p1, p2};
  return IdenticalPoints(ends, "ends");
}

std::optional<Finding> CondFinding(const Point& p1, const Point& p2, const Point& p3,
                                   const Point& p4) {
  const Point ends[] = {p1, p2};
  if (std::optional<Finding> identical = IdenticalPoints(ends, "ends")) return identical;
  const Point controls[] = {p3, p4};
  if (std::optional<Finding> identical = IdenticalPoints(controls, "control points")) {
    return identical;
  }
  // A control point on the line through the ends gives no side to test a
  // view against: a reviewer's remark, which the Tracker does not test.
  const Point* control[] = {&p3, &p4};
  for (int k = 0; k < 2; ++k) {
    double distance = DistanceToLine(*control[k], p1, p2);
    if (distance < kIdenticalDistance - kDistanceSlack) {
      return Make(Severity::kWarning, rules::kControl,
                  "control point " + std::to_string(k + 1) + " is " +
                      MeasureText(distance, kIdenticalDistance) + " LDU from the line < " +
                      MeasureText(kIdenticalDistance));
    }
  }
  return std::nullopt;
}

}  // namespace halvex
