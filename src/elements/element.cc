#include "elements/element.h"

#include "elements/lines.h"

namespace halvex {

std::unique_ptr<EdgeLine> Element::FirstEdge() { return nullptr; }

std::unique_ptr<EdgeLine> Element::NextEdge() { return nullptr; }

CutPieces Element::Cut(const Element& /*splitter*/) { return {}; }

}  // namespace halvex
