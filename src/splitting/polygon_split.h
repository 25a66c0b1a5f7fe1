// Classifying, cutting and symmetry-testing a polygon or segment given as its
// corners, against a splitting plane. The corner lists are changed in place
// exactly as the output file shows them: near-plane corners snapped, the list
// rotated by the cut and the symmetry test.
#pragma once

#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "splitting/plane.h"

namespace halvex {

// Counts the corners more than `precision` on each side and moves every corner
// within `precision` of the plane onto its projection, whatever the answer. A
// corner whose distance is NaN (a coordinate of it or of the plane is not
// finite) is neither moved nor counted.
Side ClassifyPoints(const Plane& plane, std::span<Point> corners);

// (p1, p2, ..., pn) becomes (p2, ..., pn, p1); the winding is unchanged.
void RotateCorners(std::span<Point> corners);

// The parts of a cut polygon that lie on the kept side, in the polygon's own
// winding. Each piece has three or four corners; `second` is used only for
// the triangle that completes a five-cornered kept part of a quadrilateral.
struct CutCorners {
  std::vector<Point> first;
  std::vector<Point> second;
};

// Cuts a triangle or quadrilateral. A corner is kept when its signed distance
// is below zero, with no tolerance band. The corners are left rotated so that
// corner 1 is the first kept corner after a removed one. With no corner on the
// removed side the whole polygon is the first piece (unrotated); with none on
// the kept side there is no piece.
CutCorners CutPolygon(const Plane& plane, std::span<Point> corners);

// The kept part of the segment a-b as its two new ends, by the rule of
// CutPolygon: both ends when both are kept, none when neither is, otherwise
// the kept end and the crossing point, in the segment's order.
std::optional<std::pair<Point, Point>> CutSegment(const Plane& plane, const Point& a,
                                                  const Point& b);

// Whether a triangle or quadrilateral is its own mirror image across the
// plane. Leaves the corners rotated as far as the test went: a triangle by 0,
// 1 or 2 steps when symmetric, back in its order when not; a quadrilateral by
// 0 or 1 step when symmetric, by two steps when not.
bool IsSelfSymmetricPolygon(const Plane& plane, std::span<Point> corners);

}  // namespace halvex
