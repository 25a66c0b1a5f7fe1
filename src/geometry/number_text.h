// The one tokenizer and the one number formatter of LDraw text. Reading follows
// the C conversions "%d" and "%lf" as the C library of 64-bit Linux performs
// them (white space skipped first, the longest numeric prefix taken); writing
// follows its "%g" with six significant digits and an exponent of at least
// three digits ("1e-005", "2.5e+006", "inf", "-nan"). Neither uses the C
// library, whose conversions differ between platforms, so every platform
// reads and writes the same.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace halvex {

// White space as the "C" locale defines it: blank, tab, LF, VT, FF, CR.
constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The value of a hexadecimal digit of either case; -1 for any other character.
constexpr int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Position of the first character at or after `pos` that is not white space,
// or text.size(). Inline, as SkipToken: every field of every line passes here.
inline std::size_t SkipSpace(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

// `text` without the white space at either end.
inline std::string_view TrimSpace(std::string_view text) {
  std::size_t start = SkipSpace(text, 0);
  std::size_t end = text.size();
  while (end > start && IsSpace(text[end - 1])) --end;
  return text.substr(start, end - start);
}

// Skips white space from `pos`, then the run of other characters that follows
// (one token). Never goes past the end of the text.
inline std::size_t SkipToken(std::string_view text, std::size_t pos) {
  pos = SkipSpace(text, pos);
  while (pos < text.size() && !IsSpace(text[pos])) ++pos;
  return pos;
}

// Reads a number at `pos` as "%lf" would (leading white space skipped). None
// when no number can be read there, the end of the text included.
std::optional<double> ScanDouble(std::string_view text, std::size_t pos);

// The number that `text` holds when all of it, without white space, is one
// number as ScanDouble reads numbers: "-5", ".5", "1e1" and "inf" are; "1O",
// "0,5", " 5" and "1e" are not, and answer none. For values given on their
// own, such as command-line arguments, where anything after the number is a
// mistake rather than the next field.
std::optional<double> ScanWholeNumber(std::string_view text);

// ScanDouble at `pos`, and the end of the token the number starts: the
// position SkipToken(text, pos) gives. For readers that skip each number as
// a whole token, without scanning it twice.
struct ScannedNumber {
  std::optional<double> value;
  std::size_t end;
};
ScannedNumber ScanNumberToken(std::string_view text, std::size_t pos);

// Reads an integer at `pos` as "%d" would, including its wrap-around of values
// beyond 32 bits. None when no integer can be read there.
std::optional<int> ScanInt(std::string_view text, std::size_t pos);

// The longest text AppendNumber writes, as in "-1.23457e-100".
inline constexpr std::size_t kMaxNumberLength = 13;

// Appends `value` formatted as "%g" with a three-digit exponent.
void AppendNumber(std::string& out, double value);
// Writes the text AppendNumber appends to `out`, which must have room for
// kMaxNumberLength characters, and answers the end of what it wrote. For
// writers that build a line's numbers in place.
char* WriteNumber(char* out, double value);
std::string FormatNumber(double value);

// `value` rounded to `places` decimal places, halves away from zero; a value
// too large to carry that many places stays as it is.
double RoundToPlaces(double value, int places);
// Appends `value` rounded to `places` decimal places in plain decimal form, as
// an author writes numbers: no exponent, no trailing zeros, no bare point and
// no sign on a value that rounds to zero ("1.5", "0", "-0.0001", "120").
// Infinities and NaNs are written as AppendNumber writes them.
void AppendDecimal(std::string& out, double value, int places);

}  // namespace halvex
