#include "geometry/number_text.h"

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include <fast_float/fast_float.h>

#include "geometry/ascii_case.h"

namespace halvex {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Whether `text` holds `word` at `pos`, letters in either case.
bool HasWordAt(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t k = 0; k < word.size(); ++k) {
    if (AsciiLower(text[pos + k]) != word[k]) return false;
  }
  return true;
}

// Appends the digits of `text`, a number in the "e" form that to_chars
// writes ("1.23450e+20"), as "%g" with six significant digits and a
// three-digit exponent would write them. `text` holds six significant digits,
// rounded to nearest with ties to even from the exact binary value, as the C
// library rounds them.
void AppendScientificAsG(std::string& out, double value, std::string_view text) {
  std::size_t e = text.find('e');
  int exponent = 0;
  std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                  exponent);
  if (exponent >= -4 && exponent < 6) {
    // Fixed form with 5 - exponent decimals, rounded once from the value
    // itself, trailing zeros and a bare point dropped.
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed,
                                   5 - exponent);
    std::string_view fixed(buffer, static_cast<std::size_t>(end - buffer));
    if (fixed.find('.') != std::string_view::npos) {
      while (fixed.back() == '0') fixed.remove_suffix(1);
      if (fixed.back() == '.') fixed.remove_suffix(1);
    }
    out.append(fixed);
    return;
  }
  std::string_view mantissa = text.substr(0, e);
  if (mantissa.find('.') != std::string_view::npos) {
    while (mantissa.back() == '0') mantissa.remove_suffix(1);
    if (mantissa.back() == '.') mantissa.remove_suffix(1);
  }
  out.append(mantissa);
  out.push_back('e');
  out.push_back(exponent < 0 ? '-' : '+');
  int size = exponent < 0 ? -exponent : exponent;
  if (size < 100) out.push_back('0');
  if (size < 10) out.push_back('0');
  out.append(std::to_string(size));
}

// "%g" with a three-digit exponent for the values that FormatSixDigits
// leaves: infinities, NaNs and magnitudes beyond its range. Written here
// rather than by the C library, whose text for these differs between
// platforms ("nan", "-nan", "1.#INF"): infinities are "inf", NaNs "nan" with
// a "-" when their sign bit is set.
void AppendNumberSlowly(std::string& out, double value) {
  if (std::isnan(value) || std::isinf(value)) {
    if (std::signbit(value)) out.push_back('-');
    out.append(std::isnan(value) ? "nan" : "inf");
    return;
  }
  char buffer[32];
  auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 5);
  AppendScientificAsG(out, value, std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
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

// "00" to "99": the digits of 0 to 99, two at a time.
constexpr auto kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int k = 0; k < 100; ++k) {
    pairs[static_cast<std::size_t>(2 * k)] = static_cast<char>('0' + k / 10);
    pairs[static_cast<std::size_t>(2 * k + 1)] = static_cast<char>('0' + k % 10);
  }
  return pairs;
}();

// Writes the six digits of `digits` (at most 999999) to d[0..5].
void WriteSixDigits(std::uint32_t digits, char* d) {
  std::uint32_t high = digits / 10000;
  std::uint32_t low = digits % 10000;
  std::memcpy(d, &kDigitPairs[2 * high], 2);
  std::memcpy(d + 2, &kDigitPairs[2 * (low / 100)], 2);
  std::memcpy(d + 4, &kDigitPairs[2 * (low % 100)], 2);
}

// floor(log2(magnitude)) of a positive normal double, from its exponent bits.
int BinaryExponent(double magnitude) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(magnitude);
  return static_cast<int>(bits >> 52) - 1023;
}

