// Every part of the sample library (../shared/ldraw), expanded and split by
// the built program. The expectations are invariants of the output, not
// copies of an earlier output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>

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

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;) {
    parts.push_back(text.substr(start, end - start));
    start = end + separator.size();
  }
  parts.push_back(text.substr(start));
  return parts;
}

// One element line of the output: its colour token and the x of its
// vertices (a conditional line's control points are not vertices).
struct ElementLine {
  std::string colour;
  std::vector<double> xs;
};

struct Output {
  std::map<int, int> counts;  // Lines by line type; -1 for any other line.
  int lines = 0;
  std::vector<ElementLine> elements;
};

// Reads the output back, checking that every line is CR LF terminated and a
// known line type: "0 " and any text, or the type, a colour and the right
// number of finite numbers, separated by single blanks.
Output ReadOutput(const std::string& text) {
  const std::map<int, std::pair<std::size_t, int>> shapes = {
      {2, {6, 2}}, {3, {9, 3}}, {4, {12, 4}}, {5, {12, 2}}};  // Numbers, vertices.
  Output output;
  EXPECT_TRUE(text.ends_with("\r\n"));
  std::vector<std::string> lines = Split(text, "\r\n");
  lines.pop_back();
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    ++output.lines;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos);
    std::vector<std::string> fields = Split(line, " ");
    int type = fields[0].size() == 1 ? fields[0][0] - '0' : -1;
    auto shape = shapes.find(type);
    if (type == 0 || shape == shapes.end() || fields.size() != shape->second.first + 2) {
      ++output.counts[type == 0 && fields.size() > 1 ? 0 : -1];
      continue;
    }
    ++output.counts[type];
    char* end = nullptr;
    const std::string& colour = fields[1];
    bool hex = colour.starts_with("0x") || colour.starts_with("0X");
    if (hex) {
      std::strtoul(colour.c_str() + 2, &end, 16);
    } else {
      std::strtol(colour.c_str(), &end, 10);
    }
    EXPECT_TRUE(!colour.empty() && *end == '\0') << colour;
    ElementLine element{colour, {}};
    for (std::size_t k = 2; k < fields.size(); ++k) {
      double value = std::strtod(fields[k].c_str(), &end);
      EXPECT_TRUE(!fields[k].empty() && *end == '\0' && std::isfinite(value)) << fields[k];
      if ((k - 2) % 3 == 0 && (k - 2) / 3 < static_cast<std::size_t>(shape->second.second)) {
        element.xs.push_back(value);
      }
    }
    output.elements.push_back(element);
  }
  return output;
}

// The integers that begin the `count` lines after `heading` in `out`.
std::vector<int> NumbersAfter(const std::string& out, const std::string& heading, int count) {
  std::vector<int> numbers;
  std::size_t pos = out.find(heading);
  if (pos == std::string::npos) return numbers;
  std::vector<std::string> lines = Split(out.substr(pos + heading.size()), "\n");
  for (int k = 0; k < count && k < static_cast<int>(lines.size()); ++k) {
    numbers.push_back(std::atoi(lines[static_cast<std::size_t>(k)].c_str()));
  }
  return numbers;
}

struct PartRun {
  Output output;
  std::vector<int> loaded;   // Lines, edges, conditional lines, triangles, quads, subfiles.
  std::vector<int> inlined;  // Edges, conditional lines, triangles, quads.
  std::vector<int> saved;    // Lines, edges, conditional lines, triangles, quads.
};

// Runs with -s -l on the library and checks what every such run shows:
// success, every reference found and expanded, one quit prompt at the end, a
// well-formed file and a save report that counts it.
PartRun RunOnPart(const std::string& name, std::vector<std::string> args) {
  TempFolder folder;
  const std::string part = kLibrary + "/parts/" + name + ".dat";
  args.insert(args.begin(), {"-s", "-l", kLibrary});
  args.insert(args.end(), {part, "out.dat"});
  ProgramResult result = RunHalvex(folder.Path(), args);
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(result.out.ends_with(" Quads\n" + std::string(kPrompt)));
  EXPECT_EQ(Split(result.out, std::string(kPrompt)).size(), 2u);
  EXPECT_EQ(result.out.find("Circular reference"), std::string::npos);
  EXPECT_EQ(result.out.find("Nesting too deep"), std::string::npos);

  PartRun run{ReadOutput(ReadFile(folder / "out.dat")),
              NumbersAfter(result.out, "\nLoading " + part + "\n", 6),
              NumbersAfter(result.out, "\nInlined from subfiles:\n", 4),
              NumbersAfter(result.out, "\nSaving out.dat\n", 5)};
  std::map<int, int>& counts = run.output.counts;
  EXPECT_EQ(counts[1], 0) << "a reference was left unexpanded";
  EXPECT_EQ(counts[-1], 0) << "a line of no known shape";
  EXPECT_EQ(run.saved,
            (std::vector<int>{run.output.lines, counts[2], counts[5], counts[3], counts[4]}));
  EXPECT_EQ(run.loaded.size(), 6u);
  EXPECT_EQ(run.inlined.size(), 4u);
  return run;
}

class LibraryPart : public ::testing::TestWithParam<std::string> {};

TEST_P(LibraryPart, CutKeepsNoVertexBelowXZero) {
  PartRun run = RunOnPart(GetParam(), {"-x+", "-ca"});
  EXPECT_FALSE(run.output.elements.empty());
  for (const ElementLine& element : run.output.elements) {
    for (double x : element.xs) EXPECT_GE(x, 0.0);
  }
}

// With -v nothing is cut: the side x < 0 is gone, every vertex is snapped
// onto x = 0 or lies clear of it by the precision, and only crossing
// elements carry the marking colours.
TEST_P(LibraryPart, VerifyMarksOnlyCrossingElements) {
  PartRun run = RunOnPart(GetParam(), {"-v", "-x+"});
  for (const ElementLine& element : run.output.elements) {
    for (double x : element.xs) EXPECT_TRUE(x == 0 || std::fabs(x) >= 0.001) << x;
    auto [low, high] = std::minmax_element(element.xs.begin(), element.xs.end());
    EXPECT_GE(*high, 0.0);
    if (element.colour == "5" || element.colour == "10") {
      EXPECT_TRUE(*low < 0 && *high > 0);
    }
  }
}

// Nothing is erased or cut with -d0, so the output holds the part's own
// elements plus exactly what the expansion report counts.
TEST_P(LibraryPart, SnapOnlyKeepsEverythingInlined) {
  PartRun run = RunOnPart(GetParam(), {"-d0", "-x+"});
  ASSERT_EQ(run.saved.size(), 5u);
  ASSERT_EQ(run.inlined.size(), 4u);
  for (int k = 1; k < 5; ++k) EXPECT_EQ(run.saved[k], run.loaded[k] + run.inlined[k - 1]);
  EXPECT_GT(run.loaded[5], 0);
  EXPECT_GT(run.inlined[2] + run.inlined[3], 0);
}

INSTANTIATE_TEST_SUITE_P(E2e, LibraryPart, ::testing::ValuesIn(PartNames()),
                         [](const auto& row) { return "Part" + row.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(LibraryPart);

}  // namespace
}  // namespace halvex::testing
