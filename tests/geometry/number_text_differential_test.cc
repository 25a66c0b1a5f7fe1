// The number reader and formatter against the C library itself: ScanDouble
// must read what sscanf "%lf" reads, ScanInt what "%d" reads, and
// AppendNumber must write what printf "%g" writes, its exponent widened to
// three digits. ScanNumberToken must read as ScanDouble and end where the
// token ends. Each test runs a few hand-picked hard cases and then many
// random ones from a fixed seed; Release builds run ten times as many.
#include <gtest/gtest.h>

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "elements/element.h"
#include "geometry/number_text.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

#ifdef NDEBUG
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif

// --- The C library's answers ------------------------------------------------

std::optional<double> CScanDouble(std::string_view text) {
  std::string copy(text);
  double value = 0;
  if (std::sscanf(copy.c_str(), "%lf", &value) != 1) return std::nullopt;
  return value;
}

std::optional<int> CScanInt(std::string_view text) {
  std::string copy(text);
  int value = 0;
  if (std::sscanf(copy.c_str(), "%d", &value) != 1) return std::nullopt;
  return value;
}

// printf "%g"; the C library writes at least two exponent digits, LDraw
// files three.
std::string CFormat(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  std::string text = buffer;
  std::size_t e = text.find('e');
  if (e != std::string::npos && text.size() - e == 4) {
    text.insert(text.begin() + static_cast<std::ptrdiff_t>(e) + 2, '0');
  }
  return text;
}