// Writes `value` to `out` as "%g" with a three-digit exponent would, and
// answers the length; or answers 0 and leaves the value to AppendNumberSlowly.
// `out` must hold kMaxNumberLength characters.
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
  WriteSixDigits(static_cast<std::uint32_t>(digits), d);
  int last = 5;  // The last digit kept once trailing zeros are dropped.
  while (last > 0 && d[last] == '0') --last;

  if (exponent < -4 || exponent >= 6) {
    // d.ddddde+XXX
    *p++ = d[0];
    if (last > 0) {
      *p++ = '.';
      std::memcpy(p, d + 1, static_cast<std::size_t>(last));
      p += last;
    }
    *p++ = 'e';
    *p++ = exponent < 0 ? '-' : '+';
    int size = exponent < 0 ? -exponent : exponent;
    *p++ = static_cast<char>('0' + size / 100);
    std::memcpy(p, &kDigitPairs[2 * (size % 100)], 2);
    p += 2;
  } else if (exponent >= 0) {
    // The first exponent + 1 digits before the point.
    std::memcpy(p, d, static_cast<std::size_t>(exponent + 1));
    p += exponent + 1;
    if (last > exponent) {
      *p++ = '.';
      std::memcpy(p, d + exponent + 1, static_cast<std::size_t>(last - exponent));
      p += last - exponent;
    }
  } else {
    // 0.000ddd: -exponent - 1 zeros after the point.
    *p++ = '0';
    *p++ = '.';
    for (int k = 1; k < -exponent; ++k) *p++ = '0';
    std::memcpy(p, d, static_cast<std::size_t>(last + 1));
    p += last + 1;
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

// A double with the sign bit of `negative` and the bits of `magnitude`.
double WithSign(bool negative, double magnitude) { return negative ? -magnitude : magnitude; }

// Saturating decimal exponent digits, as far as they go; at least one digit
// must be there. Magnitudes beyond a billion all mean the same to a double.
std::int64_t ReadExponent(std::string_view digits) {
  std::int64_t value = 0;
  for (char c : digits) {
    if (value < 1000000000) value = value * 10 + (c - '0');
  }
  return value;
}

// The value of the hexadecimal digits `mantissa` (with at most one point)
// times two to the power `exponent`, correctly rounded (to nearest, ties to
// even) to a double, subnormals included; infinity when too large.
double HexValue(std::string_view mantissa, std::int64_t exponent) {
  // The first 15 to 16 significant digits go into `bits`; every later digit
  // only tells whether anything non-zero follows (`sticky`) and, before the
  // point, scales the value.
  std::uint64_t bits = 0;
  std::int64_t scale = exponent;
  bool sticky = false;
  bool afterPoint = false;
  for (char c : mantissa) {
    if (c == '.') {
      afterPoint = true;
      continue;
    }
    auto digit = static_cast<std::uint64_t>(HexDigitValue(c));
    if (bits >> 60 == 0) {
      bits = bits * 16 + digit;
      if (afterPoint) scale -= 4;
    } else {
      sticky = sticky || digit != 0;
      if (!afterPoint) scale += 4;
    }
  }
  if (bits == 0) return 0;
  // Now value = bits * 2^scale, with bits' top bit moved to bit 63; `top` is
  // the power of two of that bit. A double holds 53 bits from 2^-1022 up,
  // fewer below it, and its smallest step is 2^-1074.
  int leading = std::countl_zero(bits);
  bits <<= leading;
  scale -= leading;
  std::int64_t top = scale + 63;
  if (top > 1024) return std::numeric_limits<double>::infinity();
  if (top < -1075) return 0;  // Below half the smallest step.
  // The low `drop` bits (11 to 64) go; what they held rounds the rest.
  int drop = 11 + static_cast<int>(top < -1022 ? -1022 - top : 0);
  std::uint64_t kept = drop == 64 ? 0 : bits >> drop;
  std::uint64_t half = std::uint64_t{1} << (drop - 1);
  std::uint64_t rest = drop == 64 ? bits : bits & ((std::uint64_t{1} << drop) - 1);
  bool up = rest > half || (rest == half && (sticky || (kept & 1) != 0));
  return std::ldexp(static_cast<double>(kept + (up ? 1 : 0)), static_cast<int>(scale + drop));
}

// Reads a number at `pos` (no white space in front) as the C library's
// "%lf" reads it. Its scanner first takes the longest run of characters that
// may still become a number: a sign; "nan", or "inf" or "infinity" (where an
// "inf" followed by "i" must go on to "infinity", or nothing is read); or
// digits with one point and one exponent letter, a sign only right after
// that letter, "0x" starting hexadecimal digits and a "p" exponent of
// decimal digits. The value is then that of the longest prefix of the run
// that is a complete number ("1e+" reads as 1, "0x." as 0), correctly
// rounded; none when no prefix is one, and none for a bare "0x". NaNs carry
// no payload. `end` receives the position just after that prefix.
std::optional<double> ScanAnyNumber(std::string_view text, std::size_t pos, std::size_t* end) {
  std::size_t p = pos;
  bool negative = false;
  if (text[p] == '-' || text[p] == '+') {
    negative = text[p++] == '-';
    if (p == text.size()) return std::nullopt;
  }
  char first = AsciiLower(text[p]);
  if (first == 'n') {
    if (!HasWordAt(text, p, "nan")) return std::nullopt;
    *end = p + 3;
    return WithSign(negative, std::numeric_limits<double>::quiet_NaN());
  }
  if (first == 'i') {
    if (!HasWordAt(text, p, "inf")) return std::nullopt;
    if (p + 3 < text.size() && AsciiLower(text[p + 3]) == 'i' && !HasWordAt(text, p, "infinity")) {
      return std::nullopt;
    }
    *end = HasWordAt(text, p, "infinity") ? p + 8 : p + 3;
    return WithSign(negative, std::numeric_limits<double>::infinity());
  }

  // The run the scanner takes, and within it the mantissa and exponent that
  // make the longest complete number.
  bool hex = false;
  bool gotDigit = false;
  if (text[p] == '0') {
    if (p + 1 < text.size() && AsciiLower(text[p + 1]) == 'x') {
      hex = true;
      p += 2;
    } else {
      gotDigit = true;
      ++p;
    }
  }
  std::size_t mantissaStart = hex ? p : (negative || text[pos] == '+' ? pos + 1 : pos);
  const char exponentLetter = hex ? 'p' : 'e';
  bool gotDot = false;
  std::size_t exponentLetterAt = std::string_view::npos;
  while (p < text.size()) {
    char c = text[p];
    bool signAfterLetter = (c == '-' || c == '+') && exponentLetterAt != std::string_view::npos &&
                           p == exponentLetterAt + 1;
    if (IsDigit(c) ||
        (hex && exponentLetterAt == std::string_view::npos && HexDigitValue(c) >= 0)) {
      gotDigit = true;
    } else if (signAfterLetter) {
      // Taken; the exponent's digits follow.
    } else if (gotDigit && exponentLetterAt == std::string_view::npos &&
               AsciiLower(c) == exponentLetter) {
      exponentLetterAt = p;
      gotDot = true;
    } else if (!gotDot && c == '.') {
      gotDot = true;
    } else {
      break;
    }
    ++p;
  }
  std::size_t mantissaEnd = exponentLetterAt == std::string_view::npos ? p : exponentLetterAt;
  std::string_view mantissa = text.substr(mantissaStart, mantissaEnd - mantissaStart);
  bool mantissaHasDigit = false;
  for (char c : mantissa) mantissaHasDigit = mantissaHasDigit || c != '.';
  if (!mantissaHasDigit) {
    // The scanner rejects a bare "0x"; "0x." and the like read as the 0 in
    // front of the "x".
    if (hex && p > mantissaStart) {
      *end = mantissaStart - 1;
      return WithSign(negative, 0.0);
    }
    return std::nullopt;
  }
  std::size_t numberEnd = mantissaEnd;
  std::int64_t exponent = 0;
  if (exponentLetterAt != std::string_view::npos) {
    std::size_t digits = exponentLetterAt + 1;
    bool negativeExponent = false;
    if (digits < p && (text[digits] == '-' || text[digits] == '+')) {
      negativeExponent = text[digits++] == '-';
    }
    if (digits < p) {
      numberEnd = p;
      exponent = ReadExponent(text.substr(digits, p - digits));
      if (negativeExponent) exponent = -exponent;
    }
  }
  *end = numberEnd;
  if (hex) return WithSign(negative, HexValue(mantissa, exponent));
  // fast_float rounds as GCC's from_chars, which is built on it, and gives
  // infinity or zero for a number out of range; libc++ has no floating-point
  // from_chars for some targets.
  double value = 0;
  const char* begin = text.data() + mantissaStart;
  const char* last = text.data() + numberEnd;
  auto result = fast_float::from_chars(begin, last, value, fast_float::chars_format::general);
  if (result.ec != std::errc() || result.ptr != last) {
    return std::nullopt;  // Not reached: the text was checked above.
  }
  return WithSign(negative, value);
}

}  // namespace

