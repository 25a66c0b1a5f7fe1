#include "checking/duplicate_rules.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "checking/check_limits.h"
#include "checking/element_rules.h"
#include "checking/polygon_measures.h"
#include "checking/rule_names.h"
#include "elements/coloured_element.h"
#include "elements/subfile_ref.h"
#include "model/library_name.h"

namespace halvex {
namespace {

using Grid = std::array<std::int64_t, 3>;

// A coordinate on a grid of `step`; none when it is not finite or too large
// for the grid.
bool OnGrid(double value, double step, std::int64_t* cell) {
  double scaled = std::round(value / step);
  if (!(std::fabs(scaled) < 9e15)) return false;
  *cell = static_cast<std::int64_t>(scaled);
  return true;
}

bool PointOnGrid(const Point& p, Grid* cells) {
  return OnGrid(p.x, kIdenticalDistance, &(*cells)[0]) &&
         OnGrid(p.y, kIdenticalDistance, &(*cells)[1]) &&
         OnGrid(p.z, kIdenticalDistance, &(*cells)[2]);
}

void AppendRaw(std::string& key, const void* data, std::size_t size) {
  key.append(static_cast<const char*>(data), size);
}

}  // namespace

int DuplicateIndex::AddLine(int lineType, int colour, std::span<const Point> points, int id) {
  // A conditional line is compared by its two ends alone.
  std::size_t compared = lineType == kCondType ? 2 : points.size();
  std::vector<Grid> cells(compared);
  for (std::size_t k = 0; k < compared; ++k) {
    if (!PointOnGrid(points[k], &cells[k])) return -1;
  }
  std::sort(cells.begin(), cells.end());
  std::string key;
  AppendRaw(key, &lineType, sizeof lineType);
  AppendRaw(key, &colour, sizeof colour);
  for (const Grid& cell : cells) AppendRaw(key, cell.data(), sizeof cell);
  return Record(std::move(key), id);
}

int DuplicateIndex::AddReference(int colour, std::string_view name, const Point& position,
                                 const Matrix3& matrix, int id) {
  const double values[] = {position.x, position.y, position.z, matrix.a, matrix.b, matrix.c,
                           matrix.d,   matrix.e,   matrix.f,   matrix.g, matrix.h, matrix.i};
  std::string key;
  const int type = kSubfileType;
  AppendRaw(key, &type, sizeof type);
  AppendRaw(key, &colour, sizeof colour);
  for (double value : values) {
    std::int64_t cell;
    if (!OnGrid(value, kIdenticalDistance, &cell)) return -1;
    AppendRaw(key, &cell, sizeof cell);
  }
  key += NameKey(name);
  return Record(std::move(key), id);
}

int DuplicateIndex::Record(std::string key, int id) {
  auto [entry, added] = first_.try_emplace(std::move(key), id);
  return added ? -1 : entry->second;
}

void OverlapIndex::Add(const Point& a, const Point& b, int id) {
  Vector along = Difference(a, b);
  double length = Length(along);
  if (!(length > kOverlapDistance) || !std::isfinite(length)) return;
  Vector unit = Scale(along, 1 / length);
  // The direction made unique: its largest component positive. The line's
  // point where that coordinate is 0 places it.
  const double components[] = {unit.x, unit.y, unit.z};
  int axis = 0;
  for (int k = 1; k < 3; ++k) {
    if (std::fabs(components[k]) > std::fabs(components[axis])) axis = k;
  }
  if (components[axis] < 0) unit = Scale(unit, -1);
  const double start[] = {a.x, a.y, a.z};
  const double unitAxis = axis == 0 ? unit.x : axis == 1 ? unit.y : unit.z;
  Point origin = halvex::Add(a, Scale(unit, -start[axis] / unitAxis));
  std::int64_t cells[6];
  if (!(OnGrid(unit.x, kIdenticalDistance, &cells[0]) &&
        OnGrid(unit.y, kIdenticalDistance, &cells[1]) &&
        OnGrid(unit.z, kIdenticalDistance, &cells[2]) &&
        OnGrid(origin.x, kOverlapDistance, &cells[3]) &&
        OnGrid(origin.y, kOverlapDistance, &cells[4]) &&
        OnGrid(origin.z, kOverlapDistance, &cells[5]))) {
    return;
  }
  std::string key;
  AppendRaw(key, cells, sizeof cells);
  double ta = Dot(Difference(origin, a), unit);
  double tb = Dot(Difference(origin, b), unit);
  byLine_[std::move(key)].push_back(Segment{a, b, std::min(ta, tb), std::max(ta, tb), id});
}

std::vector<OverlapIndex::Overlap> OverlapIndex::Overlaps() const {
  std::vector<Overlap> overlaps;
  for (const auto& [key, group] : byLine_) {
    if (group.size() < 2) continue;
    std::vector<const Segment*> sorted;
    for (const Segment& segment : group) sorted.push_back(&segment);
    std::sort(sorted.begin(), sorted.end(), [](const Segment* s, const Segment* t) {
      return s->start != t->start ? s->start < t->start : s->id < t->id;
    });
    // Each segment against the one reaching furthest among those before it.
    const Segment* reach = sorted[0];
    for (std::size_t k = 1; k < sorted.size(); ++k) {
      const Segment* segment = sorted[k];
      double shared = std::min(segment->end, reach->end) - segment->start;
      // Identical lines are the duplicate rule's.
      bool identical = std::fabs(segment->start - reach->start) < kIdenticalDistance &&
                       std::fabs(segment->end - reach->end) < kIdenticalDistance;
      bool onLine = DistanceToLine(segment->a, reach->a, reach->b) <= kOverlapDistance &&
                    DistanceToLine(segment->b, reach->a, reach->b) <= kOverlapDistance;
      if (shared > kOverlapDistance && !identical && onLine) {
        overlaps.push_back(
            Overlap{std::min(reach->id, segment->id), std::max(reach->id, segment->id), shared});
      }
      if (segment->end > reach->end) reach = segment;
    }
  }
  std::sort(overlaps.begin(), overlaps.end(),
            [](const Overlap& o, const Overlap& p) { return o.later < p.later; });
  return overlaps;
}

void CheckDuplicates(const SourceFile& file, std::vector<Finding>& out) {
  DuplicateIndex duplicates;
  OverlapIndex overlaps;
  for (const SourceLine& line : file.Lines()) {
    if (!line.element) continue;
    const int type = line.element->LineType();
    if (type < kSubfileType || type > kCondType) continue;
    const int colour = static_cast<const ColouredElement&>(*line.element).GetColour().Number();
    int first;
    if (type == kSubfileType) {
      const auto& ref = static_cast<const SubfileRef&>(*line.element);
      first =
          duplicates.AddReference(colour, ref.Name(), ref.Position(), ref.Placement(), line.number);
    } else {
      ElementPoints points = PointsOf(*line.element);
      first = duplicates.AddLine(type, colour, std::span(points.points, points.count), line.number);
      if (type == kEdgeType) overlaps.Add(points.points[0], points.points[1], line.number);
    }
    if (first >= 0) {
      out.push_back(Finding{line.number, Severity::kWarning, rules::kDuplicate,
                            "same as line " + std::to_string(first)});
    }
  }
  for (const OverlapIndex::Overlap& overlap : overlaps.Overlaps()) {
    out.push_back(Finding{overlap.later, Severity::kWarning, rules::kOverlap,
                          "overlaps line " + std::to_string(overlap.earlier) + " by " +
                              MeasureText(overlap.length) + " LDU"});
  }
}

}  // namespace halvex
