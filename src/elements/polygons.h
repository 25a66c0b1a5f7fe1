// Lines of type 3 (triangles) and 4 (quadrilaterals): the filled surfaces of
// a part. Against a splitter they classify, cut and test themselves; as
// splitter they are the plane through their first three corners. The two
// classes are one template over the corner count; neither derives from the
// other.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "elements/coloured_element.h"

namespace halvex {

template <int N>
class Polygon final : public ColouredElement {
  static_assert(N == 3 || N == 4);

 public:
  // From the whole line: type, colour, then the corners; anything after is
  // ignored. A number that cannot be read ends the reading; the corners from
  // there on keep 0.
  explicit Polygon(std::string_view line);
  Polygon(const std::array<Point, N>& corners, const Colour& colour);

  const std::array<Point, N>& Corners() const { return corners_; }

  void AppendText(std::string& out) const override;
  int LineType() const override { return N; }
  std::unique_ptr<EdgeLine> FirstEdge() override;
  std::unique_ptr<EdgeLine> NextEdge() override;
  bool IsPolygon() const override { return true; }
  void Translate(const Vector& offset) override;
  void Transform(const Matrix3& m) override;
  // The kept part; a quadrilateral keeping three corners gives a
  // quadrilateral and a completing triangle. Leaves this polygon's corners
  // rotated as the cut turned them.
  CutPieces Cut(const Element& splitter, ElementArena& arena) override;
  // From the first three corners only.
  std::optional<Vector> Normal() const override;
  double AngleTo(const Element& other, const Element& edge) const override;
  // Exchanges p1 and p3.
  void ReverseWinding() override;
  double SignedDistance(const Point& p, Point* projection) const override;
  bool IsSelfSymmetric(const Element& splitter) override;
  bool IsMirrorPair(const Point& a, const Point& b) const override;
  bool SameGeometry(const Element& other) const override;
  std::span<Point> ClassifiedPoints() override { return corners_; }
  Crossing Intersect(const Point& a, const Point& b, Point* crossing) const override;
  // The first of p1, p2 that is not a vertex of `edge`, else p3.
  std::optional<Point> VertexOffEdge(const Element& edge) const override;
  std::optional<Plane> SplitterPlane() const override;
  std::optional<std::pair<Point, Point>> FirstTwoPoints() const override {
    return std::pair{corners_[0], corners_[1]};
  }

 private:
  std::array<Point, N> corners_{};
};

using Triangle = Polygon<3>;
using Quad = Polygon<4>;

extern template class Polygon<3>;
extern template class Polygon<4>;

}  // namespace halvex