std::optional<double> ScanDouble(std::string_view text, std::size_t pos) {
  pos = SkipSpace(text, pos);
  if (pos >= text.size()) return std::nullopt;
  std::size_t end;
  if (std::optional<double> value = ScanPlainDecimal(text, pos, &end)) return value;
  return ScanAnyNumber(text, pos, &end);
}

std::optional<double> ScanWholeNumber(std::string_view text) {
  if (text.empty() || IsSpace(text[0])) return std::nullopt;
  std::size_t end = 0;
  std::optional<double> value = ScanPlainDecimal(text, 0, &end);
  if (!value) value = ScanAnyNumber(text, 0, &end);
  if (!value || end != text.size()) return std::nullopt;
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
  while (p < text.size() && IsDigit(text[p])) ++p;
  if (p == digitsStart) return std::nullopt;
  // As the C library of 64-bit Linux reads "%d": into a 64-bit integer that
  // stops at its largest or smallest value, then cut to its low 32 bits.
  constexpr std::uint64_t kLargest = std::numeric_limits<std::int64_t>::max();
  const std::uint64_t limit = negative ? kLargest + 1 : kLargest;
  std::uint64_t magnitude = 0;
  for (std::size_t k = digitsStart; k < p; ++k) {
    auto digit = static_cast<std::uint64_t>(text[k] - '0');
    if (magnitude > (limit - digit) / 10) {
      magnitude = limit;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  std::uint64_t bits = negative ? 0 - magnitude : magnitude;
  return static_cast<int>(static_cast<std::uint32_t>(bits));
}

char* WriteNumber(char* out, double value) {
  std::size_t length = FormatSixDigits(value, out);
  if (length > 0) return out + length;
  std::string slow;
  AppendNumberSlowly(slow, value);
  std::memcpy(out, slow.data(), slow.size());
  return out + slow.size();
}

void AppendNumber(std::string& out, double value) {
  char buffer[kMaxNumberLength];
  out.append(buffer, WriteNumber(buffer, value));
}

std::string FormatNumber(double value) {
  std::string out;
  AppendNumber(out, value);
  return out;
}

double RoundToPlaces(double value, int places) {
  double scale = 1;
  for (int k = 0; k < places; ++k) scale *= 10;  // exact up to 22 places
  const double scaled = value * scale;
  // Beyond 2^52 a double has no fraction left to round.
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 4503599627370496.0) return value;
  return std::round(scaled) / scale;
}

void AppendDecimal(std::string& out, double value, int places) {
  if (!std::isfinite(value)) {
    AppendNumber(out, value);
    return;
  }
  // The largest double written in fixed form has 309 digits before the point.
  char buffer[400];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, RoundToPlaces(value, places),
                                 std::chars_format::fixed, places);
  std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
  if (text.find('.') != std::string_view::npos) {
    while (text.back() == '0') text.remove_suffix(1);
    if (text.back() == '.') text.remove_suffix(1);
  }
  if (text == "-0") text.remove_prefix(1);
  out.append(text);
}

}  // namespace halvex