std::uint64_t Bits(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

double FromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Both none, or both the same bits (so -0 differs from 0, and a NaN keeps
// its sign).
::testing::AssertionResult SameDouble(std::string_view text) {
  std::optional<double> expected = CScanDouble(text);
  std::optional<double> actual = ScanDouble(text, 0);
  if (expected.has_value() == actual.has_value() &&
      (!expected || Bits(*expected) == Bits(*actual))) {
    return ::testing::AssertionSuccess();
  }
  char want[64] = "none", got[64] = "none";
  if (expected) std::snprintf(want, sizeof want, "%.17g (%a)", *expected, *expected);
  if (actual) std::snprintf(got, sizeof got, "%.17g (%a)", *actual, *actual);
  return ::testing::AssertionFailure()
         << '"' << text << "\": sscanf " << want << ", ScanDouble " << got;
}

// ScanNumberToken reads the same number, and ends where the token ends: past
// white space and the run of other characters that follows.
::testing::AssertionResult SameToken(std::string_view text) {
  ::testing::AssertionResult same = SameDouble(text);
  if (!same) return same;
  std::optional<double> expected = CScanDouble(text);
  ScannedNumber actual = ScanNumberToken(text, 0);
  std::size_t end = 0;
  while (end < text.size() && IsSpace(text[end])) ++end;
  while (end < text.size() && !IsSpace(text[end])) ++end;
  if (actual.value.has_value() == expected.has_value() &&
      (!expected || Bits(*expected) == Bits(*actual.value)) && actual.end == end) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << '"' << text << "\": ScanNumberToken ends at " << actual.end << ", the token at " << end;
}

::testing::AssertionResult SameInt(std::string_view text) {
  std::optional<int> expected = CScanInt(text);
  std::optional<int> actual = ScanInt(text, 0);
  if (expected == actual) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << '"' << text << "\": sscanf " << (expected ? std::to_string(*expected) : "none")
         << ", ScanInt " << (actual ? std::to_string(*actual) : "none");
}

::testing::AssertionResult SameText(double value) {
  std::string expected = CFormat(value);
  std::string actual = FormatNumber(value);
  if (expected == actual && actual.size() <= kMaxNumberLength) {
    return ::testing::AssertionSuccess();
  }
  char exact[64];
  std::snprintf(exact, sizeof exact, "%.17g (%a)", value, value);
  return ::testing::AssertionFailure()
         << exact << ": printf \"" << expected << "\", FormatNumber \"" << actual << '"';
}

// --- Random and adversarial inputs -------------------------------------------

class Source {
 public:
  explicit Source(std::uint64_t seed) : random_(seed) {}

  std::uint64_t Bits64() { return random_(); }
  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
  char Digit() { return static_cast<char>('0' + Below(10)); }
  std::string Digits(int count) {
    std::string out;
    for (int k = 0; k < count; ++k) out.push_back(Digit());
    return out;
  }

  // A decimal token as a file might hold it, or nearly: optional sign,
  // digits, point, more digits, exponent, and now and then characters glued
  // on or a broken form.
  std::string NumberToken() {
    std::string out;
    static const char* const kSigns[] = {"", "", "", "-", "-", "+"};
    out += kSigns[Below(6)];
    int form = Below(10);
    if (form < 5) {
      // The common form: up to four decimals.
      out += Digits(1 + Below(4));
      if (Below(4) != 0) {
        out += '.';
        out += Digits(Below(5));
      }
    } else if (form < 8) {
      // Long mantissas around the 15 to 20 digits where a double runs out.
      out += Digits(Below(22));
      if (Below(2) == 0) {
        out += '.';
        out += Digits(Below(26));
      }
      if (out.empty() || out == "-" || out == "+") out += Digit();
    } else {
      out += Digits(Below(3));
      if (Below(2) == 0) out += ".";
      out += Digits(Below(4));
    }
    if (Below(5) == 0) {
      out += Below(2) == 0 ? "e" : "E";
      static const char* const kExponentSigns[] = {"", "+", "-"};
      out += kExponentSigns[Below(3)];
      out += Digits(Below(5));
    }
    if (Below(8) == 0) {
      static const char* const kGlued[] = {",", ";", "abc", "x", ".", "e", "-", "+", ".5", "e5"};
      out += kGlued[Below(10)];
    }
    return out;
  }

  // Any double: every exponent, subnormals, infinities and NaNs included.
  double AnyDouble() { return FromBits(Bits64()); }

  // A coordinate as LDraw files hold them: up to four decimals, mostly
  // below a thousand.
  double Coordinate() {
    static const double kScales[] = {1, 10, 100, 1000, 10000};
    double scale = kScales[Below(5)];
    double units = static_cast<double>(static_cast<std::int64_t>(Bits64() % 20000001) - 10000000);
    return units / scale / (Below(4) == 0 ? 1 : 100);
  }

  // A value within a few units in the last place of a point where six
  // significant digits round one way or the other: d.ddddd5 times a power of
  // ten.
  double NearRoundingBoundary() {
    std::string text = std::to_string(100000 + Below(900000));
    text += "5e";
    text += std::to_string(Below(70) - 40);
    double value = std::strtod(text.c_str(), nullptr);
    for (int steps = Below(7) - 3; steps != 0; steps += steps > 0 ? -1 : 1) {
      value = std::nextafter(value, steps > 0 ? INFINITY : -INFINITY);
    }
    return Below(2) == 0 ? value : -value;
  }

 private:
  std::mt19937_64 random_;
};

// Values that sit exactly on, or one step beside, a decision of "%g":
// rounding at the sixth digit, the switch to exponent form at 1e-4 and 1e6,
// powers of ten, exact binary halves, the ends of the double range.
std::vector<double> BoundaryValues() {
  std::vector<double> values;
  // Signed zeros and ones, rounding at the sixth digit and the switch to
  // exponent form.
  for (double v : {0.0, -0.0, 1.0, -1.0, 9.9999995, 9.9999994999, 9.99999949999999}) {
    values.push_back(v);
  }
  for (double v :
       {0.00009999995, 0.0000999999499999, 0.0001, 0.000099999949999, 0.00009999994999999, 1e-5,
        999999.5, 999999.49999999, 999999.50000001, 99999.95, 1e6}) {
    values.push_back(v);
  }
  // Powers of ten at the edges of exactly representable scales.
  for (double v : {1e15, 1e16, 1e17, 1e21, 1e22, 1e23, 1e27, 1e28, 1e-16, 1e-17, 1e-18}) {
    values.push_back(v);
  }
  // Exact ties and short binary fractions.
  for (double v : {123456.5, 1234565.0, 1234575.0, 0.001953125, 0.0009765625, 2.5, 0.125}) {
    values.push_back(v);
  }
  // The ends of the range, infinities and NaNs of both signs.
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (double v : {DBL_MIN, DBL_TRUE_MIN, DBL_MAX, DBL_EPSILON, inf, -inf, nan, -nan}) {
    values.push_back(v);
  }
  // Beyond 2^52 and 2^53, and sums that miss their decimal.
  for (double v : {4503599627370496.5, 9007199254740993.0, 0.1 + 0.2, 1.0 / 3}) {
    values.push_back(v);
  }
  for (int e = -30; e <= 30; ++e) {
    double power = std::pow(10.0, e);
    for (double v : {power, 9.999995 * power, 9.999994999 * power, 1.000005 * power}) {
      values.push_back(v);
      values.push_back(std::nextafter(v, 0.0));
      values.push_back(std::nextafter(v, INFINITY));
    }
  }
  // Exact binary values whose seventh significant digit is a 5 with nothing
  // after it: ties that "%g" breaks to the even digit.
  for (int k = 1; k <= 60; ++k) values.push_back(std::ldexp(1.0, -k));
  for (double tie : {1000005.0, 1234565.0, 9999995.0, 1000015.0, 4194305.0}) {
    for (int k = -30; k <= 30; ++k) values.push_back(std::ldexp(tie, k));
  }
  return values;
}

// --- ScanDouble ---------------------------------------------------------------

TEST(ScanDoubleDifferential, HardCases) {
  const std::vector<std::vector<const char*>> groups = {
      // Zeros, signs and leading zeros.
      {"0", "-0", "+0", "0.0", "-0.0", "00000", "-.0", "0.", "-0.", "000000000000000000001.5"},
      // No number at all.
      {".", "-.", "+.", "-", "+", "", " ", "\t\v\f\r\n", "--1", "+-1", "-+1", "in", "0xp1"},
      // Plain decimals behind white space, and rounding boundaries of "%g".
      {"1", "+1.5", "-1.5", " \t 12.25", "12 34", "1\t2", "9.9999995", "0.00009999995"},
      // Exponents, complete, broken and out of range.
      {"1e", "1e+", "1e-", "1E5", "1e5x", "1e5e5", "1e400", "-1e400", "1e-400", "1e-5"},
      // Subnormals and the ends of the double range.
      {"4.9e-324", "2.4703282292062327e-324", "2.4703282292062328e-324", "2.2250738585072011e-308",
       "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623158e308",
       "1.7976931348623159e308"},
      // More digits than a double holds, halfway cases among them.
      {"9007199254740993", "9007199254740992.5", "123456789012345678901234567890",
       "0.30000000000000000000000000001", "1.00000000000000011102230246251565404236316680908203125",
       "1.00000000000000011102230246251565404236316680908203124",
       "1.00000000000000011102230246251565404236316680908203126"},
      // Infinities, NaNs and hexadecimal floats.
      {"inf", "-inf", "+INF", "Infinity", "-infinity", "infx", "nan", "-nan", "NaN", "nan(123)",
       "nan(", "nanx", "0x", "0x1p-3", "-0X1.8P+1", "0x.8", "0x1p", "0x1g"},
      // Tokens glued to other characters.
      {"1.5,2", "2;3", "4abc", "1..5", "1.5.5", "1-2", "7.", "-.5e", ".5.5"},
  };
  for (const auto& group : groups) {
    for (const char* text : group) EXPECT_TRUE(SameToken(text));
  }
}

TEST(ScanDoubleDifferential, RandomTokens) {
  Source source(1);
  for (int k = 0; k < 40000 * kScale; ++k) {
    std::string text = source.NumberToken();
    if (source.Below(8) == 0) text.insert(text.begin(), " \t"[source.Below(2)]);
    if (source.Below(4) == 0) {
      text += ' ';
      text += source.NumberToken();
    }
    ASSERT_TRUE(SameToken(text));
  }
}

TEST(ScanDoubleDifferential, PrintedDoubles) {
  Source source(2);
  static const char* const kFormats[] = {"%.17g", "%.6g", "%.3f", "%a", "%.25e", "%g", "%.16g"};
  char text[512];
  for (int k = 0; k < 20000 * kScale; ++k) {
    double value = source.Below(2) == 0 ? source.AnyDouble() : source.Coordinate();
    std::snprintf(text, sizeof text, kFormats[source.Below(7)], value);
    ASSERT_TRUE(SameDouble(text));
  }
}

// The fast path must stop at the end of the view even where the buffer
// behind it holds more digits.
TEST(ScanDoubleDifferential, ReadsOnlyTheView) {
  Source source(3);
  for (int k = 0; k < 5000 * kScale; ++k) {
    std::string token = source.NumberToken();
    std::string buffer = token;
    buffer += source.Digits(1 + source.Below(3));
    buffer += "e5";
    std::string_view view(buffer.data(), token.size());
    std::optional<double> expected = CScanDouble(token);
    std::optional<double> actual = ScanDouble(view, 0);
    ASSERT_EQ(expected.has_value(), actual.has_value()) << token;
    if (expected) {
      ASSERT_EQ(Bits(*expected), Bits(*actual)) << token;
    }
  }
}

// --- ScanInt -------------------------------------------------------------------

TEST(ScanIntDifferential, HardCases) {
  const std::vector<std::vector<const char*>> groups = {
      // Signs, zeros and no number at all.
      {"0", "-0", "+0", "16", "-1", "+5", "007", "", " ", "-", "+", "+-1", "-+1", "--1"},
      // The ends of 32 and 64 bits, and beyond: "%d" wraps as the C library does.
      {"2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296",
       "4294967312", "9223372036854775807", "9223372036854775808", "-9223372036854775808",
       "-9223372036854775809", "99999999999999999999", "-99999999999999999999"},
      // Nine digits, ten, and many leading zeros.
      {"999999999", "1000000000", "0000000000000000000001"},
      // Glued characters and white space.
      {"16abc", "1.9", "0x2A", "1e3", " \t-12", "12 34", "\v\f\r7"},
  };
  for (const auto& group : groups) {
    for (const char* text : group) EXPECT_TRUE(SameInt(text));
  }
}

TEST(ScanIntDifferential, RandomTokens) {
  Source source(4);
  for (int k = 0; k < 40000 * kScale; ++k) {
    std::string text;
    static const char* const kPrefixes[] = {"", "", "", "-", "+", " ", "\t-", "0", "-0"};
    text += kPrefixes[source.Below(9)];
    text += source.Digits(source.Below(4) == 0 ? source.Below(25) : 1 + source.Below(3));
    if (source.Below(6) == 0) {
      text += "x.,e"[source.Below(4)];
      text += source.Digits(2);
    }
    ASSERT_TRUE(SameInt(text));
  }
}

// --- AppendNumber ---------------------------------------------------------------

TEST(FormatNumberDifferential, BoundaryValues) {
  for (double value : BoundaryValues()) {
    EXPECT_TRUE(SameText(value));
    EXPECT_TRUE(SameText(-value));
  }
}

TEST(FormatNumberDifferential, RandomValues) {
  Source source(5);
  for (int k = 0; k < 60000 * kScale; ++k) {
    double value;
    switch (source.Below(3)) {
      case 0:
        value = source.AnyDouble();
        break;
      case 1:
        value = source.Coordinate();
        break;
      default:
        value = source.NearRoundingBoundary();
        break;
    }
    ASSERT_TRUE(SameText(value));
  }
}

// Values read from text and printed again, as every coordinate of a file is:
// decimals with one digit more than "%g" keeps end in a 5 that must round to
// even or up exactly as printf does.
TEST(FormatNumberDifferential, ReadThenPrinted) {
  Source source(6);
  for (int k = 0; k < 30000 * kScale; ++k) {
    std::string text = source.Digits(1 + source.Below(7));
    text += '.';
    text += source.Digits(source.Below(6));
    if (source.Below(3) == 0) text += '5';
    if (source.Below(4) == 0) {
      text += 'e';
      text += std::to_string(source.Below(40) - 20);
    }
    ASSERT_TRUE(SameText(std::strtod(text.c_str(), nullptr))) << text;
  }
}

// Appending keeps what the string held.
TEST(FormatNumberDifferential, AppendsAfterExistingText) {
  Source source(7);
  std::string out = "1 16";
  std::string expected = out;
  for (int k = 0; k < 1000; ++k) {
    double value = source.Coordinate();
    out.push_back(' ');
    AppendNumber(out, value);
    expected += ' ';
    expected += CFormat(value);
  }
  EXPECT_EQ(out, expected);
}

// --- Whole elements ---------------------------------------------------------------

// The text of a coloured line read and printed by the C library alone: the
// type token skipped, the colour read with "%d" (0 when it cannot be), then
// `count` numbers, each read with "%lf" and skipped as a whole token; past the
// end of the line a number keeps 0, and a number that cannot be read ends the
// reading. A subfile reference ends with its name, the rest of the line.
std::string CLineText(std::string_view line, int type, int count) {
  auto skipSpace = [&](std::size_t pos) {
    while (pos < line.size() && IsSpace(line[pos])) ++pos;
    return pos;
  };
  auto skipToken = [&](std::size_t pos) {
    pos = skipSpace(pos);
    while (pos < line.size() && !IsSpace(line[pos])) ++pos;
    return pos;
  };
  std::size_t pos = skipToken(0);
  int colour = CScanInt(line.substr(pos)).value_or(0);
  pos = skipToken(pos);
  double values[12] = {};
  bool failed = false;
  for (int k = 0; k < count && !failed; ++k) {
    pos = skipSpace(pos);
    if (pos == line.size()) continue;
    std::optional<double> value = CScanDouble(line.substr(pos));
    if (!value) {
      failed = true;
      break;
    }
    values[k] = *value;
    pos = skipToken(pos);
  }
  std::string out = std::to_string(type);
  out += ' ';
  out += std::to_string(colour);
  for (int k = 0; k < count; ++k) {
    out += ' ';
    out += CFormat(values[k]);
  }
  if (type == kSubfileType) {
    out += ' ';
    if (!failed) out += std::string(line.substr(skipSpace(pos)));
  }
  return out;
}

TEST(ElementTextDifferential, ParsedAndPrintedLikeTheCLibrary) {
  static const int kNumbers[] = {0, 12, 6, 9, 12, 12};
  Source source(8);
  for (int k = 0; k < 8000 * kScale; ++k) {
    int type = 1 + source.Below(5);
    std::string line = std::to_string(type);
    static const char* const kColours[] = {"16", "24", "0", "4", "-1", "+7", "4294967312", "x"};
    line += ' ';
    line += kColours[source.Below(8)];
    int count = kNumbers[type] - (source.Below(10) == 0 ? source.Below(3) : 0);
    for (int n = 0; n < count; ++n) {
      line += " \t"[source.Below(8) == 0 ? 1 : 0];
      if (source.Below(12) == 0) {
        line += source.NumberToken();
      } else {
        char text[64];
        std::snprintf(text, sizeof text, source.Below(3) == 0 ? "%.4f" : "%.6g",
                      source.Coordinate());
        line += text;
      }
    }
    if (type == kSubfileType) line += source.Below(2) == 0 ? " stud.dat" : "  s\\part name.dat ";
    std::unique_ptr<Element> element = ParseLine(line);
    ASSERT_NE(element, nullptr) << line;
    ASSERT_EQ(element->ToText(), CLineText(line, type, kNumbers[type])) << line;
  }
}

}  // namespace
}  // namespace halvex
