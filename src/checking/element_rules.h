// The rules on one drawing line's element as read: its colour, a
// reference's matrix and file name, and the geometry rules on its points.
#pragma once

#include <string_view>
#include <vector>

#include "checking/finding.h"
#include "elements/element.h"

namespace halvex {

// Appends the findings of `element`, read from line `line`, to `out`.
// `selfName` is the file's own "0 Name:" (empty when it has none): a
// reference to it places the file in itself.
void CheckElement(const Element& element, int line, std::string_view selfName,
                  std::vector<Finding>& out);

// The points of a line or polygon, in order: 2 for an edge line, 3 or 4
// corners, 4 for a conditional line (its ends, then its control points);
// none for other elements. At most 4.
struct ElementPoints {
  Point points[4];
  int count = 0;
};
ElementPoints PointsOf(const Element& element);

// The geometry rules on points of a line or polygon of `lineType`
// (geometry_rules.h); none for other types.
std::optional<Finding> GeometryFinding(int lineType, const ElementPoints& points);

}  // namespace halvex
