#include "splitting/cross_section.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <numeric>
#include <optional>
#include <utility>

#include <earcut/earcut.hpp>

namespace halvex {
namespace {

// ---- The plane's own coordinates ----

struct P2 {
  double x = 0;
  double y = 0;
};

P2 Minus(const P2& a, const P2& b) { return {a.x - b.x, a.y - b.y}; }
double Cross2(const P2& a, const P2& b) { return a.x * b.y - a.y * b.x; }
double Dot2(const P2& a, const P2& b) { return a.x * b.x + a.y * b.y; }
double Length2(const P2& a) { return std::sqrt(Dot2(a, a)); }
// Twice the signed area of the triangle a, b, c: positive counter-clockwise.
double Orient(const P2& a, const P2& b, const P2& c) { return Cross2(Minus(b, a), Minus(c, a)); }

// Two unit vectors u, v of the plane with u x v its normal, so that a turn
// counter-clockwise in (u, v) is one seen from the removed side. Built from
// the coordinate axis least along the normal: for an axis plane both are
// axes, and the plane's coordinates are the points' own, exactly.
struct Frame {
  Point origin;
  Vector normal;
  Vector u;
  Vector v;

  P2 To2(const Point& p) const {
    const Vector d = Difference(origin, p);
    return {Dot(d, u), Dot(d, v)};
  }
  Point To3(const P2& p) const { return Add(Add(origin, Scale(u, p.x)), Scale(v, p.y)); }
  double Height(const Point& p) const { return Dot(Difference(origin, p), normal); }
};

Frame FrameOf(const Plane& plane) {
  const Vector& n = plane.normal;
  const double ax = std::fabs(n.x);
  const double ay = std::fabs(n.y);
  const double az = std::fabs(n.z);
  const Vector axis = ax <= ay && ax <= az ? Vector{1, 0, 0}
                      : ay <= az           ? Vector{0, 1, 0}
                                           : Vector{0, 0, 1};
  Vector u = Cross(axis, n);
  u = Scale(u, 1 / Length(u));
  return {plane.origin, n, u, Cross(n, u)};
}

// ---- Segments ----

// Where the plane meets a polygon. A segment along which a polygon crosses
// the plane weighs 1, and so does an edge in the plane of a polygon that
// touches it from the kept side: the section is the kept part's, a hair
// on the kept side of the plane. A polygon touching the plane from the
// removed side bounds only what the cut removes, and gives nothing. The
// edges of polygons in the plane weigh 0: they divide the plane, but are no
// wall of the part.
struct Segment {
  P2 a;
  P2 b;
  Point a3;
  Point b3;
  double weight;
  // Towards the inside, in the plane: the polygon's back side. Zero where
  // its front is unknown or it lies (nearly) along the plane.
  P2 inward;
};

Vector NewellNormal(const std::vector<Point>& c) {
  Vector n{0, 0, 0};
  for (std::size_t k = 0; k < c.size(); ++k) {
    const Point& p = c[k];
    const Point& q = c[(k + 1) % c.size()];
    n.x += (p.y - q.y) * (p.z + q.z);
    n.y += (p.z - q.z) * (p.x + q.x);
    n.z += (p.x - q.x) * (p.y + q.y);
  }
  return n;
}

struct SectionInput {
  std::vector<Segment> segments;
  std::vector<std::vector<P2>> inPlane;  // polygons lying in the plane
};

void AddPolygon(const Frame& frame, const Plane& plane, const SectionPolygon& polygon,
                double tolerance, SectionInput& input) {
  const std::vector<Point>& c = polygon.corners;
  const std::size_t n = c.size();
  if (n < 3) return;
  std::vector<int> side(n);
  std::vector<Point> onPlane(n);
  std::vector<double> height(n);
  int below = 0;
  int above = 0;
  for (std::size_t k = 0; k < n; ++k) {
    if (!std::isfinite(c[k].x) || !std::isfinite(c[k].y) || !std::isfinite(c[k].z)) return;
    Point projection;
    const double distance = SignedDistance(plane, c[k], &projection);
    height[k] = frame.Height(c[k]);
    side[k] = std::fabs(distance) <= tolerance ? 0 : (distance > 0 ? 1 : -1);
    onPlane[k] = side[k] == 0 ? projection : c[k];
    below += side[k] < 0;
    above += side[k] > 0;
  }
  if (below == 0 && above == 0) {
    std::vector<P2> ring;
    for (const Point& p : onPlane) ring.push_back(frame.To2(p));
    for (std::size_t k = 0; k < n; ++k) {
      input.segments.push_back({ring[k], ring[(k + 1) % n], onPlane[k], onPlane[(k + 1) % n], 0,
                                {0, 0}});
    }
    input.inPlane.push_back(std::move(ring));
    return;
  }
  P2 inward{0, 0};
  if (polygon.front != 0) {
    const Vector normal = NewellNormal(c);
    const double length = Length(normal);
    const P2 front{Dot(normal, frame.u), Dot(normal, frame.v)};
    // A polygon nearly along the plane tells no side.
    if (length > 0 && Length2(front) > 1e-6 * length) {
      const double s = -polygon.front / Length2(front);
      inward = {front.x * s, front.y * s};
    }
  }
  if (above > 0 && below == 0) return;  // touching from the removed side
  if (above == 0) {
    // Touching from the kept side: its edges in the plane.
    for (std::size_t k = 0; k < n; ++k) {
      const std::size_t next = (k + 1) % n;
      if (side[k] == 0 && side[next] == 0) {
        input.segments.push_back({frame.To2(onPlane[k]), frame.To2(onPlane[next]), onPlane[k],
                                  onPlane[next], 1, inward});
      }
    }
    return;
  }
  // Crossing: the corners in the plane and the edges' crossings, in order.
  std::vector<Point> meets;
  std::vector<Point> crossings;
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t next = (k + 1) % n;
    if (side[k] == 0) meets.push_back(onPlane[k]);
    if (side[k] * side[next] < 0) {
      // The crossing, put onto the plane: interpolating leaves it a rounding
      // off (z = 8.88178e-16 on z = 0), and the caps' corners are made of
      // these; on an axis plane the projection gives the plane's value exactly.
      Point p;
      SignedDistance(plane, CrossingPoint(plane, c[k], c[next]), &p);
      meets.push_back(p);
      crossings.push_back(p);
    }
  }
  const std::vector<Point>& ends = meets.size() == 2 ? meets : crossings;
  if (ends.size() != 2) return;  // a bent quadrilateral meeting the plane oddly
  input.segments.push_back(
      {frame.To2(ends[0]), frame.To2(ends[1]), ends[0], ends[1], 1, inward});
}

// ---- The arrangement ----

struct Edge {
  int a;
  int b;
  std::vector<int> sources;  // the segments it runs along
  bool live = true;
};

// Segments that cross each other more often than parts do make more
// vertices than a section is worth: the plane is then left open.
constexpr std::size_t kMostVertices = 1000000;

// Walls that end this near another are taken to meet it (see Bridges).
constexpr double kGapReach = 0.05;

class Arrangement {
 public:
  explicit Arrangement(double tolerance) : tolerance_(tolerance) {}

