// Whole runs on small hand-made files. Each folder under tests/data/cases is
// one run: in/ holds the files it starts with, args its arguments (one per
// line), exit and stdout what it must answer, and out/ every file that the
// run writes. Afterwards the run's folder must hold exactly the files of in/
// and out/, byte for byte, with out/'s version where both have one: nothing
// else written, no temporary file left, and on a failure nothing touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

const fs::path kCases = fs::path(HALVEX_SOURCE_DIR) / "tests" / "data" / "cases";

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kCases, error)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every regular file under `root`, by its path relative to `root`.
std::map<std::string, std::string> Files(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path());
  }
  return files;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(Cases, ArePresent) { EXPECT_GE(CaseNames().size(), 10u) << "no cases in " << kCases; }

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, AnswersAndWritesWhatItsFolderSays) {
  const fs::path dir = kCases / GetParam();
#ifdef _WIN32
  // A case that needs POSIX (a device such as /dev/full) says why in this file.
  if (fs::exists(dir / "posix_only")) GTEST_SKIP() << ReadFile(dir / "posix_only");
#endif
  TempFolder folder;
  if (fs::is_directory(dir / "in")) {
    fs::copy(dir / "in", folder.Path(), fs::copy_options::recursive);
  }
  ProgramResult result = RunHalvex(folder.Path(), Lines(ReadFile(dir / "args")));
  EXPECT_EQ(result.out, ReadFile(dir / "stdout"));
  EXPECT_EQ(result.exitCode, std::atoi(ReadFile(dir / "exit").c_str()));
  std::map<std::string, std::string> expected = Files(dir / "in");
  for (const auto& [name, bytes] : Files(dir / "out")) expected[name] = bytes;
  EXPECT_EQ(Files(folder.Path()), expected);
}

INSTANTIATE_TEST_SUITE_P(E2e, Case, ::testing::ValuesIn(CaseNames()),
                         [](const auto& row) { return row.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Case);

}  // namespace
}  // namespace halvex::testing
