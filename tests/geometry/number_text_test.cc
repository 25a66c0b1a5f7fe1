#include "geometry/number_text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <optional>
#include <string>

namespace halvex {
namespace {

// "%g": six significant digits, trailing zeros dropped, exponent form below
// 1e-4 and from 1e6 on, the exponent always with sign and three digits.
TEST(FormatNumber, GFormWithThreeDigitExponent) {
  const struct {
    double value;
    const char* text;
  } rows[] = {
      // clang-format off
      {0, "0"}, {-0.0, "-0"}, {1, "1"}, {0.5, "0.5"}, {-12.5, "-12.5"}, {123.4567, "123.457"},
      {1.234564, "1.23456"}, {1.234566, "1.23457"}, {1.0000004, "1"}, {2.0 / 3, "0.666667"},
      {0.1 + 0.2, "0.3"}, {0.0001, "0.0001"}, {0.00012345678, "0.000123457"},
      {0.00009999, "9.999e-005"}, {1e-5, "1e-005"}, {3.5e-15, "3.5e-015"}, {-2.5e-7, "-2.5e-007"},
      {999999, "999999"}, {999999.4, "999999"}, {999999.6, "1e+006"}, {1e6, "1e+006"},
      {2.5e6, "2.5e+006"}, {1234567, "1.23457e+006"}, {1e100, "1e+100"}, {-1.5e-300, "-1.5e-300"},
      // clang-format on
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FormatNumber(row.value), row.text) << "value " << row.value;
  }
}

// "%lf": white space skipped, then the longest numeric prefix of the token.
TEST(ScanDouble, ReadsAsPercentLf) {
  const struct {
    const char* text;
    std::optional<double> value;
  } rows[] = {
      {"1.5", 1.5},          {"  \t-2", -2},        {"+3", 3},
      {"1.5,2", 1.5},        {"7abc", 7},           {"1e3", 1000},
      {"1e-3x", 0.001},      {".5", 0.5},           {"-.5", -0.5},
      {"0x10", 16},          {"abc", std::nullopt}, {"", std::nullopt},
      {"   ", std::nullopt}, {"-", std::nullopt},   {"x1", std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ScanDouble(row.text, 0), row.value) << '"' << row.text << '"';
  }
  std::optional<double> minusZero = ScanDouble("-0", 0);
  ASSERT_TRUE(minusZero);
  EXPECT_TRUE(std::signbit(*minusZero));
  EXPECT_EQ(ScanDouble("12 34", 2), 34);
}

TEST(ScanDouble, NeverReadsBeyondTheView) {
  const std::string buffer = "12345 1.5e3 0x10";
  const std::string_view text = buffer;
  EXPECT_EQ(ScanDouble(text.substr(0, 2), 0), 12);
  EXPECT_EQ(ScanDouble(text.substr(6, 3), 0), 1.5);
  EXPECT_EQ(ScanDouble(text.substr(12, 3), 0), 1);
  EXPECT_EQ(ScanDouble(text.substr(0, 5), 5), std::nullopt);
}

// "%d": decimal digits only, so a hexadecimal token reads as 0.
TEST(ScanInt, ReadsAsPercentD) {
  const struct {
    const char* text;
    std::optional<int> value;
  } rows[] = {
      // clang-format off
      {"16", 16}, {" -1", -1}, {"+5", 5}, {"16abc", 16}, {"007", 7}, {"1.9", 1}, {"0x2A", 0},
      {"abc", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt}, {"2147483647", INT_MAX},
      {"-2147483648", INT_MIN}, {"1234567890", 1234567890},
      // clang-format on
  };
  for (const auto& row : rows) {
    EXPECT_EQ(ScanInt(row.text, 0), row.value) << '"' << row.text << '"';
  }
  const std::string buffer = "1234567890";
  EXPECT_EQ(ScanInt(std::string_view(buffer).substr(0, 2), 0), 12);
  EXPECT_EQ(ScanInt(std::string_view(buffer).substr(0, 9), 0), 123456789);
}

TEST(SkipToken, SkipsBlanksThenOneTokenNeverPastTheEnd) {
  EXPECT_EQ(SkipSpace(" \t\r\nab", 0), 4u);
  EXPECT_EQ(SkipToken("  ab cd", 0), 4u);
  EXPECT_EQ(SkipToken("  ab cd", 4), 7u);
  EXPECT_EQ(SkipToken("ab  ", 2), 4u);
  EXPECT_EQ(SkipToken("", 0), 0u);
}

}  // namespace
}  // namespace halvex
