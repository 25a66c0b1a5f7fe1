#include "app/author_pass.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string_view>
#include <tuple>
#include <vector>

#include "checking/check_limits.h"
#include "checking/duplicate_rules.h"
#include "checking/element_rules.h"
#include "checking/geometry_rules.h"
#include "checking/header_rules.h"
#include "checking/meta_words.h"
#include "checking/polygon_measures.h"
#include "elements/lines.h"
#include "elements/meta_line.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"
#include "elements/written_line.h"
#include "geometry/ascii_case.h"
#include "geometry/number_text.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

// ---- Outlines ----

// Pieces of one straight boundary are found by their line: its direction
// and the point of it nearest the origin, rounded. A cut point lies on its
// boundary to some 1e-13 LDU; the grids are far coarser, and far finer than
// the 0.001 LDU at which two edge lines overlap.
constexpr double kDirectionGrid = 1e-6;
constexpr double kFootGrid = 1e-4;
// Stretches of one line this close are one stretch.
constexpr double kJoinGap = 1e-6;
// A removed edge that keeps within kHalvesApart of a kept edge over this much
// of it runs along it: it meets the kept edge's line at 11 degrees or less.
constexpr double kSharedAlong = 0.1;

struct Stretch {
  double start;  // along the line's direction
  double end;
  Point from;
  Point to;
};

struct BoundaryLine {
  Vector direction;
  std::vector<Stretch> stretches;
};

using LineKey = std::array<long long, 6>;

// The direction of a-b of unit length, turned so that its first component
// that is not zero is positive; none for a segment shorter than the
// identical-point distance.
std::optional<Vector> CanonicalDirection(const Point& a, const Point& b) {
  const Vector along = Difference(a, b);
  const double length = Length(along);
  if (length < kIdenticalDistance) return std::nullopt;
  Vector direction = Scale(along, 1 / length);
  const double lead = std::fabs(direction.x) > 1e-9   ? direction.x
                      : std::fabs(direction.y) > 1e-9 ? direction.y
                                                      : direction.z;
  if (lead < 0) direction = Scale(direction, -1);
  return direction;
}

LineKey KeyOf(const Point& a, const Vector& direction) {
  const Point foot = Add(a, Scale(direction, -Dot(a, direction)));
  auto cell = [](double value, double grid) { return std::llround(value / grid); };
  return {cell(direction.x, kDirectionGrid), cell(direction.y, kDirectionGrid),
          cell(direction.z, kDirectionGrid), cell(foot.x, kFootGrid),
          cell(foot.y, kFootGrid),           cell(foot.z, kFootGrid)};
}

Point PointAt(const Stretch& s, double t) {
  if (t <= s.start) return s.from;
  if (t >= s.end) return s.to;
  return Add(s.from, Scale(Difference(s.from, s.to), (t - s.start) / (s.end - s.start)));
}

struct Segment {
  Point a;
  Point b;
};

// The edge lines of `edges`, as segments.
std::vector<Segment> SegmentsOf(const Model& edges) {
  std::vector<Segment> segments;
  for (int k = 0; k < edges.Size(); ++k) {
    if (const auto* edge = dynamic_cast<const EdgeLine*>(&edges.ElementAt(k))) {
      segments.push_back({edge->P1(), edge->P2()});
    }
  }
  return segments;
}


bool BoxesApart(const Segment& s, const Segment& t, double slack) {
  return std::max(s.a.x, s.b.x) < std::min(t.a.x, t.b.x) - slack ||
         std::min(s.a.x, s.b.x) > std::max(t.a.x, t.b.x) + slack ||
         std::max(s.a.y, s.b.y) < std::min(t.a.y, t.b.y) - slack ||
         std::min(s.a.y, s.b.y) > std::max(t.a.y, t.b.y) + slack ||
         std::max(s.a.z, s.b.z) < std::min(t.a.z, t.b.z) - slack ||
         std::min(s.a.z, s.b.z) > std::max(t.a.z, t.b.z) + slack;
}