  // The vertex at `p`: one already within the tolerance (box), or a new one.
  int VertexAt(const P2& p, const Point& p3) {
    const std::int64_t cx = Cell(p.x);
    const std::int64_t cy = Cell(p.y);
    int found = -1;
    for (std::int64_t dx = -1; dx <= 1; ++dx) {
      for (std::int64_t dy = -1; dy <= 1; ++dy) {
        auto it = grid_.find({cx + dx, cy + dy});
        if (it == grid_.end()) continue;
        for (int k : it->second) {
          const P2& q = points_[static_cast<std::size_t>(k)];
          if (std::fabs(q.x - p.x) <= tolerance_ && std::fabs(q.y - p.y) <= tolerance_ &&
              (found < 0 || k < found)) {
            found = k;
          }
        }
      }
    }
    if (found >= 0) return found;
    points_.push_back(p);
    points3_.push_back(p3);
    grid_[{cx, cy}].push_back(static_cast<int>(points_.size()) - 1);
    return static_cast<int>(points_.size()) - 1;
  }

  void Build(const std::vector<Segment>& segments, const Frame& frame);
  // Segments that join each end where no other edge meets to the nearest
  // point of another edge within `reach`.
  std::vector<Segment> Bridges(double reach, const Frame& frame) const;
  void PruneDangling(std::vector<std::vector<int>>& chains);

  const std::vector<P2>& Points() const { return points_; }
  const std::vector<Point>& Points3() const { return points3_; }
  const std::vector<Edge>& Edges() const { return edges_; }
  // Whether the segments crossed each other too often to be worked out.
  bool TooComplex() const { return tooComplex_; }

 private:
  // Far beyond any part, cells are clamped: points there merge more
  // readily, but no conversion overflows.
  std::int64_t Cell(double x) const {
    return static_cast<std::int64_t>(std::clamp(std::floor(x / tolerance_), -1e15, 1e15));
  }

  double tolerance_;
  std::vector<P2> points_;
  std::vector<Point> points3_;
  std::map<std::pair<std::int64_t, std::int64_t>, std::vector<int>> grid_;
  std::vector<Edge> edges_;
  bool tooComplex_ = false;
};

struct Box {
  double x0, y0, x1, y1;
};

Box BoxOf(const P2& a, const P2& b, double slack) {
  return {std::min(a.x, b.x) - slack, std::min(a.y, b.y) - slack, std::max(a.x, b.x) + slack,
          std::max(a.y, b.y) + slack};
}

bool Overlap(const Box& s, const Box& t) {
  return s.x0 <= t.x1 && t.x0 <= s.x1 && s.y0 <= t.y1 && t.y0 <= s.y1;
}

void Arrangement::Build(const std::vector<Segment>& segments, const Frame& frame) {
  struct Piece {
    int a;
    int b;
    int source;
    std::vector<int> splits;
  };
  std::vector<Piece> pieces;
  for (std::size_t s = 0; s < segments.size(); ++s) {
    const Segment& segment = segments[s];
    const int a = VertexAt(segment.a, segment.a3);
    const int b = VertexAt(segment.b, segment.b3);
    if (a != b) pieces.push_back({a, b, static_cast<int>(s), {}});
  }
  // Crossings inside both segments make new vertices.
  std::vector<Box> boxes;
  for (const Piece& p : pieces) {
    boxes.push_back(BoxOf(points_[static_cast<std::size_t>(p.a)],
                          points_[static_cast<std::size_t>(p.b)], tolerance_));
  }
  // Swept along x: only pieces whose boxes overlap in x are compared.
  std::vector<std::size_t> order(pieces.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](std::size_t i, std::size_t j) {
    return boxes[i].x0 < boxes[j].x0 || (boxes[i].x0 == boxes[j].x0 && i < j);
  });
  for (std::size_t oi = 0; oi < order.size(); ++oi) {
    for (std::size_t oj = oi + 1; oj < order.size() && boxes[order[oj]].x0 <= boxes[order[oi]].x1;
         ++oj) {
      const std::size_t i = std::min(order[oi], order[oj]);
      const std::size_t j = std::max(order[oi], order[oj]);
      if (!Overlap(boxes[i], boxes[j])) continue;
      Piece& s = pieces[i];
      Piece& t = pieces[j];
      if (s.a == t.a || s.a == t.b || s.b == t.a || s.b == t.b) continue;
      const P2 p = points_[static_cast<std::size_t>(s.a)];
      const P2 r = Minus(points_[static_cast<std::size_t>(s.b)], p);
      const P2 q = points_[static_cast<std::size_t>(t.a)];
      const P2 w = Minus(points_[static_cast<std::size_t>(t.b)], q);
      const double d = Cross2(r, w);
      if (std::fabs(d) <= 1e-12 * Length2(r) * Length2(w)) continue;  // parallel
      const double ts = Cross2(Minus(q, p), w) / d;
      const double tt = Cross2(Minus(q, p), r) / d;
      if (ts <= 0 || ts >= 1 || tt <= 0 || tt >= 1) continue;
      if (points_.size() >= kMostVertices) {
        tooComplex_ = true;
        return;
      }
      const P2 at{p.x + r.x * ts, p.y + r.y * ts};
      const int k = VertexAt(at, frame.To3(at));
      s.splits.push_back(k);
      t.splits.push_back(k);
    }
  }
  // Every vertex on a segment splits it: a T-junction, or a crossing.
  std::vector<int> byX(points_.size());
  std::iota(byX.begin(), byX.end(), 0);
  std::sort(byX.begin(), byX.end(), [&](int i, int j) {
    const P2& a = points_[static_cast<std::size_t>(i)];
    const P2& b = points_[static_cast<std::size_t>(j)];
    return a.x < b.x || (a.x == b.x && i < j);
  });
  std::map<std::pair<int, int>, int> known;
  for (Piece& piece : pieces) {
    const P2 a = points_[static_cast<std::size_t>(piece.a)];
    const P2 b = points_[static_cast<std::size_t>(piece.b)];
    const P2 d = Minus(b, a);
    const double length = Length2(d);
    const Box box = BoxOf(a, b, tolerance_);
    auto first = std::lower_bound(byX.begin(), byX.end(), box.x0, [&](int k, double x) {
      return points_[static_cast<std::size_t>(k)].x < x;
    });
    for (auto it = first; it != byX.end(); ++it) {
      const P2& p = points_[static_cast<std::size_t>(*it)];
      if (p.x > box.x1) break;
      if (*it == piece.a || *it == piece.b || p.y < box.y0 || p.y > box.y1) continue;
      const double t = Dot2(Minus(p, a), d) / (length * length);
      if (t <= 0 || t >= 1) continue;
      if (std::fabs(Cross2(d, Minus(p, a))) / length <= tolerance_) piece.splits.push_back(*it);
    }
    std::vector<std::pair<double, int>> along;
    for (int k : piece.splits) {
      along.emplace_back(Dot2(Minus(points_[static_cast<std::size_t>(k)], a), d), k);
    }
    std::sort(along.begin(), along.end());
    int from = piece.a;
    along.emplace_back(0, piece.b);
    for (const auto& [unused, to] : along) {
      if (to == from) continue;
      const std::pair<int, int> key{std::min(from, to), std::max(from, to)};
      auto [it, added] = known.emplace(key, static_cast<int>(edges_.size()));
      if (added) edges_.push_back({key.first, key.second, {}, true});
      std::vector<int>& sources = edges_[static_cast<std::size_t>(it->second)].sources;
      if (std::find(sources.begin(), sources.end(), piece.source) == sources.end()) {
        sources.push_back(piece.source);
      }
      from = to;
    }
  }
}

