// The check of a file's geometry as fully placed: every reference expanded
// through the search path, each line of every subfile placed in the top
// file's coordinates. It finds what no file shows by itself: polygons and
// lines that a placement (a squashing or shearing matrix) makes break the
// geometry rules, and lines of different files, or of one file placed
// twice, that are identical or overlap. Each finding is at the line of the
// top file whose reference places the offending line, and names the
// subfile and line it comes from.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "checking/finding.h"
#include "checking/source_file.h"
#include "model/search_path.h"

namespace halvex {

struct PlacedCheck {
  std::vector<Finding> findings;  // in line order
  // Whether the walk stopped at `budget` placed lines, before the end.
  bool stopped = false;
  // The files referenced that the search path did not find, each once
  // (matched as library names are), in the order met.
  std::vector<std::string> notFound;
};

// Checks the geometry `top` places. References not found, to the top file,
// to a file already being placed on their way down, or nested deeper than
// the expansion goes, are left out, as the expansion leaves them. A
// placement's findings are reported only where the line as written in its
// own file does not break the same rule (checking that file finds those).
// With `compareLines`, placed lines are compared with each other for
// duplicates and overlaps: edge lines and polygons, not conditional lines,
// which adjacent primitives (two halves of a cylinder) both draw at their
// seam by design. Findings of one kind at one line are reported once, with
// the count of the others.
PlacedCheck CheckPlaced(const SourceFile& top, SearchPath& searchPath, std::int64_t budget,
                        bool compareLines);

}  // namespace halvex
