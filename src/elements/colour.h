// An LDraw colour as read from a line. Decimal colours are written back as
// numbers; a direct colour written in hexadecimal ("0x2913728") keeps its
// token, digits and letter case as read, until something recolours it. The
// token is a view into the text it was read from, which must outlive the
// colour (a model keeps such texts in its ElementArena).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace halvex {

// The longest decimal colour text, as in "-2147483648".
inline constexpr std::size_t kMaxColourLength = 11;

// The colour that stands for "the colour of the reference that places me".
inline constexpr int kMainColour = 16;

class Colour {
 public:
  Colour() = default;
  explicit Colour(int number) : number_(number) {}
  // Reads the colour token at `pos` (white space skipped): "%d" for decimal
  // tokens, the hexadecimal value for tokens beginning with "0x" or "0X".
  // A token that is neither reads as 0. Returns the position after the token.
  static Colour Parse(std::string_view text, std::size_t* pos);
  // Whether the token Parse would read at `pos` is hexadecimal, so that the
  // colour would keep a view of it.
  static bool IsHexTokenAt(std::string_view text, std::size_t pos);

  int Number() const { return number_; }
  void AppendText(std::string& out) const;

 private:
  int number_ = 0;
  // The token of a hexadecimal colour, none (length 0) for a decimal one.
  // Pointer and 32-bit length rather than a string_view keep a colour at 16
  // bytes; a token of 4 GiB or more would keep only its first 4 GiB.
  std::uint32_t hexLength_ = 0;
  const char* hexToken_ = nullptr;
};

// Elements never run their destructors (see ArenaDelete).
static_assert(std::is_trivially_destructible_v<Colour>);

}  // namespace halvex