// The stretches of the edges in a cut plane of `output`'s polygons along
// which a removed polygon had an edge: there the removal opened the part.
// The kept polygon's edge is outlined, not the removed one's.
std::vector<Segment> OpenedEdges(const Model& output, const CutLog& log) {
  std::vector<Segment> removed = SegmentsOf(log.removedEdges);
  std::vector<Segment> opened;
  if (removed.empty()) return opened;
  for (int k = 0; k < output.Size(); ++k) {
    std::optional<std::vector<Point>> corners = PolygonCorners(output.ElementAt(k));
    if (!corners) continue;
    for (std::size_t c = 0; c < corners->size(); ++c) {
      const Segment kept{(*corners)[c], (*corners)[(c + 1) % corners->size()]};
      const double length = Length(Difference(kept.a, kept.b));
      if (length < kIdenticalDistance) continue;
      // Near the plane as the halves are: a corner snapped onto a later,
      // oblique plane has moved off an earlier one (3.4e-5 LDU in
      // 14769p03.dat).
      bool inPlane = false;
      for (const Plane& plane : log.planes) {
        inPlane = inPlane || (NearPlane(plane, kept.a) && NearPlane(plane, kept.b));
      }
      if (!inPlane) continue;
      const Vector direction = Scale(Difference(kept.a, kept.b), 1 / length);
      for (const Segment& r : removed) {
        if (BoxesApart(kept, r, kHalvesApart)) continue;
        const double ta = Dot(Difference(kept.a, r.a), direction);
        const double tb = Dot(Difference(kept.a, r.b), direction);
        double low = std::max(0.0, std::min(ta, tb));
        double high = std::min(length, std::max(ta, tb));
        // The removed edge lies along the kept one where both its ends lie
        // within kHalvesApart of the kept edge's line. A removed edge longer
        // than the kept one may bend off it beyond the kept edge's end
        // (3626bp6u.dat: a corner of the print 0.002 LDU inside the head's
        // side, 0.23 LDU from the end of the plain side's straight edge):
        // it lies along the kept edge all the same where it keeps within
        // kHalvesApart of it over a stretch both share of kSharedAlong or
        // more. Along a straight edge the distance from a line is largest at
        // one end of any stretch, so its points at the two ends tell. A
        // shorter stretch does not count: an edge leaving a corner of the
        // halves apart at any angle keeps that close to the kept edge for
        // some thousandths of an LDU (t43303.dat).
        bool along = DistanceToLine(r.a, kept.a, kept.b) <= kHalvesApart &&
                     DistanceToLine(r.b, kept.a, kept.b) <= kHalvesApart;
        if (!along && high - low >= kSharedAlong) {
          auto removedAt = [&](double t) {
            return Add(r.a, Scale(Difference(r.a, r.b), (t - ta) / (tb - ta)));
          };
          along = DistanceToLine(removedAt(low), kept.a, kept.b) <= kHalvesApart &&
                  DistanceToLine(removedAt(high), kept.a, kept.b) <= kHalvesApart;
        }
        if (!along) continue;
        // Ends as far apart as the halves are count as the kept edge's own.
        if (low <= kHalvesApart) low = 0;
        if (high >= length - kHalvesApart) high = length;
        if (high - low < kIdenticalDistance) continue;
        opened.push_back({low <= 0 ? kept.a : Add(kept.a, Scale(direction, low)),
                          high >= length ? kept.b : Add(kept.a, Scale(direction, high))});
      }
    }
  }
  return opened;
}

// The pieces of a boundary, joined into one stretch per straight run.
std::vector<Stretch> JoinedBoundary(const std::vector<Segment>& boundary) {
  std::map<LineKey, BoundaryLine> lines;
  for (const Segment& edge : boundary) {
    std::optional<Vector> direction = CanonicalDirection(edge.a, edge.b);
    if (!direction || !std::isfinite(direction->x + direction->y + direction->z)) continue;
    BoundaryLine& line = lines[KeyOf(edge.a, *direction)];
    if (line.stretches.empty()) line.direction = *direction;
    Stretch s{Dot(edge.a, line.direction), Dot(edge.b, line.direction), edge.a, edge.b};
    if (s.start > s.end) s = {s.end, s.start, s.to, s.from};
    line.stretches.push_back(s);
  }
  std::vector<Stretch> joined;
  for (auto& [key, line] : lines) {
    std::sort(line.stretches.begin(), line.stretches.end(),
              [](const Stretch& a, const Stretch& b) { return a.start < b.start; });
    Stretch current = line.stretches.front();
    for (const Stretch& s : line.stretches) {
      if (s.start <= current.end + kJoinGap) {
        if (s.end > current.end) {
          current.end = s.end;
          current.to = s.to;
        }
      } else {
        joined.push_back(current);
        current = s;
      }
    }
    joined.push_back(current);
  }
  return joined;
}

