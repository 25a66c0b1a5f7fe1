// The rules on the points of one line, asked of the points as written and
// again, by the placed check, of the points as placed: corners and ends not
// identical, corners not collinear, quadrilaterals convex and flat,
// conditional lines with control points off the line.
#pragma once

#include <optional>
#include <span>

#include "checking/finding.h"
#include "geometry/point.h"

namespace halvex {

// The finding of a triangle (3 corners) or quadrilateral (4), its line not
// set: the first rule it breaks in the Tracker's order (identical corners,
// then collinear corners, then a quadrilateral's shape, then its bend), as
// the Tracker reports one per polygon. None when it passes.
std::optional<Finding> PolygonFinding(std::span<const Point> corners);

// The finding of an edge line whose ends are identical; none otherwise.
std::optional<Finding> EdgeFinding(const Point& p1, const Point& p2);

// The finding of a conditional line (p1, p2 the line, p3, p4 its control
// points): identical ends or identical control points (an error on the
// Tracker), else a control point on the line (a warning: it cannot tell on
// which side of the line a view lies). None when it passes.
std::optional<Finding> CondFinding(const Point& p1, const Point& p2, const Point& p3,
                                   const Point& p4);

}  // namespace halvex