// Library parts are often drawn to three or four decimals, so the pieces of
// a wall can end some thousandths of an LDU short of the wall they meet
// (0.0024 in 3186.dat, 0.0129 in 103.dat).
// Left so, the outline of a hole would dangle and be pruned, and the hole
// would merge with the solid round it. A bridge carries the wall on for
// counting crossings, but tells no side: the vote round a face ignores it.
std::vector<Segment> Arrangement::Bridges(double reach, const Frame& frame) const {
  std::vector<int> degree(points_.size(), 0);
  for (const Edge& edge : edges_) {
    ++degree[static_cast<std::size_t>(edge.a)];
    ++degree[static_cast<std::size_t>(edge.b)];
  }
  std::vector<int> ends;
  for (std::size_t v = 0; v < points_.size(); ++v) {
    if (degree[v] == 1) ends.push_back(static_cast<int>(v));
  }
  // Every end against every edge: past this, the ends are left dangling.
  constexpr double kMostComparisons = 5e7;
  std::vector<Segment> bridges;
  if (static_cast<double>(ends.size()) * static_cast<double>(edges_.size()) > kMostComparisons) {
    return bridges;
  }
  for (int v : ends) {
    const P2 p = points_[static_cast<std::size_t>(v)];
    std::optional<P2> best;
    double bestDistance = reach;
    for (const Edge& edge : edges_) {
      if (edge.a == v || edge.b == v) continue;
      const P2 a = points_[static_cast<std::size_t>(edge.a)];
      const P2 d = Minus(points_[static_cast<std::size_t>(edge.b)], a);
      const double squared = Dot2(d, d);
      const double t = squared > 0 ? std::clamp(Dot2(Minus(p, a), d) / squared, 0.0, 1.0) : 0.0;
      const P2 q{a.x + d.x * t, a.y + d.y * t};
      const double distance = Length2(Minus(p, q));
      if (distance < bestDistance) {
        bestDistance = distance;
        best = q;
      }
    }
    if (best) {
      bridges.push_back({p, *best, points3_[static_cast<std::size_t>(v)], frame.To3(*best), 1,
                         {0, 0}});
    }
  }
  return bridges;
}

// Removes, one after another, the edges with an end that no other edge
// reaches: they bound nothing. Answers them as chains of connected edges.
void Arrangement::PruneDangling(std::vector<std::vector<int>>& chains) {
  std::vector<int> degree(points_.size(), 0);
  std::vector<std::vector<int>> at(points_.size());
  for (std::size_t e = 0; e < edges_.size(); ++e) {
    for (int v : {edges_[e].a, edges_[e].b}) {
      ++degree[static_cast<std::size_t>(v)];
      at[static_cast<std::size_t>(v)].push_back(static_cast<int>(e));
    }
  }
  std::vector<int> removed;
  std::vector<int> queue;
  for (std::size_t v = 0; v < points_.size(); ++v) {
    if (degree[v] == 1) queue.push_back(static_cast<int>(v));
  }
  while (!queue.empty()) {
    const int v = queue.back();
    queue.pop_back();
    if (degree[static_cast<std::size_t>(v)] != 1) continue;
    for (int e : at[static_cast<std::size_t>(v)]) {
      Edge& edge = edges_[static_cast<std::size_t>(e)];
      if (!edge.live) continue;
      edge.live = false;
      removed.push_back(e);
      for (int w : {edge.a, edge.b}) {
        if (--degree[static_cast<std::size_t>(w)] == 1) queue.push_back(w);
      }
      break;
    }
  }
  // Chains: removed edges joined by their vertices.
  std::vector<int> parent(points_.size());
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&](int v) {
    while (parent[static_cast<std::size_t>(v)] != v) {
      v = parent[static_cast<std::size_t>(v)] =
          parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(v)])];
    }
    return v;
  };
  std::sort(removed.begin(), removed.end());
  for (int e : removed) {
    const Edge& edge = edges_[static_cast<std::size_t>(e)];
    parent[static_cast<std::size_t>(find(edge.a))] = find(edge.b);
  }
  std::map<int, std::size_t> chainOf;
  for (int e : removed) {
    const int root = find(edges_[static_cast<std::size_t>(e)].a);
    auto [it, added] = chainOf.emplace(root, chains.size());
    if (added) chains.emplace_back();
    chains[it->second].push_back(e);
  }
}

// ---- Faces ----

// The half-edges of the live edges: 2e runs a to b, 2e + 1 b to a. Each
// cycle of `next` runs round one boundary of a face, the face on its left.
struct Faces {
  std::vector<int> next;
  std::vector<int> cycleOf;
  std::vector<std::vector<int>> cycles;
  std::vector<double> area;  // twice the signed area of each cycle
};

int From(const std::vector<Edge>& edges, int h) {
  const Edge& e = edges[static_cast<std::size_t>(h / 2)];
  return h % 2 == 0 ? e.a : e.b;
}
int To(const std::vector<Edge>& edges, int h) { return From(edges, h ^ 1); }

// Whether direction a comes before b turning counter-clockwise from the
// positive x axis; exact, without angles.
bool TurnsBefore(const P2& a, const P2& b) {
  auto half = [](const P2& d) { return d.y < 0 || (d.y == 0 && d.x < 0) ? 1 : 0; };
  const int ha = half(a);
  const int hb = half(b);
  if (ha != hb) return ha < hb;
  return Cross2(a, b) > 0;
}

