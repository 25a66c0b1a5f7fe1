// The cross-section of a part by a plane, closed with faces: from the part's
// polygons, the region of the plane that lies inside the part, tiled with
// triangles and quadrilaterals that face the removed side.
//
// The segments where the plane meets polygons are joined where they meet
// and split where one ends on or crosses another (endpoints within the
// tolerance are one point), which gives a planar arrangement. Each of its
// faces is inside or outside: by the front sides of the polygons whose
// segments bound it, or, where the polygons have no known front side or
// those say nothing, by counting crossings along rays in the plane. Faces
// covered by polygons that lie in the plane are left out: LDraw.org does not
// allow coplanar faces to overlap.
#pragma once

#include <array>
#include <span>
#include <vector>

#include "splitting/plane.h"

namespace halvex {

// A polygon of the part: its corners, and which side is its front: +1 where
// its corners run counter-clockwise seen from the front, -1 where they run
// clockwise, 0 where it has no known front side (an uncertified file).
struct SectionPolygon {
  std::vector<Point> corners;
  int front = 0;
};

// Why a region could not be closed.
enum class OpenReason {
  kBoundaryOpen,  // the segments end without meeting another
  kUndecided,     // neither the front sides nor the rays tell inside from outside
  kInsideOut,     // the front sides face into the part: outside the part looks inside
  kTooComplex,    // the segments cross each other too often to be worked out
  kNotTiled,      // no triangulation covers the region exactly once
};

struct OpenRegion {
  Point near;  // a point of the region, in the plane
  OpenReason reason;
};

struct SectionCaps {
  // Each face's corners, three or four, counter-clockwise seen from the
  // side the plane's normal points to.
  std::vector<std::vector<Point>> faces;
  int regionsClosed = 0;
  std::vector<OpenRegion> open;
};

// The caps of `plane` (its normal pointing to the removed side) for the part
// made of `polygons`. Points within `tolerance` of each other are one, and
// a corner within `tolerance` of the plane lies in it.
SectionCaps CapSection(const Plane& plane, std::span<const SectionPolygon> polygons,
                       double tolerance);

}  // namespace halvex
