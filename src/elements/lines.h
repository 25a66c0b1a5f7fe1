// Lines of type 2 (edge lines) and 5 (conditional lines). For every plane
// operation both are the segment p1-p2; a conditional line carries its
// control points p3 and p4 along unchanged.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "elements/coloured_element.h"

namespace halvex {

class EdgeLine final : public ColouredElement {
 public:
  // From the whole line: type, colour, p1, p2; anything after is ignored. A
  // number that cannot be read ends the reading; later fields stay 0.
  explicit EdgeLine(std::string_view line);
  EdgeLine(const Point& p1, const Point& p2, const Colour& colour);

  const Point& P1() const { return points_[0]; }
  const Point& P2() const { return points_[1]; }

  void AppendText(std::string& out) const override;
  int LineType() const override { return kEdgeType; }
  std::unique_ptr<EdgeLine> FirstEdge() override;
  bool IsLine() const override { return true; }
  void Translate(const Vector& offset) override;
  void Transform(const Matrix3& m) override;
  // The part on the kept side: from p1 to the crossing when p1 is kept (its
  // signed distance below zero), else from the crossing to p2. A segment
  // with no end on the removed side is copied whole; one with no end on the
  // kept side gives no piece.
  CutPieces Cut(const Element& splitter, ElementArena& arena) override;
  bool HasVertex(const Point& p) const override;
  bool IsSelfSymmetric(const Element& splitter) override;
  // Whether `other` runs between the same two points, either way round.
  bool SameGeometry(const Element& other) const override;
  std::span<Point> ClassifiedPoints() override { return points_; }
  std::optional<std::pair<Point, Point>> FirstTwoPoints() const override {
    return std::pair{points_[0], points_[1]};
  }

 private:
  Point points_[2];
};

class CondLine final : public ColouredElement {
 public:
  // From the whole line: type, colour, p1, p2, p3, p4.
  explicit CondLine(std::string_view line);
  CondLine(const Point& p1, const Point& p2, const Point& p3, const Point& p4,
           const Colour& colour);

  const Point& P1() const { return points_[0]; }
  const Point& P2() const { return points_[1]; }
  const Point& P3() const { return points_[2]; }
  const Point& P4() const { return points_[3]; }

  void AppendText(std::string& out) const override;
  int LineType() const override { return kCondType; }
  std::unique_ptr<EdgeLine> FirstEdge() override;
  bool IsLine() const override { return true; }
  void Translate(const Vector& offset) override;
  void Transform(const Matrix3& m) override;
  // As for an edge line; the piece keeps p3 and p4.
  CutPieces Cut(const Element& splitter, ElementArena& arena) override;
  bool IsSelfSymmetric(const Element& splitter) override;
  bool SameGeometry(const Element& other) const override;
  // p1 and p2 only: the control points are neither tested nor snapped.
  std::span<Point> ClassifiedPoints() override { return std::span<Point>(points_, 2); }
  std::optional<std::pair<Point, Point>> FirstTwoPoints() const override {
    return std::pair{points_[0], points_[1]};
  }

 private:
  Point points_[4];
};

}  // namespace halvex
