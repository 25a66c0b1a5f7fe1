// The geometry as placed: what a placement makes of a subfile's lines, and
// lines of different files that coincide. The subfiles are embedded in an
// MPD, so that the search path finds them without a library on disk.
#include "checking/placed_check.h"

#include <gtest/gtest.h>

#include "model/embedded_files.h"
#include "model/ldraw_reader.h"
#include "model/model.h"
#include "model/path_resolver.h"

namespace halvex::testing {
namespace {

using Lines = std::vector<std::string>;

// The placed findings of the first section of the MPD `text`, the others
// being its subfiles.
Lines PlacedFindings(const std::string& text, bool compareLines = true) {
  Model sections;
  EmbeddedFiles embedded;
  LoadText(sections, text, &embedded);
  PathResolver resolver;
  SearchPath searchPath(resolver);
  searchPath.SetEmbedded(&embedded);
  std::size_t end = text.find("0 FILE", 1);
  SourceFile top(std::string_view(text).substr(0, end));
  Lines lines;
  for (const Finding& finding : CheckPlaced(top, searchPath, 1000, compareLines).findings) {
    lines.push_back(FormatFinding("", finding).substr(1));
  }
  return lines;
}

// bent.dat: a square bent by 0.81 degrees, within the limits. Stretched 5
// times along z it bends by 4.047 degrees.
const std::string kBent =
    "0 FILE bent.dat\n"
    "4 16 0 0 0 10 0 0 10 10 0.1 0 10 0\n";

TEST(PlacedCheck, PlacementThatBendsAQuadrilateral) {
  EXPECT_EQ(PlacedFindings("0 FILE top.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 bent.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 5 bent.dat\n" +
                           kBent),
            Lines{"3: error: coplanar: 4.047 degrees > 3 (in bent.dat line 2)"});
}

// A line that is wrong where it is written is that file's finding, not the
// placement's.
TEST(PlacedCheck, SubfilesOwnFindingsAreLeftToIt) {
  EXPECT_EQ(PlacedFindings("0 FILE top.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 bad.dat\n"
                           "0 FILE bad.dat\n"
                           "4 16 0 0 0 10 10 0 10 0 0 0 10 0\n"),
            Lines{});
}

TEST(PlacedCheck, LinesOfDifferentFilesThatCoincide) {
  const std::string edge =
      "0 FILE edge.dat\n"
      "2 24 0 0 0 10 0 0\n"
      "2 24 0 1 0 10 1 0\n";
  EXPECT_EQ(PlacedFindings("0 FILE top.dat\n"
                           "2 24 10 0 0 0 0 0\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 edge.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 edge.dat\n"
                           "2 24 5 1 0 15 1 0\n" +
                           edge),
            (Lines{"3: warning: duplicate: same as line 2 (in edge.dat line 2)",
                   "4: warning: duplicate: same as line 2 (in edge.dat line 2)",
                   "4: warning: duplicate: same as edge.dat line 3 placed by line 3 (in edge.dat "
                   "line 3)",
                   "5: warning: overlap: overlaps edge.dat line 3 placed by line 3 by 5 LDU"}));
  EXPECT_EQ(PlacedFindings("0 FILE top.dat\n"
                           "2 24 10 0 0 0 0 0\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 edge.dat\n" +
                               edge,
                           false),
            Lines{});
}

// A file placed twice in one place: one finding for the two references,
// with the count of the lines beyond the first.
TEST(PlacedCheck, OneFindingPerPairOfReferences) {
  EXPECT_EQ(PlacedFindings("0 FILE top.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 edge.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 edge.dat\n"
                           "0 FILE edge.dat\n"
                           "2 24 0 0 0 10 0 0\n"
                           "2 24 0 1 0 10 1 0\n"),
            Lines{"3: warning: duplicate: same as edge.dat line 2 placed by line 2 (in edge.dat "
                  "line 2; 1 more)"});
}

// Conditional lines are drawn twice where two primitives meet, by design.
TEST(PlacedCheck, ConditionalLinesAreNotCompared) {
  EXPECT_EQ(PlacedFindings("0 FILE top.dat\n"
                           "5 24 0 0 0 10 0 0 0 1 0 0 -1 0\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 cond.dat\n"
                           "0 FILE cond.dat\n"
                           "5 24 0 0 0 10 0 0 0 1 1 0 -1 1\n"),
            Lines{});
}

TEST(PlacedCheck, LoopsAndMissingFilesAreLeftOut) {
  PathResolver resolver;
  SearchPath searchPath(resolver);
  SourceFile top("1 16 0 0 0 1 0 0 0 1 0 0 0 1 missing.dat\n");
  PlacedCheck placed = CheckPlaced(top, searchPath, 1000, true);
  EXPECT_EQ(placed.notFound, std::vector<std::string>{"missing.dat"});
  EXPECT_EQ(PlacedFindings("0 FILE top.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
                           "0 FILE a.dat\n"
                           "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
                           "3 16 0 0 0 1 0 0 0 1 0\n"),
            Lines{});
}

}  // namespace
}  // namespace halvex::testing
