#include "model/subfile_expander.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

using Lines = std::vector<std::string>;

// A library folder of small files, and a model expanded against it.
class ExpandTest : public ::testing::Test {
 protected:
  void Write(const std::string& name, std::string_view text) {
    testing::WriteFile(folder_ / name, text);
  }

  // Loads `top`, expands it with the folder as only prefix, and answers the
  // texts of the elements left, erased ones skipped.
  Lines Expand(std::string_view top, int budget = kDefaultElementBudget) {
    LoadText(model_, top);
    SearchPath searchPath(resolver_);
    searchPath.Add(folder_.Path().string() + "/");
    result_ = ExpandSubfiles(model_, searchPath, report_, budget);
    Lines texts;
    for (int i = 0; i < model_.Size(); ++i) {
      std::string text = model_.ElementAt(i).ToText();
      if (!text.empty()) texts.push_back(text);
    }
    return texts;
  }

  testing::TempFolder folder_;
  PathResolver resolver_;
  Model model_;
  std::ostringstream report_;
  ExpandResult result_ = ExpandResult::kExpanded;
};

TEST_F(ExpandTest, AppendsContentsLevelByLevel) {
  Write("a.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 c.dat\n2 24 1 0 0 1 1 0\n");
  Write("b.dat", "2 24 2 0 0 2 1 0\n");
  Write("c.dat", "2 24 3 0 0 3 1 0\n");
  EXPECT_EQ(
      Expand("1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
             "2 24 0 0 0 0 1 0\n"
             "1 16 0 0 0 1 0 0 0 1 0 0 0 1 b.dat\n"),
      (Lines{"2 24 0 0 0 0 1 0", "2 24 1 0 0 1 1 0", "2 24 2 0 0 2 1 0", "2 24 3 0 0 3 1 0"}));
  EXPECT_EQ(report_.str(), testing::InlinedReport(3, 0, 0, 0));
}

TEST_F(ExpandTest, ComposesPlacements) {
  // Outer: a quarter turn about z then (10, 0, 0). Inner: x doubled, then
  // (1, 0, 0). The point (1, 1, 0) goes to (3, 1, 0), then to (9, 3, 0).
  Write("a.dat",
        "1 16 1 0 0 2 0 0 0 1 0 0 0 1 b.dat\n"
        "1 16 1 0 0 2 0 0 0 1 0 0 0 1 missing.dat\n");
  Write("b.dat", "2 24 1 1 0 0 0 0\n5 24 1 1 0 0 0 0 1 1 1 0 0 1\n");
  EXPECT_EQ(Expand("1 16 10 0 0 0 -1 0 1 0 0 0 0 1 a.dat\n"),
            (Lines{"1 16 10 1 0 0 -1 0 2 0 0 0 0 1 missing.dat", "2 24 9 3 0 10 1 0",
                   "5 24 9 3 0 10 1 0 9 3 1 10 1 1"}));
}

struct WindingCase {
  const char* name;
  std::string top;
  Lines expected;
};
void PrintTo(const WindingCase& row, std::ostream* os) { *os << row.name; }

class WindingTest : public ExpandTest, public ::testing::WithParamInterface<WindingCase> {};

// tri.dat holds the triangle (1,0,0) (2,0,0) (1,1,0) and an edge line; a
// reversed triangle has its first and third corners exchanged.
TEST_P(WindingTest, ReversesPolygonsByMarkersAndMirrors) {
  Write("tri.dat", "3 16 1 0 0 2 0 0 1 1 0\n2 24 1 0 0 2 0 0\n");
  Write("mirror.dat", "1 16 0 0 0 -1 0 0 0 1 0 0 0 1 tri.dat\n");
  Write("plain.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 tri.dat\n");
  Write("inverted.dat", "0 BFC INVERTNEXT\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 tri.dat\n");
  EXPECT_EQ(Expand(GetParam().top), GetParam().expected);
}

constexpr const char* kIdentity = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 ";
constexpr const char* kMirror = "1 16 0 0 0 -1 0 0 0 1 0 0 0 1 ";

