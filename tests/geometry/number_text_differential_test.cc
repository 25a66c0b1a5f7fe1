// The number reader and formatter against the C library itself: ScanDouble
// must read what sscanf "%lf" reads, ScanInt what "%d" reads, and
// AppendNumber must write what printf "%g" writes, its exponent widened to
// three digits. ScanNumberToken must read as ScanDouble and end where the
// token ends. Each test runs hand-picked hard cases or many random ones from
// a fixed seed; Release builds run ten times as many.
#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "elements/element.h"
#include "geometry/number_text.h"
#include "model/ldraw_reader.h"

namespace halvex {
namespace {

// The answers compared with are glibc's; other C libraries read and write
// some numbers differently, which is why the program does not use them.
#ifdef __GLIBC__
#define SKIP_WITHOUT_GLIBC() static_cast<void>(0)
#else
#define SKIP_WITHOUT_GLIBC() GTEST_SKIP() << "compares with glibc's sscanf and printf"
#endif

#ifdef NDEBUG
constexpr int kScale = 10;
#else
constexpr int kScale = 1;
#endif

// --- The C library's answers, and the comparisons -----------------------------

// sscanf with one conversion; none when it converts nothing.
template <typename T>
std::optional<T> CScan(const std::string& text, const char* format) {
  T value{};
  if (std::sscanf(text.c_str(), format, &value) != 1) return std::nullopt;
  return value;
}

// printf "%g"; the C library writes at least two exponent digits, LDraw
// files three.
std::string CFormat(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%g", value);
  std::string text = buffer;
  if (text.size() > 4 && text[text.size() - 4] == 'e') text.insert(text.size() - 2, 1, '0');
  return text;
}

std::string Show(std::optional<double> value) {
  char text[64] = "none";
  if (value) std::snprintf(text, sizeof text, "%.17g (%a)", *value, *value);
  return text;
}

std::string ShowInt(std::optional<int> value) { return value ? std::to_string(*value) : "none"; }

// Both none, or both the same bits: -0 differs from 0, and a NaN keeps its sign.
bool Same(std::optional<double> a, std::optional<double> b) {
  return a.has_value() == b.has_value() &&
         (!a || std::bit_cast<std::uint64_t>(*a) == std::bit_cast<std::uint64_t>(*b));
}

// ScanDouble, ScanNumberToken and ScanInt against sscanf. Each gets `text` as
// a view into a longer buffer, a digit in front of the place it starts and
// digits behind the end: it must read only the view, as sscanf reads the text
// alone. ScanNumberToken ends where the token ends: past white space and the
// run of other characters that follows.
::testing::AssertionResult SameAsScanf(const std::string& text) {
  std::string buffer = "7";
  buffer.append(text).append("9e9");
  std::string_view view = std::string_view(buffer).substr(0, 1 + text.size());
  std::optional<double> expected = CScan<double>(text, "%lf");
  std::optional<double> actual = ScanDouble(view, 1);
  ScannedNumber token = ScanNumberToken(view, 1);
  std::optional<int> expectedInt = CScan<int>(text, "%d");
  std::optional<int> actualInt = ScanInt(view, 1);
  std::size_t end = 0;
  while (end < text.size() && IsSpace(text[end])) ++end;
  while (end < text.size() && !IsSpace(text[end])) ++end;
  bool same = Same(expected, actual) && Same(expected, token.value) && token.end == 1 + end;
  if (same && expectedInt == actualInt) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << '"' << text << "\": %lf " << Show(expected) << ", ScanDouble " << Show(actual)
         << ", ScanNumberToken " << Show(token.value) << " ending at " << token.end - 1
         << " (the token at " << end << "); %d " << ShowInt(expectedInt) << ", ScanInt "
         << ShowInt(actualInt);
}

// AppendNumber writes what printf writes, after what the string held.
::testing::AssertionResult SameAsPrintf(double value) {
  std::string expected = "1 16 ";
  expected.append(CFormat(value));
  std::string actual = "1 16 ";
  AppendNumber(actual, value);
  bool fits = actual.size() <= 5 + kMaxNumberLength;
  if (expected == actual && fits) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << Show(value) << ": printf \"" << expected << "\", AppendNumber \"" << actual << '"';
}

// --- Random and adversarial inputs --------------------------------------------

class Source {
 public:
  explicit Source(std::uint64_t seed) : random_(seed) {}

  int Below(int n) { return static_cast<int>(random_() % static_cast<std::uint64_t>(n)); }
  const char* Pick(std::initializer_list<const char*> options) {
    return options.begin()[Below(static_cast<int>(options.size()))];
  }
  std::string Digits(int count) {
    std::string out;
    for (int k = 0; k < count; ++k) out.push_back(static_cast<char>('0' + Below(10)));
    return out;
  }