Faces TraceFaces(const std::vector<P2>& points, const std::vector<Edge>& edges) {
  Faces faces;
  const std::size_t halves = edges.size() * 2;
  std::vector<std::vector<int>> out(points.size());
  for (std::size_t h = 0; h < halves; ++h) {
    if (edges[h / 2].live) out[static_cast<std::size_t>(From(edges, static_cast<int>(h)))].push_back(static_cast<int>(h));
  }
  std::vector<int> place(halves, -1);
  for (std::vector<int>& list : out) {
    if (list.empty()) continue;
    const P2 origin = points[static_cast<std::size_t>(From(edges, list[0]))];
    std::sort(list.begin(), list.end(), [&](int g, int h) {
      const P2 dg = Minus(points[static_cast<std::size_t>(To(edges, g))], origin);
      const P2 dh = Minus(points[static_cast<std::size_t>(To(edges, h))], origin);
      if (TurnsBefore(dg, dh)) return true;
      if (TurnsBefore(dh, dg)) return false;
      return g < h;
    });
    for (std::size_t k = 0; k < list.size(); ++k) place[static_cast<std::size_t>(list[k])] = static_cast<int>(k);
  }
  faces.next.assign(halves, -1);
  for (std::size_t h = 0; h < halves; ++h) {
    if (!edges[h / 2].live) continue;
    const int twin = static_cast<int>(h ^ 1);
    const std::vector<int>& list = out[static_cast<std::size_t>(From(edges, twin))];
    const std::size_t k = static_cast<std::size_t>(place[static_cast<std::size_t>(twin)]);
    faces.next[h] = list[(k + list.size() - 1) % list.size()];
  }
  faces.cycleOf.assign(halves, -1);
  for (std::size_t h = 0; h < halves; ++h) {
    if (!edges[h / 2].live || faces.cycleOf[h] >= 0) continue;
    std::vector<int> cycle;
    double area = 0;
    int g = static_cast<int>(h);
    while (faces.cycleOf[static_cast<std::size_t>(g)] < 0) {
      faces.cycleOf[static_cast<std::size_t>(g)] = static_cast<int>(faces.cycles.size());
      cycle.push_back(g);
      area += Cross2(points[static_cast<std::size_t>(From(edges, g))],
                     points[static_cast<std::size_t>(To(edges, g))]);
      g = faces.next[static_cast<std::size_t>(g)];
    }
    faces.cycles.push_back(std::move(cycle));
    faces.area.push_back(area);
  }
  return faces;
}

// Even-odd test of `p` against the closed ring `ring`.
bool InsideRing(const P2& p, const std::vector<P2>& ring) {
  bool inside = false;
  for (std::size_t i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const P2& a = ring[i];
    const P2& b = ring[j];
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) {
      inside = !inside;
    }
  }
  return inside;
}

// ---- Triangles ----

// The sine of the largest turn at a corner of a ring that is taken out as
// lying on the line of its neighbours: 0.15 degrees. The faces' angles must
// stay within LDraw.org's limits of 0.025 to 179.9 degrees
// (checking/check_limits.h), and a corner that turns less would leave a
// thin face at it. Such corners are ends of segments that the part's own
// rounding put a hair off a straight line; the ring moves by that hair.
// Written out: sin itself may round otherwise in another platform's library.
constexpr double kStraightTurnSine = 0.0026179908874180;

// Edges of a ring shorter than this many times the tolerance are taken out
// with their second end: the face across from such an edge has an angle
// below LDraw.org's limits unless its third corner is near, and rounding
// to four places (-a) moves the ends by a good part of the edge. They come
// from points of neighbouring primitives that almost meet; the ring moves
// by the edge's length.
constexpr double kShortEdgeTolerances = 5;

// The vertices of a cycle, those that turn less than kStraightTurnSine or
// end an edge shorter than kShortEdgeTolerances left out (but for a vertex
// the cycle passes twice, where two of its parts touch).
std::vector<int> StraightenedRing(const std::vector<P2>& points, const std::vector<Edge>& edges,
                                  const std::vector<int>& cycle, double tolerance) {
  std::vector<int> ring;
  for (int h : cycle) ring.push_back(From(edges, h));
  const double shortEdge = kShortEdgeTolerances * tolerance;
  std::map<int, int> passes;
  for (int v : ring) ++passes[v];
  const double limit = kStraightTurnSine;
  bool changed = true;
  while (changed && ring.size() > 3) {
    changed = false;
    for (std::size_t k = 0; k < ring.size() && ring.size() > 3; ++k) {
      const P2& p = points[static_cast<std::size_t>(ring[(k + ring.size() - 1) % ring.size()])];
      const P2& q = points[static_cast<std::size_t>(ring[k])];
      const P2& r = points[static_cast<std::size_t>(ring[(k + 1) % ring.size()])];
      const P2 e0 = Minus(q, p);
      const P2 e1 = Minus(r, q);
      const bool straight =
          Dot2(e0, e1) > 0 && std::fabs(Cross2(e0, e1)) <= limit * Length2(e0) * Length2(e1);
      const bool once = passes[ring[k]] == 1;
      if (once && (straight || Length2(e0) < shortEdge)) {
        ring.erase(ring.begin() + static_cast<std::ptrdiff_t>(k));
        changed = true;
      }
    }
  }
  return ring;
}

using Triangle2 = std::array<int, 3>;

// The triangles of the region inside `rings[0]` and outside the rest (each
// a ring of vertices), counter-clockwise.
std::vector<Triangle2> Tile(const std::vector<P2>& points,
                            const std::vector<std::vector<int>>& rings) {
  std::vector<std::vector<std::array<double, 2>>> polygon;
  std::vector<int> vertexOf;
  for (const std::vector<int>& ring : rings) {
    polygon.emplace_back();
    for (int v : ring) {
      polygon.back().push_back(
          {points[static_cast<std::size_t>(v)].x, points[static_cast<std::size_t>(v)].y});
      vertexOf.push_back(v);
    }
  }
  const std::vector<std::uint32_t> indices = mapbox::earcut<std::uint32_t>(polygon);
  std::vector<Triangle2> triangles;
  for (std::size_t k = 0; k + 2 < indices.size(); k += 3) {
    Triangle2 t{vertexOf[indices[k]], vertexOf[indices[k + 1]], vertexOf[indices[k + 2]]};
    if (Orient(points[static_cast<std::size_t>(t[0])], points[static_cast<std::size_t>(t[1])],
               points[static_cast<std::size_t>(t[2])]) < 0) {
      std::swap(t[1], t[2]);
    }
    triangles.push_back(t);
  }
  return triangles;
}

