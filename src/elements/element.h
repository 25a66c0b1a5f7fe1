// The interface of every line of an LDraw file. The reader, the expander, the
// split pass and the writer treat all line types through it; a triangle or
// quadrilateral used as splitter answers the plane questions of the others.
// Every operation has a neutral default, and each class overrides what
// applies to it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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

// Each virtual says what it answers and why its default is what it is: the
// default is what an element without that property answers, so that callers
// need not ask for the class first. Operations marked "Not used by the run"
// are kept so that every element answers the whole interface; tests and the
// fuzz targets exercise those that answer something. Describe answers
// nothing, and nothing calls it.
class Element {
 public:
  Element() = default;
  Element& operator=(const Element&) = delete;
  virtual ~Element() = default;

  // Not used by the run. A diagnostic hook; does nothing, as nothing needs a
  // description.
  virtual void Describe() const {}
  // The LDraw line, without line end. Empty for a removed element.
  std::string ToText() const {
    std::string text;
    AppendText(text);
    return text;
  }
  // Appends the element's LDraw line; no default, every class has a text.
  virtual void AppendText(std::string& out) const = 0;
  // The LDraw line type (0 to 5) or the code of a non-line class; no default.
  virtual int LineType() const = 0;

  // Not used by the run. The edge walk: new edges of colour 0, none after the
  // last; none by default, for elements without edges.
  virtual std::unique_ptr<EdgeLine> FirstEdge();
  // Not used by the run. The next edge of the walk FirstEdge began; none by
  // default, as lines have a single edge.
  virtual std::unique_ptr<EdgeLine> NextEdge();

  // Whether the element is a triangle or quadrilateral; false by default.
  virtual bool IsPolygon() const { return false; }
  // Whether the element is an edge or conditional line; false by default.
  virtual bool IsLine() const { return false; }

  // Moves every point by `offset`; nothing by default, for elements without
  // points. Transform(m) then Translate(t) maps every point p to m*p + t.
  virtual void Translate(const Vector& /*offset*/) {}
  // Maps every point p to m*p; nothing by default, for elements without
  // points.
  virtual void Transform(const Matrix3& /*m*/) {}

  // The parts of this element on the splitter's kept side, made in `arena`;
  // no parts by default, since only lines and polygons are ever cut. The
  // element itself is left as it is, apart from the polygons' corner
  // rotation.
  virtual CutPieces Cut(const Element& splitter, ElementArena& arena);

  // Not used by the run (serves AngleTo). The unit normal of a polygon's
  // plane; none by default, as only a polygon spans a plane.
  virtual std::optional<Vector> Normal() const { return std::nullopt; }
  // Not used by the run. Bend angle in degrees between this polygon and
  // `other` along `edge`; 0 by default, as only polygons bend.
  virtual double AngleTo(const Element& /*other*/, const Element& /*edge*/) const { return 0; }
  // Not used by the run (serves SameGeometry and VertexOffEdge). Whether `p`
  // is one of the element's points; false by default, for elements without
  // vertices.
  virtual bool HasVertex(const Point& /*p*/) const { return false; }
  // Turns a polygon over (a model: all its polygons); nothing by default, as
  // only polygons have a winding to reverse.
  virtual void ReverseWinding() {}

  // Whether the element is its own mirror image in the splitter's plane;
  // true by default, so that elements without points are never marked.
  virtual bool IsSelfSymmetric(const Element& /*splitter*/) { return true; }
  // Recolours the element; nothing by default, for elements without colour.
  virtual void SetColour(int /*colour*/) {}
  // Not used by the run. Whether `other` covers the same edge or corners;
  // false by default, for elements without points.
  virtual bool SameGeometry(const Element& /*other*/) const { return false; }
  // The points by which the element is placed relative to a splitter: a
  // polygon's corners, a line's two ends (not a conditional line's control
  // points), a reference's offset; none by default. Classify goes by them,
  // and so does the extent by which a reference is judged before it is
  // inlined, so the two cannot disagree on what an element is made of.
  virtual std::span<Point> ClassifiedPoints() { return {}; }
  // Where the element lies relative to the splitter, by its classified
  // points (see ClassifyPoints), each snapped onto the plane where it lies
  // within `precision` of it. Kept for an element without points, so that it
  // always stays; in the plane against a splitter without a plane.
  Side Classify(const Element& splitter);
  // Not used by the run. A corner of this polygon that is not an end of
  // `edge`; none by default, for elements without corners.
  virtual std::optional<Point> VertexOffEdge(const Element& /*edge*/) const {
    return std::nullopt;
  }

  // Not used by the run, which asks a splitter for its SplitterPlane() and
  // measures against that: the three plane questions asked of a splitter
  // polygon (see splitting/plane.h). The defaults are the answers of a
  // non-polygon asked by mistake: no distance, no mirror pair, no crossing.
  //
  // The signed distance of `p` from the splitter's plane, its projection
  // written to *projection; 0 by default, *projection untouched.
  virtual double SignedDistance(const Point& /*p*/, Point* /*projection*/) const { return 0; }
  // Whether `a` and `b` mirror each other in the splitter's plane; false by
  // default.
  virtual bool IsMirrorPair(const Point& /*a*/, const Point& /*b*/) const { return false; }
  // Where the segment a-b crosses the splitter's plane; none by default.
  virtual Crossing Intersect(const Point& /*a*/, const Point& /*b*/, Point* /*crossing*/) const {
    return Crossing::kNone;
  }

  // The plane of a splitter polygon, which every operation taking a splitter
  // measures against; none by default, as only a polygon spans a plane.
  virtual std::optional<Plane> SplitterPlane() const { return std::nullopt; }

  // Not used by the run (serves AngleTo and SameGeometry). The first two
  // points of a line or polygon; none by default, for elements without two
  // points.
  virtual std::optional<std::pair<Point, Point>> FirstTwoPoints() const { return std::nullopt; }

  // Gives an element of colour 16 (the colour of the reference that places
  // it) the colour of an expanded reference; nothing by default, for
  // elements without colour.
  virtual void InheritColour(const Colour& /*colour*/) {}

  // +1 or -1: for a subfile reference the sign applied to the winding of what
  // it places; for other elements the winding their file declared (0 while
  // none). Set by the reader; in an expanded model a polygon's is the
  // winding its corners run in as its file declares it (see
  // ExpandSubfiles), and the pieces of a cut polygon keep it.
  std::int8_t winding = 0;
  // Set by the expansion on polygons: whether a viewer culls the polygon in
  // the original (its file is certified with CLIP in effect, and every
  // reference on its way down passes culling on). The pieces of a cut
  // polygon keep it. Like the winding, one byte: the two and the edge walk's
  // place fit beside the table pointer.
  bool culled = false;

 protected:
  // Only whole elements of a concrete class are copied (see CopyElement).
  Element(const Element&) = default;

  // The place of the edge walk FirstEdge began, for elements that walk more
  // than one edge. Kept here, in the bytes after the winding, rather than
  // in those elements, whose points would otherwise start 8 bytes later.
  std::uint8_t edgeWalk_ = 0;
};

// The placeholder of a removed element: empty text, never written.
class EmptyElement final : public Element {
 public:
  void AppendText(std::string& /*out*/) const override {}
  int LineType() const override { return kEmptyType; }
};

}  // namespace halvex
