// Judging a reference by where its full expansion would lie, before it is
// inlined, so that one the split would keep or remove whole is left as it is.
#pragma once

#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "elements/subfile_ref.h"
#include "model/expansion_verdict.h"
#include "model/prepared_file.h"
#include "model/search_path.h"

namespace halvex {

// Where the full expansion of a file lies, in the file's own coordinates:
// points whose convex hull holds every point the split classifies (see
// Element::ClassifiedPoints) of every element the expansion places. `known`
// is false when the expansion would meet a reference not found, a cycle, a
// file read only in part or a point that is not finite; `height` is the
// deepest nesting of references below the file (0 for a file without any).
struct Extent {
  bool known = true;
  int height = 0;
  std::vector<Point> points;
  // Whether a texture block or hidden line lies anywhere in the expansion.
  bool textured = false;
};

class ReferenceJudge {
 public:
  // `judge` says what the split does with points; `elementBudget` bounds the
  // lines a file is read for (see Prepare).
  ReferenceJudge(SearchPath& searchPath, PreparedFiles& files, const ExtentJudge& judge,
                 int elementBudget)
      : searchPath_(searchPath), files_(files), judge_(judge), budget_(elementBudget) {}

  // The verdict on `ref`, a reference to `file` at nesting `depth` (1 for
  // one of the top file): the judge's on the placed extent of `file`, or
  // kInline where that extent is not known or its references would nest
  // deeper than the limit, so that what lies below is treated as a full
  // expansion treats it, and where it holds texture blocks, so that they
  // are placed and split with their lines.
  Verdict Judge(const SubfileRef& ref, const Subfile* file, int depth);

  // The extent of `file`, worked out on its first use from its elements and
  // the extents of the files it references. `level` counts the files whose
  // extents are being worked out above this one: a file met again on that
  // way is a cycle, and a way longer than the nesting limit is not followed.
  const Extent& ExtentOf(const Subfile* file, int level = 0);

 private:
  SearchPath& searchPath_;
  PreparedFiles& files_;
  const ExtentJudge& judge_;
  const int budget_;
  std::unordered_map<const Subfile*, Extent> extents_;
  std::unordered_set<const Subfile*> inProgress_;
  std::vector<Point> placedPoints_;
};

}  // namespace halvex