// Twice the signed area of a ring of vertices: the fan from its first.
double RingArea(const std::vector<P2>& points, const std::vector<int>& ring) {
  double twice = 0;
  for (std::size_t k = 1; k + 1 < ring.size(); ++k) {
    twice += Orient(points[static_cast<std::size_t>(ring[0])],
                    points[static_cast<std::size_t>(ring[k])],
                    points[static_cast<std::size_t>(ring[k + 1])]);
  }
  return twice;
}

// Twice the area inside `rings[0]` and outside the rest.
double OutlineArea(const std::vector<P2>& points, const std::vector<std::vector<int>>& rings) {
  double twice = 0;
  for (const std::vector<int>& ring : rings) twice += RingArea(points, ring);
  return twice;
}

// Whether `triangles` cover the twice-area `expected` of the rings they
// tile and no more: a triangulation that covers a hole, or a piece of the
// face twice, covers more. The two sums differ by roundings otherwise,
// far below the slack.
bool TilesArea(const std::vector<P2>& points, const std::vector<Triangle2>& triangles,
               double expected) {
  double twice = 0;
  for (const Triangle2& t : triangles) {
    twice += Orient(points[static_cast<std::size_t>(t[0])], points[static_cast<std::size_t>(t[1])],
                    points[static_cast<std::size_t>(t[2])]);
  }
  return !triangles.empty() && std::fabs(twice - expected) <= 1e-6 * std::max(expected, 1.0);
}

// The loops of a ring that passes a vertex more than once, each passing
// every vertex once. A wall with the face on both sides (a bridge between
// two holes, or between a hole and the rim) is walked there and back: the
// loop it leaves has no area and is dropped.
std::vector<std::vector<int>> SimpleLoops(const std::vector<int>& ring) {
  std::vector<std::vector<int>> loops;
  std::vector<int> path;
  std::map<int, std::size_t> at;  // the place of each vertex on the path
  for (int v : ring) {
    const auto seen = at.find(v);
    if (seen != at.end()) {
      const std::size_t start = seen->second;
      loops.emplace_back(path.begin() + static_cast<std::ptrdiff_t>(start), path.end());
      for (std::size_t k = start; k < path.size(); ++k) at.erase(path[k]);
      path.resize(start);
    }
    at[v] = path.size();
    path.push_back(v);
  }
  loops.push_back(std::move(path));
  return loops;
}

// The face inside `rings[0]` less the holes `rings[1..]`, tiled loop by
// loop: earcut can cover a hole, or part of the face twice, where a ring
// passes a vertex twice. The outer ring's loops that turn counter-clockwise
// are rims, those that turn clockwise holes; a hole's loops that turn
// counter-clockwise bound another face within it. The caller checks the
// area of the result again.
std::vector<Triangle2> TileSimpleLoops(const std::vector<P2>& points,
                                       const std::vector<std::vector<int>>& rings) {
  std::vector<std::vector<int>> rims;
  std::vector<std::vector<int>> holes;
  for (std::size_t r = 0; r < rings.size(); ++r) {
    for (std::vector<int>& loop : SimpleLoops(rings[r])) {
      if (loop.size() < 3) continue;
      const double area = RingArea(points, loop);
      if (area > 0 && r == 0) rims.push_back(std::move(loop));
      if (area < 0) holes.push_back(std::move(loop));
    }
  }
  std::vector<std::vector<P2>> rimPoints;
  for (const std::vector<int>& rim : rims) {
    rimPoints.emplace_back();
    for (int v : rim) rimPoints.back().push_back(points[static_cast<std::size_t>(v)]);
  }
  // Each hole goes with the rim that holds most of its corners: a corner
  // may lie on the rim it touches.
  std::vector<std::vector<std::vector<int>>> groups;
  for (std::vector<int>& rim : rims) groups.push_back({std::move(rim)});
  for (std::vector<int>& hole : holes) {
    std::size_t best = groups.size();
    std::size_t most = 0;
    for (std::size_t g = 0; g < rimPoints.size(); ++g) {
      std::size_t inside = 0;
      for (int v : hole) inside += InsideRing(points[static_cast<std::size_t>(v)], rimPoints[g]);
      if (inside > most) best = g, most = inside;
    }
    if (best < groups.size()) groups[best].push_back(std::move(hole));
  }
  // Holes that touch each other at a corner can still mislead earcut,
  // depending on their order: each rim's holes are also tried in the other.
  std::vector<Triangle2> triangles;
  for (std::vector<std::vector<int>>& group : groups) {
    std::vector<Triangle2> part = Tile(points, group);
    if (!TilesArea(points, part, OutlineArea(points, group)) && group.size() > 2) {
      std::reverse(group.begin() + 1, group.end());
      part = Tile(points, group);
    }
    triangles.insert(triangles.end(), part.begin(), part.end());
  }
  return triangles;
}

// The sine of the smallest angle of a triangle, which grows with the angle:
// the smallest angle lies opposite the shortest side and is at most 60
// degrees. Square roots and arithmetic only, which every platform rounds
// alike, so that the faces are the same everywhere.
double SmallestAngle(const P2& a, const P2& b, const P2& c) {
  const double ab = Length2(Minus(b, a));
  const double bc = Length2(Minus(c, b));
  const double ca = Length2(Minus(a, c));
  const double twiceArea = std::fabs(Orient(a, b, c));
  double adjacent = bc * ca;  // the sides beside the angle opposite ab
  if (bc <= ab && bc <= ca) adjacent = ab * ca;
  else if (ca <= ab && ca <= bc) adjacent = ab * bc;
  return adjacent > 0 ? twiceArea / adjacent : 0;
}

// Flips the diagonal shared by two triangles where the flip raises the
// smaller of their smallest angles, until none does: earcut cuts off ears
// as it meets them, and can leave thin ones. Each round flips pairs that
// share no triangle with a pair flipped before in it.
void ImproveByFlips(const std::vector<P2>& points, std::vector<Triangle2>& triangles) {
  auto at = [&](int k) -> const P2& { return points[static_cast<std::size_t>(k)]; };
  auto quality = [&](const Triangle2& t) { return SmallestAngle(at(t[0]), at(t[1]), at(t[2])); };
  const std::size_t rounds = 4 * triangles.size() + 20;
  for (std::size_t round = 0; round < rounds; ++round) {
    std::map<std::pair<int, int>, std::size_t> sides;
    for (std::size_t t = 0; t < triangles.size(); ++t) {
      for (std::size_t k = 0; k < 3; ++k) {
        sides[{triangles[t][k], triangles[t][(k + 1) % 3]}] = t;
      }
    }
    std::vector<bool> touched(triangles.size(), false);
    bool flipped = false;
    for (const auto& [side, t] : sides) {
      const auto [a, b] = side;
      if (a > b) continue;  // each shared side once
      auto other = sides.find({b, a});
      if (other == sides.end()) continue;
      const std::size_t s = other->second;
      if (touched[t] || touched[s]) continue;
      auto opposite = [&](std::size_t u, int p, int q) {
        for (int v : triangles[u]) {
          if (v != p && v != q) return v;
        }
        return p;
      };
      const int c = opposite(t, a, b);
      const int d = opposite(s, a, b);
      // a b c and b a d; the flip makes c a d and d b c.
      const Triangle2 first{c, a, d};
      const Triangle2 second{d, b, c};
      if (Orient(at(c), at(a), at(d)) <= 0 || Orient(at(d), at(b), at(c)) <= 0) continue;
      const double before = std::min(quality(triangles[t]), quality(triangles[s]));
      const double after = std::min(quality(first), quality(second));
      if (after > before * (1 + 1e-9) + 1e-12) {
        triangles[t] = first;
        triangles[s] = second;
        touched[t] = touched[s] = true;
        flipped = true;
      }
    }
    if (!flipped) return;
  }
}

