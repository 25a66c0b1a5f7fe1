// What the cuts of a run made, gathered for -a (see author_pass.h): the
// boundaries that cutting polygons left in each plane, and the places of the
// pieces the cuts made.
#pragma once

#include <array>
#include <optional>
#include <unordered_map>
#include <vector>

#include "checking/element_rules.h"
#include "model/model.h"
#include "splitting/plane.h"

namespace halvex {

// The colour of the edge lines that outline a cut: LDraw's edge colour.
inline constexpr int kOutlineColour = 24;

// A quadrilateral whose kept part had five corners, cut into a quadrilateral
// and a triangle: `ring` is that part's outline in its winding, the
// quadrilateral being ring[0..3] and the triangle ring[3], ring[4], ring[0].
struct FiveCornerCut {
  int quad;
  int triangle;
  std::array<Point, 5> ring;
};

struct CutLog {
  // The stretches, in the plane, of the boundaries of the cut polygons'
  // pieces, as edge lines of kOutlineColour. Each later plane cuts them as
  // it cuts the input, so that what is left of them runs along the output.
  Model boundary;
  // The edges in the plane of the polygons removed as lying beyond it, cut
  // by later planes likewise: where a kept polygon has an edge along one,
  // the cut has opened the part.
  Model removedEdges;
  // The polygons and edge lines near the cut planes that references drawn
  // in their place hold (primitives written as fractions): a removal beside
  // them opens the part as it does beside the output's own polygons, and
  // their edge lines cover the cut as the output's own do.
  Model drawnByReferences;
  // The planes the run cut by, in order.
  std::vector<Plane> planes;
  // The places of pieces the cuts made, lines and polygons, in the input.
  std::vector<int> pieces;
  // The places of pieces of polygons that broke a polygon rule before the
  // cut; the author pass leaves those as the cut made them.
  std::vector<int> brokenPieces;
  std::vector<FiveCornerCut> fiveCornerCuts;
  // The points, as the run found them, of the element each piece comes
  // from, by the piece's place: two pieces are alike before the run when
  // these are.
  std::unordered_map<int, ElementPoints> sources;
  // The points of the elements as the run found them, by place, before the
  // first plane snapped or cut any of them.
  std::vector<ElementPoints> before;
};

// Halves of a part modelled apart meet a plane up to some thousandths of an
// LDU from each other (0.004 in 4585450.dat; a rotated copy's corners miss it
// by 0.0012 in 23799.dat): a removed polygon's edge this close to a kept
// polygon's edge in the plane lies along it.
inline constexpr double kHalvesApart = 0.01;

// Whether `p` lies in `plane` as a point cut or snapped onto it does: to
// the last bits of its coordinates.
bool LiesInPlane(const Plane& plane, const Point& p);

// Whether `p` lies within kHalvesApart of `plane`.
bool NearPlane(const Plane& plane, const Point& p);

// The corners of a triangle or quadrilateral; none for any other element.
std::optional<std::vector<Point>> PolygonCorners(const Element& element);

// Whether `corners` break one of the polygon rules of LDraw.org's library
// as an error (see PolygonFinding): identical or collinear corners, a
// concave, crossed or bent quadrilateral.
bool BreaksPolygonRules(const std::vector<Point>& corners);

// Records the cut of an element whose points were `source` into `first`,
// now at `firstIndex` (the cut element's place), and `second` (or none),
// now at `secondIndex`: the pieces' places and sources and, for the pieces
// of a polygon, their edges that lie in `plane`. The pieces of a polygon
// that broke a polygon rule before the run (not a piece of an earlier
// plane's cut) are recorded as broken.
void RecordCut(CutLog& log, const Plane& plane, const ElementPoints& source, const Element& first,
               int firstIndex, const Element* second, int secondIndex);

// Records the edges that `polygon`, about to be removed as lying on the
// removed side of `plane`, has in the plane or near it (see kHalvesApart):
// where the kept side meets them, the cut has opened the part.
void RecordRemovedPolygon(CutLog& log, const Plane& plane, const Element& polygon);

}  // namespace halvex
