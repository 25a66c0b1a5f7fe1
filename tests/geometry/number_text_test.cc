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
  // Hexadecimal numbers, rounded to nearest with ties to even: at the last
  // bit of the mantissa, below the smallest normal number, at the largest.
  const struct {
    const char* text;
    std::uint64_t bits;
  } hexadecimals[] = {
      // clang-format off
      {"0x1.fffffffffffff8p0", 0x4000000000000000}, {"0x1.00000000000008p0", 0x3ff0000000000000},
      {"0x1.00000000000018p0", 0x3ff0000000000002}, {"0x1.000000000000081p0", 0x3ff0000000000001},
      {"0x1.0000000000000800000000000000001p0", 0x3ff0000000000001},
      {"0x.8p-1074", 0}, {"0x.80001p-1074", 1}, {"0x.8p-1073", 1}, {"0x1.8p-1074", 2},
      {"0x.fffffffffffff8p-1022", 0x0010000000000000}, {"0x1.fffffffffffffp1023", 0x7fefffffffffffff},
      {"0x1.fffffffffffff8p1023", 0x7ff0000000000000}, {"0x123456789abcdef12p-70", 0x3f923456789abcdf},
      {"0x.000000000000000001p+80", 0x4070000000000000}, {"0xABCDEF0123456789ABCp-2000", 0},
      {"0x1p+1000000000000", 0x7ff0000000000000}, {"-0x1p-1000000000000", 0x8000000000000000},
      // clang-format on
  };
  for (const auto& row : hexadecimals) {
    std::optional<double> value = ScanDouble(row.text, 0);
    ASSERT_TRUE(value) << row.text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*value), row.bits) << row.text;
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

}  // namespace
}  // namespace halvex
