// A reference's matrix must not be singular; a mirror is allowed.
#include <gtest/gtest.h>

#include "check_text.h"

namespace halvex::testing {
namespace {

TEST(SingularRule, FlatteningMatrixIsAnError) {
  EXPECT_EQ(BodyFindings("1 16 0 0 0 1 0 0 0 0 0 0 0 1 a.dat\n"),
            Lines{"9: error: singular: determinant 0 < 1e-11"});
}

TEST(SingularRule, RotationsAndMirrorsPass) {
  EXPECT_EQ(BodyFindings("1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
                         "1 16 0 0 0 -1 0 0 0 1 0 0 0 1 b.dat\n"
                         "1 16 0 0 0 0 0 1 0 1 0 -1 0 0 c.dat\n"
                         "1 16 0 0 0 0.001 0 0 0 0.001 0 0 0 0.001 d.dat\n"),
            Lines{});
}

TEST(SingularRule, SelfReference) {
  EXPECT_EQ(BodyFindings("1 16 0 0 0 1 0 0 0 1 0 0 0 1 TEST.DAT\n"),
            Lines{"9: error: self-reference: TEST.DAT is the file itself"});
}

}  // namespace
}  // namespace halvex::testing