// Drops the triangles no thicker than `thickness` across their longest
// side: where a ring runs on within a bridge's reach of a corner (a bridged
// gap, a T-junction not quite on its wall) no flip helps, and such a
// triangle covers next to nothing while its corners, rounded, may turn it
// over.
void DropSlivers(const std::vector<P2>& points, double thickness,
                 std::vector<Triangle2>& triangles) {
  auto at = [&](int k) -> const P2& { return points[static_cast<std::size_t>(k)]; };
  std::erase_if(triangles, [&](const Triangle2& t) {
    const double longest = std::max({Length2(Minus(at(t[1]), at(t[0]))),
                                     Length2(Minus(at(t[2]), at(t[1]))),
                                     Length2(Minus(at(t[0]), at(t[2])))});
    return std::fabs(Orient(at(t[0]), at(t[1]), at(t[2]))) <= thickness * longest;
  });
}

// Joins pairs of triangles that make a convex quadrilateral with no angle
// near 180 degrees into one.
std::vector<std::vector<int>> JoinQuads(const std::vector<P2>& points,
                                        const std::vector<Triangle2>& triangles) {
  auto at = [&](int k) -> const P2& { return points[static_cast<std::size_t>(k)]; };
  std::vector<bool> used(triangles.size(), false);
  std::map<std::pair<int, int>, std::pair<std::size_t, int>> sides;
  std::vector<std::vector<int>> faces;
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    for (int k = 0; k < 3 && !used[t]; ++k) {
      const int a = triangles[t][static_cast<std::size_t>(k)];
      const int b = triangles[t][static_cast<std::size_t>((k + 1) % 3)];
      auto other = sides.find({b, a});
      if (other == sides.end() || used[other->second.first]) continue;
      const auto [s, j] = other->second;
      const int c = triangles[t][static_cast<std::size_t>((k + 2) % 3)];
      const int d = triangles[s][static_cast<std::size_t>((j + 2) % 3)];
      const std::vector<int> quad{a, d, b, c};
      bool convex = true;
      for (std::size_t q = 0; q < 4; ++q) {
        const P2& p0 = at(quad[q]);
        const P2& p1 = at(quad[(q + 1) % 4]);
        const P2& p2 = at(quad[(q + 2) % 4]);
        const P2 e0 = Minus(p1, p0);
        const P2 e1 = Minus(p2, p1);
        // The turn at p1 must be a real one: sin of at least 0.01.
        convex = convex && Cross2(e0, e1) > 0.01 * Length2(e0) * Length2(e1);
      }
      if (!convex) continue;
      used[t] = used[s] = true;
      faces.push_back(quad);
    }
    if (!used[t]) {
      for (int k = 0; k < 3; ++k) {
        sides[{triangles[t][static_cast<std::size_t>(k)],
               triangles[t][static_cast<std::size_t>((k + 1) % 3)]}] = {t, k};
      }
    }
  }
  for (std::size_t t = 0; t < triangles.size(); ++t) {
    if (!used[t]) faces.push_back({triangles[t][0], triangles[t][1], triangles[t][2]});
  }
  return faces;
}

// ---- Inside or outside ----

// Whether an edge is a wall of the part for counting crossings: a polygon
// crosses the plane along it, or touches it there from the kept side.
bool IsWall(const Edge& edge, const std::vector<Segment>& segments) {
  double weight = 0;
  for (int s : edge.sources) weight += segments[static_cast<std::size_t>(s)].weight;
  return weight >= 0.75;
}

// The directions of the rays that count crossings: spread round the circle
// at slopes that no two edges of a part are likely to share.
constexpr P2 kRays[] = {{1, 0.3183}, {0.2718, 1},  {-1, 0.4142},  {-0.5772, -1},
                        {0.6931, -1}, {-1, -0.1234}, {-0.1618, 1}};

class Classifier {
 public:
  Classifier(const Arrangement& arrangement, const std::vector<Segment>& segments,
             double tolerance)
      : arrangement_(arrangement), segments_(segments), tolerance_(tolerance) {}

  // +1 inside, -1 outside, 0 undecided, for the face bounded by `cycles`
  // (given by their half-edges) with `sample` a point within it.
  // What the front sides of the polygons along the cycles say of the face
  // on their left: +1 inside, -1 outside, 0 nothing (or as much either
  // way). Each says it along the length it runs.
  int Vote(const std::vector<const std::vector<int>*>& cycles) const {
    double inside = 0;
    double outside = 0;
    const std::vector<Edge>& edges = arrangement_.Edges();
    const std::vector<P2>& points = arrangement_.Points();
    for (const std::vector<int>* cycle : cycles) {
      for (int h : *cycle) {
        const P2& a = points[static_cast<std::size_t>(From(edges, h))];
        const P2& b = points[static_cast<std::size_t>(To(edges, h))];
        const P2 left{a.y - b.y, b.x - a.x};
        const double length = Length2(left);
        for (int s : edges[static_cast<std::size_t>(h / 2)].sources) {
          const Segment& segment = segments_[static_cast<std::size_t>(s)];
          const double toward = Dot2(left, segment.inward);
          const double size = length * Length2(segment.inward);
          if (size == 0 || segment.weight == 0) continue;
          // The segment runs along the edge: the cosine is near 1 or -1.
          if (toward > 0.5 * size) inside += length * segment.weight;
          if (toward < -0.5 * size) outside += length * segment.weight;
        }
      }
    }
    const double margin = 1e-9 * (inside + outside);
    if (inside > outside + margin) return 1;
    if (outside > inside + margin) return -1;
    return 0;
  }

