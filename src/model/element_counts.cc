#include "model/element_counts.h"

#include "elements/element.h"

namespace halvex {

void ElementCounts::Count(int lineType) {
  switch (lineType) {
    case kEdgeType: ++edgeLines; break;
    case kCondType: ++condLines; break;
    case kTriangleType: ++triangles; break;
    case kQuadType: ++quads; break;
    case kSubfileType: ++subfiles; break;
    default: break;
  }
}

void ElementCounts::Add(const ElementCounts& other) {
  edgeLines += other.edgeLines;
  condLines += other.condLines;
  triangles += other.triangles;
  quads += other.quads;
  subfiles += other.subfiles;
}

}  // namespace halvex
