#include "elements/element.h"

namespace halvex {

CutPieces Element::Cut(const Element& /*splitter*/, ElementArena& /*arena*/) { return {}; }

#ifdef HALVEX_ELEMENT_ALLOCATIONS
void ArenaDelete::operator()(Element* element) const noexcept {
  // The storage of the most derived object; its destructor is not run (see
  // ArenaDelete).
  ::operator delete(dynamic_cast<void*>(element));
}
#endif

}  // namespace halvex