// The parts of `s` that no edge of `edges` covers: an edge covers the part
// of `s` it runs along, both its ends within the overlap distance of the
// line of `s` (ldraw.org/article/512, "Overlapping and Intersecting Line
// Types": no edge line may lie over part of another).
std::vector<Segment> Uncovered(const Stretch& s, const std::vector<Segment>& edges) {
  const Vector direction = Scale(Difference(s.from, s.to), 1 / (s.end - s.start));
  std::vector<std::pair<double, double>> covered;
  const double slack = kOverlapDistance;
  for (const Segment& e : edges) {
    if (std::max(e.a.x, e.b.x) < std::min(s.from.x, s.to.x) - slack ||
        std::min(e.a.x, e.b.x) > std::max(s.from.x, s.to.x) + slack ||
        std::max(e.a.y, e.b.y) < std::min(s.from.y, s.to.y) - slack ||
        std::min(e.a.y, e.b.y) > std::max(s.from.y, s.to.y) + slack ||
        std::max(e.a.z, e.b.z) < std::min(s.from.z, s.to.z) - slack ||
        std::min(e.a.z, e.b.z) > std::max(s.from.z, s.to.z) + slack) {
      continue;
    }
    if (DistanceToLine(e.a, s.from, s.to) > slack || DistanceToLine(e.b, s.from, s.to) > slack) {
      continue;
    }
    double t0 = Dot(e.a, direction);
    double t1 = Dot(e.b, direction);
    if (t0 > t1) std::swap(t0, t1);
    covered.emplace_back(t0, t1);
  }
  std::sort(covered.begin(), covered.end());
  std::vector<Segment> open;
  double t = s.start;
  auto addOpen = [&](double from, double to) {
    if (to - from >= kOverlapDistance) open.push_back({PointAt(s, from), PointAt(s, to)});
  };
  for (const auto& [t0, t1] : covered) {
    if (t0 > t) addOpen(t, std::min(t0, s.end));
    t = std::max(t, t1);
    if (t >= s.end) break;
  }
  if (t < s.end) addOpen(t, s.end);
  return open;
}

// Appends to `lines` the outline of the cut of `model`: the boundary of the
// cut pieces and the edges the removal opened, in straight runs, less what
// edge lines of `model` cover already. Answers how many lines it appended.
int AppendOutlines(Model& lines, const Model& model, const CutLog& log) {
  std::vector<Segment> boundary = SegmentsOf(log.boundary);
  for (const Model* kept : {&model, &log.drawnByReferences}) {
    std::vector<Segment> opened = OpenedEdges(*kept, log);
    boundary.insert(boundary.end(), opened.begin(), opened.end());
  }
  std::vector<Stretch> joined = JoinedBoundary(boundary);
  if (joined.empty()) return 0;
  std::vector<Segment> edges = SegmentsOf(model);
  std::vector<Segment> drawn = SegmentsOf(log.drawnByReferences);
  edges.insert(edges.end(), drawn.begin(), drawn.end());
  int added = 0;
  for (const Stretch& s : joined) {
    for (const Segment& open : Uncovered(s, edges)) {
      lines.Append(lines.Arena().Make<EdgeLine>(open.a, open.b, Colour(kOutlineColour)));
      ++added;
    }
  }
  return added;
}

// ---- Rounding ----

// An axis plane of the splitter: points cut on it get its value exactly.
struct AxisValue {
  int axis;  // 0 x, 1 y, 2 z
  double value;
};

// A point computed onto an axis plane misses it by the rounding of the
// crossing's arithmetic, some 1e-15 LDU ("3.55271e-015"); this is far
// above that and far below anything rounding to four places keeps.
constexpr double kOnAxisPlane = 1e-6;

std::vector<AxisValue> AxisValuesOf(const Model& splitter) {
  std::vector<AxisValue> values;
  for (int s = 0; s < splitter.Size(); ++s) {
    std::optional<Plane> plane = splitter.ElementAt(s).SplitterPlane();
    if (!splitter.ElementAt(s).IsPolygon() || !plane) continue;
    const Vector& n = plane->normal;
    const Point& o = plane->origin;
    if (n.y == 0 && n.z == 0 && n.x != 0) values.push_back({0, o.x});
    if (n.x == 0 && n.z == 0 && n.y != 0) values.push_back({1, o.y});
    if (n.x == 0 && n.y == 0 && n.z != 0) values.push_back({2, o.z});
  }
  return values;
}

class Rounder {
 public:
  explicit Rounder(std::vector<AxisValue> axes) : axes_(std::move(axes)) {}

  Point Round(const Point& p) {
    double c[3] = {p.x, p.y, p.z};
    for (const AxisValue& axis : axes_) {
      double& v = c[axis.axis];
      if (std::fabs(v - axis.value) <= kOnAxisPlane) v = axis.value;
    }
    for (double& v : c) {
      double rounded = RoundToPlaces(v, kAuthorPlaces);
      // A value on an axis plane of more places than written stays exact.
      if (!IsAxisValue(v)) v = rounded;
    }
    Point rounded{c[0], c[1], c[2]};
    moved_ += (rounded.x != p.x) + (rounded.y != p.y) + (rounded.z != p.z);
    return rounded;
  }

  int Moved() const { return moved_; }