INSTANTIATE_TEST_SUITE_P(
    ExpandSubfiles, WindingTest,
    ::testing::Values(WindingCase{"Plain",
                                  std::string(kIdentity) + "tri.dat",
                                  {"3 16 1 0 0 2 0 0 1 1 0", "2 24 1 0 0 2 0 0"}},
                      WindingCase{"Mirror",
                                  std::string(kMirror) + "tri.dat",
                                  {"3 16 -1 1 0 -2 0 0 -1 0 0", "2 24 -1 0 0 -2 0 0"}},
                      WindingCase{"InvertNext",
                                  std::string("0 BFC INVERTNEXT\n") + kIdentity + "tri.dat",
                                  {"3 16 1 1 0 2 0 0 1 0 0", "2 24 1 0 0 2 0 0"}},
                      WindingCase{"InvertNextLowerCase",
                                  std::string("0 bfc invertnext\n") + kIdentity + "tri.dat",
                                  {"3 16 1 1 0 2 0 0 1 0 0", "2 24 1 0 0 2 0 0"}},
                      WindingCase{"InvertNextCancelsMirror",
                                  std::string("0 BFC INVERTNEXT\n") + kMirror + "tri.dat",
                                  {"3 16 -1 0 0 -2 0 0 -1 1 0", "2 24 -1 0 0 -2 0 0"}},
                      WindingCase{"SingularMatrixDoesNotFlip",
                                  "1 16 0 0 0 1 0 0 0 0 0 0 0 1 tri.dat",
                                  {"3 16 1 0 0 2 0 0 1 0 0", "2 24 1 0 0 2 0 0"}},
                      WindingCase{"NestedMirrorsCancel",
                                  std::string(kMirror) + "mirror.dat",
                                  {"3 16 1 0 0 2 0 0 1 1 0", "2 24 1 0 0 2 0 0"}},
                      WindingCase{"OuterMirrorInnerPlain",
                                  std::string(kMirror) + "plain.dat",
                                  {"3 16 -1 1 0 -2 0 0 -1 0 0", "2 24 -1 0 0 -2 0 0"}},
                      WindingCase{"OuterInvertNextReachesInner",
                                  std::string("0 BFC INVERTNEXT\n") + kIdentity + "plain.dat",
                                  {"3 16 1 1 0 2 0 0 1 0 0", "2 24 1 0 0 2 0 0"}},
                      WindingCase{"TwoInvertNextsCancel",
                                  std::string("0 BFC INVERTNEXT\n") + kIdentity + "inverted.dat",
                                  {"3 16 1 0 0 2 0 0 1 1 0", "2 24 1 0 0 2 0 0"}}),
    [](const auto& row) { return row.param.name; });

TEST_F(ExpandTest, DropsCommentsKeepsBfcAndCarriesCertification) {
  Write("cw.dat",
        "0 Name: cw.dat\n0 BFC CERTIFY CW\n0 // comment\n0 BFC INVERTNEXT\n"
        "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n3 16 0 0 0 1 0 0 0 1 0\n");
  Write("none.dat", "0 no BFC here\n3 16 0 0 0 1 0 0 0 1 0\n");
  EXPECT_EQ(
      Expand("0 top comment\n" + std::string(kIdentity) + "cw.dat\n" + kIdentity + "none.dat\n"),
      (Lines{"0 top comment", "0 BFC CERTIFY CW", "0 BFC INVERTNEXT",
             "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat", "3 16 0 0 0 1 0 0 0 1 0",
             "3 16 0 0 0 1 0 0 0 1 0"}));
  // The certification is not reset between subfiles: none.dat's triangle is CW.
  EXPECT_EQ(model_.ElementAt(model_.Size() - 1).winding, -1);
  EXPECT_EQ(report_.str(), testing::InlinedReport(0, 0, 2, 0));
}

struct ColourCase {
  const char* name;
  std::string top;
  Lines expected;
};
void PrintTo(const ColourCase& row, std::ostream* os) { *os << row.name; }

class ColourTest : public ExpandTest, public ::testing::WithParamInterface<ColourCase> {};