  // Majority of the rays from `sample`. Where every polygon a ray crosses
  // has a known front side, the point is inside when the ray leaves the
  // part more often than it enters it (a wall it leaves by faces it with
  // its front): two pieces sunk into one another, or a face between two
  // solids (a disc filling a ring, each drawn with its own wall), are then
  // solid, as they are. Otherwise an odd number of walls crossed is
  // inside. A ray that passes a vertex within the tolerance is not counted.
  int CountCrossings(const P2& sample) const {
    const std::vector<Edge>& edges = arrangement_.Edges();
    const std::vector<P2>& points = arrangement_.Points();
    int odd = 0;
    int even = 0;
    for (const P2& ray : kRays) {
      const P2 d{ray.x / Length2(ray), ray.y / Length2(ray)};
      bool grazes = false;
      int count = 0;
      int leaves = 0;
      bool sided = true;
      for (const Edge& edge : edges) {
        if (!edge.live || !IsWall(edge, segments_)) continue;
        const P2& a = points[static_cast<std::size_t>(edge.a)];
        const P2& b = points[static_cast<std::size_t>(edge.b)];
        for (const P2* end : {&a, &b}) {
          const P2 w = Minus(*end, sample);
          if (Dot2(w, d) > 0 && std::fabs(Cross2(d, w)) <= tolerance_) grazes = true;
        }
        const P2 e = Minus(b, a);
        const double den = Cross2(d, e);
        if (den == 0) continue;
        const P2 w = Minus(a, sample);
        const double t = Cross2(w, e) / den;
        const double s = Cross2(w, d) / den;
        if (!(t > 0 && s > 0 && s < 1)) continue;
        ++count;
        for (int source : edge.sources) {
          const Segment& segment = segments_[static_cast<std::size_t>(source)];
          if (segment.weight == 0) continue;
          const double toward = Dot2(d, segment.inward);
          if (toward == 0) sided = false;
          leaves += toward < 0 ? 1 : -1;
        }
      }
      if (grazes) continue;
      const bool inside = sided ? leaves >= 1 : count % 2 == 1;
      (inside ? odd : even) += 1;
    }
    if (odd > even) return 1;
    if (even > odd) return -1;
    return 0;
  }

 private:
  const Arrangement& arrangement_;
  const std::vector<Segment>& segments_;
  double tolerance_;
};

// +1 inside, -1 outside for each face (by its outer cycle), walking from the
// plane outside every piece: across a wall inside and outside swap.
template <typename FaceOf>
std::vector<int> ParityFromOutside(const Faces& faces, const std::vector<Edge>& edges,
                                   const std::vector<Segment>& segments, FaceOf faceOf) {
  const std::size_t outside = faces.cycles.size();
  std::vector<std::vector<std::pair<std::size_t, bool>>> next(outside + 1);
  for (std::size_t e = 0; e < edges.size(); ++e) {
    if (!edges[e].live) continue;
    const std::size_t left = faceOf(static_cast<int>(2 * e)).value_or(outside);
    const std::size_t right = faceOf(static_cast<int>(2 * e + 1)).value_or(outside);
    const bool wall = IsWall(edges[e], segments);
    next[left].emplace_back(right, wall);
    next[right].emplace_back(left, wall);
  }
  std::vector<int> parity(outside + 1, 0);
  parity[outside] = -1;
  std::vector<std::size_t> queue{outside};
  for (std::size_t k = 0; k < queue.size(); ++k) {
    const std::size_t f = queue[k];
    for (const auto& [g, wall] : next[f]) {
      if (parity[g] != 0) continue;
      parity[g] = wall ? -parity[f] : parity[f];
      queue.push_back(g);
    }
  }
  return parity;
}

}  // namespace

