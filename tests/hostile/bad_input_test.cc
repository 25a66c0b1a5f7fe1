// Hostile inputs too large to keep as case folders, generated in a temporary
// folder: each run pins the whole console output, the exit code and the
// output file. The smaller hostile inputs are case folders under
// tests/data/cases.
#include <gtest/gtest.h>

#include <string>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

const std::string kEdge = "2 24 1 0 0 2 0 0";

std::string Reference(const std::string& position, const std::string& name) {
  return "1 16 " + position + " 1 0 0 0 1 0 0 0 1 " + name;
}

// The lines of a report from "N lines in file" on, or from "N Edge lines" on
// with `first` 1.
std::string Counts(const std::vector<int>& counts, std::size_t first = 0) {
  static const char* const kNames[] = {" lines in file", " Edge lines", " Conditional lines",
                                       " Triangles",     " Quads",      " Subfiles"};
  std::string text;
  for (std::size_t k = 0; k < counts.size(); ++k)
    text += std::to_string(counts[k]) + kNames[first + k] + "\n";
  return text;
}

// Runs -s -x+ in.dat out.dat in `folder`: the console must be the load
// report with `loaded`, then the expansion with `rest`; out.dat must hold
// `output`, or not exist when that is empty.
void ExpectExpandRun(const TempFolder& folder, const std::vector<int>& loaded,
                     const std::string& rest, int exitCode, const std::string& output) {
  ProgramResult result = RunHalvex(folder.Path(), {"-s", "-x+", "in.dat", "out.dat"});
  EXPECT_EQ(result.out,
            "Halvex 1.0 - split LDraw files by a plane\nPrecision 0.001\n\n"
            "\nLoading in.dat\n" +
                Counts(loaded) +
                "\nExpanding subfiles\nLDraw subfiles search locations:\n"
                ".\\, .\\p\\, .\\s\\\n" +
                rest + "Press <Enter> to quit\n");
  EXPECT_EQ(result.exitCode, exitCode);
  const std::string written = ReadFile(folder / "out.dat");
  EXPECT_EQ(fs::exists(folder / "out.dat"), !output.empty());
  ASSERT_EQ(written.size(), output.size());  // Large texts would flood the message.
  EXPECT_TRUE(written == output) << written.substr(0, 300);
}

// n1.dat places n2.dat one unit further along x, and so on to n1000.dat,
// each with an edge line. The first 64 levels are inlined; the reference to
// n65.dat stays, placed at x = 64, and is reported.
TEST(BadInputLarge, ThousandNestedReferences) {
  TempFolder folder;
  WriteFile(folder / "in.dat", Reference("0 0 0", "n1.dat") + "\n");
  for (int k = 1; k < 1000; ++k) {
    WriteFile(folder / ("n" + std::to_string(k) + ".dat"),
              "0 comment\n" + kEdge + "\n" +
                  Reference("1 0 0", "n" + std::to_string(k + 1) + ".dat") + "\n");
  }
  std::string output;
  for (int k = 1; k <= 64; ++k) {
    output += "2 24 " + std::to_string(k) + " 0 0 " + std::to_string(k + 1) + " 0 0\r\n";
  }
  output += Reference("64 0 0", "n65.dat") + "\r\n";
  ExpectExpandRun(folder, {1, 0, 0, 0, 0, 1},
                  "Nesting too deep at n65.dat\n\nInlined from subfiles:\n" +
                      Counts({64, 0, 0, 0}, 1) + "\n\nSaving out.dat\n" + Counts({65, 64, 0, 0, 0}),
                  0, output);
}

// A 4 MB reference line, longer than the pieces the reader takes, whose name
// has nearly 2 million components: missing folders and "." and ".." of either
// separator: it is looked up in time proportional to its length, found
// nowhere, and written back whole.
TEST(BadInputLarge, FourMegabyteLine) {
  TempFolder folder;
  std::string name;
  while (name.size() < 4'000'000) name += "a\\B/./..\\";
  const std::string line = Reference("0 0 0", name + "x.dat");
  WriteFile(folder / "in.dat", line + "\n" + kEdge);
  const std::string output = line + "\r\n" + kEdge + "\r\n";
  ExpectExpandRun(folder, {2, 1, 0, 0, 0, 1},
                  "\nInlined from subfiles:\n" + Counts({0, 0, 0, 0}, 1) + "\n" +
                      "1 subfile not found in the search locations: " + name.substr(0, 57) +
                      "...\nNo LDraw library was found: give -l the folder that holds parts "
                      "and p (or a zip archive of it), or set LDRAWDIR to it\n\nSaving out.dat\n" +
                      Counts({2, 1, 0, 0, 0}),
                  0, output);
}

// in.dat references f1.dat 100 times, f1.dat references f2.dat 100 times, and
// so on to f4.dat with 1,000 edges: 100 billion elements. The expansion stops
// at the real budget of 20 million elements, about 4 GB, without writing
// anything. A heavy test: the default run leaves it out (see README.md); the
// budget itself is tested with small budgets.
TEST(HeavyElementBudget, FanOutStopsAtTheRealBudget) {
  TempFolder folder;
  auto references = [](int to) {
    std::string text;
    for (int k = 0; k < 100; ++k) {
      text += Reference(std::to_string(k) + " 0 0", "f" + std::to_string(to) + ".dat") + "\n";
    }
    return text;
  };
  WriteFile(folder / "in.dat", references(1));
  for (int k = 1; k < 4; ++k) {
    WriteFile(folder / ("f" + std::to_string(k) + ".dat"), references(k + 1));
  }
  std::string edges;
  for (int k = 0; k < 1000; ++k) edges += kEdge + "\n";
  WriteFile(folder / "f4.dat", edges);
  ExpectExpandRun(folder, {100, 0, 0, 0, 0, 100},
                  "Expansion stopped: more than 20000000 elements\n", 2, "");
}

}  // namespace
}  // namespace halvex::testing
