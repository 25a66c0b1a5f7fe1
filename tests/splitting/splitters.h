// Splitter polygons built as the axis options build them, and a
// reader for the polygon lines of the test tables.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "elements/colour.h"
#include "elements/element.h"
#include "elements/lines.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"

namespace halvex::test {

// "-x+" with no value: corners (0,0,0), (0,0,10), (0,10,0); normal (-1,0,0):
// x > 0 is kept, x < 0 removed.
inline Triangle KeepXPositive() {
  return Triangle({Point{0, 0, 0}, Point{0, 0, 10}, Point{0, 10, 0}}, Colour(16));
}

// "-x-" with no value: corners (0,0,0), (0,10,0), (0,0,10); normal (+1,0,0):
// x < 0 is kept.
inline Triangle KeepXNegative() {
  return Triangle({Point{0, 0, 0}, Point{0, 10, 0}, Point{0, 0, 10}}, Colour(16));
}

// "-x- 5": normal (+1,0,0) through x = 5; x > 5 is the removed side.
inline Triangle KeepBelowX5() {
  return Triangle({Point{5, 0, 0}, Point{5, 10, 0}, Point{5, 0, 10}}, Colour(16));
}

// The element of an LDraw line of type 1 to 5 (leading blanks allowed).
inline std::unique_ptr<Element> ReadElement(std::string_view line) {
  switch (line[line.find_first_not_of(" \t")]) {
    case '1':
      return std::make_unique<SubfileRef>(line);
    case '2':
      return std::make_unique<EdgeLine>(line);
    case '3':
      return std::make_unique<Triangle>(line);
    case '4':
      return std::make_unique<Quad>(line);
    default:
      return std::make_unique<CondLine>(line);
  }
}

inline std::string TextOf(const std::unique_ptr<Element>& element) {
  return element ? element->ToText() : std::string("(none)");
}

}  // namespace halvex::test
