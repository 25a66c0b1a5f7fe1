// The element arena and the compact element layouts: every element and text
// made keeps its own bytes across many blocks, the small and the page
// blocks alike, and a hexadecimal colour keeps its token and value.
#include "elements/element_arena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "elements/lines.h"
#include "elements/polygons.h"

namespace halvex {
namespace {

// Elements and texts of odd sizes in turn, more than 2 MiB of them (so past
// the heap blocks into page blocks), then more after Expect: each is read
// back only when all are made, so that an overlap would show.
TEST(ElementArena, KeepsEveryElementAndTextApart) {
  ElementArena arena;
  std::vector<ArenaPtr<Element>> elements;
  std::vector<std::string_view> texts;
  auto makeSome = [&](int from, int to) {
    for (int k = from; k < to; ++k) {
      std::string number = std::to_string(k);
      if (k % 3 == 0) {
        elements.push_back(arena.Make<Quad>("4 " + number + " 1 2 3 4 5 6 7 8 9 10 11 " + number));
      } else {
        elements.push_back(arena.Make<EdgeLine>("2 " + number + " 1 2 3 4 5 " + number));
      }
      texts.push_back(arena.CopyText(std::string(static_cast<std::size_t>(k % 7 + 1), 'a') + number));
    }
  };
  makeSome(0, 30000);
  arena.Expect(std::size_t{8} << 20);
  makeSome(30000, 40000);
  for (int k = 0; k < 40000; ++k) {
    std::string number = std::to_string(k);
    const Element& element = *elements[static_cast<std::size_t>(k)];
    ASSERT_EQ(reinterpret_cast<std::uintptr_t>(&element) % alignof(Quad), 0u);
    ASSERT_EQ(element.ToText(), k % 3 == 0 ? "4 " + number + " 1 2 3 4 5 6 7 8 9 10 11 " + number
                                           : "2 " + number + " 1 2 3 4 5 " + number);
    ASSERT_EQ(texts[static_cast<std::size_t>(k)],
              std::string(static_cast<std::size_t>(k % 7 + 1), 'a') + number);
  }
  // A single request larger than any block so far gets a block of its own.
  std::string large(std::size_t{5} << 20, 'x');
  EXPECT_EQ(arena.CopyText(large), large);
}

// A hexadecimal colour keeps its token as written, and its value decides
// inheritance as a decimal colour's does: "0x10" is colour 16.
TEST(ColourLayout, HexadecimalTokenAndValue) {
  std::size_t pos = 0;
  // The colour keeps its token, not a view of the line it was read from.
  auto line = std::make_unique<std::string>(" 0x2fF00Ffzz 1");
  Colour colour = Colour::Parse(*line, &pos);
  line.reset();
  EXPECT_EQ(pos, 12u);
  EXPECT_EQ(colour.Number(), 0x2FF00FF);
  std::string text;
  colour.AppendText(text);
  EXPECT_EQ(text, "0x2fF00Ffzz");
  // Tokens of the same value written differently stay apart.
  Colour upper = Colour::Parse("0x2FF00FF", &(pos = 0));
  Colour again = Colour::Parse("0x2fF00Ffzz", &(pos = 0));
  EXPECT_EQ(upper.Number(), colour.Number());
  text.clear();
  upper.AppendText(text);
  text.push_back(' ');
  again.AppendText(text);
  EXPECT_EQ(text, "0x2FF00FF 0x2fF00Ffzz");
  EXPECT_EQ(Colour::Parse("0X123456789", &(pos = 0)).Number(), 0x23456789);
  EXPECT_EQ(Colour::Parse("-7", &(pos = 0)).Number(), -7);

  Triangle triangle("3 0x10 1 2 3 4 5 6 7 8 9");
  triangle.InheritColour(Colour::Parse("0x2000000", &(pos = 0)));
  EXPECT_EQ(triangle.ToText(), "3 0x2000000 1 2 3 4 5 6 7 8 9");
  triangle.InheritColour(Colour(4));
  EXPECT_EQ(triangle.ToText(), "3 0x2000000 1 2 3 4 5 6 7 8 9");
  triangle.SetColour(16);
  triangle.InheritColour(Colour(4));
  EXPECT_EQ(triangle.ToText(), "3 4 1 2 3 4 5 6 7 8 9");
}

// The sizes the peak memory of a large model rests on (64-bit builds): a
// colour fills the room after the table pointer, the winding and the edge
// walk place.
TEST(ColourLayout, ElementSizes) {
  if constexpr (sizeof(void*) == 8) {
    EXPECT_LE(sizeof(EdgeLine), 64u);
    EXPECT_LE(sizeof(CondLine), 112u);
    EXPECT_LE(sizeof(Triangle), 88u);
    EXPECT_LE(sizeof(Quad), 112u);
  }
}

}  // namespace
}  // namespace halvex