SectionCaps CapSection(const Plane& plane, std::span<const SectionPolygon> polygons,
                       double tolerance) {
  SectionCaps caps;
  if (!(Length(plane.normal) > 0.5) || !(tolerance > 0)) return caps;
  const Frame frame = FrameOf(plane);
  SectionInput input;
  for (const SectionPolygon& polygon : polygons) {
    AddPolygon(frame, plane, polygon, tolerance, input);
  }
  if (input.segments.empty()) return caps;
  Arrangement arrangement(tolerance);
  arrangement.Build(input.segments, frame);
  const double reach = std::max(kGapReach, 10 * tolerance);
  if (!arrangement.TooComplex()) {
    const std::vector<Segment> bridges = arrangement.Bridges(reach, frame);
    if (!bridges.empty()) {
      input.segments.insert(input.segments.end(), bridges.begin(), bridges.end());
      arrangement = Arrangement(tolerance);
      arrangement.Build(input.segments, frame);
    }
  }
  if (arrangement.TooComplex()) {
    caps.open.push_back({input.segments[0].a3, OpenReason::kTooComplex});
    return caps;
  }
  std::vector<std::vector<int>> chains;
  arrangement.PruneDangling(chains);
  const std::vector<P2>& points = arrangement.Points();
  const std::vector<Point>& points3 = arrangement.Points3();
  const std::vector<Edge>& edges = arrangement.Edges();
  for (const std::vector<int>& chain : chains) {
    // A chain of polygons' edges in the plane alone is the rim of a face
    // there, which lies against a removed polygon: nothing is open.
    // A chain no longer than a bridge reaches is the stub a bridge leaves
    // where it meets the wall beside the end it joins: nothing is open.
    bool wall = false;
    double length = 0;
    for (int e : chain) {
      const Edge& edge = edges[static_cast<std::size_t>(e)];
      length += Length2(Minus(points[static_cast<std::size_t>(edge.b)],
                              points[static_cast<std::size_t>(edge.a)]));
      for (int s : edge.sources) {
        wall = wall || input.segments[static_cast<std::size_t>(s)].weight > 0;
      }
    }
    if (wall && length > reach) {
      caps.open.push_back(
          {points3[static_cast<std::size_t>(edges[static_cast<std::size_t>(chain[0])].a)],
           OpenReason::kBoundaryOpen});
    }
  }

  const Faces faces = TraceFaces(points, edges);
  const std::size_t cycleCount = faces.cycles.size();
  // Which connected piece of the arrangement each cycle runs round.
  std::vector<int> piece(points.size());
  std::iota(piece.begin(), piece.end(), 0);
  auto find = [&](int v) {
    while (piece[static_cast<std::size_t>(v)] != v) v = piece[static_cast<std::size_t>(v)];
    return v;
  };
  for (const Edge& edge : edges) {
    if (edge.live) piece[static_cast<std::size_t>(find(edge.a))] = find(edge.b);
  }
  auto ringOf = [&](std::size_t c) {
    std::vector<P2> ring;
    for (int h : faces.cycles[c]) ring.push_back(points[static_cast<std::size_t>(From(edges, h))]);
    return ring;
  };
  // A cycle running clockwise is the outer rim of a piece: it lies in the
  // smallest counter-clockwise cycle of another piece that holds it, or in
  // no face.
  std::vector<std::vector<std::size_t>> holes(cycleCount);
  std::vector<std::vector<P2>> rings(cycleCount);
  std::vector<bool> heldByFace(cycleCount, false);  // whether a face holds the cycle
  std::vector<Box> ringBoxes(cycleCount);
  for (std::size_t c = 0; c < cycleCount; ++c) {
    rings[c] = ringOf(c);
    ringBoxes[c] = BoxOf(rings[c][0], rings[c][0], 0);
    for (const P2& p : rings[c]) {
      ringBoxes[c] = {std::min(ringBoxes[c].x0, p.x), std::min(ringBoxes[c].y0, p.y),
                      std::max(ringBoxes[c].x1, p.x), std::max(ringBoxes[c].y1, p.y)};
    }
  }
  for (std::size_t c = 0; c < cycleCount; ++c) {
    if (faces.area[c] > 0) continue;
    const int first = From(edges, faces.cycles[c][0]);
    const P2 p = points[static_cast<std::size_t>(first)];
    std::optional<std::size_t> best;
    for (std::size_t o = 0; o < cycleCount; ++o) {
      if (faces.area[o] <= 0 || find(From(edges, faces.cycles[o][0])) == find(first)) continue;
      if (!Overlap(ringBoxes[o], {p.x, p.y, p.x, p.y}) || !InsideRing(p, rings[o])) continue;
      if (!best || faces.area[o] < faces.area[*best]) best = o;
    }
    if (best) {
      holes[*best].push_back(c);
      heldByFace[c] = true;
    }
  }

  // The face each cycle bounds (none: the plane outside every piece).
  std::vector<std::optional<std::size_t>> ownerOf(cycleCount);
  for (std::size_t c = 0; c < cycleCount; ++c) {
    if (faces.area[c] > 0) ownerOf[c] = c;
    for (std::size_t hole : holes[c]) ownerOf[hole] = c;
  }
  auto faceOf = [&](int h) {
    return ownerOf[static_cast<std::size_t>(faces.cycleOf[static_cast<std::size_t>(h)])];
  };
  std::size_t liveEdges = 0;
  for (const Edge& edge : edges) liveEdges += edge.live ? 1 : 0;
  // Rays cost every edge for every face: past this many edges times faces,
  // the parity comes from walking the faces from outside instead, crossing
  // a wall flipping it, which costs each edge once.
  constexpr double kRayBudget = 3e8;
  const bool raysAffordable =
      static_cast<double>(cycleCount) * static_cast<double>(liveEdges) * 7 <= kRayBudget;
  std::vector<int> parity;
  if (!raysAffordable) parity = ParityFromOutside(faces, edges, input.segments, faceOf);
  const Classifier classifier(arrangement, input.segments, tolerance);
  std::vector<int> verdict(cycleCount, 0);  // by outer cycle: 1 capped
  for (std::size_t c = 0; c < cycleCount; ++c) {
    if (faces.area[c] <= 0) continue;
    // Triangulate the face, its holes left out.
    std::vector<const std::vector<int>*> bounding{&faces.cycles[c]};
    for (std::size_t hole : holes[c]) bounding.push_back(&faces.cycles[hole]);
    std::vector<std::vector<int>> outline;
    for (const std::vector<int>* cycle : bounding) {
      outline.push_back(StraightenedRing(points, edges, *cycle, tolerance));
    }
    const double expected = OutlineArea(points, outline);
    std::vector<Triangle2> triangles = Tile(points, outline);
    if (triangles.empty()) continue;
    bool tiled = TilesArea(points, triangles, expected);
    if (!tiled) {
      std::vector<Triangle2> loops = TileSimpleLoops(points, outline);
      tiled = TilesArea(points, loops, expected);
      if (tiled) triangles = std::move(loops);
    }
    double largest = -1;
    P2 sample = points[static_cast<std::size_t>(outline[0][0])];
    for (const Triangle2& t : triangles) {
      const P2& a = points[static_cast<std::size_t>(t[0])];
      const P2& b = points[static_cast<std::size_t>(t[1])];
      const P2& d = points[static_cast<std::size_t>(t[2])];
      const double area = Orient(a, b, d);
      if (area > largest) {
        largest = area;
        sample = {(a.x + b.x + d.x) / 3, (a.y + b.y + d.y) / 3};
      }
    }
    bool covered = false;
    for (const std::vector<P2>& ring : input.inPlane) covered = covered || InsideRing(sample, ring);
    if (covered) continue;
    // The front sides decide. Where they say outside or nothing, the rays
    // are asked too: the walls of solids sunk into one another face away
    // from the solid round them and can outweigh the walls that hold it,
    // while the rays count those walls entered and left alike.
    int inside = classifier.Vote(bounding);
    if (inside <= 0 && raysAffordable) {
      const int rays = classifier.CountCrossings(sample);
      if (rays > 0 || inside == 0) inside = rays;
    } else if (inside == 0) {
      inside = parity[c];
    }
    if (inside < 0) continue;
    if (inside == 0) {
      caps.open.push_back({frame.To3(sample), OpenReason::kUndecided});
      continue;
    }
    if (!tiled) {
      caps.open.push_back({frame.To3(sample), OpenReason::kNotTiled});
      continue;
    }
    verdict[c] = 1;
    ImproveByFlips(points, triangles);
    DropSlivers(points, reach, triangles);
    for (const std::vector<int>& face : JoinQuads(points, triangles)) {
      std::vector<Point> corners;
      for (int v : face) corners.push_back(points3[static_cast<std::size_t>(v)]);
      caps.faces.push_back(std::move(corners));
    }
  }
  // The plane outside every piece of the section must be outside the part:
  // where the front sides say it is inside, they face inwards.
  for (std::size_t c = 0; c < cycleCount; ++c) {
    if (faces.area[c] > 0 || heldByFace[c]) continue;
    if (classifier.Vote({&faces.cycles[c]}) > 0) {
      caps.open.push_back({points3[static_cast<std::size_t>(From(edges, faces.cycles[c][0]))],
                           OpenReason::kInsideOut});
    }
  }
  // Regions: capped faces that share an edge are one.
  std::vector<std::size_t> region(cycleCount);
  std::iota(region.begin(), region.end(), 0);
  auto root = [&](std::size_t c) {
    while (region[c] != c) c = region[c];
    return c;
  };
  for (std::size_t e = 0; e < edges.size(); ++e) {
    if (!edges[e].live) continue;
    const std::optional<std::size_t> left = faceOf(static_cast<int>(2 * e));
    const std::optional<std::size_t> right = faceOf(static_cast<int>(2 * e + 1));
    if (left && right && verdict[*left] == 1 && verdict[*right] == 1) {
      region[root(*left)] = root(*right);
    }
  }
  for (std::size_t c = 0; c < cycleCount; ++c) {
    if (verdict[c] == 1 && root(c) == c) ++caps.regionsClosed;
  }
  return caps;
}

}  // namespace halvex
