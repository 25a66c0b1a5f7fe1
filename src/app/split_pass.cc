#include "app/split_pass.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

#include "geometry/precision.h"
#include "platform/parallel.h"

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

bool IsSkipped(const std::vector<bool>& skipped, int k) {
  return static_cast<std::size_t>(k) < skipped.size() && skipped[static_cast<std::size_t>(k)];
}

// Where `element` lies relative to the splitter (snapping its points, see
// Element::Classify).
Side SideOf(Element& element, const Element& splitter) {
  return IsStudReference(element) ? Side::kAcross : element.Classify(splitter);
}

// A model smaller than this is classified element by element as it is split:
// sharing the work would cost more than it saves. A part of a file is
// smaller, and split as soon as it is read: worth sharing from fewer.
constexpr int kClassifiedOnAllCores = 1 << 16;
constexpr int kPartClassifiedOnAllCores = 1 << 12;

// The sides of the elements of a large model, classified on every core,
// each element on its own (snapping touches only the element's own points);
// empty for a model of fewer than `minimum`. What the split does to an
// element changes that element only, or appends, so the side of one not yet
// visited is the same classified before the pass as when the pass reaches
// it. Skipped elements are not classified.
std::vector<std::int8_t> ClassifyOnAllCores(Model& input, const Element& splitter,
                                            const std::vector<bool>& skipped, int minimum) {
  const int size = input.Size();
  const int workers = WorkerCount();
  if (size < minimum || workers < 2) return {};
  // A byte each: the list is as long as the model.
  std::vector<std::int8_t> sides(static_cast<std::size_t>(size));
  RunTasks(workers, [&](int task) {
    const int begin = static_cast<int>(static_cast<long long>(size) * task / workers);
    const int end = static_cast<int>(static_cast<long long>(size) * (task + 1) / workers);
    for (int k = begin; k < end; ++k) {
      if (IsSkipped(skipped, k)) continue;
      sides[static_cast<std::size_t>(k)] =
          static_cast<std::int8_t>(SideOf(input.ElementAt(k), splitter));
    }
  });
  return sides;
}

// What a plane does to an element by the side it lies on. The split pass
// and the judge of a reference's extent both go by this table, so that a
// reference kept or removed whole fares as its inlined elements would.
enum class Action {
  kKeep,
  kRemove,
  kAcross,   // Recolour, mark, erase or cut, as HandleAcross says.
  kInPlane,  // Recolour or erase, as HandleInPlane says.
};

// Snapping only, nothing is removed; with -dn, whatever lies wholly on the
// kept side goes, comments and meta lines aside.
Action ActionFor(Side side, bool metaLine, const RunSettings& settings) {
  switch (side) {
    case Side::kAcross:
      return Action::kAcross;
    case Side::kInPlane:
      return Action::kInPlane;
    case Side::kRemoved:
      return settings.snapOnly ? Action::kKeep : Action::kRemove;
    case Side::kKept:
      return settings.deleteNotInOrAcross && !metaLine && !settings.snapOnly ? Action::kRemove
                                                                            : Action::kKeep;
  }
  return Action::kKeep;
}