TEST_P(ColourTest, ElementsOfColour16TakeTheReferenceColour) {
  Write("sub.dat", "3 16 0 0 0 1 0 0 0 1 0\n2 24 0 0 0 1 0 0\n4 2 0 0 0 1 0 0 1 1 0 0 1 0\n");
  Write("mid.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 sub.dat\n");
  Write("mid2.dat", "1 2 0 0 0 1 0 0 0 1 0 0 0 1 sub.dat\n");
  EXPECT_EQ(Expand(GetParam().top), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ExpandSubfiles, ColourTest,
    ::testing::Values(
        ColourCase{"Red",
                   "1 4 0 0 0 1 0 0 0 1 0 0 0 1 sub.dat",
                   {"3 4 0 0 0 1 0 0 0 1 0", "2 24 0 0 0 1 0 0", "4 2 0 0 0 1 0 0 1 1 0 0 1 0"}},
        ColourCase{
            "HexTokenKept",
            "1 0x2FF00aa 0 0 0 1 0 0 0 1 0 0 0 1 sub.dat",
            {"3 0x2FF00aa 0 0 0 1 0 0 0 1 0", "2 24 0 0 0 1 0 0", "4 2 0 0 0 1 0 0 1 1 0 0 1 0"}},
        ColourCase{"PassedDownNested",
                   "1 4 0 0 0 1 0 0 0 1 0 0 0 1 mid.dat",
                   {"3 4 0 0 0 1 0 0 0 1 0", "2 24 0 0 0 1 0 0", "4 2 0 0 0 1 0 0 1 1 0 0 1 0"}},
        ColourCase{"InnerColourWins",
                   "1 4 0 0 0 1 0 0 0 1 0 0 0 1 mid2.dat",
                   {"3 2 0 0 0 1 0 0 0 1 0", "2 24 0 0 0 1 0 0", "4 2 0 0 0 1 0 0 1 1 0 0 1 0"}}),
    [](const auto& row) { return row.param.name; });

TEST_F(ExpandTest, SelfReferenceIsLeftAndReported) {
  Write("self.dat", "0 self\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 self.dat\n2 24 0 0 0 1 0 0\n");
  EXPECT_EQ(Expand("1 4 1 0 0 1 0 0 0 1 0 0 0 1 self.dat\n"),
            (Lines{"1 4 1 0 0 1 0 0 0 1 0 0 0 1 self.dat", "2 24 1 0 0 2 0 0"}));
  EXPECT_EQ(report_.str(), "Circular reference to self.dat\n" + testing::InlinedReport(1, 0, 0, 0));
}

TEST_F(ExpandTest, IndirectCycleIsReportedOncePerReference) {
  Write("a.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 b.dat\n2 24 0 0 0 1 0 0\n");
  Write("b.dat", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n2 24 0 0 0 0 1 0\n");
  Lines texts = Expand("1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 b.dat");
  EXPECT_EQ(report_.str(), "Circular reference to a.dat\nCircular reference to b.dat\n" +
                               testing::InlinedReport(4, 0, 0, 0));
  EXPECT_EQ(
      std::count_if(texts.begin(), texts.end(), [](const std::string& t) { return t[0] == '1'; }),
      2);
}

TEST_F(ExpandTest, SameFileTwiceSideBySideIsNoCycle) {
  Write("a.dat", "2 24 0 0 0 1 0 0\n");
  Expand("1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 A.DAT\n");
  EXPECT_EQ(report_.str(), testing::InlinedReport(2, 0, 0, 0));
}

// f1.dat references f2.dat and so on; every file also holds one edge line.
class NestingTest : public ExpandTest, public ::testing::WithParamInterface<int> {};

TEST_P(NestingTest, DeeperThan64LevelsIsLeft) {
  const int files = GetParam();
  for (int k = 1; k <= files; ++k) {
    std::string next =
        k < files ? "1 16 0 0 0 1 0 0 0 1 0 0 0 1 f" + std::to_string(k + 1) + ".dat\n" : "";
    Write("f" + std::to_string(k) + ".dat", next + "2 24 0 0 0 1 0 0\n");
  }
  Lines texts = Expand("1 16 0 0 0 1 0 0 0 1 0 0 0 1 f1.dat");
  if (files <= kMaxNesting) {
    EXPECT_EQ(report_.str(), testing::InlinedReport(files, 0, 0, 0));
  } else {
    EXPECT_EQ(report_.str(),
              "Nesting too deep at f65.dat\n" + testing::InlinedReport(kMaxNesting, 0, 0, 0));
    EXPECT_NE(std::find(texts.begin(), texts.end(), "1 16 0 0 0 1 0 0 0 1 0 0 0 1 f65.dat"),
              texts.end());
  }
}

INSTANTIATE_TEST_SUITE_P(ExpandSubfiles, NestingTest, ::testing::Values(64, 65));

TEST_F(ExpandTest, StopsAtTheElementBudget) {
  Write("a.dat", "2 24 0 0 0 1 0 0\n2 24 0 0 0 1 0 0\n2 24 0 0 0 1 0 0\n");
  Expand("1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat", 2);
  EXPECT_EQ(result_, ExpandResult::kTooManyElements);
  EXPECT_EQ(report_.str(), "");
}

TEST_F(ExpandTest, UnresolvedReferenceAndItsMarkerStay) {
  EXPECT_EQ(Expand("0 BFC INVERTNEXT\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat"),
            (Lines{"0 BFC INVERTNEXT", "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat"}));
  EXPECT_EQ(result_, ExpandResult::kExpanded);
  EXPECT_EQ(report_.str(), testing::InlinedReport(0, 0, 0, 0));
}

TEST_F(ExpandTest, BackslashAndCaseInNamesResolve) {
  Write("s/sub.dat", "2 24 0 0 0 1 0 0\n");
  Write("p/48/ring.dat", "2 24 0 0 0 0 1 0\n");
  EXPECT_EQ(Expand("1 16 0 0 0 1 0 0 0 1 0 0 0 1 S\\SUB.DAT\n"
                   "1 16 0 0 0 1 0 0 0 1 0 0 0 1 P\\48\\Ring.Dat\n"),
            (Lines{"2 24 0 0 0 1 0 0", "2 24 0 0 0 0 1 0"}));
}

TEST(SearchPath, FirstPrefixWinsAndToTextJoins) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "one/x.dat", "2 24 1 1 1 1 1 1\n");
  testing::WriteFile(folder / "two/x.dat", "2 24 2 2 2 2 2 2\n");
  PathResolver resolver;
  SearchPath searchPath(resolver);
  const std::string base = folder.Path().string();
  searchPath.Add(base + "/none\\");
  searchPath.Add(base + "/one\\");
  searchPath.Add(base + "/two\\");
  const Subfile* found = searchPath.Open("x.dat");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->text, "2 24 1 1 1 1 1 1\n");
  EXPECT_EQ(searchPath.Open("y.dat"), nullptr);
  EXPECT_EQ(searchPath.ToText(), base + "/none\\, " + base + "/one\\, " + base + "/two\\");
}

}  // namespace
}  // namespace halvex
