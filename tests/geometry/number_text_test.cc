// Numbers as LDraw text, printed as "%g" with a three-digit exponent. Their
// reading is checked against the C library on the hand-picked tokens of
// tests/data/numbers and the fuzzing corpus (corpus_replay_test.cc), and in
// whole lines by the case element_text_forms.
#include "geometry/number_text.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <vector>

#include "../../fuzz/fuzz_entries.h"

namespace halvex {
namespace {

// Values on, and one step beside, a decision of "%g", against printf:
// rounding at the sixth digit, the switch to exponent form at 1e-4 and 1e6,
// powers of ten, exact binary halves and ties, beyond 2^52 and 2^53, the
// ends of the range.
TEST(FormatNumber, LikePrintfAtItsDecisions) {
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
      EXPECT_EQ(fuzz::FormatsLikePrintf(near), "");
      EXPECT_EQ(fuzz::FormatsLikePrintf(-near), "");
    }
  }
}

}  // namespace
}  // namespace halvex
