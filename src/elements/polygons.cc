#include "elements/polygons.h"

#include <cmath>
#include <vector>

#include "elements/line_syntax.h"
#include "elements/lines.h"
#include "splitting/polygon_split.h"

namespace halvex {
namespace {

// A new triangle or quadrilateral from three or four corners.
ArenaPtr<Element> PolygonFrom(const std::vector<Point>& corners, const Colour& colour,
                              ElementArena& arena) {
  if (corners.size() == 3) {
    return arena.Make<Triangle>(std::array<Point, 3>{corners[0], corners[1], corners[2]}, colour);
  }
  if (corners.size() == 4) {
    return arena.Make<Quad>(std::array<Point, 4>{corners[0], corners[1], corners[2], corners[3]},
                            colour);
  }
  return nullptr;
}

}  // namespace

template <int N>
Polygon<N>::Polygon(std::string_view line) {
  colour_ = ParseColourAndPoints(line, corners_);
}

template <int N>
Polygon<N>::Polygon(const std::array<Point, N>& corners, const Colour& colour)
    : ColouredElement(colour), corners_(corners) {}

template <int N>
void Polygon<N>::AppendText(std::string& out) const {
  AppendLineText(out, static_cast<char>('0' + N), colour_, corners_);
}

template <int N>
std::unique_ptr<EdgeLine> Polygon<N>::FirstEdge() {
  edgeWalk_ = 0;
  return std::make_unique<EdgeLine>(corners_[0], corners_[1], Colour(0));
}

template <int N>
std::unique_ptr<EdgeLine> Polygon<N>::NextEdge() {
  // The place stops at N, past the last edge, so that calls after the end
  // keep answering none.
  if (edgeWalk_ < N) ++edgeWalk_;
  if (edgeWalk_ >= N) return nullptr;
  return std::make_unique<EdgeLine>(corners_[edgeWalk_], corners_[(edgeWalk_ + 1) % N],
                                    Colour(0));
}

template <int N>
void Polygon<N>::Translate(const Vector& offset) {
  for (Point& p : corners_) p = Add(p, offset);
}

template <int N>
void Polygon<N>::Transform(const Matrix3& m) {
  for (Point& p : corners_) p = Apply(m, p);
}

template <int N>
CutPieces Polygon<N>::Cut(const Element& splitter, ElementArena& arena) {
  std::optional<Plane> plane = splitter.SplitterPlane();
  if (!plane) return {};
  CutCorners pieces = CutPolygon(*plane, corners_);
  CutPieces cut{PolygonFrom(pieces.first, colour_, arena), PolygonFrom(pieces.second, colour_, arena)};
  // The pieces wind as the polygon did, and are culled as it was.
  for (ArenaPtr<Element>* piece : {&cut.first, &cut.second}) {
    if (!*piece) continue;
    (*piece)->winding = winding;
    (*piece)->culled = culled;
  }
  return cut;
}

template <int N>
std::optional<Vector> Polygon<N>::Normal() const {
  return PlaneThrough(corners_[0], corners_[1], corners_[2]).normal;
}

template <int N>
double Polygon<N>::AngleTo(const Element& other, const Element& edge) const {
  std::optional<Vector> otherNormal = other.Normal();
  std::optional<std::pair<Point, Point>> ends = edge.FirstTwoPoints();
  if (!otherNormal || !ends) return 0;
  Vector cross = Cross(*Normal(), *otherNormal);
  double s = Length(cross);  // The sine of the angle between the normals.
  if (Dot(Difference(ends->first, ends->second), cross) > 0) s = -s;
  if (other.winding == -1) s = -s;
  // Beyond 0.999 the arcsine is too steep to be worth its rounding.
  if (s > 0.999) return 90;
  if (s < -0.999) return -90;
  return std::asin(s) * 180 / std::acos(-1.0);
}

template <int N>
void Polygon<N>::ReverseWinding() {
  std::swap(corners_[0], corners_[2]);
}

template <int N>
double Polygon<N>::SignedDistance(const Point& p, Point* projection) const {
  return halvex::SignedDistance(*SplitterPlane(), p, projection);
}

template <int N>
bool Polygon<N>::IsSelfSymmetric(const Element& splitter) {
  std::optional<Plane> plane = splitter.SplitterPlane();
  if (!plane) return true;
  return IsSelfSymmetricPolygon(*plane, corners_);
}

template <int N>
bool Polygon<N>::IsMirrorPair(const Point& a, const Point& b) const {
  return halvex::IsMirrorPair(*SplitterPlane(), a, b);
}

template <int N>
bool Polygon<N>::SameGeometry(const Element& other) const {
  if constexpr (N == 3) {
    int shared = 0;
    for (const Point& p : corners_) {
      if (other.HasVertex(p) && ++shared == 2) return true;
    }
    return false;
  } else {
    if (!other.HasVertex(corners_[0]) && !other.HasVertex(corners_[2])) return false;
    std::optional<std::pair<Point, Point>> ends = other.FirstTwoPoints();
    if (!ends) return false;
    for (int k = 0; k < N; ++k) {
      if (SameSegment(corners_[k], corners_[(k + 1) % N], ends->first, ends->second)) {
        return true;
      }
    }
    return false;
  }
}

template <int N>
Crossing Polygon<N>::Intersect(const Point& a, const Point& b, Point* crossing) const {
  return halvex::Intersect(*SplitterPlane(), a, b, crossing);
}

template <int N>
std::optional<Point> Polygon<N>::VertexOffEdge(const Element& edge) const {
  if (!edge.HasVertex(corners_[0])) return corners_[0];
  if (!edge.HasVertex(corners_[1])) return corners_[1];
  return corners_[2];
}

template <int N>
std::optional<Plane> Polygon<N>::SplitterPlane() const {
  return PlaneThrough(corners_[0], corners_[1], corners_[2]);
}

template class Polygon<3>;
template class Polygon<4>;

}  // namespace halvex
