// An LDraw colour as read from a line. Decimal colours are written back as
// numbers; a direct colour written in hexadecimal ("0x2913728") keeps its
// token, digits and letter case as read, until something recolours it.
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
  explicit Colour(int number) { SetField(static_cast<std::uint32_t>(number)); }
  // Reads the colour token at `pos` (white space skipped): "%d" for decimal
  // tokens, the hexadecimal value for tokens beginning with "0x" or "0X".
  // A token that is neither reads as 0. Returns the position after the token.
  static Colour Parse(std::string_view text, std::size_t* pos);

  int Number() const { return hex_ ? HexNumber() : static_cast<int>(Field()); }
  void AppendText(std::string& out) const;

 private:
  std::uint32_t Field() const {
    std::uint32_t field;
    std::memcpy(&field, field_, sizeof field);
    return field;
  }
  void SetField(std::uint32_t field) { std::memcpy(field_, &field, sizeof field); }
  // The value of a hexadecimal colour's token.
  int HexNumber() const;

  // The number of a decimal colour; for a hexadecimal one, the place of its
  // token in the process's table of the hexadecimal tokens read (colour.cc).
  // Kept as bytes, so that a colour needs no alignment: it then fits in the
  // bytes after an element's table pointer, winding and edge walk place, and
  // an element's points follow 16 bytes after its start.
  unsigned char field_[sizeof(std::uint32_t)] = {};
  bool hex_ = false;
};

static_assert(alignof(Colour) == 1 && sizeof(Colour) == 5);
// Elements never run their destructors (see ArenaDelete).
static_assert(std::is_trivially_destructible_v<Colour>);

}  // namespace halvex
