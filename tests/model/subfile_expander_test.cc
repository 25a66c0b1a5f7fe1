// What no output shows of the expansion: the winding it gives each element,
// the element budget, tested with small budgets, and how the expansion that
// inlines only where the split changes something judges each reference.
#include "model/subfile_expander.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "e2e/run_program.h"
#include "model/bfc_flattening.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

class ExpandSubfilesTest : public ::testing::Test {
 protected:
  ExpandSubfilesTest() { searchPath_.Add(folder_.Path().string() + "/"); }

  // Loads `top` into `model` and expands it with the files of the temporary
  // folder.
  ExpandResult Expand(Model& model, const std::string& top, int budget = kDefaultElementBudget) {
    LoadText(model, top);
    return ExpandSubfiles(model, searchPath_, budget).result;
  }

  testing::TempFolder folder_;
  PathResolver resolver_;
  SearchPath searchPath_{resolver_};
};

// The polygons and references of a model after expansion, with their texts:
// a polygon with the winding it is culled with (0 where it is not culled), a
// reference with its inversion sign.
std::vector<std::pair<int, std::string>> PolygonsAndReferences(Model& model) {
  std::vector<std::pair<int, std::string>> found;
  for (int i = 0; i < model.Size(); ++i) {
    const Element& element = model.ElementAt(i);
    int type = element.LineType();
    if (type == kSubfileType || type == kTriangleType || type == kQuadType) {
      bool unculled = type != kSubfileType && !element.culled;
      found.emplace_back(unculled ? 0 : element.winding, element.ToText());
    }
  }
  return found;
}

