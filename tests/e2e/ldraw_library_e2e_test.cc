// Every part of the sample library (../shared/ldraw), expanded and split by
// the built program. The expectations are invariants of the output, not
// copies of an earlier output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

const std::string kLibrary = std::string(HALVEX_SOURCE_DIR) + "/../shared/ldraw";

std::vector<std::string> PartNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kLibrary + "/parts", error)) {
    if (entry.path().extension() == ".dat") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LdrawLibrary, IsPresent) {
  ASSERT_TRUE(fs::is_directory(kLibrary + "/parts")) << "sample library missing: " << kLibrary;
  EXPECT_GE(PartNames().size(), 10u);
}

// A run with -s -l on the library: the output file read back, and the counts
// of the reports.
struct PartRun {
  std::map<int, int> types;  // Output lines by line type; -1 for a malformed line.
  std::vector<std::pair<std::string, std::vector<double>>> elements;  // Colour, vertex xs.
  std::vector<int> loaded, inlined, saved;
};

// The integers that begin the `count` lines after `heading`.
std::vector<int> CountsAfter(const std::string& out, const std::string& heading, int count) {
  std::vector<int> counts;
  std::size_t pos = out.find(heading);
  if (pos == std::string::npos) return counts;
  std::istringstream lines(out.substr(pos + heading.size()));
  for (std::string line; count-- > 0 && std::getline(lines, line);) {
    counts.push_back(std::atoi(line.c_str()));
  }
  return counts;
}

// Reads one element line: the colour token, decimal or 0x hexadecimal, and
// the right number of finite numbers, all separated by single blanks. False
// for anything else.
bool ReadElement(const std::string& line, int type, PartRun& run) {
  static const std::map<int, std::pair<int, int>> kShapes = {
      {2, {6, 2}}, {3, {9, 3}}, {4, {12, 4}}, {5, {12, 2}}};  // Numbers, vertices.
  std::vector<std::string> fields;
  std::istringstream words(line);
  for (std::string word; std::getline(words, word, ' ');) fields.push_back(word);
  auto shape = kShapes.find(type);
  if (shape == kShapes.end() || fields.size() != 2u + shape->second.first) return false;
  const std::string& colour = fields[1];
  const bool hex = colour.starts_with("0x");
  char* end = nullptr;
  std::strtol(colour.c_str() + (hex ? 2 : 0), &end, hex ? 16 : 10);
  if (colour.empty() || *end != '\0') return false;
  std::vector<double> xs;
  for (int k = 0; k < shape->second.first; ++k) {
    const std::string& field = fields[2u + static_cast<std::size_t>(k)];
    double value = std::strtod(field.c_str(), &end);
    if (field.empty() || *end != '\0' || !std::isfinite(value)) return false;
    if (k % 3 == 0 && k / 3 < shape->second.second) xs.push_back(value);
  }
  run.elements.emplace_back(colour, xs);
  return true;
}

// Checks what every run shows: success, one quit prompt at the end, every
// reference found and expanded, CR LF line ends, well-formed element lines
// and a save report that counts them.
PartRun RunOnPart(const std::string& name, std::vector<std::string> args) {
  TempFolder folder;
  const std::string part = kLibrary + "/parts/" + name + ".dat";
  args.insert(args.begin(), {"-s", "-l", kLibrary});
  args.insert(args.end(), {part, "out.dat"});
  ProgramResult result = RunHalvex(folder.Path(), args);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(result.out.ends_with(" Quads\nPress <Enter> to quit\n")) << result.out;
  EXPECT_EQ(result.out.find("Press"), result.out.rfind("Press"));

  PartRun run;
  run.loaded = CountsAfter(result.out, "\nLoading " + part + "\n", 6);
  run.inlined = CountsAfter(result.out, "\nInlined from subfiles:\n", 4);
  run.saved = CountsAfter(result.out, "\nSaving out.dat\n", 5);
  const std::string text = ReadFile(folder / "out.dat");
  EXPECT_TRUE(text.ends_with("\r\n"));
  int lines = 0;
  for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos;
       start = end + 2, ++lines) {
    const std::string line = text.substr(start, end - start);
    const int type = line.size() > 1 && line[1] == ' ' ? line[0] - '0' : -1;
    const bool wellFormed = line.find_first_of("\r\n") == std::string::npos &&
                            (type == 0 || type == 1 || ReadElement(line, type, run));
    ++run.types[wellFormed ? type : -1];
    EXPECT_TRUE(wellFormed) << line;
  }
  EXPECT_EQ(run.types[1], 0) << "a reference was left unexpanded";
  EXPECT_EQ(run.saved,
            (std::vector<int>{lines, run.types[2], run.types[5], run.types[3], run.types[4]}));
  return run;
}

class LibraryPart : public ::testing::TestWithParam<std::string> {};

TEST_P(LibraryPart, CutKeepsNoVertexBelowXZero) {
  PartRun run = RunOnPart(GetParam(), {"-x+", "-ca"});
  EXPECT_FALSE(run.elements.empty());
  for (const auto& [colour, xs] : run.elements) {
    for (double x : xs) EXPECT_GE(x, 0.0);
  }
}

// With -v nothing is cut: the side x < 0 is gone, every vertex is snapped
// onto x = 0 or lies clear of it by the precision, and only crossing
// elements carry the marking colours.
TEST_P(LibraryPart, VerifyMarksOnlyCrossingElements) {
  PartRun run = RunOnPart(GetParam(), {"-v", "-x+"});
  for (const auto& [colour, xs] : run.elements) {
    for (double x : xs) EXPECT_TRUE(x == 0 || std::fabs(x) >= 0.001) << x;
    auto [low, high] = std::minmax_element(xs.begin(), xs.end());
    EXPECT_GE(*high, 0.0);
    if (colour == "5" || colour == "10") {
      EXPECT_TRUE(*low < 0 && *high > 0);
    }
  }
}

// Nothing is erased or cut with -d0, so the output holds the part's own
// elements plus exactly what the expansion report counts.
TEST_P(LibraryPart, SnapOnlyKeepsEverythingInlined) {
  PartRun run = RunOnPart(GetParam(), {"-d0", "-x+"});
  ASSERT_TRUE(run.saved.size() == 5 && run.loaded.size() == 6 && run.inlined.size() == 4);
  for (std::size_t k = 1; k < 5; ++k) EXPECT_EQ(run.saved[k], run.loaded[k] + run.inlined[k - 1]);
  EXPECT_GT(run.loaded[5], 0);
  EXPECT_GT(run.inlined[2] + run.inlined[3], 0);
}

INSTANTIATE_TEST_SUITE_P(E2e, LibraryPart, ::testing::ValuesIn(PartNames()),
                         [](const auto& row) { return "Part" + row.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(LibraryPart);

}  // namespace
}  // namespace halvex::testing
