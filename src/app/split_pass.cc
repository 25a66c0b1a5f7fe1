#include "app/split_pass.h"

#include <string>

namespace halvex {
namespace {

// A splitter polygon with its plane worked out once, instead of once for
// every element it classifies or cuts. The elements ask a splitter for its
// plane only; the other plane questions are passed on to the polygon.
class FixedPlaneSplitter final : public Element {
 public:
  explicit FixedPlaneSplitter(const Element& polygon)
      : polygon_(polygon), plane_(polygon.SplitterPlane()) {}

  void AppendText(std::string& out) const override { polygon_.AppendText(out); }
  int LineType() const override { return polygon_.LineType(); }
  bool IsPolygon() const override { return polygon_.IsPolygon(); }
  std::optional<Plane> SplitterPlane() const override { return plane_; }
  double SignedDistance(const Point& p, Point* projection) const override {
    return polygon_.SignedDistance(p, projection);
  }
  bool IsMirrorPair(const Point& a, const Point& b) const override {
    return polygon_.IsMirrorPair(a, b);
  }
  Crossing Intersect(const Point& a, const Point& b, Point* crossing) const override {
    return polygon_.Intersect(a, b, crossing);
  }

 private:
  const Element& polygon_;
  const std::optional<Plane> plane_;
};

// Stud primitives are never classified by their position alone: a reference
// to one always counts as crossing the plane.
bool IsStudReference(const Element& element) {
  if (element.LineType() != kSubfileType) return false;
  std::string text = element.ToText();
  return text.find("stud.dat") != std::string::npos ||
         text.find("stud2.dat") != std::string::npos || text.find("stug") != std::string::npos;
}

void HandleAcross(Model& input, int k, const Element& splitter, const RunSettings& settings) {
  if (settings.colourElements) {
    Element& element = input.ElementAt(k);
    if (element.IsLine()) element.SetColour(kAcrossLineColour);
    if (element.IsPolygon() || element.LineType() == kSubfileType) {
      element.SetColour(kAcrossColour);
    }
  }
  if (settings.verifySymmetry) {
    Element& element = input.ElementAt(k);
    if (!element.IsSelfSymmetric(splitter)) {
      if (element.IsLine()) element.SetColour(kAsymmetricLineColour);
      if (element.IsPolygon()) element.SetColour(kAsymmetricPolygonColour);
    }
  }
  if (settings.deleteAcross && !settings.snapOnly) input.EraseElement(k);
  if (settings.cutAcross) {
    CutPieces pieces = input.ElementAt(k).Cut(splitter, input.Arena());
    if (pieces.first) {
      input.ReplaceAt(k, std::move(pieces.first));
    } else {
      // A reference or an already erased element leaves nothing; a reference
      // takes its BFC INVERTNEXT line along.
      input.EraseElement(k);
    }
    if (pieces.second) input.Append(std::move(pieces.second));
  }
}

void HandleInPlane(Model& input, int k, const RunSettings& settings) {
  if (settings.colourElements) {
    Element& element = input.ElementAt(k);
    if (element.IsLine() || element.LineType() == kSubfileType) {
      element.SetColour(kInPlaneLineColour);
    }
    if (element.IsPolygon()) element.SetColour(kInPlanePolygonColour);
  }
  if (settings.deleteInPlane && !settings.snapOnly) input.EraseElement(k);
}

}  // namespace

void SplitModel(Model& input, const Model& splitter, const RunSettings& settings) {
  for (int s = 0; s < splitter.Size(); ++s) {
    const Element& polygon = splitter.ElementAt(s);
    if (polygon.IsPolygon()) SplitByPolygon(input, polygon, settings);
  }
}

void SplitByPolygon(Model& input, const Element& polygon, const RunSettings& settings) {
  const FixedPlaneSplitter splitter(polygon);
  for (int k = 0; k < input.Size(); ++k) {
    Element& element = input.ElementAt(k);
    Side side = IsStudReference(element) ? Side::kAcross : element.Classify(splitter);
    switch (side) {
      case Side::kAcross:
        HandleAcross(input, k, splitter, settings);
        break;
      case Side::kRemoved:
        if (!settings.snapOnly) input.EraseElement(k);
        break;
      case Side::kKept:
        if (settings.deleteNotInOrAcross && element.LineType() != kMetaType &&
            !settings.snapOnly) {
          input.EraseElement(k);
        }
        break;
      case Side::kInPlane:
        HandleInPlane(input, k, settings);
        break;
    }
  }
}

}  // namespace halvex
