#include "geometry/point.h"

#include <gtest/gtest.h>

#include "geometry/precision.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

using GeometryTest = test::PrecisionGuard;

TEST_F(GeometryTest, CoincidesNormalizeMultiplyDeterminant) {
  // A box test, each axis on its own, the bound included.
  EXPECT_TRUE(Coincides({0, 0, 0}, {0.001, 0.001, -0.001}));
  EXPECT_FALSE(Coincides({0, 0, 0}, {0.0011, 0, 0}));
  EXPECT_FALSE(Coincides({0, 0, 0}, {0, -0.0011, 0}));
  EXPECT_FALSE(Coincides({0, 0, 0}, {0, 0, 0.0011}));
  precision = 0.5;
  EXPECT_TRUE(Coincides({1, 1, 1}, {1.5, 0.5, 1.5}));

  // Normalized from a length of 0.001 on, whatever the precision.
  EXPECT_EQ(Normalize({3, 4, 0}).ToText(), "0.6 0.8 0");
  EXPECT_EQ(Normalize({0.0009, 0, 0}).ToText(), "0.0009 0 0");
  EXPECT_EQ(Normalize({0, 0.001, 0}).ToText(), "0 1 0");

  // Multiply(a, b) is a b; every term of the determinant has its own size.
  const Matrix3 a = MatrixFromRows({1, 2, 3}, {4, 5, 6}, {7, 8, 10});
  const Matrix3 b = MatrixFromRows({0, 1, 0}, {-1, 0, 0}, {0, 0, 2});
  EXPECT_EQ(Multiply(a, b).ToText(), "-2 1 6 -5 4 12 -8 7 20");
  EXPECT_EQ(Multiply(b, a).ToText(), "4 5 6 -1 -2 -3 14 16 20");
  EXPECT_EQ(Apply(a, {1, 2, 3}).ToText(), "14 32 53");
  EXPECT_EQ(Determinant(a), -3);
  EXPECT_EQ(Determinant(MatrixFromRows({4, 5, 6}, {1, 2, 3}, {7, 8, 10})), 3);
}

}  // namespace
}  // namespace halvex
