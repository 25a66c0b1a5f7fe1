// Numbers as LDraw text, printed as "%g" with a three-digit exponent. Their
// reading is checked against the C library on the hand-picked tokens of
// tests/data/numbers and the fuzzing corpus (corpus_replay_test.cc), and in
// whole lines by the case element_text_forms.
#include "geometry/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "../../fuzz/fuzz_entries.h"

namespace halvex {
namespace {

// Values on, and one step beside, a decision of "%g", against printf:
// rounding at the sixth digit, the switch to exponent form at 1e-4 and 1e6,
// powers of ten, exact binary halves and ties, beyond 2^52 and 2^53, the
// ends of the range.
TEST(FormatNumber, LikePrintfAtItsDecisions) {
#ifdef _WIN32
  GTEST_SKIP() << "compares with the C library of 64-bit Linux";
#endif
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
    for (double beside : {value, std::nextafter(value, 0.0), std::nextafter(value, INFINITY)}) {
      EXPECT_EQ(fuzz::FormatsLikePrintf(beside), "");
      EXPECT_EQ(fuzz::FormatsLikePrintf(-beside), "");
    }
  }
}

// Values whose text the C libraries of other platforms read or write
// differently; every platform must give these, the answers of 64-bit Linux.
TEST(NumberText, SameOnEveryPlatform) {
  constexpr std::uint64_t kNone = ~std::uint64_t{0};
  const struct {
    const char* text;
    std::uint64_t bits;
  } doubles[] = {
      // clang-format off
      {"1.00000000000000011102230246251565404236316680908203126", 0x3ff0000000000001},
      {"-559E78", 0xd0b2db9e43d106af}, {"0x1.8p+1", 0x4008000000000000},
      {"-0x.8", 0xbfe0000000000000}, {"0x.", 0}, {"0x", kNone}, {"1e+", 0x3ff0000000000000},
      {"-1e999", 0xfff0000000000000}, {"1e-999", 0}, {"0x1p-1075", 0}, {"0x1p-1074", 1},
      {"infinity", 0x7ff0000000000000}, {"infin", kNone}, {"-nan(1)", 0xfff8000000000000},
      // clang-format on
  };
  for (const auto& row : doubles) {
    std::optional<double> value = ScanDouble(row.text, 0);
    if (row.bits == kNone) {
      EXPECT_FALSE(value) << row.text;
    } else {
      ASSERT_TRUE(value) << row.text;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(*value), row.bits) << row.text;
    }
  }
  EXPECT_EQ(ScanInt("99999999999", 0), 1215752191);
  EXPECT_EQ(ScanInt("-4294967297", 0), -1);
  EXPECT_EQ(ScanInt("99999999999999999999", 0), -1);
  EXPECT_EQ(ScanInt("-99999999999999999999", 0), 0);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(FormatNumber(nan), "nan");
  EXPECT_EQ(FormatNumber(-nan), "-nan");
  EXPECT_EQ(FormatNumber(inf), "inf");
  EXPECT_EQ(FormatNumber(-inf), "-inf");
  EXPECT_EQ(FormatNumber(1.7976931348623157e308), "1.79769e+308");
  EXPECT_EQ(FormatNumber(-4.9406564584124654e-324), "-4.94066e-324");
  EXPECT_EQ(FormatNumber(1.234565e-30), "1.23456e-030");
}

// A value given alone must be one number from its first character to its
// last, read as ScanDouble reads numbers; a number followed by anything,
// even one the reader would stop at, is none.
TEST(ScanWholeNumber, TakesOnlyAWholeNumber) {
  const struct {
    const char* text;
    std::optional<double> value;
  } rows[] = {
      // clang-format off
      {"-5", -5.0},  {"1e1", 10.0}, {".5", 0.5},        {"+2", 2.0},        {"5.", 5.0},
      {"0x10", 16.0}, {"-0", -0.0}, {"1e-400", 0.0},    {"inf", INFINITY},  {"-Infinity", -INFINITY},
      {"0,5", {}},   {"1O", {}},    {"abc", {}},        {"", {}},           {" 5", {}},
      {"5 ", {}},    {"1e", {}},    {"1e+", {}},        {"0x", {}},         {"0x.", {}},
      {"infin", {}}, {"nan(1)", {}}, {"12345678901234567890x", {}},
      // clang-format on
  };
  for (const auto& row : rows) {
    std::optional<double> value = ScanWholeNumber(row.text);
    ASSERT_EQ(value.has_value(), row.value.has_value()) << row.text;
    if (value) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(*value), std::bit_cast<std::uint64_t>(*row.value))
          << row.text;
    }
  }
  EXPECT_TRUE(std::isnan(ScanWholeNumber("nan").value_or(0)));
}

}  // namespace
}  // namespace halvex
