#include "geometry/number_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
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

// "%g" by the C library, the exponent widened to three digits. Serves the
// values that FormatSixDigits leaves: infinities, NaNs and magnitudes beyond
// its range.
void AppendNumberSlowly(std::string& out, double value) {
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

// 10^0 to 10^22: the powers of ten that a double holds exactly.
constexpr double kExactPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                   1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                   1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// 10^-17 to 10^19 as doubles (the negative ones rounded), to find the decimal
// exponent of a value.
constexpr double kPowers[] = {1e-17, 1e-16, 1e-15, 1e-14, 1e-13, 1e-12, 1e-11, 1e-10, 1e-9, 1e-8,
                              1e-7,  1e-6,  1e-5,  1e-4,  1e-3,  1e-2,  1e-1,  1e0,   1e1,  1e2,
                              1e3,   1e4,   1e5,   1e6,   1e7,   1e8,   1e9,   1e10,  1e11, 1e12,
                              1e13,  1e14,  1e15,  1e16,  1e17,  1e18,  1e19};
constexpr int kMinExponent = -17;
constexpr int kMaxExponent = 18;
// SixDigits scales by 10^(5 - e) below 10^6 and divides by 10^(e - 5) above.
static_assert(5 - kMinExponent <= 22 && kMaxExponent - 5 <= 22);

// The exact product a * b as the rounded product plus the error of that
// rounding (Dekker's product, which needs no fused multiply-add: the build
// forbids contraction, so every operation here rounds once). Exact for the
// magnitudes used here, far from overflow and underflow.
double ProductError(double a, double b, double product) {
  constexpr double kSplitter = 134217729.0;  // 2^27 + 1 splits 53 bits into 26 + 27.
  double ca = kSplitter * a;
  double aHigh = ca - (ca - a);
  double aLow = a - aHigh;
  double cb = kSplitter * b;
  double bHigh = cb - (cb - b);
  double bLow = b - bHigh;
  return ((aHigh * bHigh - product) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// The six significant digits of `magnitude` (finite, 10^kMinExponent to
// 10^(kMaxExponent + 1)) rounded to nearest, ties to even, as an integer
// 100000 to 999999, with the decimal exponent of the first digit; false when
// they cannot be found here. `exponent` comes in as the exponent that the
// rounded powers of ten give, one too high for a value just below a power
// whose double is below it; the rounding then carries into that power anyway.
bool SixDigits(double magnitude, int* exponent, std::uint64_t* digits) {
  int e = *exponent;
  std::uint64_t rounded;
  if (e <= 5) {
    // magnitude * 10^(5 - e) lies near [10^5, 10^6); the power is exact, so
    // the product and its rounding error hold the exact value, and the
    // rounding to an integer, halfway cases included, is decided exactly.
    double power = kExactPowers[5 - e];
    double product = magnitude * power;
    double error = ProductError(magnitude, power, product);
    // The product is positive and below 2^21: truncation is the floor.
    rounded = static_cast<std::uint64_t>(product);
    // Both subtractions are exact: the product is at least 2^16, so its
    // fraction is a multiple of 2^-36 below 1.
    double aboveHalf = (product - static_cast<double>(rounded)) - 0.5;
    if (aboveHalf > -error || (aboveHalf == -error && rounded % 2 == 1)) ++rounded;
  } else {
    // From 10^6 on, in integers: the whole part divided by a power of ten
    // (10 or more, so even); a fraction, which values below 2^52 may have,
    // makes a halfway remainder round up.
    std::uint64_t whole = static_cast<std::uint64_t>(magnitude);
    double fraction = magnitude - static_cast<double>(whole);
    std::uint64_t divisor = static_cast<std::uint64_t>(kExactPowers[e - 5]);
    rounded = whole / divisor;
    std::uint64_t twice = 2 * (whole % divisor);
    if (twice > divisor || (twice == divisor && (fraction > 0 || rounded % 2 == 1))) ++rounded;
  }
  if (rounded >= 1000000) {
    // 999999.5 and above rounds to the next power of ten.
    rounded /= 10;
    ++e;
  }
  if (rounded < 100000) return false;
  *exponent = e;
  *digits = rounded;
  return true;
}

// floor(log2(magnitude)) of a positive normal double, from its exponent bits.
int BinaryExponent(double magnitude) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
  return static_cast<int>(bits >> 52) - 1023;
}

// Writes `value` to `out` as "%g" with a three-digit exponent would, and
// answers the length; or answers 0 and leaves the value to the C library.
// `out` must hold 16 characters.
std::size_t FormatSixDigits(double value, char* out) {
  char* p = out;
  if (std::signbit(value)) *p++ = '-';
  double magnitude = std::fabs(value);
  if (magnitude == 0) {
    *p++ = '0';
    return static_cast<std::size_t>(p - out);
  }
  if (!(magnitude >= kPowers[0] && magnitude < kPowers[kMaxExponent + 1 - kMinExponent])) {
    return 0;  // Infinities and NaNs fail the test too.
  }
  // The decimal exponent: from the binary one, times a fraction just below
  // log10(2) and less one, a value never above it; then up by the table.
  int exponent = ((BinaryExponent(magnitude) * 78913) >> 18) - 1;
  if (exponent < kMinExponent) exponent = kMinExponent;
  while (exponent < kMaxExponent && magnitude >= kPowers[exponent + 1 - kMinExponent]) {
    ++exponent;
  }
  std::uint64_t digits;
  if (!SixDigits(magnitude, &exponent, &digits)) return 0;

  char d[6];
  for (int k = 5; k >= 0; --k) {
    d[k] = static_cast<char>('0' + digits % 10);
    digits /= 10;
  }
  int last = 5;  // The last digit kept once trailing zeros are dropped.
  while (last > 0 && d[last] == '0') --last;

  if (exponent < -4 || exponent >= 6) {
    // d.ddddde+XXX
    *p++ = d[0];
    if (last > 0) {
      *p++ = '.';
      for (int k = 1; k <= last; ++k) *p++ = d[k];
    }
    *p++ = 'e';
    *p++ = exponent < 0 ? '-' : '+';
    int size = exponent < 0 ? -exponent : exponent;
    *p++ = static_cast<char>('0' + size / 100);
    *p++ = static_cast<char>('0' + size / 10 % 10);
    *p++ = static_cast<char>('0' + size % 10);
  } else if (exponent >= 0) {
    // The first exponent + 1 digits before the point.
    for (int k = 0; k <= exponent; ++k) *p++ = d[k];
    if (last > exponent) {
      *p++ = '.';
      for (int k = exponent + 1; k <= last; ++k) *p++ = d[k];
    }
  } else {
    // 0.000ddd: -exponent - 1 zeros after the point.
    *p++ = '0';
    *p++ = '.';
    for (int k = 1; k < -exponent; ++k) *p++ = '0';
    for (int k = 0; k <= last; ++k) *p++ = d[k];
  }
  return static_cast<std::size_t>(p - out);
}

// Reads a token of the form [-]digits[.digits] at `pos` that ends at white
// space or at the end of the text and holds at most 19 digits, their value
// as an integer at most 2^53. Such a number is an exact integer divided by
// an exact power of ten, and one correctly rounded division gives the double
// nearest to it, as the C library reads it. None for every other token.
std::optional<double> ScanPlainDecimal(std::string_view text, std::size_t pos, std::size_t* end) {
  const char* p = text.data() + pos;
  const char* last = text.data() + text.size();
  bool negative = *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  int digits = 0;
  int decimals = 0;
  while (p < last && IsDigit(*p) && digits < 19) {
    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
    ++digits;
  }
  if (p < last && *p == '.') {
    ++p;
    while (p < last && IsDigit(*p) && digits < 19) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
      ++digits;
      ++decimals;
    }
  }
  if (digits == 0 || (p < last && !IsSpace(*p))) return std::nullopt;
  constexpr std::uint64_t kExactLimit = std::uint64_t{1} << 53;
  if (mantissa > kExactLimit) return std::nullopt;
  double value = static_cast<double>(mantissa);
  if (decimals > 0) value /= kExactPowers[decimals];
  *end = static_cast<std::size_t>(p - text.data());
  return negative ? -value : value;
}

}  // namespace

std::optional<double> ScanDouble(std::string_view text, std::size_t pos) {
  pos = SkipSpace(text, pos);
  if (pos >= text.size()) return std::nullopt;
  std::size_t plainEnd;
  if (std::optional<double> value = ScanPlainDecimal(text, pos, &plainEnd)) return value;
  // Then the other decimal forms (long mantissas, exponents): from_chars
  // rounds correctly, as the C library does, and when it reads the whole
  // token there is nothing a "%lf" would read differently. Everything else
  // (leading "+", hex, inf, nan, trailing characters, overflow and underflow)
  // goes to the C library itself.
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

ScannedNumber ScanNumberToken(std::string_view text, std::size_t pos) {
  pos = SkipSpace(text, pos);
  std::size_t end;
  if (pos < text.size()) {
    if (std::optional<double> value = ScanPlainDecimal(text, pos, &end)) return {value, end};
  }
  return {ScanDouble(text, pos), SkipToken(text, pos)};
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
  char buffer[32];
  std::size_t length = FormatSixDigits(value, buffer);
  if (length > 0) {
    out.append(buffer, length);
    return;
  }
  AppendNumberSlowly(out, value);
}

std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

}  // namespace halvex