// A polygon's winding says how it is culled: +1 counter-clockwise, -1
// clockwise, 0 not at all. A reference's winding is its inversion sign.
// Polygons are reversed by inversions and mirrors; the winding of their file
// is left to FlattenBfc.
TEST_F(ExpandSubfilesTest, WindingsSayHowEachPolygonIsCulled) {
  testing::WriteFile(folder_ / "cw.dat", "0 BFC CERTIFY CW\n3 16 0 0 0 1 0 0 0 1 0\n");
  testing::WriteFile(folder_ / "none.dat",
                     "3 16 0 0 0 1 0 0 0 1 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n");
  testing::WriteFile(folder_ / "off.dat",
                     "0 BFC CERTIFY\n0 BFC NOCLIP\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 cw.dat\n"
                     "0 BFC CLIP\n0 BFC INVERTNEXT\n0 a comment\n3 16 0 0 0 1 0 0 0 1 0\n"
                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n0 BFC INVERTNEXT\n");
  Model model;
  ASSERT_EQ(Expand(model,
                   "0 BFC CERTIFY CCW\n3 16 0 0 0 1 0 0 0 1 0\n0 BFC CW\n"
                   "3 16 0 0 0 1 0 0 0 1 0\n0 BFC NOCLIP\n3 16 0 0 0 1 0 0 0 1 0\n"
                   "1 16 0 0 0 1 0 0 0 1 0 0 0 1 cw.dat\n0 BFC CLIP\n0 BFC INVERTNEXT\n"
                   "1 16 0 0 0 1 0 0 0 1 0 0 0 1 cw.dat\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 none.dat\n"
                   "1 16 0 0 0 1 0 0 0 1 0 0 0 1 off.dat\n"),
            ExpandResult::kExpanded);
  const std::string written = "3 16 0 0 0 1 0 0 0 1 0";
  const std::string reversed = "3 16 0 1 0 1 0 0 0 0 0";
  const std::string missing = "1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat";
  using Found = std::vector<std::pair<int, std::string>>;
  EXPECT_EQ(PolygonsAndReferences(model),
            (Found{
                // The top file: CCW, CW, then NOCLIP.
                {1, written}, {-1, written}, {0, written},
                {0, written},                      // cw.dat, placed where NOCLIP is in effect.
                {-1, reversed},                    // cw.dat, inverted.
                {0, written}, {1, missing},        // none.dat, not certified.
                {1, written}, {-1, missing},       // off.dat, and its inverted reference.
                {0, written},                      // cw.dat placed by off.dat under NOCLIP.
            }));
}

// Two references to a file of two triangles, its lines ended by lone CRs: 2
// elements before, 6 after. A stopped expansion never grows the model beyond
// the budget.
TEST_F(ExpandSubfilesTest, StopsBeforeTheModelOutgrowsItsBudget) {
  testing::WriteFile(folder_ / "pair.dat", "3 16 0 0 0 1 0 0 0 1 0\r3 16 0 0 0 0 1 0 0 0 1\r");
  const std::string top =
      "1 16 0 0 0 1 0 0 0 1 0 0 0 1 pair.dat\n1 16 5 0 0 1 0 0 0 1 0 0 0 1 pair.dat\n";
  for (auto [budget, expanded, size] : {std::tuple{1000, true, 6}, std::tuple{6, true, 6},
                                        std::tuple{5, false, 4}, std::tuple{3, false, 2}}) {
    Model model;
    EXPECT_EQ(Expand(model, top, budget) == ExpandResult::kExpanded, expanded) << budget;
    EXPECT_EQ(model.Size(), size) << budget;
  }
}

// A judge as a split by the plane x = 0 would judge, keeping x > 0: all
// points beyond x = 1 kept, all below x = -1 removed, anything else inlined.
// It records the points of every reference it judges.
struct XJudge {
  std::vector<std::vector<std::array<double, 3>>> judged;
  Verdict operator()(std::span<const Point> points) {
    judged.emplace_back();
    for (const Point& p : points) judged.back().push_back({p.x, p.y, p.z});
    bool kept = true;
    bool removed = true;
    for (const Point& p : points) {
      kept = kept && p.x > 1;
      removed = removed && p.x < -1;
    }
    return kept ? Verdict::kKeepWhole : removed ? Verdict::kRemoveWhole : Verdict::kInline;
  }
};

// The texts of the elements a model would write, in order.
std::vector<std::string> Texts(const Model& model) {
  std::vector<std::string> texts;
  for (int i = 0; i < model.Size(); ++i) {
    std::string text = model.ElementAt(i).ToText();
    if (!text.empty()) texts.push_back(text);
  }
  return texts;
}

//   x:  -6   -4   -2    0    2    4    6
//        [right]            [right]          right.dat spans x 0..2
//            [   mixed.dat: one right.dat at -5, one at 3    ]
TEST_F(ExpandSubfilesTest, InlinesOnlyTheReferencesThatTheJudgeCannotSettle) {
  testing::WriteFile(folder_ / "right.dat", "0 a comment\n2 16 0 0 0 2 0 0\n");
  testing::WriteFile(folder_ / "mixed.dat",
                     "0 BFC CERTIFY\n1 16 -5 0 0 1 0 0 0 1 0 0 0 1 right.dat\n"
                     "0 BFC INVERTNEXT\n1 4 3 0 0 1 0 0 0 1 0 0 0 1 right.dat\n"
                     "1 16 9 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n");
  Model model;
  LoadText(model,
           "0 BFC CERTIFY\n0 BFC INVERTNEXT\n1 16 4 0 0 1 0 0 0 1 0 0 0 1 right.dat\n"
           "0 BFC INVERTNEXT\n1 16 -9 0 0 1 0 0 0 1 0 0 0 1 right.dat\n"
           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 mixed.dat\n1 16 0 5 0 -1 0 0 0 1 0 0 0 1 mixed.dat\n"
           "1 16 5 0 0 1 0 0 0 1 0 0 0 1 nowhere.dat\n");
  XJudge judge;
  ExpandSummary summary = ExpandWhereChanged(model, searchPath_, std::ref(judge));
  ASSERT_EQ(summary.result, ExpandResult::kExpanded);
  EXPECT_EQ(Texts(model),
            (std::vector<std::string>{
                "0 BFC CERTIFY",
                // Kept whole, with its marker; the removed one took its own.
                "0 BFC INVERTNEXT", "1 16 4 0 0 1 0 0 0 1 0 0 0 1 right.dat",
                // Not found below mixed.dat: both are inlined, one level.
                "1 16 5 0 0 1 0 0 0 1 0 0 0 1 nowhere.dat",
                // mixed.dat: its left right.dat removed, the right one kept.
                "1 4 3 0 0 1 0 0 0 1 0 0 0 1 right.dat",
                "1 16 9 0 0 1 0 0 0 1 0 0 0 1 missing.dat",
                // mirrored mixed.dat: right.dat at -5 lands at 5, kept; the
                // one at 3 lands at -3, removed.
                "1 16 5 5 0 -1 0 0 0 1 0 0 0 1 right.dat",
                "1 16 -9 5 0 -1 0 0 0 1 0 0 0 1 missing.dat",
            }));
  EXPECT_EQ(summary.fates.keptWhole, 2 + 1);
  EXPECT_EQ(summary.fates.removedWhole, 1 + 2);
  EXPECT_EQ(summary.fates.inlined, 2);
  EXPECT_EQ(summary.fates.notFound, 1 + 2);
  EXPECT_EQ(summary.placed.edgeLines, 0);
  // The kept references, and whether each passes culling on; the one
  // inlined from mixed.dat keeps its inversion as its winding.
  ASSERT_EQ(summary.kept.size(), 3u);
  EXPECT_EQ(summary.kept[0].index, 2);
  EXPECT_EQ(model.ElementAt(summary.kept[1].index).winding, -1);
  EXPECT_TRUE(summary.kept[1].passesCulling);
  // Each file's extent is its points placed: right.dat at 4 spans x 4..6.
  using Points = std::vector<std::array<double, 3>>;
  EXPECT_EQ(judge.judged[0], (Points{{4, 0, 0}, {6, 0, 0}}));
}

// A reference whose file holds a texture block is inlined wherever it lies,
// its block placed with it (here by a mirror). A reference in the block
// whose file holds none is judged as any: face.dat is kept whole, hidden
// in the block. What the reference in the block's fallback places lies in
// that fallback, its own block included.
TEST_F(ExpandSubfilesTest, TexturedFilesAreInlinedWithTheirBlocksPlaced) {
  testing::WriteFile(folder_ / "face.dat", "3 16 0 0 0 1 0 0 0 0 1\n");
  testing::WriteFile(folder_ / "inner.dat",
                     "0 !TEXMAP START PLANAR 0 0 0 2 0 0 0 0 2 inner.png\n"
                     "3 16 0 0 0 1 0 0 0 0 1\n0 !TEXMAP END\n");
  testing::WriteFile(folder_ / "tile.dat",
                     "0 !TEXMAP START PLANAR 0 0 0 1 0 0 0 0 1 tile.png\n"
                     "0 !: 1 16 0 0 0 1 0 0 0 1 0 0 0 1 face.dat\n0 !TEXMAP FALLBACK\n"
                     "1 16 0 0 0 1 0 0 0 1 0 0 0 1 inner.dat\n0 !TEXMAP END\n");
  Model model;
  LoadText(model, "1 4 5 0 0 -1 0 0 0 1 0 0 0 1 tile.dat\n");
  XJudge judge;
  ExpandSummary summary = ExpandWhereChanged(model, searchPath_, std::ref(judge));
  EXPECT_EQ(summary.fates.inlined, 2);
  EXPECT_EQ(summary.fates.keptWhole, 1);
  EXPECT_EQ(Texts(model), (std::vector<std::string>{"1 4 5 0 0 -1 0 0 0 1 0 0 0 1 face.dat",
                                                    "3 4 5 0 1 4 0 0 5 0 0"}));
  // tile.png placed is the model's texture 0.
  EXPECT_EQ(model.TagAt(1), (TextureTag{0, TextureSection::kTextured, true}));
  EXPECT_EQ(model.TagAt(3), (TextureTag{0, TextureSection::kFallback, false}));
  EXPECT_EQ(model.TextureAt(0).startText, "0 !TEXMAP START PLANAR 5 0 0 4 0 0 5 0 1 tile.png");
}

// A file that draws nothing counts as drawn where it is placed: here on the
// kept side, then across the plane, where it is inlined into nothing.
TEST_F(ExpandSubfilesTest, AFileThatDrawsNothingIsJudgedByItsPosition) {
  testing::WriteFile(folder_ / "empty.dat", "0 BFC CERTIFY\n0 nothing at this resolution\n");
  Model model;
  LoadText(model, "1 16 4 0 0 1 0 0 0 1 0 0 0 1 empty.dat\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 empty.dat\n");
  XJudge judge;
  ExpandSummary summary = ExpandWhereChanged(model, searchPath_, std::ref(judge));
  using Points = std::vector<std::array<double, 3>>;
  EXPECT_EQ(judge.judged, (std::vector<Points>{{{4, 0, 0}}, {{0, 0, 0}}}));
  EXPECT_EQ(Texts(model), std::vector<std::string>{"1 16 4 0 0 1 0 0 0 1 0 0 0 1 empty.dat"});
  EXPECT_EQ(summary.fates.inlined, 1);
}

// References kept whole below an inlined one are written where the top
// file's statements are in effect: an inverted one gets its INVERTNEXT even
// in an uncertified top file (which gets no other statement), and in a
// certified one each gets the CLIP or NOCLIP its culling needs.
TEST_F(ExpandSubfilesTest, KeptReferencesFromSubfilesGetTheStatementsTheyNeed) {
  testing::WriteFile(folder_ / "right.dat", "2 16 0 0 0 2 0 0\n");
  testing::WriteFile(folder_ / "mixed.dat",
                     "0 BFC CERTIFY\n2 16 -1 0 0 1 0 0\n0 BFC INVERTNEXT\n"
                     "1 16 3 0 0 1 0 0 0 1 0 0 0 1 right.dat\n0 BFC NOCLIP\n"
                     "1 16 5 0 0 1 0 0 0 1 0 0 0 1 right.dat\n");
  for (const char* top : {"", "0 BFC CERTIFY\n"}) {
    Model model;
    LoadText(model, std::string(top) + "1 16 0 0 0 1 0 0 0 1 0 0 0 1 mixed.dat\n");
    const int topSize = model.Size();
    XJudge judge;
    ExpandSummary summary = ExpandWhereChanged(model, searchPath_, std::ref(judge));
    ASSERT_EQ(summary.kept.size(), 2u);
    std::vector<std::pair<int, std::string>> statements;
    for (const InsertedLine& line : FlattenBfc(model, topSize, summary)) {
      statements.emplace_back(line.before - topSize, std::string(line.text));
    }
    using Statements = std::vector<std::pair<int, std::string>>;
    if (topSize == 1) {
      EXPECT_EQ(statements, (Statements{{1, "0 BFC INVERTNEXT"}}));
    } else {
      EXPECT_EQ(statements, (Statements{{1, "0 BFC INVERTNEXT"}, {2, "0 BFC NOCLIP"}}));
    }
  }
}

// The top file's lines are written as they stand. Certified as read but
// left uncertified by a NOCERTIFY once the reference before it is inlined,
// the flat file is certified again before its first drawing line, here the
// first placed polygon, with the winding in effect there.
TEST_F(ExpandSubfilesTest, FlatFileCertifiedAsTheTopFileWasRead) {
  testing::WriteFile(folder_ / "tri.dat", "0 BFC CERTIFY CW\n3 16 0 0 0 1 0 0 0 1 0\n");
  Model model;
  LoadText(model, "0 BFC CERTIFY CW\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 tri.dat\n0 BFC NOCERTIFY\n");
  ExpandSummary summary = ExpandSubfiles(model, searchPath_);
  ASSERT_TRUE(summary.topCertified);
  std::vector<InsertedLine> statements = FlattenBfc(model, 3, summary);
  ASSERT_EQ(statements.size(), 1u);
  EXPECT_EQ(statements[0].before, 3);
  EXPECT_EQ(statements[0].text, "0 BFC CERTIFY CW");
}

// A file whose full expansion meets a cycle is inlined level by level until
// the cycle is met, as a full expansion leaves it: the reference that closes
// it stays, and is noted.
TEST_F(ExpandSubfilesTest, ACycleBelowAReferenceIsInlinedDownToTheCycle) {
  testing::WriteFile(folder_ / "a.dat", "2 16 5 0 0 6 0 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 b.dat\n");
  testing::WriteFile(folder_ / "b.dat", "2 16 7 0 0 8 0 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n");
  Model model;
  LoadText(model, "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n");
  XJudge judge;
  ExpandSummary summary = ExpandWhereChanged(model, searchPath_, std::ref(judge));
  EXPECT_TRUE(judge.judged.empty());
  EXPECT_EQ(summary.fates.inlined, 2);
  EXPECT_EQ(summary.notes, std::vector<std::string>{"Circular reference to a.dat"});
  EXPECT_EQ(Texts(model), (std::vector<std::string>{"2 16 5 0 0 6 0 0", "2 16 7 0 0 8 0 0",
                                                    "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat"}));
}

// Beyond 4096 distinct points a file's extent is the corners of their box.
TEST_F(ExpandSubfilesTest, ALargeFileIsJudgedByItsBoundingBox) {
  std::string many;
  for (int k = 0; k < 3000; ++k) {
    many += "2 16 " + std::to_string(2 + k % 7) + " " + std::to_string(k) + " 0 3 " +
            std::to_string(k) + " 1\n";
  }
  testing::WriteFile(folder_ / "many.dat", many);
  Model model;
  LoadText(model, "1 16 0 0 0 1 0 0 0 1 0 0 0 1 many.dat\n");
  XJudge judge;
  ExpandSummary summary = ExpandWhereChanged(model, searchPath_, std::ref(judge));
  EXPECT_EQ(summary.fates.keptWhole, 1);
  ASSERT_EQ(judge.judged.size(), 1u);
  EXPECT_EQ(judge.judged[0].size(), 8u);
  EXPECT_EQ(judge.judged[0].front(), (std::array<double, 3>{2, 0, 0}));
  EXPECT_EQ(judge.judged[0].back(), (std::array<double, 3>{8, 2999, 1}));
}

}  // namespace
}  // namespace halvex
