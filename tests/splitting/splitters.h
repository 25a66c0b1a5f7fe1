// Splitter triangles named by one character, a reader for the element lines
// of the test tables, and a guard of the run-wide precision.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>

#include "elements/polygons.h"
#include "geometry/precision.h"
#include "model/ldraw_reader.h"

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
// The elements live in one arena for the whole test run.
inline ArenaPtr<Element> ReadElement(std::string_view line) {
  static ElementArena arena;
  return ParseLine(line, arena);
}

// Fixture for tests that change the run-wide `precision`: every test starts
// from the value it found and puts it back afterwards.
class PrecisionGuard : public ::testing::Test {
 protected:
  void SetUp() override { saved_ = precision; }
  void TearDown() override { precision = saved_; }

 private:
  double saved_ = 0;
};

// The line of a piece; empty for no piece.
template <class Pointer>
inline std::string TextOf(const Pointer& element) {
  return element ? element->ToText() : std::string();
}

}  // namespace halvex::test
