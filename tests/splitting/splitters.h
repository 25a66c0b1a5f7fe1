// Splitter triangles named by one character, and a reader for the element
// lines of the test tables.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "elements/lines.h"
#include "elements/polygons.h"
#include "elements/subfile_ref.h"

namespace halvex::test {

// '+'  x = 0, normal (-1,0,0): x > 0 kept (the "-x+" splitter)
// '5'  x = 5, normal (+1,0,0): x < 5 kept (the "-x- 5" splitter)
// '/'  through (0,0,0), (1,1,0), (0,0,1), normal (0.7071,-0.7071,0): x < y kept
// 'd'  collinear corners: a zero normal, so everything lies in the plane
inline Triangle Splitter(char name) {
  const Point o{0, 0, 0};
  if (name == '+') return Triangle({o, Point{0, 0, 10}, Point{0, 10, 0}}, Colour(16));
  if (name == '5') return Triangle({Point{5, 0, 0}, Point{5, 10, 0}, Point{5, 0, 10}}, Colour(16));
  if (name == '/') return Triangle({o, Point{1, 1, 0}, Point{0, 0, 1}}, Colour(16));
  return Triangle({o, Point{1, 0, 0}, Point{2, 0, 0}}, Colour(16));
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

// The line of a piece; empty for no piece.
template <class Pointer>
inline std::string TextOf(const Pointer& element) {
  return element ? element->ToText() : std::string();
}

}  // namespace halvex::test