 private:
  bool IsAxisValue(double v) const {
    for (const AxisValue& axis : axes_) {
      if (v == axis.value && RoundToPlaces(v, kAuthorPlaces) != v) return true;
    }
    return false;
  }

  std::vector<AxisValue> axes_;
  int moved_ = 0;
};

// ---- Tiling ----

bool Passes(const std::vector<Point>& corners) { return !BreaksPolygonRules(corners); }

// The ring without corners that coincide with the next one and, with
// `straight`, without those that lie on the line of their neighbours
// (LDraw.org's angle limits, check_limits.h).
std::vector<Point> CleanRing(std::vector<Point> ring, bool straight = true) {
  bool changed = true;
  while (changed && ring.size() >= 3) {
    changed = false;
    const std::size_t n = ring.size();
    for (std::size_t k = 0; k < n; ++k) {
      const Point& previous = ring[(k + n - 1) % n];
      const Point& next = ring[(k + 1) % n];
      if (Length(Difference(ring[k], next)) < kIdenticalDistance ||
          (straight && CornerAngle(previous, ring[k], next) > kMaxCornerAngle)) {
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(k));
        changed = true;
        break;
      }
    }
  }
  return ring;
}

using Tiling = std::vector<std::vector<Point>>;

std::vector<Point> Pick(const std::vector<Point>& ring, std::initializer_list<std::size_t> at) {
  std::vector<Point> corners;
  for (std::size_t k : at) corners.push_back(ring[k % ring.size()]);
  return corners;
}

// The ways to tile a convex ring of 3 to 5 corners, the cut's own first: a
// triangle, quadrilateral or pentagon as one piece, a quadrilateral split
// along either diagonal, a pentagon as a triangle cut off one corner and
// the quadrilateral left, then as fans of three triangles. Larger rings
// only as fans.
std::vector<Tiling> TilingsOf(const std::vector<Point>& ring) {
  const std::size_t n = ring.size();
  std::vector<Tiling> tilings;
  if (n == 3) return {{ring}};
  if (n == 4) {
    tilings.push_back({ring});
    tilings.push_back({Pick(ring, {0, 1, 2}), Pick(ring, {2, 3, 0})});
    tilings.push_back({Pick(ring, {1, 2, 3}), Pick(ring, {3, 0, 1})});
    return tilings;
  }
  if (n == 5) {
    // The cut's own: the triangle at corner 4, then at the others.
    for (std::size_t c : {4u, 0u, 1u, 2u, 3u}) {
      tilings.push_back({Pick(ring, {c + 1, c + 2, c + 3, c + 4}), Pick(ring, {c + 4, c, c + 1})});
    }
  }
  for (std::size_t c = 0; c < n; ++c) {
    Tiling fan;
    for (std::size_t k = 1; k + 1 < n; ++k) fan.push_back(Pick(ring, {c, c + k, c + k + 1}));
    tilings.push_back(fan);
  }
  return tilings;
}

// The width of a piece across its longest edge: twice its area over that
// edge's length.
double WidthOf(const std::vector<Point>& corners) {
  Vector area{};
  double longest = 0;
  for (std::size_t k = 0; k < corners.size(); ++k) {
    const Point& a = corners[k];
    const Point& b = corners[(k + 1) % corners.size()];
    area = Add(area, Cross(a, b));
    longest = std::max(longest, Length(Difference(a, b)));
  }
  return longest > 0 ? Length(area) / longest : 0;
}

// Pieces in the ring's winding that pass the polygon rules and cover it:
// the first tiling of all its corners whose every piece passes (a corner
// all but straight stays, split between two triangles: left out, it would
// take a sliver of the face with it, 0.005 LDU wide where its edges are 30
// long); failing that, the first such tiling of the ring without its
// straight corners, or the one with the fewest failing pieces, less those
// of them narrower than two points four places can tell apart (pieces of
// no area). Empty for a ring of no area.
Tiling Tile(const std::vector<Point>& corners) {
  const std::vector<Point> whole = CleanRing(corners, false);
  if (whole.size() >= 3) {
    for (Tiling& tiling : TilingsOf(whole)) {
      if (std::all_of(tiling.begin(), tiling.end(), Passes)) return tiling;
    }
  }
  std::vector<Point> ring = CleanRing(corners);
  if (ring.size() < 3) return {};
  Tiling best;
  std::size_t fewestFailing = SIZE_MAX;
  for (Tiling& tiling : TilingsOf(ring)) {
    std::size_t failing = 0;
    for (const std::vector<Point>& piece : tiling) failing += Passes(piece) ? 0 : 1;
    if (failing == 0) return tiling;
    if (failing < fewestFailing) {
      fewestFailing = failing;
      best = std::move(tiling);
    }
  }
  std::erase_if(best, [](const std::vector<Point>& piece) {
    return !Passes(piece) && WidthOf(piece) < kIdenticalDistance;
  });
  return best;
}

