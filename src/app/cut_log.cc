#include "app/cut_log.h"

#include <cmath>

#include "checking/check_limits.h"
#include "checking/element_rules.h"
#include "checking/geometry_rules.h"
#include "elements/lines.h"

namespace halvex {
namespace {

// A cut point is computed onto the plane and a snapped corner projected onto
// it: both lie in it to the last bits of their coordinates, far below any
// distance the precision could mean.
constexpr double kInPlaneRounding = 1e-9;

}  // namespace

bool LiesInPlane(const Plane& plane, const Point& p) {
  Point projection;
  const double scale = std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z) + 1.0;
  return std::fabs(SignedDistance(plane, p, &projection)) <= kInPlaneRounding * scale;
}

bool NearPlane(const Plane& plane, const Point& p) {
  Point projection;
  return std::fabs(SignedDistance(plane, p, &projection)) <= kHalvesApart;
}

namespace {

// Adds the edges of `piece` whose ends both pass `inPlane` to `edges`.
void AddInPlaneEdges(Model& edges, const Plane& plane, const std::vector<Point>& piece,
                     bool (*inPlane)(const Plane&, const Point&) = LiesInPlane) {
  for (std::size_t k = 0; k < piece.size(); ++k) {
    const Point& a = piece[k];
    const Point& b = piece[(k + 1) % piece.size()];
    if (Length(Difference(a, b)) < kIdenticalDistance) continue;
    if (inPlane(plane, a) && inPlane(plane, b)) {
      edges.Append(edges.Arena().Make<EdgeLine>(a, b, Colour(kOutlineColour)));
    }
  }
}

// Adds the stretches of the edges of the polygon `corners` that run along
// the plane, within kHalvesApart, on its removed side: the cut removed
// them, as it removes a polygon lying there whole, and a kept polygon's
// edge beside them is opened alike (a face drawn a few thousandths across
// the plane beside one that ends in it, 44292.dat).
void AddRemovedAlongPlane(Model& edges, const Plane& plane, const ElementPoints& corners) {
  for (int k = 0; k < corners.count; ++k) {
    const Point& a = corners.points[k];
    const Point& b = corners.points[(k + 1) % corners.count];
    Point projection;
    const double da = SignedDistance(plane, a, &projection);
    const double db = SignedDistance(plane, b, &projection);
    if (!(std::fabs(da) <= kHalvesApart && std::fabs(db) <= kHalvesApart)) continue;
    // An edge lying in the plane is the kept piece's.
    if ((da <= 0 && db <= 0) || (LiesInPlane(plane, a) && LiesInPlane(plane, b))) continue;
    // The part of the edge beyond the plane: a and b, the one on the kept
    // side moved to where the edge crosses the plane.
    Point from = a;
    Point to = b;
    if (da < 0 || db < 0) {
      const Point crossing = Add(a, Scale(Difference(a, b), da / (da - db)));
      (da < 0 ? from : to) = crossing;
    }
    if (Length(Difference(from, to)) < kIdenticalDistance) continue;
    edges.Append(edges.Arena().Make<EdgeLine>(from, to, Colour(kOutlineColour)));
  }
}

}  // namespace

std::optional<std::vector<Point>> PolygonCorners(const Element& element) {
  if (!element.IsPolygon()) return std::nullopt;
  ElementPoints corners = PointsOf(element);
  return std::vector<Point>(corners.points, corners.points + corners.count);
}

bool BreaksPolygonRules(const std::vector<Point>& corners) {
  std::optional<Finding> finding = PolygonFinding(corners);
  return finding && finding->severity == Severity::kError;
}

void RecordCut(CutLog& log, const Plane& plane, const ElementPoints& source, const Element& first,
               int firstIndex, const Element* second, int secondIndex) {
  // A piece cut again keeps the source of the first cut; an element of the
  // input is its own source as the run found it, before any snapping.
  auto known = log.sources.find(firstIndex);
  const ElementPoints origin =
      known != log.sources.end()                                 ? known->second
      : static_cast<std::size_t>(firstIndex) < log.before.size() ? log.before[firstIndex]
                                                                 : source;
  log.sources[firstIndex] = origin;
  if (second) log.sources[secondIndex] = origin;
  // Judged on the polygon the run found: a piece of an earlier plane's cut
  // that this plane cuts again may break a rule that cut made (a corner
  // near the first plane turned straight), which the author pass mends.
  const bool sourceBroken =
      first.IsPolygon() &&
      BreaksPolygonRules(std::vector<Point>(origin.points, origin.points + origin.count));
  log.pieces.push_back(firstIndex);
  if (sourceBroken) log.brokenPieces.push_back(firstIndex);
  if (second) {
    log.pieces.push_back(secondIndex);
    if (sourceBroken) log.brokenPieces.push_back(secondIndex);
  }
  std::optional<std::vector<Point>> firstCorners = PolygonCorners(first);
  if (!firstCorners) return;
  AddRemovedAlongPlane(log.removedEdges, plane, source);
  AddInPlaneEdges(log.boundary, plane, *firstCorners);
  if (!second) return;
  std::optional<std::vector<Point>> secondCorners = PolygonCorners(*second);
  if (!secondCorners) return;
  AddInPlaneEdges(log.boundary, plane, *secondCorners);
  if (firstCorners->size() == 4 && secondCorners->size() == 3) {
    const std::vector<Point>& q = *firstCorners;
    log.fiveCornerCuts.push_back(
        {firstIndex, secondIndex, {q[0], q[1], q[2], q[3], (*secondCorners)[1]}});
  }
}

void RecordRemovedPolygon(CutLog& log, const Plane& plane, const Element& polygon) {
  if (std::optional<std::vector<Point>> corners = PolygonCorners(polygon)) {
    AddInPlaneEdges(log.removedEdges, plane, *corners, NearPlane);
  }
}

}  // namespace halvex
