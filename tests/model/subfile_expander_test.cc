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

// The winding of an element is the certification its file declared last (0
// before any, the CERTIFY line itself included), and it carries over from one
// subfile to the next; a reference's winding is the inversion sign of what it
// places, +1 in the top file.
TEST_F(ExpandSubfilesTest, WindingsFollowCertificationAcrossSubfiles) {
  testing::WriteFile(folder_ / "cw.dat", "0 BFC CERTIFY CW\n3 16 0 0 0 1 0 0 0 1 0\n");
  testing::WriteFile(folder_ / "none.dat",
                     "3 16 0 0 0 1 0 0 0 1 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n");
  Model model;
  ASSERT_EQ(Expand(model,
                   "3 16 0 0 0 1 0 0 0 1 0\n0 BFC CERTIFY CW\n"
                   "1 16 0 0 0 1 0 0 0 1 0 0 0 1 cw.dat\n0 bfc certify\n0 BFC INVERTNEXT\n"
                   "1 16 0 0 0 1 0 0 0 1 0 0 0 1 none.dat\n"),
            ExpandResult::kExpanded);
  // Left: the top triangle and two CERTIFY lines, then from cw.dat its
  // CERTIFY line and triangle, then from none.dat (behind the marker) its
  // triangle and the missing reference.
  std::vector<int> windings;
  for (int i = 0; i < model.Size(); ++i) {
    if (!model.ElementAt(i).ToText().empty()) windings.push_back(model.ElementAt(i).winding);
  }
  EXPECT_EQ(windings, (std::vector<int>{0, -1, 1, -1, -1, -1, -1}));
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
