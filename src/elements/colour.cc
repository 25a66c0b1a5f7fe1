#include "elements/colour.h"

#include <charconv>
#include <cstdint>

#include "geometry/number_text.h"

namespace halvex {
namespace {

bool IsHexToken(std::string_view token) {
  return token.size() >= 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
}

// The value of the hexadecimal colour token `token` ("0x" and digits): it
// wraps to 32 bits like any colour number; digits after the first
// non-hexadecimal character are ignored, as a number reader would.
int HexTokenValue(std::string_view token) {
  std::uint32_t value = 0;
  for (char c : token.substr(2)) {
    int digit = HexDigitValue(c);
    if (digit < 0) break;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  return static_cast<int>(value);
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
    colour.field_ = static_cast<std::uint32_t>(token.size());
    const char* data = token.data();
    std::memcpy(colour.hexToken_, &data, sizeof data);
    return colour;
  }
  colour.field_ = static_cast<std::uint32_t>(ScanInt(text, start).value_or(0));
  return colour;
}

int Colour::HexValue() const { return HexTokenValue({HexToken(), field_}); }

void Colour::AppendText(std::string& out) const {
  if (IsHex()) {
    out.append(HexToken(), field_);
  } else {
    char digits[kMaxColourLength];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, Number()).ptr);
  }
}

}  // namespace halvex
