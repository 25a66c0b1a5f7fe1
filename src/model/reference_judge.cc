#include "model/reference_judge.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <functional>
#include <utility>

namespace halvex {
namespace {

// A file of many points keeps only the corners of their bounding box, which
// hold them all: judging a reference then costs at most this many points a
// plane, however large its file.
constexpr std::size_t kMaxExtentPoints = 4096;

// Gathers the points of an Extent, each distinct point once, up to
// kMaxExtentPoints, and their bounding box.
class ExtentBuilder {
 public:
  void Add(const Point& p) {
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z)) {
      finite_ = false;
      return;
    }
    low_ = {std::min(low_.x, p.x), std::min(low_.y, p.y), std::min(low_.z, p.z)};
    high_ = {std::max(high_.x, p.x), std::max(high_.y, p.y), std::max(high_.z, p.z)};
    if (boxed_ || !seen_.insert(Key(p)).second) return;
    points_.push_back(p);
    if (points_.size() > kMaxExtentPoints) {
      boxed_ = true;
      seen_.clear();
    }
  }

  bool Finite() const { return finite_; }

  std::vector<Point> TakePoints() {
    if (!boxed_) return std::move(points_);
    std::vector<Point> corners;
    for (int k = 0; k < 8; ++k) {
      corners.push_back({(k & 1) ? high_.x : low_.x, (k & 2) ? high_.y : low_.y,
                         (k & 4) ? high_.z : low_.z});
    }
    return corners;
  }

 private:
  struct PointKey {
    std::uint64_t x, y, z;
    bool operator==(const PointKey&) const = default;
  };
  struct PointKeyHash {
    std::size_t operator()(const PointKey& k) const {
      return std::hash<std::uint64_t>()(k.x * 31 + k.y * 1000003 + k.z);
    }
  };
  static PointKey Key(const Point& p) {
    return {std::bit_cast<std::uint64_t>(p.x), std::bit_cast<std::uint64_t>(p.y),
            std::bit_cast<std::uint64_t>(p.z)};
  }

  bool finite_ = true;
  bool boxed_ = false;
  Point low_{INFINITY, INFINITY, INFINITY};
  Point high_{-INFINITY, -INFINITY, -INFINITY};
  std::vector<Point> points_;
  std::unordered_set<PointKey, PointKeyHash> seen_;
};

Point Placed(const SubfileRef& ref, const Point& p) {
  return Add(Apply(ref.Placement(), p), ref.Position());
}

}  // namespace

Verdict ReferenceJudge::Judge(const SubfileRef& ref, const Subfile* file, int depth) {
  const Extent& extent = ExtentOf(file);
  if (!extent.known || extent.textured || depth + extent.height > kMaxNesting) {
    return Verdict::kInline;
  }
  placedPoints_.clear();
  for (const Point& p : extent.points) placedPoints_.push_back(Placed(ref, p));
  return judge_(placedPoints_);
}

const Extent& ReferenceJudge::ExtentOf(const Subfile* file, int level) {
  if (auto known = extents_.find(file); known != extents_.end()) return known->second;
  Extent extent;
  if (level > kMaxNesting || !inProgress_.insert(file).second) {
    extent.known = false;
    return extents_.emplace(file, std::move(extent)).first->second;
  }
  ExtentBuilder builder;
  const PreparedFile& prepared = files_.Of(file, budget_);
  // A file of more lines than the budget has no extent: its reference is
  // inlined, and the expansion stops there.
  if (prepared.truncated) extent.known = false;
  extent.textured = prepared.textured;
  for (const PreparedElement& original : prepared.elements) {
    Element& element = *original.element;
    if (element.LineType() != kSubfileType) {
      for (const Point& p : element.ClassifiedPoints()) builder.Add(p);
      continue;
    }
    const auto& ref = static_cast<const SubfileRef&>(element);
    const Subfile* child = searchPath_.Open(ref.Name());
    if (!child) {
      extent.known = false;
      break;
    }
    const Extent& inner = ExtentOf(child, level + 1);
    if (!inner.known) {
      extent.known = false;
      break;
    }
    extent.height = std::max(extent.height, inner.height + 1);
    extent.textured = extent.textured || inner.textured;
    for (const Point& p : inner.points) builder.Add(Placed(ref, p));
  }
  inProgress_.erase(file);
  extent.known = extent.known && builder.Finite();
  if (extent.known) extent.points = builder.TakePoints();
  // A file that draws nothing (an empty primitive that a viewer may put a
  // higher-resolution one in place of) is judged by where it is placed, as
  // the split judges a reference that is not expanded.
  if (extent.known && extent.points.empty()) extent.points.push_back({0, 0, 0});
  return extents_.insert_or_assign(file, std::move(extent)).first->second;
}

}  // namespace halvex