// What a polygon made in place of another keeps of it: its winding and
// whether it is culled.
struct Facing {
  std::int8_t winding;
  bool culled;
};

Facing FacingOf(const Element& element) { return {element.winding, element.culled}; }

ArenaPtr<Element> MakePolygon(ElementArena& arena, const std::vector<Point>& c,
                              const Colour& colour, Facing facing) {
  ArenaPtr<Element> polygon;
  if (c.size() == 3) polygon = arena.Make<Triangle>(std::array<Point, 3>{c[0], c[1], c[2]}, colour);
  if (c.size() == 4) {
    polygon = arena.Make<Quad>(std::array<Point, 4>{c[0], c[1], c[2], c[3]}, colour);
  }
  if (polygon) {
    polygon->winding = facing.winding;
    polygon->culled = facing.culled;
  }
  return polygon;
}

std::vector<Point> PointsVector(const ElementPoints& points) {
  return std::vector<Point>(points.points, points.points + points.count);
}

// The rounding, re-tiling and dropping of one model.
class GeometryPass {
 public:
  GeometryPass(Model& output, const CutLog& log, const Model& splitter, AuthorReport& report)
      : output_(output), log_(log), rounder_(AxisValuesOf(splitter)), report_(report) {}

  void Run() {
    const int size = output_.Size();
    runMade_.assign(static_cast<std::size_t>(size), false);
    broken_.assign(static_cast<std::size_t>(size), false);
    done_.assign(static_cast<std::size_t>(size), false);
    originals_.resize(static_cast<std::size_t>(size));
    for (int k = 0; k < size; ++k) originals_[At(k)] = PointsOf(output_.ElementAt(k));
    for (int k : log_.pieces) {
      if (k < size) runMade_[At(k)] = true;
    }
    for (int k : log_.brokenPieces) {
      if (k < size) broken_[At(k)] = true;
    }
    for (const FiveCornerCut& cut : log_.fiveCornerCuts) RetileFiveCorners(cut);
    for (int k = 0; k < size; ++k) {
      if (!done_[At(k)]) RoundElement(k);
    }
    report_.coordinatesRounded += rounder_.Moved();
    RemoveDuplicates(size);
  }

  // Outlines added before the pass: made by the run.
  void MarkOutlines(int from) { outlinesFrom_ = from; }

 private:
  static std::size_t At(int k) { return static_cast<std::size_t>(k); }

  // The points of the element at `k`, or of the one it was cut from, before
  // the run snapped or cut anything; as the pass found them for elements the
  // run made otherwise.
  const ElementPoints& BeforeRun(int k) const {
    if (auto source = log_.sources.find(k); source != log_.sources.end()) return source->second;
    if (At(k) < log_.before.size()) return log_.before[At(k)];
    return originals_[At(k)];
  }

  bool IsRunMade(int k) const {
    return k >= outlinesFrom_ || k >= static_cast<int>(runMade_.size()) || runMade_[At(k)];
  }

  // Puts `pieces` at the places `at` (emptied where there are fewer pieces)
  // and appends the rest.
  // `retiled` says whether the pieces replace the polygons or only round them.
  void Place(const std::vector<int>& at, const Tiling& pieces, const Colour& colour, Facing facing,
             bool retiled = true) {
    std::size_t next = 0;
    for (int k : at) {
      if (next < pieces.size()) {
        output_.ReplaceAt(k, MakePolygon(output_.Arena(), pieces[next++], colour, facing));
      } else {
        output_.ReplaceWithEmpty(k);
      }
    }
    // Pieces appended beyond the places take the texture place of the
    // first: a piece of a textured face stays textured.
    const TextureTag tag = at.empty() ? TextureTag{} : output_.TagAt(at.front());
    for (; next < pieces.size(); ++next) {
      output_.Append(MakePolygon(output_.Arena(), pieces[next], colour, facing));
      if (tag != TextureTag{}) output_.SetTag(output_.Size() - 1, tag);
    }
    if (pieces.empty()) {
      ++report_.piecesDropped;
    } else if (retiled) {
      ++report_.polygonsRetiled;
    }
  }

