// Splitting a large file a part at a time: read, split and written part by
// part, the run holds a few parts instead of the whole model.
#pragma once

#include <string>

#include "app/run_settings.h"
#include "model/ldraw_reader.h"
#include "model/ldraw_writer.h"
#include "model/model.h"

namespace halvex {

class PathResolver;

// What a split a part at a time did. When it could not be done, nothing was
// written and the run splits the whole model instead.
struct StreamedSplit {
  bool done = false;
  LoadSummary load;
  SaveSummary save;
};

// Reads `inFile` (as an MPD, see Load), splits it by `splitter` (see
// SplitModel) and saves the result as `outFile` (see Save, with the embedded
// files after it), the same bytes as a run on the whole model writes, a part
// at a time. Each element's fate depends on the element alone; only where
// the pieces the cuts append go depends on the rest, and they are held back,
// as text, until the end. Not done when the input cannot be read to its end,
// the output cannot be created, the input has texture blocks (whose
// statements are said again around what is left of each block), the
// splitter has more than 32 polygons, or a pass cuts a piece it cut off
// itself (see SplitPartByPolygon).
StreamedSplit SplitStreamed(const std::string& inFile, const Model& splitter,
                            const RunSettings& settings, const std::string& outFile,
                            PathResolver& resolver);

}  // namespace halvex