  // A number token as a file might hold it, or nearly: white space or a
  // sign, up to four decimals, mantissas around the 15 to 20 digits where a
  // double runs out, bare points, exponents complete or broken, characters
  // glued on. Or a value printed in a form the C library reads: hex floats,
  // inf, nan, subnormals, long exponents, long fixed forms.
  std::string Token() {
    if (Below(4) == 0) return Printed(Pick({"%.17g", "%.6g", "%.3f", "%a", "%.25e", "%g"}));
    std::string out = Pick({"", "", "", "-", "-", "+", " ", "\t-"});
    int form = Below(10);
    out += Digits(form < 5 ? 1 + Below(4) : form < 8 ? Below(22) : Below(3));
    if (Below(2) == 0) out += '.';
    out += Digits(form < 5 ? Below(5) : form < 8 ? Below(26) : Below(4));
    if (Below(5) == 0) out.append(Pick({"e", "E", "e+", "e-", "E-"})).append(Digits(Below(5)));
    if (Below(8) == 0) out += Pick({",", ";", "abc", "x", ".", "e", "-", "+", ".5", "e5"});
    return out;
  }

  // Value() printed with `format`.
  std::string Printed(const char* format) {
    char text[512];
    std::snprintf(text, sizeof text, format, Value());
    return text;
  }

  // A double at or near a decision of "%g", or any double at all.
  double Value() {
    std::string text;
    switch (Below(3)) {
      case 0:  // Every exponent, subnormals, infinities and NaNs.
        return std::bit_cast<double>(random_());
      case 1:  // Decimal text: often one digit more than "%g" keeps, ending in 5.
        text.append(Digits(1 + Below(7))).append(".").append(Digits(Below(6)));
        text.append(Pick({"", "", "5"}));
        if (Below(4) == 0) text.append("e").append(std::to_string(Below(40) - 20));
        return std::strtod(text.c_str(), nullptr);
      default: {  // A few units in the last place around d.ddddd5 times a power of ten.
        text.append(std::to_string(100000 + Below(900000))).append("5e");
        text.append(std::to_string(Below(70) - 40));
        std::uint64_t bits = std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr));
        double value = std::bit_cast<double>(bits + static_cast<std::uint64_t>(Below(7)) - 3);
        return Below(2) == 0 ? value : -value;
      }
    }
  }

 private:
  std::mt19937_64 random_;
};

// --- The readers ------------------------------------------------------------------

TEST(ScanDifferential, HardTokens) {
  SKIP_WITHOUT_GLIBC();
  // clang-format off
  for (const char* text : {
      // Zeros, signs and leading zeros; no number at all.
      "0", "-0", "+0", "0.0", "-0.0", "00000", "-.0", "0.", "-0.", "000000000000000000001.5", "007",
      ".", "-.", "+.", "-", "+", "", " ", "\t\v\f\r\n", "--1", "+-1", "-+1", "in", "0xp1",
      // White space, and rounding boundaries of "%g".
      "+1.5", "-1.5", " \t 12.25", "12 34", "1\t2", "\v\f\r7", "9.9999995", "0.00009999995",
      // Exponents, complete, broken and out of range.
      "1e", "1e+", "1e-", "1E5", "1e5x", "1e5e5", "1e400", "-1e400", "1e-400", "1e-5", "1e3",
      // Subnormals and the ends of the double range.
      "4.9e-324", "2.4703282292062327e-324", "2.4703282292062328e-324", "2.2250738585072011e-308",
      "2.2250738585072014e-308", "1.7976931348623157e308", "1.7976931348623158e308",
      "1.7976931348623159e308",
      // More digits than a double holds, halfway cases among them; 2^64 + 1.
      "9007199254740993", "9007199254740992.5", "18446744073709551617",
      "123456789012345678901234567890", "0.30000000000000000000000000001",
      "1.00000000000000011102230246251565404236316680908203125",
      "1.00000000000000011102230246251565404236316680908203124",
      "1.00000000000000011102230246251565404236316680908203126",
      // The ends of 32 and 64 bits, and beyond: "%d" wraps as the C library does.
      "999999999", "1000000000", "2147483647", "2147483648", "-2147483648", "-2147483649",
      "4294967295", "4294967296", "4294967312", "9223372036854775807", "9223372036854775808",
      "-9223372036854775808", "-9223372036854775809", "99999999999999999999",
      "-99999999999999999999",
      // Infinities, NaNs and hexadecimal floats.
      "inf", "-inf", "+INF", "Infinity", "-infinity", "infx", "nan", "-nan", "NaN", "nan(123)",
      "nan(", "nanx", "0x", "0x1p-3", "-0X1.8P+1", "0x.8", "0x1p", "0x1g", "0x2A",
      // Tokens glued to other characters.
      "1.5,2", "2;3", "4abc", "16abc", "1..5", "1.5.5", "1-2", "7.", "-.5e", ".5.5", "1.9"}) {
    EXPECT_TRUE(SameAsScanf(text));
  }
  // clang-format on
}