  // Counts the pieces of `pieces` that still break a rule, and how far off
  // the nearest cut plane the corners near one lie: the pieces' own and
  // those of `source`, the polygon they were cut from. A piece is left thin
  // by a corner near the plane, kept or cut away (a triangle whose tip lies
  // 0.002 LDU beyond the plane leaves a quad with an edge 0.001 long);
  // snapping that corner onto the plane leaves no such piece.
  void CountBroken(const Tiling& pieces, const ElementPoints& source) {
    auto note = [&](const Point& corner) {
      double nearest = kThinPieceReach;
      for (const Plane& plane : log_.planes) {
        Point projection;
        nearest = std::min(nearest, std::fabs(SignedDistance(plane, corner, &projection)));
      }
      if (nearest < kThinPieceReach) {
        report_.thinPieceReach = std::max(report_.thinPieceReach, nearest);
      }
    };
    bool broken = false;
    for (const std::vector<Point>& piece : pieces) {
      if (Passes(piece)) continue;
      broken = true;
      ++report_.piecesLeftBroken;
      for (const Point& corner : piece) note(corner);
    }
    if (!broken) return;
    for (int p = 0; p < source.count; ++p) note(source.points[p]);
  }

  // A five-cornered kept part still in the two pieces the cut made: when
  // rounded they would break a rule, the part is tiled anew as a whole.
  void RetileFiveCorners(const FiveCornerCut& cut) {
    const Element& quadElement = output_.ElementAt(cut.quad);
    const Element& triangleElement = output_.ElementAt(cut.triangle);
    const auto* quad = dynamic_cast<const Quad*>(&quadElement);
    const auto* triangle = dynamic_cast<const Triangle*>(&triangleElement);
    if (!quad || !triangle || broken_[At(cut.quad)]) return;
    const std::array<Point, 4>& q = quad->Corners();
    const std::array<Point, 3>& t = triangle->Corners();
    auto same = [](const Point& a, const Point& b) {
      return a.x == b.x && a.y == b.y && a.z == b.z;
    };
    for (std::size_t k = 0; k < 4; ++k) {
      if (!same(q[k], cut.ring[k])) return;
    }
    if (!same(t[0], cut.ring[3]) || !same(t[1], cut.ring[4]) || !same(t[2], cut.ring[0])) return;
    std::vector<Point> ring;
    for (const Point& p : cut.ring) ring.push_back(rounder_.Round(p));
    done_[At(cut.quad)] = true;
    done_[At(cut.triangle)] = true;
    const std::vector<Point> quadPiece = Pick(ring, {0, 1, 2, 3});
    const std::vector<Point> trianglePiece = Pick(ring, {3, 4, 0});
    const Colour colour = quad->GetColour();
    const Facing facing = FacingOf(*quad);
    if (Passes(quadPiece) && Passes(trianglePiece)) {
      Place({cut.quad, cut.triangle}, {quadPiece, trianglePiece}, colour, facing, false);
      return;
    }
    const Tiling pieces = Tile(ring);
    CountBroken(pieces, BeforeRun(cut.quad));
    Place({cut.quad, cut.triangle}, pieces, colour, facing);
  }

  void RoundElement(int k) {
    Element& element = output_.ElementAt(k);
    const int type = element.LineType();
    if (type < kEdgeType || type > kCondType) return;
    const auto& coloured = static_cast<const ColouredElement&>(element);
    const Colour colour = coloured.GetColour();
    const ElementPoints& original = originals_[At(k)];
    ElementPoints rounded = original;
    for (int p = 0; p < rounded.count; ++p) rounded.points[p] = rounder_.Round(original.points[p]);
    auto differ = [](const ElementPoints& x, const ElementPoints& y) {
      if (x.count != y.count) return true;
      for (int p = 0; p < x.count; ++p) {
        const Point& a = x.points[p];
        const Point& b = y.points[p];
        if (a.x != b.x || a.y != b.y || a.z != b.z) return true;
      }
      return false;
    };
    const bool moved = differ(rounded, original);
    // Snapped onto a plane, an element may have become a point or flat.
    const bool snapped = differ(BeforeRun(k), original);
    if (!moved && !snapped && !IsRunMade(k)) return;
    const Point* r = rounded.points;
    const Facing facing = FacingOf(element);
    if (type == kEdgeType || type == kCondType) {
      // A line that rounding, snapping or the cut shrank to a point is
      // dropped: one that was a point before the run stays (the check
      // reports it).
      const ElementPoints& before = BeforeRun(k);
      const bool wasPoint = EdgeFinding(before.points[0], before.points[1]).has_value();
      if (!wasPoint && EdgeFinding(r[0], r[1])) {
        output_.ReplaceWithEmpty(k);
        ++report_.piecesDropped;
        return;
      }
      if (!moved) return;
      ArenaPtr<Element> line =
          type == kEdgeType
              ? ArenaPtr<Element>(output_.Arena().Make<EdgeLine>(r[0], r[1], colour))
              : ArenaPtr<Element>(output_.Arena().Make<CondLine>(r[0], r[1], r[2], r[3], colour));
      line->winding = facing.winding;
      line->culled = facing.culled;
      output_.ReplaceAt(k, std::move(line));
      return;
    }
    const std::vector<Point> corners = PointsVector(rounded);
    const bool wasBroken = IsRunMade(k) ? broken_.size() > At(k) && broken_[At(k)]
                                        : BreaksPolygonRules(PointsVector(BeforeRun(k)));
    if (wasBroken || Passes(corners)) {
      if (moved) output_.ReplaceAt(k, MakePolygon(output_.Arena(), corners, colour, facing));
      return;
    }
    const Tiling pieces = Tile(corners);
    CountBroken(pieces, BeforeRun(k));
    Place({k}, pieces, colour, facing);
  }

