#include "elements/colour.h"

#include <charconv>
#include <cstdint>

#include "geometry/number_text.h"

namespace halvex {
namespace {

bool IsHexToken(std::string_view token) {
  return token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
}

}  // namespace

bool Colour::IsHexTokenAt(std::string_view text, std::size_t pos) {
  std::size_t start = SkipSpace(text, pos);
  return IsHexToken(text.substr(start, SkipToken(text, start) - start));
}

Colour Colour::Parse(std::string_view text, std::size_t* pos) {
  std::size_t start = SkipSpace(text, *pos);
  std::size_t end = SkipToken(text, start);
  *pos = end;
  std::string_view token = text.substr(start, end - start);
  Colour colour;
  if (IsHexToken(token)) {
    // The value wraps to 32 bits like any colour number; digits after the
    // first non-hexadecimal character are ignored, as a number reader would.
    std::uint32_t value = 0;
    for (char c : token.substr(2)) {
      int digit = HexDigitValue(c);
      if (digit < 0) break;
      value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    colour.number_ = static_cast<int>(value);
    colour.hexLength_ = static_cast<std::uint32_t>(token.size());
    colour.hexToken_ = token.data();
    return colour;
  }
  colour.number_ = ScanInt(text, start).value_or(0);
  return colour;
}

void Colour::AppendText(std::string& out) const {
  if (hexLength_ > 0) {
    out.append(hexToken_, hexLength_);
  } else {
    char digits[kMaxColourLength];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, number_).ptr);
  }
}

}  // namespace halvex
