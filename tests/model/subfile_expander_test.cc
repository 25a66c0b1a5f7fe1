#include "model/subfile_expander.h"

#include <gtest/gtest.h>

#include <sstream>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"
#include "model/search_path.h"

namespace halvex {
namespace {

// The winding of an element is the certification its file declared last (0
// before any, the CERTIFY line itself included), and it carries over from one
// subfile to the next; a reference's winding is the inversion sign of what it
// places, +1 in the top file. No output shows it, so it is checked here.
TEST(ExpandSubfiles, WindingsFollowCertificationAcrossSubfiles) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "cw.dat", "0 BFC CERTIFY CW\n3 16 0 0 0 1 0 0 0 1 0\n");
  testing::WriteFile(folder / "none.dat",
                     "3 16 0 0 0 1 0 0 0 1 0\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n");
  Model model;
  LoadText(model,
           "3 16 0 0 0 1 0 0 0 1 0\n0 BFC CERTIFY CW\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 cw.dat\n"
           "0 bfc certify\n0 BFC INVERTNEXT\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 none.dat\n");
  PathResolver resolver;
  SearchPath searchPath(resolver);
  searchPath.Add(folder.Path().string() + "/");
  std::ostringstream report;
  ASSERT_EQ(ExpandSubfiles(model, searchPath, report), ExpandResult::kExpanded);
  // Left: the top triangle and two CERTIFY lines, then from cw.dat its
  // CERTIFY line and triangle, then from none.dat (behind the marker) its
  // triangle and the missing reference.
  std::vector<int> windings;
  for (int i = 0; i < model.Size(); ++i) {
    if (!model.ElementAt(i).ToText().empty()) windings.push_back(model.ElementAt(i).winding);
  }
  EXPECT_EQ(windings, (std::vector<int>{0, -1, 1, -1, -1, -1, -1}));
}

}  // namespace
}  // namespace halvex