  // Lines of type 2 to 5 that the run made identical to an earlier line are
  // dropped: identical now, and not before the run (a piece is compared by
  // the element it was cut from). Lines identical already as they came to
  // the run stay. Lines are compared only within one place of the texture
  // blocks: a textured face and the fallback face it hides are meant to be
  // alike, and each is drawn by its own kind of viewer.
  void RemoveDuplicates(int originalSize) {
    struct Indexes {
      DuplicateIndex now;
      DuplicateIndex before;
    };
    std::map<std::tuple<int, int, bool>, Indexes> byPlace;
    for (int k = 0; k < output_.Size(); ++k) {
      const Element& element = output_.ElementAt(k);
      const int type = element.LineType();
      if (type < kEdgeType || type > kCondType) continue;
      const TextureTag tag = output_.TagAt(k);
      Indexes& indexes =
          byPlace[{tag.texture, static_cast<int>(tag.section), tag.hidden}];
      DuplicateIndex& now = indexes.now;
      DuplicateIndex& before = indexes.before;
      const int colour = static_cast<const ColouredElement&>(element).GetColour().Number();
      const ElementPoints points = PointsOf(element);
      const int first = now.AddLine(type, colour, {points.points, At(points.count)}, k);
      int firstBefore = -1;
      if (k < originalSize) {
        const ElementPoints& original = BeforeRun(k);
        firstBefore = before.AddLine(type, colour, {original.points, At(original.count)}, k);
      }
      if (first < 0) continue;
      if (firstBefore != first) {
        output_.ReplaceWithEmpty(k);
        ++report_.duplicatesRemoved;
      }
    }
  }

  Model& output_;
  const CutLog& log_;
  Rounder rounder_;
  AuthorReport& report_;
  std::vector<bool> runMade_;
  std::vector<bool> broken_;
  std::vector<bool> done_;
  std::vector<ElementPoints> originals_;
  int outlinesFrom_ = 0;
};

// ---- Text ----

void AppendPoint(std::string& out, const Point& p) {
  for (double v : {p.x, p.y, p.z}) {
    out.push_back(' ');
    AppendDecimal(out, v, kAuthorPlaces);
  }
}

// The final text of a drawing line; none for other elements.
std::optional<std::string> AuthorText(const Element& element) {
  const int type = element.LineType();
  if (type < kSubfileType || type > kCondType) return std::nullopt;
  std::string text(1, static_cast<char>('0' + type));
  text.push_back(' ');
  static_cast<const ColouredElement&>(element).GetColour().AppendText(text);
  if (const auto* ref = dynamic_cast<const SubfileRef*>(&element)) {
    AppendPoint(text, ref->Position());
    const Matrix3& m = ref->Placement();
    for (double v : {m.a, m.b, m.c, m.d, m.e, m.f, m.g, m.h, m.i}) {
      text.push_back(' ');
      AppendDecimal(text, v, kAuthorMatrixPlaces);
    }
    text.push_back(' ');
    text.append(ref->Name());
    return text;
  }
  const ElementPoints points = PointsOf(element);
  for (int p = 0; p < points.count; ++p) AppendPoint(text, points.points[p]);
  return text;
}

// The file's own name as the Name: line gives it: lower case, as the
// library names files, after the folder the input's Name: had ("s\" of a
// subpart).
std::string NameLineText(std::string_view oldName, const std::string& outFile) {
  std::size_t slash = outFile.find_last_of("\\/");
  std::string base = slash == std::string::npos ? outFile : outFile.substr(slash + 1);
  for (char& c : base) c = AsciiLower(c);
  std::size_t folder = oldName.find_last_of('\\');
  std::string prefix(folder == std::string_view::npos ? "" : oldName.substr(0, folder + 1));
  std::string text = "Name: ";
  text.append(prefix);
  text.append(base);
  return text;
}

