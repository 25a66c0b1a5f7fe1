// Every part of the fixture library (tests/data/library) and of a sample
// library (the folder that HALVEX_LDRAW_LIBRARY names, else ../shared/ldraw
// beside the repository, when it is there), expanded and split by the built
// program. The expectations are invariants
// of the output, not copies of an earlier output.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <map>
#include <sstream>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

const fs::path kFixture = fs::path(HALVEX_SOURCE_DIR) / "tests/data/library";
// Set when the tests are built as well as when they run: the list of the
// tests is taken from the test program at build time.
constexpr const char* kLibraryVariable = "HALVEX_LDRAW_LIBRARY";

fs::path SampleLibrary() {
  const char* named = std::getenv(kLibraryVariable);
  if (named != nullptr && *named != '\0') return named;
  return fs::path(HALVEX_SOURCE_DIR).parent_path() / "shared/ldraw";
}

const fs::path kSample = SampleLibrary();

// The part files of a library.
std::vector<fs::path> Parts(const fs::path& library) {
  std::vector<fs::path> parts;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(library / "parts", error)) {
    if (entry.path().extension() == ".dat") parts.push_back(entry.path());
  }
  std::sort(parts.begin(), parts.end());
  return parts;
}

std::vector<fs::path> AllParts() {
  std::vector<fs::path> parts = Parts(kFixture);
  std::error_code error;
  if (fs::equivalent(kSample, kFixture, error)) return parts;  // Named twice: run once.
  for (const fs::path& part : Parts(kSample)) parts.push_back(part);
  return parts;
}

TEST(LdrawLibrary, SampleIsPresent) {
  if (!fs::is_directory(kSample / "parts")) {
    GTEST_SKIP() << "No sample library at " << kSample.lexically_normal()
                 << ": the tests on its parts do not run. To run them, set " << kLibraryVariable
                 << " to an LDraw library (the folder that holds parts/ and p/) when building "
                    "and running the tests, or place one at ../shared/ldraw beside the "
                    "repository.";
  }
  EXPECT_GE(Parts(kSample).size(), 10u);
}

// The counts on the `count` lines after `heading`.
std::vector<int> CountsAfter(const std::string& out, const std::string& heading, int count) {
  std::vector<int> counts;
  std::istringstream lines(out.substr(std::min(out.find(heading) + heading.size(), out.size())));
  for (std::string line; count-- > 0 && std::getline(lines, line);) {
    counts.push_back(std::atoi(line.c_str()));
  }
  return counts;
}

// An element line of the output: its colour and the x of its vertices.
struct Written {
  std::string colour;
  std::vector<double> xs;
};

// Runs -s -l LIBRARY `args` PART out.dat and checks what every run shows:
// success, every reference found and expanded, CR LF line ends, element
// lines of the right length with finite numbers, and a save report that
// counts them. Returns the console output and the element lines.
std::pair<std::string, std::vector<Written>> RunOnPart(const fs::path& part,
                                                       std::vector<std::string> args) {
  static const std::size_t kNumbers[] = {0, 0, 6, 9, 12, 12}, kVertices[] = {0, 0, 2, 3, 4, 2};
  TempFolder folder;
  args.insert(args.begin(), {"-s", "-l", part.parent_path().parent_path().string()});
  args.insert(args.end(), {part.string(), "out.dat"});
  ProgramResult result = RunHalvex(folder.Path(), args);
  EXPECT_EQ(result.exitCode, 0) << result.out;
  std::vector<Written> elements;
  std::vector<int> types(6);
  std::istringstream text(ReadFile(folder / "out.dat"));
  for (std::string line; std::getline(text, line); ++types[0]) {
    EXPECT_TRUE(line.ends_with('\r') && line.find('\r') == line.size() - 1) << line;
    if (line.starts_with("0 ")) continue;
    std::istringstream fields(line);
    int type = 0;
    Written element;
    fields >> type >> element.colour;
    std::vector<double> numbers;
    for (double value; fields >> value && std::isfinite(value);) numbers.push_back(value);
    const bool wellFormed =
        type >= 2 && type <= 5 && numbers.size() == kNumbers[type] && fields.eof();
    EXPECT_TRUE(wellFormed) << "malformed or unexpanded: " << line;
    if (!wellFormed) continue;
    ++types[static_cast<std::size_t>(type)];
    for (std::size_t k = 0; k < kVertices[type]; ++k) element.xs.push_back(numbers[3 * k]);
    elements.push_back(element);
  }
  EXPECT_EQ(CountsAfter(result.out, "\nSaving out.dat\n", 5),
            (std::vector<int>{types[0], types[2], types[5], types[3], types[4]}));
  return {result.out, elements};
}

class LibraryPart : public ::testing::TestWithParam<fs::path> {};

TEST_P(LibraryPart, CutKeepsNoVertexBelowXZero) {
  auto [out, elements] = RunOnPart(GetParam(), {"-x+", "-ca"});
  EXPECT_FALSE(elements.empty());
  for (const Written& element : elements) {
    for (double x : element.xs) EXPECT_GE(x, 0.0);
  }
}

// With -v nothing is cut: the side x < 0 is gone, every vertex is snapped
// onto x = 0 or lies clear of it by the precision, and only crossing
// elements carry the marking colours.
TEST_P(LibraryPart, VerifyMarksOnlyCrossingElements) {
  auto [out, elements] = RunOnPart(GetParam(), {"-v", "-x+"});
  for (const Written& element : elements) {
    for (double x : element.xs) EXPECT_TRUE(x == 0 || std::fabs(x) >= 0.001) << x;
    auto [low, high] = std::minmax_element(element.xs.begin(), element.xs.end());
    EXPECT_GE(*high, 0.0);
    if (element.colour == "5" || element.colour == "10") {
      EXPECT_TRUE(*low < 0 && *high > 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, LibraryPart, ::testing::ValuesIn(AllParts()), [](const auto& row) {
  return (row.param.string().starts_with(kFixture.string()) ? "Fixture" : "Sample") +
         row.param.stem().string();
});
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(LibraryPart);

}  // namespace
}  // namespace halvex::testing
