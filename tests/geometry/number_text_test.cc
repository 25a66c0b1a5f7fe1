// Numbers as LDraw text: printed as "%g" with a three-digit exponent, and
// read three to a point with the token rules of "%lf".
#include "geometry/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "geometry/point.h"

namespace halvex {
namespace {

// Six significant digits, trailing zeros dropped, the exponent form below 1e-4
// and from 1e6 on, its exponent always signed and three digits long.
TEST(FormatNumber, GFormWithThreeDigitExponent) {
  const struct {
    double value;
    const char* text;
  } rows[] = {
      // clang-format off
      {0, "0"}, {-0.0, "-0"}, {123.4567, "123.457"}, {1.234564, "1.23456"}, {1.234566, "1.23457"},
      {1.0000004, "1"}, {0.0001, "0.0001"}, {0.00012345678, "0.000123457"},
      {0.00009999, "9.999e-005"}, {1e-5, "1e-005"}, {3.5e-15, "3.5e-015"}, {-2.5e-7, "-2.5e-007"},
      {999999, "999999"}, {999999.6, "1e+006"}, {1e6, "1e+006"}, {2.5e6, "2.5e+006"},
      {1234567, "1.23457e+006"}, {1e100, "1e+100"}, {1e-20, "1e-020"},
      // clang-format on
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FormatNumber(row.value), row.text) << "value " << row.value;
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

// Each row starts from the point (7, 8, 9). A number is skipped as a whole
// token; a failure leaves what was read before it; where the text has ended
// the old value stays.
TEST(PointParse, TokenRules) {
  constexpr std::size_t kFailed = std::string_view::npos;
  const struct {
    const char* text;
    std::size_t end;
    const char* point;
  } rows[] = {
      {"  4 5 6  ", 7, "4 5 6"},
      {"1.5,0 2 3 4", 9, "1.5 2 3"},
      {"1 word 3", kFailed, "1 8 9"},
      {"word 1 2 3", kFailed, "7 8 9"},
      {"1 2", 3, "1 2 9"},
      {"   ", 3, "7 8 9"},
  };
  for (const auto& row : rows) {
    Point p{7, 8, 9};
    EXPECT_EQ(p.Parse(row.text, 0), row.end) << '"' << row.text << '"';
    EXPECT_EQ(p.ToText(), row.point) << '"' << row.text << '"';
  }
}

}  // namespace
}  // namespace halvex
