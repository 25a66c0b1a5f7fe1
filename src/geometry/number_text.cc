#include "geometry/number_text.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace halvex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The token starting at `pos` (no white space in front), copied so that the C
// library can read it: it needs a terminating NUL, and a token never holds
// white space, which ends every number.
std::string TokenAt(std::string_view text, std::size_t pos) {
  std::size_t end = pos;
  while (end < text.size() && !IsSpace(text[end])) ++end;
  return std::string(text.substr(pos, end - pos));
}

}  // namespace

std::size_t SkipSpace(std::string_view text, std::size_t pos) {
  while (pos < text.size() && IsSpace(text[pos])) ++pos;
  return pos;
}

std::size_t SkipToken(std::string_view text, std::size_t pos) {
  pos = SkipSpace(text, pos);
  while (pos < text.size() && !IsSpace(text[pos])) ++pos;
  return pos;
}

std::optional<double> ScanDouble(std::string_view text, std::size_t pos) {
  pos = SkipSpace(text, pos);
  if (pos >= text.size()) return std::nullopt;
  // Fast path for the plain decimal forms that make up nearly every file:
  // from_chars rounds correctly, as the C library does, and when it reads the
  // whole token there is nothing a "%lf" would read differently. Everything
  // else (leading "+", hex, inf, nan, trailing characters, overflow and
  // underflow) goes to the C library itself.
  std::size_t start = pos;
  if (text[start] == '-') ++start;
  std::size_t end = start;
  while (end < text.size() && !IsSpace(text[end])) ++end;
  if (start < end && (IsDigit(text[start]) || text[start] == '.')) {
    double value = 0;
    const char* first = text.data() + pos;
    const char* last = text.data() + end;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec == std::errc() && ptr == last) return value;
  }
  std::string token = TokenAt(text, pos);
  double value = 0;
  if (std::sscanf(token.c_str(), "%lf", &value) != 1) return std::nullopt;
  return value;
}

std::optional<int> ScanInt(std::string_view text, std::size_t pos) {
  pos = SkipSpace(text, pos);
  if (pos >= text.size()) return std::nullopt;
  std::size_t p = pos;
  bool negative = false;
  if (text[p] == '-' || text[p] == '+') negative = text[p++] == '-';
  std::size_t digitsStart = p;
  while (p < text.size() && IsDigit(text[p]) && p - digitsStart < 10) ++p;
  std::size_t digits = p - digitsStart;
  // Up to nine digits cannot overflow; longer numbers take the C library's
  // own wrap-around.
  if (digits > 0 && digits <= 9 && (p == text.size() || !IsDigit(text[p]))) {
    int value = 0;
    for (std::size_t k = digitsStart; k < p; ++k) value = value * 10 + (text[k] - '0');
    return negative ? -value : value;
  }
  if (digits == 0) return std::nullopt;
  std::string token = TokenAt(text, pos);
  int value = 0;
  if (std::sscanf(token.c_str(), "%d", &value) != 1) return std::nullopt;
  return value;
}

void AppendNumber(std::string& out, double value) {
  char buffer[64];
  int length = std::snprintf(buffer, sizeof buffer, "%g", value);
  if (length <= 0) return;
  std::string_view text(buffer, static_cast<std::size_t>(length));
  // The C library writes at least two exponent digits; LDraw files have
  // always carried three ("1e-005"), so widen a two-digit exponent.
  std::size_t e = text.find('e');
  if (e != std::string_view::npos && text.size() - e == 4) {
    out.append(text.substr(0, e + 2));
    out.push_back('0');
    out.append(text.substr(e + 2));
  } else {
    out.append(text);
  }
}

std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

}  // namespace halvex
