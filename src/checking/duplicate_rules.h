// The rules on lines against each other, from "File Format Restrictions for
// the Official Library" (ldraw.org/article/512): no two identical lines
// ("Duplicate Line Types") and no edge line over part of another
// ("Overlapping and Intersecting Line Types"). The indexes take lines by an
// id of the caller's, so that the placed check can use them on the lines of
// many files.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "checking/finding.h"
#include "checking/source_file.h"
#include "geometry/point.h"

namespace halvex {

// Lines identical as drawn: of the same type and colour, with the same
// points in any order (the order of an edge line's ends and of a polygon's
// corners is not considered; a conditional line's control points are not
// compared); references with the same file, placement and colour. Points
// are compared to 0.0001 LDU, rounded to that grid: two points either side
// of a grid line may go unmatched, never two points further apart.
class DuplicateIndex {
 public:
  // Records a line of type 2 to 5 with its points (see PointsOf) and answers
  // the id of the first line identical to it, or -1. A line with a point
  // that is not finite is not recorded.
  int AddLine(int lineType, int colour, std::span<const Point> points, int id);
  // The same for a reference, its file name matched as library names are.
  int AddReference(int colour, std::string_view name, const Point& position, const Matrix3& matrix,
                   int id);

 private:
  int Record(std::string key, int id);

  std::unordered_map<std::string, int> first_;
};

// Edge lines that overlap: each within kOverlapDistance of the other's line,
// sharing a stretch longer than that, and not identical. Lines are grouped
// by their direction and position rounded (to 0.0001 and 0.001): lines
// whose rounding falls apart are not compared.
class OverlapIndex {
 public:
  void Add(const Point& a, const Point& b, int id);

  struct Overlap {
    int earlier;  // the id of the line it overlaps
    int later;    // the id reported
    double length;
  };
  // For every line that overlaps one sorted before it along their common
  // line, one overlap, the later id being the larger.
  std::vector<Overlap> Overlaps() const;

 private:
  struct Segment {
    Point a;
    Point b;
    double start;  // along the line's direction
    double end;
    int id;
  };
  std::unordered_map<std::string, std::vector<Segment>> byLine_;
};

// Appends the duplicate and overlap findings of the file's drawing lines to
// `out`, each at the later line, naming the earlier.
void CheckDuplicates(const SourceFile& file, std::vector<Finding>& out);

}  // namespace halvex