void HandleAcross(Model& input, int k, const Element& splitter, const RunSettings& settings,
                  CutLog* log) {
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
    Element& element = input.ElementAt(k);
    ElementPoints source;
    if (log) source = PointsOf(element);
    CutPieces pieces = element.Cut(splitter, input.Arena());
    if (log && pieces.first) {
      RecordCut(*log, *splitter.SplitterPlane(), source, *pieces.first, k, pieces.second.get(),
                input.Size());
    }
    if (pieces.first) {
      input.ReplaceAt(k, std::move(pieces.first));
    } else {
      // A reference or an already erased element leaves nothing; a reference
      // takes its BFC INVERTNEXT lines along.
      input.EraseElement(k);
    }
    if (pieces.second) {
      input.Append(std::move(pieces.second));
      // The second piece lies where the element did in the texture blocks.
      if (input.HasTextures()) input.SetTag(input.Size() - 1, input.TagAt(k));
    }
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

void SplitModel(Model& input, const Model& splitter, const RunSettings& settings,
                std::span<const int> keptWhole, CutLog* log, const PlaneHooks* hooks) {
  std::vector<bool> skipped;
  if (!keptWhole.empty()) {
    skipped.resize(static_cast<std::size_t>(input.Size()));
    for (int k : keptWhole) skipped[static_cast<std::size_t>(k)] = true;
  }
  if (log) {
    log->before.reserve(static_cast<std::size_t>(input.Size()));
    for (int k = 0; k < input.Size(); ++k) log->before.push_back(PointsOf(input.ElementAt(k)));
  }
  RunSettings boundarySettings;
  boundarySettings.cutAcross = true;
  for (int s = 0; s < splitter.Size(); ++s) {
    const Element& polygon = splitter.ElementAt(s);
    if (!polygon.IsPolygon()) continue;
    if (log) {
      SplitByPolygon(log->boundary, polygon, boundarySettings);
      SplitByPolygon(log->removedEdges, polygon, boundarySettings);
      if (std::optional<Plane> plane = polygon.SplitterPlane()) log->planes.push_back(*plane);
    }
    const std::optional<Plane> plane = hooks ? polygon.SplitterPlane() : std::nullopt;
    if (plane && hooks->before) hooks->before(input, *plane);
    SplitByPolygon(input, polygon, settings, skipped, log);
    if (plane && hooks->after) hooks->after(input);
  }
}

namespace {

// What the pass does to element k, which lies on `side`.
void Visit(Model& input, int k, Side side, const Element& splitter, const RunSettings& settings,
           CutLog* log) {
  Element& element = input.ElementAt(k);
  // Whether the element is a meta line matters only to one on the kept
  // side with -dn (see ActionFor): asked only then, an element classified
  // beforehand is not visited again to keep it.
  const bool metaLine =
      side == Side::kKept && settings.deleteNotInOrAcross && element.LineType() == kMetaType;
  switch (ActionFor(side, metaLine, settings)) {
    case Action::kKeep:
      break;
    case Action::kRemove:
      if (log && side == Side::kRemoved && settings.cutAcross && element.IsPolygon()) {
        RecordRemovedPolygon(*log, *splitter.SplitterPlane(), element);
      }
      input.EraseElement(k);
      break;
    case Action::kAcross:
      HandleAcross(input, k, splitter, settings, log);
      break;
    case Action::kInPlane:
      HandleInPlane(input, k, settings);
      break;
  }
}

// The side of element k, classified beforehand or now.
Side SideAt(Model& input, int k, const std::vector<std::int8_t>& sides, const Element& splitter) {
  return static_cast<std::size_t>(k) < sides.size()
             ? static_cast<Side>(sides[static_cast<std::size_t>(k)])
             : SideOf(input.ElementAt(k), splitter);
}

}  // namespace

void SplitByPolygon(Model& input, const Element& polygon, const RunSettings& settings,
                    const std::vector<bool>& skipped, CutLog* log) {
  const FixedPlaneSplitter splitter(polygon);
  const std::vector<std::int8_t> sides =
      ClassifyOnAllCores(input, splitter, skipped, kClassifiedOnAllCores);
  for (int k = 0; k < input.Size(); ++k) {
    if (IsSkipped(skipped, k)) continue;
    Visit(input, k, SideAt(input, k, sides, splitter), splitter, settings, log);
  }
}

bool SplitPartByPolygon(Model& part, std::vector<std::uint32_t>& cuts, std::uint32_t pass,
                        const Element& polygon, const RunSettings& settings) {
  const FixedPlaneSplitter splitter(polygon);
  const std::vector<std::int8_t> sides =
      ClassifyOnAllCores(part, splitter, {}, kPartClassifiedOnAllCores);
  const int size = part.Size();
  cuts.resize(static_cast<std::size_t>(size));
  for (int k = 0; k < part.Size(); ++k) {
    const int before = part.Size();
    Visit(part, k, SideAt(part, k, sides, splitter), splitter, settings, nullptr);
    if (part.Size() == before) continue;
    // A piece of this pass cut again: its second piece would follow every
    // piece the pass cuts off in the whole file, not this part's alone.
    if (k >= size) return false;
    const std::uint32_t passes = cuts[static_cast<std::size_t>(k)] | pass;
    cuts.resize(static_cast<std::size_t>(part.Size()), passes);
  }
  return true;
}

namespace {

// The points were placed by a product of placements, where the split places
// each element by one placement after another: the two differ in the last
// bits. A point this much farther from the plane than the precision is
// beyond it either way; one nearer is not trusted.
constexpr double kRoundingMargin = 1e-9;

// The bounding box of a reference's placed points, by which most planes are
// judged without visiting every point.
struct PointBox {
  std::array<Point, 8> corners;
  double scale;  // The largest |x| + |y| + |z| + 1 of the points.
  bool finite;
};

PointBox BoxOf(std::span<const Point> points) {
  Point low{INFINITY, INFINITY, INFINITY};
  Point high{-INFINITY, -INFINITY, -INFINITY};
  bool finite = true;
  for (const Point& p : points) {
    finite = finite && std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  PointBox box{};
  box.finite = finite && !points.empty();
  if (!box.finite) return box;
  for (int k = 0; k < 8; ++k) {
    box.corners[static_cast<std::size_t>(k)] = {(k & 1) ? high.x : low.x,
                                                (k & 2) ? high.y : low.y,
                                                (k & 4) ? high.z : low.z};
  }
  box.scale = std::max(std::fabs(low.x), std::fabs(high.x)) +
              std::max(std::fabs(low.y), std::fabs(high.y)) +
              std::max(std::fabs(low.z), std::fabs(high.z)) + 1.0;
  return box;
}

// +1 when every point in `box` is beyond the precision on the removed side
// of `plane`, -1 when every one is on the kept side, as the point-by-point
// test would find; 0 when that is not certain from the box alone. The
// distance to a plane is affine in the point, so it is least at a corner of
// the box; the corners must clear the bound by a margin far above what
// rounding can change in it.
int SureSide(const Plane& plane, const PointBox& box) {
  if (!box.finite) return 0;
  const Point& o = plane.origin;
  const double bound = precision + kRoundingMargin * box.scale;
  const double margin = 1e-9 * (box.scale + std::fabs(o.x) + std::fabs(o.y) + std::fabs(o.z));
  int side = 0;
  for (const Point& corner : box.corners) {
    Point projection;
    double distance = SignedDistance(plane, corner, &projection);
    int cornerSide = distance > bound + margin ? 1 : distance < -(bound + margin) ? -1 : 0;
    if (cornerSide == 0 || (side != 0 && cornerSide != side)) return 0;
    side = cornerSide;
  }
  return side;
}

}  // namespace

Verdict JudgeExtent(std::span<const Point> points, const Model& splitter,
                    const RunSettings& settings) {
  const PointBox box = BoxOf(points);
  for (int s = 0; s < splitter.Size(); ++s) {
    const Element& polygon = splitter.ElementAt(s);
    if (!polygon.IsPolygon()) continue;
    std::optional<Plane> plane = polygon.SplitterPlane();
    if (!plane) return Verdict::kInline;
    bool removedSide = false;
    bool keptSide = false;
    // Most planes leave the whole box on one side: the points need not be
    // visited then. The cost of a reference no longer grows with its points
    // times the planes.
    const int sure = SureSide(*plane, box);
    if (sure > 0) removedSide = true;
    if (sure < 0) keptSide = true;
    for (const Point& p : sure != 0 ? std::span<const Point>() : points) {
      Point projection;
      double distance = SignedDistance(*plane, p, &projection);
      double scale = std::fabs(p.x) + std::fabs(p.y) + std::fabs(p.z) + 1.0;
      double beyond = precision + kRoundingMargin * scale;
      if (distance > beyond) {
        removedSide = true;
      } else if (distance < -beyond) {
        keptSide = true;
      } else {
        return Verdict::kInline;  // Near or in the plane, or not a number.
      }
    }
    if (!removedSide && !keptSide) continue;  // No points: nothing to judge.
    const Side side = removedSide && keptSide ? Side::kAcross
                      : removedSide             ? Side::kRemoved
                                                : Side::kKept;
    switch (ActionFor(side, false, settings)) {
      case Action::kKeep:
        break;
      case Action::kRemove:
        return Verdict::kRemoveWhole;
      case Action::kAcross:
      case Action::kInPlane:
        return Verdict::kInline;
    }
  }
  return Verdict::kKeepWhole;
}

}  // namespace halvex
