#include "geometry/number_text.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

TEST(FormatNumber, ThreeDigitExponent) {
  EXPECT_EQ(FormatNumber(1e-5), "1e-005");
}

}  // namespace
}  // namespace halvex
