// What no output shows of the expansion: the winding it gives each element,
// and the element budget, tested with small budgets.
#include "model/subfile_expander.h"

#include <gtest/gtest.h>

#include "e2e/run_program.h"
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

// The polygons and references of a model after expansion: their windings
// and texts.
std::vector<std::pair<int, std::string>> PolygonsAndReferences(Model& model) {
  std::vector<std::pair<int, std::string>> found;
  for (int i = 0; i < model.Size(); ++i) {
    const Element& element = model.ElementAt(i);
    int type = element.LineType();
    if (type == kSubfileType || type == kTriangleType || type == kQuadType) {
      found.emplace_back(element.winding, element.ToText());
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

}  // namespace
}  // namespace halvex
