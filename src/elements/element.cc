#include "elements/element.h"

#include "splitting/polygon_split.h"

namespace halvex {

CutPieces Element::Cut(const Element& /*splitter*/, ElementArena& /*arena*/) { return {}; }

Side Element::Classify(const Element& splitter) {
  std::span<Point> points = ClassifiedPoints();
  if (points.empty()) return Side::kKept;
  std::optional<Plane> plane = splitter.SplitterPlane();
  if (!plane) return Side::kInPlane;
  return ClassifyPoints(*plane, points);
}

#ifdef HALVEX_ELEMENT_ALLOCATIONS
void ArenaDelete::operator()(Element* element) const noexcept {
  // The storage of the most derived object; its destructor is not run (see
  // ArenaDelete).
  ::operator delete(dynamic_cast<void*>(element));
}
#endif

}  // namespace halvex
