// Save formats a large model in slices on several cores and writes them in
// order: the file must be what one pass over the elements writes, whatever
// falls on the border between two slices or two windows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"
#include "model/ldraw_writer.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

TEST(SaveInSlices, WritesTheLinesInOrderAcrossEveryBorder) {
  // More elements than a window of eight cores' slices holds, some of them
  // empty (written as nothing), with lines inserted on the borders.
  constexpr int kSize = 300'000;
  std::string text;
  for (int k = 0; k < kSize; ++k) {
    text += k % 3 == 0 ? "2 24 " + std::to_string(k) + " 0 0 1 1 1\n"
                       : "3 16 " + std::to_string(k) + " 0 0 1 0 0 0 1 0\n";
  }
  Model model;
  LoadText(model, text);
  ASSERT_EQ(model.Size(), kSize);
  const std::vector<int> empty = {0, 16'383, 16'384, 131'071, 131'072, kSize - 1};
  for (int k : empty) model.ReplaceWithEmpty(k);
  const std::vector<InsertedLine> inserted = {
      {0, "0 first"},         {0, "0 second"},       {16'384, "0 at a slice"},
      {131'072, "0 at a window"}, {262'144, "0 later"}, {kSize, "0 last"}};

  std::string expected;
  int lines = 0;
  std::size_t next = 0;
  for (int k = 0; k <= kSize; ++k) {
    for (; next < inserted.size() && inserted[next].before == k; ++next, ++lines) {
      expected.append(inserted[next].text).append("\r\n");
    }
    if (k == kSize) break;
    std::string line = model.ElementAt(k).ToText();
    if (line.empty()) continue;
    expected.append(line).append("\r\n");
    ++lines;
  }
  expected.append("0 after\r\n");

  testing::TempFolder folder;
  PathResolver resolver;
  SaveSummary summary = Save(model, (folder / "out.dat").string(), resolver, inserted,
                             "0 after\r\n");
  ASSERT_EQ(summary.result, SaveResult::kSaved);
  EXPECT_EQ(testing::ReadFile(folder / "out.dat"), expected);
  EXPECT_EQ(summary.linesWritten, lines);
  // Empty places count as no line type.
  EXPECT_EQ(summary.counts.edgeLines + summary.counts.triangles, kSize - 6);
}

}  // namespace
}  // namespace halvex
