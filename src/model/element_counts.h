// Counts of element kinds, as loading, expanding and saving report them.
#pragma once

namespace halvex {

// Counts of the element kinds that a load, an expansion or a save met.
struct ElementCounts {
  int edgeLines = 0;
  int condLines = 0;
  int triangles = 0;
  int quads = 0;
  int subfiles = 0;

  // Counts one element of `lineType`; other types than 1 to 5 count nowhere.
  void Count(int lineType);
  // Adds the counts of `other`.
  void Add(const ElementCounts& other);
};

}  // namespace halvex
