// The element budget of the expansion, with a small budget: the model never
// grows beyond it, and an expansion that fits exactly completes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "hostile/hostile_support.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"
#include "model/search_path.h"
#include "model/subfile_expander.h"

namespace halvex {
namespace {

// Two references to a file of two triangles, its lines ended by lone CRs:
// 2 elements before, 6 after the expansion.
TEST(ElementBudget, StopsBeforeTheModelOutgrowsIt) {
  hostile::TempFolder folder;
  hostile::WriteFile(folder / "pair.dat", "3 16 0 0 0 1 0 0 0 1 0\r3 16 0 0 0 0 1 0 0 0 1\r");
  struct Case {
    int budget;
    ExpandResult result;
    int size;
  };
  for (const Case& c :
       {Case{1000, ExpandResult::kExpanded, 6}, Case{6, ExpandResult::kExpanded, 6},
        Case{5, ExpandResult::kTooManyElements, 4}, Case{3, ExpandResult::kTooManyElements, 2}}) {
    Model model;
    LoadText(model,
             "1 16 0 0 0 1 0 0 0 1 0 0 0 1 pair.dat\n1 16 5 0 0 1 0 0 0 1 0 0 0 1 pair.dat\n");
    PathResolver resolver;
    SearchPath searchPath(resolver);
    searchPath.Add(folder.Path().string() + "/");
    std::ostringstream report;
    EXPECT_EQ(ExpandSubfiles(model, searchPath, report, c.budget), c.result) << c.budget;
    EXPECT_EQ(model.Size(), c.size) << c.budget;
    // A stopped expansion prints no report.
    EXPECT_EQ(report.str().empty(), c.result == ExpandResult::kTooManyElements) << c.budget;
  }
}

}  // namespace
}  // namespace halvex
