// An LDraw colour as read from a line. Decimal colours are written back as
// numbers; a direct colour written in hexadecimal ("0x2913728") keeps its
// token, digits and letter case as read, until something recolours it. The
// token is a view into the text it was read from, which must outlive the
// colour (a model keeps such texts in its ElementArena).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
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
  explicit Colour(int number) : field_(static_cast<std::uint32_t>(number)) {}
  // Reads the colour token at `pos` (white space skipped): "%d" for decimal
  // tokens, the hexadecimal value for tokens beginning with "0x" or "0X".
  // A token that is neither reads as 0. Returns the position after the token.
  static Colour Parse(std::string_view text, std::size_t* pos);
  // Whether the token Parse would read at `pos` is hexadecimal, so that the
  // colour would keep a view of it.
  static bool IsHexTokenAt(std::string_view text, std::size_t pos);

  int Number() const { return IsHex() ? HexValue() : static_cast<int>(field_); }
  void AppendText(std::string& out) const;

 private:
  const char* HexToken() const {
    const char* token;
    std::memcpy(&token, hexToken_, sizeof token);
    return token;
  }
  bool IsHex() const { return HexToken() != nullptr; }
  // The value of the hexadecimal token, read again from its digits.
  int HexValue() const;

  // The number of a decimal colour; the length of the token of a
  // hexadecimal one, whose number its digits give. A token of 4 GiB or more
  // keeps only its first 4 GiB.
  std::uint32_t field_ = 0;
  // The token of a hexadecimal colour, null for a decimal one. Kept as bytes
  // so that a colour needs only 4-byte alignment: it then fits in the 12
  // bytes after an element's table pointer and winding, and every element
  // is 8 bytes smaller than with an aligned pointer.
  unsigned char hexToken_[sizeof(const char*)] = {};
};

static_assert(alignof(Colour) == 4 && sizeof(Colour) == 4 + sizeof(const char*));
// Elements never run their destructors (see ArenaDelete).
static_assert(std::is_trivially_destructible_v<Colour>);

}  // namespace halvex
