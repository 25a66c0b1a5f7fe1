#include "model/ldraw_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

using Lines = std::vector<std::string>;

class SaveTest : public ::testing::Test {
 protected:
  SaveResult SaveLines(const Lines& lines, bool normalising, const std::string& name = "out.dat") {
    for (const std::string& line : lines) LoadText(model_, line);
    path_ = (folder_ / name).string();
    return Save(model_, path_, normalising, resolver_, report_);
  }

  testing::TempFolder folder_;
  PathResolver resolver_;
  Model model_;
  std::ostringstream report_;
  std::string path_;
};

TEST_F(SaveTest, PlainModeWritesEveryTextWithCrLf) {
  LoadText(model_, "3 16 9 9 9 9 9 9 9 9 9\n");
  model_.ReplaceWithEmpty(0);
  const Lines lines = {"0 BFC CERTIFY CCW",
                       "0 // comment",
                       "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat",
                       "2 24 0 0 0 1 0 0",
                       "3 16 1 0 0 2 0 0 1 1 0",
                       "4 16 0 0 0 1 0 0 1 1 0 0 1 0",
                       "5 24 0 0 0 1 0 0 1 1 0 0 1 0",
                       "0 BFC CERTIFY CW",
                       "3 16 1 0 0 2 0 0 1 1 0"};
  ASSERT_EQ(SaveLines(lines, false), SaveResult::kSaved);
  EXPECT_EQ(testing::ReadFile(path_), testing::CrLf(lines));
  EXPECT_EQ(report_.str(), testing::SaveReport(path_, 9, 1, 1, 2, 1));
}

TEST_F(SaveTest, ModelOfEmptyElementsGivesEmptyFile) {
  LoadText(model_, "2 24 0 0 0 1 0 0\n0 x\n");
  model_.ReplaceWithEmpty(0);
  model_.ReplaceWithEmpty(1);
  ASSERT_EQ(SaveLines({}, true), SaveResult::kSaved);
  EXPECT_EQ(testing::ReadFile(path_), "");
  EXPECT_EQ(report_.str(), testing::SaveReport(path_, 0, 0, 0, 0, 0));
}

struct NormaliseCase {
  const char* name;
  Lines model;
  Lines written;
};
void PrintTo(const NormaliseCase& row, std::ostream* os) { *os << row.name; }

class NormaliseTest : public SaveTest, public ::testing::WithParamInterface<NormaliseCase> {};

TEST_P(NormaliseTest, KeepsTheFirstCertifyLineAndReversesDisagreeingPolygons) {
  ASSERT_EQ(SaveLines(GetParam().model, true), SaveResult::kSaved);
  EXPECT_EQ(testing::ReadFile(path_), testing::CrLf(GetParam().written));
}

// A and B are triangles, Q a quad; the reversed forms have their first and
// third corners exchanged.
constexpr const char* kA = "3 16 1 0 0 2 0 0 1 1 0";
constexpr const char* kAReversed = "3 16 1 1 0 2 0 0 1 0 0";
constexpr const char* kQ = "4 16 0 0 0 1 0 0 1 1 0 0 1 0";
constexpr const char* kQReversed = "4 16 1 1 0 1 0 0 0 0 0 0 1 0";

INSTANTIATE_TEST_SUITE_P(
    Save, NormaliseTest,
    ::testing::Values(
        NormaliseCase{"CcwThenCw",
                      {"0 BFC CERTIFY CCW", kA, "0 BFC CERTIFY CW", kA, kQ, "2 24 0 0 0 1 0 0"},
                      {"0 BFC CERTIFY CCW", kA, kAReversed, kQReversed, "2 24 0 0 0 1 0 0"}},
        NormaliseCase{"CwThenCcwThenCw",
                      {"0 BFC CERTIFY CCW", "0 BFC CERTIFY CW", kA, "0 BFC CERTIFY CCW", kA,
                       "0 BFC CERTIFY", kQ},
                      {"0 BFC CERTIFY CCW", kAReversed, kA, kQ}},
        NormaliseCase{"FirstCertifyCw",
                      {"0 comment", kA, "0 BFC CERTIFY CW", kA, "0 bfc certify ccw", kA},
                      {"0 comment", kA, "0 BFC CERTIFY CW", kA, kAReversed}},
        NormaliseCase{"NoBfcLine", {"0 comment", kA, kQ}, {"0 comment", kA, kQ}},
        // A marker left before an unexpanded reference is written as
        // it is and changes neither the first BFC line nor the reversal.
        NormaliseCase{
            "InvertNextLeftAlone",
            {"0 BFC INVERTNEXT", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat", "0 BFC CERTIFY CCW",
             "0 BFC INVERTNEXT", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat", kA,
             "0 BFC CERTIFY CCW", kA},
            {"0 BFC INVERTNEXT", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat", "0 BFC CERTIFY CCW",
             "0 BFC INVERTNEXT", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat", kA, kA}}),
    [](const auto& row) { return row.param.name; });

TEST_F(SaveTest, NormalisingReportCountsWhatIsWritten) {
  ASSERT_EQ(SaveLines({"0 BFC CERTIFY CCW", kA, "0 BFC CERTIFY CW", kQ}, true), SaveResult::kSaved);
  EXPECT_EQ(report_.str(), testing::SaveReport(path_, 3, 0, 0, 1, 1));
}

}  // namespace
}  // namespace halvex
