#include "geometry/point.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "geometry/precision.h"
#include "geometry/precision_guard.h"

namespace halvex {
namespace {

constexpr std::size_t kFailed = std::string_view::npos;

// Each row starts from the point (7, 8, 9).
TEST(PointParse, TokenRules) {
  const struct {
    const char* text;
    std::size_t start;
    std::size_t end;
    const char* point;
  } rows[] = {
      {"1 2 3 word", 0, 5, "1 2 3"},      // stops at the blank after the third number
      {"1 word 3", 0, kFailed, "1 8 9"},  // fails after setting x
      {"word 1 2 3", 0, kFailed, "7 8 9"},
      {"1.5,0 2 3 4", 0, 9, "1.5 2 3"},  // a glued token is skipped whole
      {"1e2 -0.5 +3", 0, 11, "100 -0.5 3"},
      {"\t1\t2\t3", 0, 6, "1 2 3"},
      {"  4 5 6  ", 0, 7, "4 5 6"},
      {"2 24 1 2 3", 4, 10, "1 2 3"},  // starting inside a line
      {"1 2", 0, 3, "1 2 9"},          // text ended: z keeps its value
      {"", 0, 0, "7 8 9"},
      {"   ", 0, 3, "7 8 9"},
  };
  for (const auto& row : rows) {
    Point p{7, 8, 9};
    EXPECT_EQ(p.Parse(row.text, row.start), row.end) << '"' << row.text << '"';
    EXPECT_EQ(p.ToText(), row.point) << '"' << row.text << '"';
  }
}

TEST(PointParse, StopsAtTheEndOfTheView) {
  const std::string buffer = "1 2 34 5";
  Point p;
  EXPECT_EQ(p.Parse(std::string_view(buffer).substr(0, 5), 0), 5u);
  EXPECT_EQ(p.ToText(), "1 2 3");
}

TEST(PointText, SixSignificantDigits) {
  EXPECT_EQ((Point{1, 0.5, 2}).ToText(), "1 0.5 2");
  EXPECT_EQ((Point{123.4567, 0, 0}).ToText(), "123.457 0 0");
  EXPECT_EQ((Point{3.5e-15, -0.0, 2.5e6}).ToText(), "3.5e-015 -0 2.5e+006");
}

using CoincidesTest = test::PrecisionGuard;

TEST_F(CoincidesTest, BoxTestWithTheBoundIncluded) {
  // Default precision: a box, not a ball; each axis on its own.
  EXPECT_TRUE(Coincides({0, 0, 0}, {0.001, 0.001, 0.001}));
  EXPECT_FALSE(Coincides({0, 0, 0}, {0.0011, 0, 0}));
  EXPECT_FALSE(Coincides({0, 0, 0}, {0, -0.0011, 0}));
  EXPECT_FALSE(Coincides({0, 0, 0}, {0, 0, 0.0011}));

  precision = 0.5;  // exact in binary, so the bound itself is hit exactly
  EXPECT_TRUE(Coincides({1, 1, 1}, {1.5, 0.5, 1.5}));
  EXPECT_FALSE(Coincides({1, 1, 1}, {1.5000001, 1, 1}));
  EXPECT_FALSE(Coincides({1, 1, 1}, {1, 1, 0.4999999}));
}

using NormalizeTest = test::PrecisionGuard;

TEST_F(NormalizeTest, FixedThresholdIncluded) {
  EXPECT_EQ(Normalize({3, 4, 0}).ToText(), "0.6 0.8 0");
  EXPECT_EQ(Normalize({0, 0, 0}).ToText(), "0 0 0");
  EXPECT_EQ(Normalize({0.0009, 0, 0}).ToText(), "0.0009 0 0");
  EXPECT_EQ(Normalize({0.001, 0, 0}).ToText(), "1 0 0");
  EXPECT_EQ(Normalize({0, -0.0011, 0}).ToText(), "0 -1 0");
  precision = 10;  // the threshold does not follow precision
  EXPECT_EQ(Normalize({0, 0, 0.002}).ToText(), "0 0 1");
}

TEST(VectorArithmetic, CrossDotManhattan) {
  EXPECT_EQ(Cross({1, 0, 0}, {0, 1, 0}).ToText(), "0 0 1");
  EXPECT_EQ(Cross({0, 1, 0}, {1, 0, 0}).ToText(), "0 0 -1");
  EXPECT_EQ(ManhattanDistance({1, 2, 3}, {-1, 4, 2.5}), 4.5);
}

Matrix3 M() { return MatrixFromRows({1, 2, 0}, {0, 1, 3}, {4, 0, 1}); }
Matrix3 N() { return MatrixFromRows({0, 1, 0}, {-1, 0, 0}, {0, 0, 2}); }

TEST(Matrix, DefaultIsZeroAndTextIsRowOrder) {
  EXPECT_EQ(Matrix3{}.ToText(), "0 0 0 0 0 0 0 0 0");
  EXPECT_EQ(M().ToText(), "1 2 0 0 1 3 4 0 1");
  EXPECT_EQ(Apply(M(), {1, 2, 3}).ToText(), "5 11 7");
}

TEST(Matrix, MultiplyPutsTheLeftOperandOutside) {
  EXPECT_EQ(Multiply(M(), N()).ToText(), "-2 1 0 -1 0 6 0 4 2");
  EXPECT_EQ(Multiply(N(), M()).ToText(), "0 1 3 -1 -2 0 8 0 2");
  // (M N) v = M (N v): N (1,2,3) = (2,-1,6), M (2,-1,6) = (0,17,14).
  EXPECT_EQ(Apply(Multiply(M(), N()), {1, 2, 3}).ToText(), "0 17 14");
  EXPECT_EQ(Apply(M(), Apply(N(), {1, 2, 3})).ToText(), "0 17 14");
}

TEST(Matrix, DeterminantSigns) {
  EXPECT_EQ(Determinant(MatrixFromRows({1, 0, 0}, {0, 1, 0}, {0, 0, 1})), 1);
  EXPECT_EQ(Determinant(MatrixFromRows({-1, 0, 0}, {0, 1, 0}, {0, 0, 1})), -1);
  EXPECT_EQ(Determinant(MatrixFromRows({0, -1, 0}, {1, 0, 0}, {0, 0, 1})), 1);  // rotation
  EXPECT_EQ(Determinant(M()), 25);
  EXPECT_EQ(Determinant(MatrixFromRows({0, 1, 3}, {1, 2, 0}, {4, 0, 1})), -25);  // rows swapped
  EXPECT_EQ(Determinant(N()), 2);
  EXPECT_EQ(Determinant(Matrix3{}), 0);
}

}  // namespace
}  // namespace halvex
