#include "elements/lines.h"

#include <span>

#include "elements/line_syntax.h"
#include "splitting/polygon_split.h"

namespace halvex {

// The base's edge walk, defined beside EdgeLine: the answer's type must be
// complete where it is made, and element.cc does not include this file's
// header, which includes element.h.
std::unique_ptr<EdgeLine> Element::FirstEdge() { return nullptr; }

std::unique_ptr<EdgeLine> Element::NextEdge() { return nullptr; }

namespace {

// The kept part of the segment p1-p2 (CutSegment); none without a plane.
std::optional<std::pair<Point, Point>> KeptSegment(const Element& splitter, const Point& p1,
                                                   const Point& p2) {
  std::optional<Plane> plane = splitter.SplitterPlane();
  if (!plane) return std::nullopt;
  return CutSegment(*plane, p1, p2);
}

// Whether the ends of p1-p2 mirror each other in the splitter's plane; false
// without a plane.
bool IsMirroredSegment(const Element& splitter, const Point& p1, const Point& p2) {
  std::optional<Plane> plane = splitter.SplitterPlane();
  if (!plane) return false;
  return IsMirrorPair(*plane, p1, p2);
}

bool SameEnds(const Point& p1, const Point& p2, const Element& other) {
  auto ends = other.FirstTwoPoints();
  if (!ends) return false;
  return SameSegment(p1, p2, ends->first, ends->second);
}

}  // namespace

EdgeLine::EdgeLine(std::string_view line) { colour_ = ParseColourAndPoints(line, points_); }

EdgeLine::EdgeLine(const Point& p1, const Point& p2, const Colour& colour)
    : ColouredElement(colour), points_{p1, p2} {}

void EdgeLine::AppendText(std::string& out) const { AppendLineText(out, '2', colour_, points_); }

std::unique_ptr<EdgeLine> EdgeLine::FirstEdge() {
  return std::make_unique<EdgeLine>(points_[0], points_[1], Colour(0));
}

void EdgeLine::Translate(const Vector& offset) {
  points_[0] = Add(points_[0], offset);
  points_[1] = Add(points_[1], offset);
}

void EdgeLine::Transform(const Matrix3& m) {
  points_[0] = Apply(m, points_[0]);
  points_[1] = Apply(m, points_[1]);
}

CutPieces EdgeLine::Cut(const Element& splitter, ElementArena& arena) {
  auto ends = KeptSegment(splitter, points_[0], points_[1]);
  if (!ends) return {};
  return {arena.Make<EdgeLine>(ends->first, ends->second, colour_), nullptr};
}

bool EdgeLine::HasVertex(const Point& p) const { return Coincides(p, points_[0]) || Coincides(p, points_[1]); }

bool EdgeLine::IsSelfSymmetric(const Element& splitter) {
  return IsMirroredSegment(splitter, points_[0], points_[1]);
}

bool EdgeLine::SameGeometry(const Element& other) const { return SameEnds(points_[0], points_[1], other); }


CondLine::CondLine(std::string_view line) { colour_ = ParseColourAndPoints(line, points_); }

CondLine::CondLine(const Point& p1, const Point& p2, const Point& p3, const Point& p4,
                   const Colour& colour)
    : ColouredElement(colour), points_{p1, p2, p3, p4} {}

void CondLine::AppendText(std::string& out) const { AppendLineText(out, '5', colour_, points_); }

std::unique_ptr<EdgeLine> CondLine::FirstEdge() {
  return std::make_unique<EdgeLine>(points_[0], points_[1], Colour(0));
}

void CondLine::Translate(const Vector& offset) {
  for (Point& p : points_) p = Add(p, offset);
}

void CondLine::Transform(const Matrix3& m) {
  for (Point& p : points_) p = Apply(m, p);
}

CutPieces CondLine::Cut(const Element& splitter, ElementArena& arena) {
  auto ends = KeptSegment(splitter, points_[0], points_[1]);
  if (!ends) return {};
  return {arena.Make<CondLine>(ends->first, ends->second, points_[2], points_[3], colour_),
          nullptr};
}

bool CondLine::IsSelfSymmetric(const Element& splitter) {
  return IsMirroredSegment(splitter, points_[0], points_[1]);
}

bool CondLine::SameGeometry(const Element& other) const {
  return SameEnds(points_[0], points_[1], other);
}

}  // namespace halvex
