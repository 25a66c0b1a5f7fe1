// The text of findings and of their counts.
#include "checking/finding.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

TEST(Finding, TextForEditorsAndCi) {
  Finding finding{12, Severity::kError, "coplanar", "3.4 degrees > 3"};
  EXPECT_EQ(FormatFinding("parts/3001.dat", finding),
            "parts/3001.dat:12: error: coplanar: 3.4 degrees > 3");
  finding.severity = Severity::kWarning;
  EXPECT_EQ(FormatFinding("a.dat", finding), "a.dat:12: warning: coplanar: 3.4 degrees > 3");
}

// A value just beyond its limit is printed with the digits that tell them
// apart.
TEST(Finding, MeasureNeverReadsAsItsLimit) {
  EXPECT_EQ(MeasureText(3.40031, 3), "3.4");
  EXPECT_EQ(MeasureText(179.900305, 179.9), "179.9003");
  EXPECT_EQ(MeasureText(0.024637, 0.025), "0.02464");
  EXPECT_EQ(MeasureText(3.0000004, 3), "3.0000004");
  EXPECT_EQ(MeasureText(0.00009, 0.0001), "9e-05");
}

// A damaged file's bytes are cut short and never reach the terminal raw.
TEST(Finding, TextFromTheFileIsShownSafely) {
  EXPECT_EQ(ShownText("1e-005"), "1e-005");
  EXPECT_EQ(ShownText(std::string("a\0b\x1b[2J", 7)), "a?b?[2J");
  EXPECT_EQ(ShownText(std::string(30, 'x')), std::string(24, 'x') + "...");
  EXPECT_EQ(ShownText("0123456789", 4), "0123...");
}

TEST(Finding, CountsPerRuleInNameOrder) {
  std::vector<Finding> findings = {{1, Severity::kWarning, "name", ""},
                                   {2, Severity::kError, "coplanar", ""},
                                   {3, Severity::kWarning, "coplanar", ""},
                                   {4, Severity::kError, "coplanar", ""}};
  std::vector<RuleCount> counts = CountByRule(findings);
  ASSERT_EQ(counts.size(), 2u);
  EXPECT_EQ(counts[0].rule, "coplanar");
  EXPECT_EQ(counts[0].errors, 2);
  EXPECT_EQ(counts[0].warnings, 1);
  EXPECT_EQ(counts[1].rule, "name");
  EXPECT_EQ(counts[1].warnings, 1);
  EXPECT_EQ(CountText(1, "error"), "1 error");
  EXPECT_EQ(CountText(0, "warning"), "0 warnings");
}

}  // namespace
}  // namespace halvex