// One token, or two.
TEST(ScanDifferential, RandomTokens) {
  SKIP_WITHOUT_GLIBC();
  Source source(1);
  for (int k = 0; k < 60000 * kScale; ++k) {
    std::string text = source.Token();
    if (source.Below(4) == 0) text.append(" ").append(source.Token());
    ASSERT_TRUE(SameAsScanf(text));
  }
}

// --- The formatter ------------------------------------------------------------------

// Values on, and one step beside, a decision of "%g": rounding at the sixth
// digit, the switch to exponent form at 1e-4 and 1e6, powers of ten, exact
// binary halves and ties, beyond 2^52 and 2^53, the ends of the range.
TEST(FormatNumberDifferential, BoundaryValues) {
  SKIP_WITHOUT_GLIBC();
  // clang-format off
  std::vector<double> values = {
      0, 9.9999995, 9.9999994999, 9.99999949999999, 0.00009999995, 0.0000999999499999,
      0.000099999949999, 0.00009999994999999, 999999.5, 999999.49999999, 999999.50000001,
      99999.95, 1e15, 1e16, 1e17, 1e21, 1e22, 1e23, 1e27, 1e28, 123456.5, 4503599627370496.5,
      9007199254740993.0, 0.1 + 0.2, 1.0 / 3, DBL_MIN, DBL_TRUE_MIN, DBL_MAX, DBL_EPSILON,
      INFINITY, NAN};
  // clang-format on
  for (int e = -30; e <= 30; ++e) {
    for (double factor : {1.0, 9.999995, 9.999994999, 1.000005}) {
      values.push_back(factor * std::pow(10.0, e));
    }
  }
  // A seventh significant digit 5 with nothing after it: ties "%g" breaks to even.
  for (double tie : {1.0, 1000005.0, 1234565.0, 9999995.0, 1000015.0, 4194305.0}) {
    for (int k = -60; k <= 30; ++k) values.push_back(std::ldexp(tie, k));
  }
  for (double value : values) {
    for (double near : {value, std::nextafter(value, 0.0), std::nextafter(value, INFINITY)}) {
      EXPECT_TRUE(SameAsPrintf(near));
      EXPECT_TRUE(SameAsPrintf(-near));
    }
  }
}

TEST(FormatNumberDifferential, RandomValues) {
  SKIP_WITHOUT_GLIBC();
  Source source(2);
  for (int k = 0; k < 100000 * kScale; ++k) ASSERT_TRUE(SameAsPrintf(source.Value()));
}

// --- Whole elements ---------------------------------------------------------------

// The text of a coloured line read and printed by the C library alone: the
// type token skipped, the colour read with "%d" (0 when it cannot be), then
// `count` tokens read with "%lf"; past the end of the line a number keeps 0,
// and one that cannot be read ends the reading. A subfile reference ends with
// its name, the rest of the line.
std::string CLineText(const std::string& line, int type, int count) {
  std::istringstream in(line);
  std::string token;
  in >> token >> token;
  std::string out = std::to_string(type);
  out.append(" ").append(std::to_string(CScan<int>(token, "%d").value_or(0)));
  bool failed = false;
  for (int k = 0; k < count; ++k) {
    std::optional<double> value;
    if (!failed && in >> token) {
      value = CScan<double>(token, "%lf");
      failed = !value;
    }
    out.append(" ").append(CFormat(value.value_or(0)));
  }
  std::string name;
  if (type == kSubfileType && !failed) std::getline(in >> std::ws, name);
  if (type == kSubfileType) out.append(" ").append(name);
  return out;
}

TEST(ElementTextDifferential, ParsedAndPrintedLikeTheCLibrary) {
  SKIP_WITHOUT_GLIBC();
  static const int kNumbers[] = {0, 12, 6, 9, 12, 12};
  Source source(3);
  for (int k = 0; k < 8000 * kScale; ++k) {
    int type = 1 + source.Below(5);
    std::string line = std::to_string(type);
    line.append(" ").append(source.Pick({"16", "24", "0", "4", "-1", "+7", "4294967312", "x"}));
    int count = kNumbers[type] - (source.Below(10) == 0 ? source.Below(3) : 0);
    for (int n = 0; n < count; ++n) {
      line.append(source.Below(8) == 0 ? "\t" : " ");
      line.append(source.Below(12) == 0 ? source.Token()
                                        : source.Printed(source.Pick({"%.4f", "%.6g", "%.6g"})));
    }
    if (type == kSubfileType) line.append(source.Pick({" stud.dat", "  s\\part name.dat "}));
    std::unique_ptr<Element> element = ParseLine(line);
    ASSERT_NE(element, nullptr) << line;
    ASSERT_EQ(element->ToText(), CLineText(line, type, kNumbers[type])) << line;
  }
}

}  // namespace
}  // namespace halvex
