// An LDraw colour as read from a line. Decimal colours are written back as
// numbers; a direct colour written in hexadecimal ("0x2913728") keeps its
// token, digits and letter case as read, until something recolours it.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace halvex {

// The longest decimal colour text, as in "-2147483648".
inline constexpr std::size_t kMaxColourLength = 11;

// The colour that stands for "the colour of the reference that places me".
inline constexpr int kMainColour = 16;

class Colour {
 public:
  Colour() = default;
  explicit Colour(int number) : number_(number) {}
  Colour(const Colour& other);
  Colour& operator=(const Colour& other);
  Colour(Colour&&) noexcept = default;
  Colour& operator=(Colour&&) noexcept = default;

  // Reads the colour token at `pos` (white space skipped): "%d" for decimal
  // tokens, the hexadecimal value for tokens beginning with "0x" or "0X".
  // A token that is neither reads as 0. Returns the position after the token.
  static Colour Parse(std::string_view text, std::size_t* pos);

  int Number() const { return number_; }
  void AppendText(std::string& out) const;

 private:
  int number_ = 0;
  // The token of a hexadecimal colour, none for a decimal one. Held apart:
  // nearly every colour is decimal, and every element carries a colour.
  std::unique_ptr<std::string> hexToken_;
};

}  // namespace halvex