// "!LDRAW_ORG" with the part type made unofficial and its qualifiers, the
// release it was issued in left out (LDraw.org's "Official Library Header
// Specification", ldraw.org/article/398: an unofficial type carries no
// ORIGINAL or UPDATE). None for a line whose type cannot be read.
std::optional<std::string> TypeLineText(std::string_view rest) {
  std::optional<std::string_view> type = PartTypeOf(rest);
  if (!type) return std::nullopt;
  std::string text = "!LDRAW_ORG Unofficial_";
  text.append(*type);
  std::size_t pos = SkipToken(rest, 0);
  while (true) {
    std::size_t start = SkipSpace(rest, pos);
    pos = SkipToken(rest, start);
    std::string_view word = rest.substr(start, pos - start);
    if (word.empty() || word == "ORIGINAL" || word == "UPDATE" ||
        (word.size() == 7 && word[4] == '-')) {
      break;
    }
    text.push_back(' ');
    text.append(word);
  }
  return text;
}

}  // namespace

void KeepOutline(const Model& cut, const CutLog& log, CutLog& into) {
  AppendOutlines(into.boundary, cut, log);
  AppendCopies(into.removedEdges, log.removedEdges);
  for (int k = 0; k < cut.Size(); ++k) {
    const Element& element = cut.ElementAt(k);
    if (!element.IsPolygon() && element.LineType() != kEdgeType) continue;
    const ElementPoints points = PointsOf(element);
    bool near = false;
    for (int p = 0; p < points.count && !near; ++p) {
      for (const Plane& plane : log.planes) near = near || NearPlane(plane, points.points[p]);
    }
    if (near) into.drawnByReferences.Append(CopyElement(element, into.drawnByReferences.Arena()));
  }
}

void MakeGeometryAuthorReady(Model& output, const CutLog& log, const Model& splitter,
                             AuthorReport& report) {
  const int before = output.Size();
  report.outlinesAdded = AppendOutlines(output, output, log);
  GeometryPass pass(output, log, splitter, report);
  pass.MarkOutlines(before);
  pass.Run();
}

void MakeTextAuthorReady(Model& output, int topSize, const std::string& outFile,
                         AuthorReport& report) {
  for (int k = 0; k < std::min(topSize, output.Size()); ++k) {
    const auto* meta = dynamic_cast<const MetaLine*>(&output.ElementAt(k));
    if (!meta) continue;
    const std::string line = meta->ToText();
    std::optional<std::string> text;
    switch (MetaWordOf(line)) {
      case MetaWord::kName:
        if (!report.nameSet) {
          text = NameLineText(MetaRest(line), outFile);
          report.nameSet = true;
        }
        break;
      case MetaWord::kLdrawOrg:
        if (!report.typeSet) {
          text = TypeLineText(MetaRest(line));
          report.typeSet = text.has_value();
        }
        break;
      default:
        break;
    }
    if (text) output.ReplaceAt(k, output.Arena().Make<MetaLine>(output.Arena().CopyText(*text)));
  }
  for (int k = 0; k < output.Size(); ++k) {
    const Element& element = output.ElementAt(k);
    if (std::optional<std::string> text = AuthorText(element)) {
      const int type = element.LineType();
      output.ReplaceAt(k, output.Arena().Make<WrittenLine>(type, output.Arena().CopyText(*text)));
    }
  }
}

void ReportAuthorPass(std::ostream& out, std::ostream& err, const AuthorReport& report) {
  out << "Made ready for an author" << std::endl;
  out << report.outlinesAdded << " Outline edge lines added" << std::endl;
  out << report.coordinatesRounded << " Coordinates rounded" << std::endl;
  out << report.polygonsRetiled << " Polygons tiled anew" << std::endl;
  out << report.piecesDropped << " Pieces of no size dropped" << std::endl;
  out << report.duplicatesRemoved << " Duplicate lines removed" << std::endl;
  if (report.piecesLeftBroken > 0) {
    out << report.piecesLeftBroken << " Pieces too thin to tile within the rules" << std::endl;
  }
  out << (report.nameSet ? "Name: set to the output's name" : "No Name: line") << std::endl;
  out << (report.typeSet ? "Part type made unofficial" : "No part type line") << std::endl;
  if (report.thinPieceReach > 0) {
    // A corner snaps onto a plane when it lies strictly nearer than the
    // precision: the next thousandth above the farthest corner.
    double snapping = (std::floor(report.thinPieceReach * 1000) + 1) / 1000;
    if (snapping <= report.thinPieceReach) snapping += 0.001;
    std::string reach;
    std::string option;
    AppendDecimal(reach, report.thinPieceReach, 6);
    AppendDecimal(option, snapping, 3);
    err << "Pieces too thin to tile have corners up to " << reach << " LDU off a cut plane: -p "
        << option << " snaps them onto it" << std::endl;
  }
}

}  // namespace halvex
