// Numbers as LDraw text, printed as "%g" with a three-digit exponent. Their
// reading is checked against the C library on the hand-picked tokens of
// tests/data/numbers and the fuzzing corpus (corpus_replay_test.cc), and in
// whole lines by the case element_text_forms.
#include "geometry/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
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

// Texts pinned at every branch of the formatter: each length of the fixed
// forms, trailing zeros, the carry into the next power of ten, the switch to
// the exponent form, two- and three-digit exponents, the ends of the range.
// WriteNumber writes the same text and never more than kMaxNumberLength.
TEST(FormatNumber, PinnedTexts) {
  const struct {
    std::uint64_t bits;
    const char* text;
  } rows[] = {
      // clang-format off
      {0x0000000000000000ULL, "0"},
      {0x8000000000000000ULL, "-0"},
      {0x3ff0000000000000ULL, "1"},
      {0xbff0000000000000ULL, "-1"},
      {0x4024000000000000ULL, "10"},
      {0x40f86a0000000000ULL, "100000"},
      {0x412e847e00000000ULL, "999999"},
      {0x412e847f00000000ULL, "1e+006"},
      {0x412e847efffffca5ULL, "999999"},
      {0x412e848000000000ULL, "1e+006"},
      {0x40fe240000000000ULL, "123456"},
      {0x40fe23a000000000ULL, "123450"},
      {0x40fd4c0000000000ULL, "120000"},
      {0x40f86a1000000000ULL, "100001"},
      {0x3fb999999999999aULL, "0.1"},
      {0x3fe0000000000000ULL, "0.5"},
      {0x3fd0000000000000ULL, "0.25"},
      {0x3fc0000000000000ULL, "0.125"},
      {0x3f1a36e2eb1c432dULL, "0.0001"},
      {0x3f202e4b6ce5dc68ULL, "0.00012345"},
      {0x3f202e85be111841ULL, "0.000123457"},
      {0x3f1a36e20f35445eULL, "0.0001"},
      {0x3f1a36e20f35278bULL, "9.99999e-005"},
      {0x4023ffffef39085fULL, "10"},
      {0x3ee4f8b588e368f1ULL, "1e-005"},
      {0x3eef75104d551d69ULL, "1.5e-005"},
      {0x3f50624dd2f1a9fcULL, "0.001"},
      {0x3f847ae147ae147bULL, "0.01"},
      {0x3fd55555554c2bb5ULL, "0.333333"},
      {0x4004000000000000ULL, "2.5"},
      {0x4029000000000000ULL, "12.5"},
      {0x405edd2f1a9fbe77ULL, "123.456"},
      {0x40934a0000000000ULL, "1234.5"},
      {0x40c81ccccccccccdULL, "12345.6"},
      {0x40f869ff33333333ULL, "99999.9"},
      {0x412e848000000000ULL, "1e+006"},
      {0x4136e36000000000ULL, "1.5e+006"},
      {0x430c6bf526340000ULL, "1e+015"},
      {0x43e158e460913d00ULL, "1e+019"},
      {0x4415af1d78b58c40ULL, "1e+020"},
      {0x444b1ae4d6e2ef50ULL, "1e+021"},
      {0x4480f0cf064dd592ULL, "1e+022"},
      {0x44b52d02c7e14af6ULL, "1e+023"},
      {0x547d42aea2879f2eULL, "1e+099"},
      {0x54b249ad2594c37dULL, "1e+100"},
      {0x2b617f7d4ed8c33eULL, "1e-099"},
      {0x2b2bff2ee48e0530ULL, "1e-100"},
      {0x39b90a3a5c5157f5ULL, "1.23456e-030"},
      {0x41f0000040000000ULL, "4.29497e+009"},
      {0x0010000000000000ULL, "2.22507e-308"},
      {0x0000000000000001ULL, "4.94066e-324"},
      {0x7fefffffffffffffULL, "1.79769e+308"},
      {0x3cb0000000000000ULL, "2.22045e-016"},
      {0x3fe6a09edbf8b9bbULL, "0.707107"},
      {0xbfe6a09edbf8b9bbULL, "-0.707107"},
      {0x44dfe177a620ab35ULL, "6.0221e+023"},
      {0x3fd5555555555555ULL, "0.333333"},
      {0x3fe5555555555555ULL, "0.666667"},
      {0x4330000000000000ULL, "4.5036e+015"},
      {0x4340000000000000ULL, "9.0072e+015"},
      {0xc028b0f27bb2fec5ULL, "-12.3456"},
      {0x401d9096bb98c7e3ULL, "7.3912"},
      {0x3fed9096bb98c7e3ULL, "0.9239"},
      {0x3fd87e28240b7803ULL, "0.3827"},
      {0x3f1a36e20f342423ULL, "9.99999e-005"},
      // clang-format on
  };
  for (const auto& row : rows) {
    double value = std::bit_cast<double>(row.bits);
    EXPECT_EQ(FormatNumber(value), row.text) << row.bits;
    for (double signedValue : {value, -value}) {
      char buffer[kMaxNumberLength];
      char* end = WriteNumber(buffer, signedValue);
      ASSERT_LE(end - buffer, static_cast<std::ptrdiff_t>(kMaxNumberLength));
      EXPECT_EQ(std::string(buffer, end), FormatNumber(signedValue));
    }
  }
  for (double value : {-1.7976931348623157e308, -4.9406564584124654e-324, -1.23456e-100,
                       -0.000123456, -std::numeric_limits<double>::quiet_NaN()}) {
    char buffer[kMaxNumberLength];
    EXPECT_LE(WriteNumber(buffer, value) - buffer, static_cast<std::ptrdiff_t>(kMaxNumberLength));
  }
}

// The numbers of -a: rounded to the places asked for, in plain form.
TEST(AppendDecimal, PlainRoundedTexts) {
  const struct {
    double value;
    int places;
    const char* text;
  } rows[] = {
      {0.0, 4, "0"},           {-0.0, 4, "0"},         {3.55271e-15, 4, "0"},
      {-0.00004, 4, "0"},      {-0.00005, 4, "-0.0001"}, {1e-5, 4, "0"},
      {1234567, 4, "1234567"}, {2.46822, 4, "2.4682"},   {2.47143, 4, "2.4714"},
      {15.543447, 4, "15.5434"}, {-7.5, 4, "-7.5"},      {120.0, 4, "120"},
      {0.707107, 5, "0.70711"}, {1e20, 4, "100000000000000000000"},
      {0.12345, 4, "0.1235"},   {-0.12345, 4, "-0.1235"},
  };
  for (const auto& row : rows) {
    std::string text;
    AppendDecimal(text, row.value, row.places);
    EXPECT_EQ(text, row.text) << row.value;
  }
  std::string special;
  AppendDecimal(special, INFINITY, 4);
  EXPECT_EQ(special, "inf");
}

}  // namespace
}  // namespace halvex
