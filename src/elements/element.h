// The interface of every line of an LDraw file. The reader, the expander, the
// split pass and the writer treat all line types through it; a triangle or
// quadrilateral used as splitter answers the plane questions of the others.
// Every operation has a neutral default, and each class overrides what
// applies to it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "elements/colour.h"
#include "elements/element_arena.h"
#include "geometry/point.h"
#include "splitting/plane.h"

namespace halvex {

class EdgeLine;
class Element;

// The kept parts of a cut element, made in the arena the cut was given;
// either may be empty.
struct CutPieces {
  ArenaPtr<Element> first;
  ArenaPtr<Element> second;
};

// LDraw line types, and the codes of the two classes that are not lines.
inline constexpr int kMetaType = 0;
inline constexpr int kSubfileType = 1;
inline constexpr int kEdgeType = 2;
inline constexpr int kTriangleType = 3;
inline constexpr int kQuadType = 4;
inline constexpr int kCondType = 5;
inline constexpr int kEmptyType = 6;
inline constexpr int kModelType = -1;

class Element {
 public:
  Element() = default;
  Element& operator=(const Element&) = delete;
  virtual ~Element() = default;

  // Diagnostic hook; does nothing.
  virtual void Describe() const {}
  // The LDraw line, without line end. Empty for a removed element.
  std::string ToText() const {
    std::string text;
    AppendText(text);
    return text;
  }
  // Appends what ToText gives.
  virtual void AppendText(std::string& out) const = 0;
  virtual int LineType() const = 0;

  // The edge walk: new edges of colour 0, none after the last.
  virtual std::unique_ptr<EdgeLine> FirstEdge();
  virtual std::unique_ptr<EdgeLine> NextEdge();

  virtual bool IsPolygon() const { return false; }
  virtual bool IsLine() const { return false; }

  // Placement: Transform(m) then Translate(t) maps every point p to m*p + t.
  virtual void Translate(const Vector& /*offset*/) {}
  virtual void Transform(const Matrix3& /*m*/) {}

  // The parts of this element on the splitter's kept side, made in `arena`.
  // The element itself is left as it is, apart from the polygons' corner
  // rotation.
  virtual CutPieces Cut(const Element& splitter, ElementArena& arena);

  // The unit normal of a polygon's plane; none for other classes.
  virtual std::optional<Vector> Normal() const { return std::nullopt; }
  // Bend angle in degrees between this polygon and `other` along `edge`.
  virtual double AngleTo(const Element& /*other*/, const Element& /*edge*/) const { return 0; }
  virtual bool HasVertex(const Point& /*p*/) const { return false; }
  virtual void ReverseWinding() {}

  // Questions asked of a splitter polygon (see splitting/plane.h). The base
  // answers 0 and leaves *projection untouched, never a mirror pair, never a
  // crossing.
  virtual double SignedDistance(const Point& /*p*/, Point* /*projection*/) const { return 0; }
  virtual bool IsSelfSymmetric(const Element& /*splitter*/) { return true; }
  virtual bool IsMirrorPair(const Point& /*a*/, const Point& /*b*/) const { return false; }
  virtual void SetColour(int /*colour*/) {}
  virtual bool SameGeometry(const Element& /*other*/) const { return false; }
  // Where the element lies relative to the splitter; snaps every classified
  // point within `precision` of the plane onto it.
  virtual Side Classify(const Element& /*splitter*/) { return Side::kKept; }
  virtual Crossing Intersect(const Point& /*a*/, const Point& /*b*/, Point* /*crossing*/) const {
    return Crossing::kNone;
  }
  virtual std::optional<Point> VertexOffEdge(const Element& /*edge*/) const {
    return std::nullopt;
  }

  // The plane of a splitter polygon, none for every other class. The
  // operations above that take a splitter measure against it.
  virtual std::optional<Plane> SplitterPlane() const { return std::nullopt; }

  // The first two points of a line or polygon, none for other classes. Used
  // by SameGeometry.
  virtual std::optional<std::pair<Point, Point>> FirstTwoPoints() const { return std::nullopt; }

  // Gives an element of colour 16 (the colour of the reference that places
  // it) the colour of an expanded reference. Elements without colour ignore it.
  virtual void InheritColour(const Colour& /*colour*/) {}

  // +1 or -1: for a subfile reference the sign applied to the winding of what
  // it places; for other elements the winding their file declared (0 while
  // none). Set by the reader and the expander.
  int winding = 0;

 protected:
  // Only whole elements of a concrete class are copied (see CopyElement).
  Element(const Element&) = default;
};

// The placeholder of a removed element: empty text, never written.
class EmptyElement final : public Element {
 public:
  void AppendText(std::string& /*out*/) const override {}
  int LineType() const override { return kEmptyType; }
};

}  // namespace halvex
