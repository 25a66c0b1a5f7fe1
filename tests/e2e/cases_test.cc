// Whole runs on small hand-made files. Each folder under tests/data/cases is
// one run: in/ holds the files it starts with, args its arguments (one per
// line), exit and stdout what it must answer, and out/ every file that the
// run writes. Afterwards the run's folder must hold exactly the regular files
// of in/ and out/, byte for byte, with out/'s version where both have one:
// nothing else written, no temporary file left, and on a failure nothing
// touched. A file ldrawdir holds the LDRAWDIR of the run (none without it).
// "@LIBRARY@" in args, ldrawdir and stdout stands for tests/data/library.
// tests/data/cases/README.md describes the cases.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <functional>
#include <map>

#include "e2e/run_program.h"

namespace halvex::testing {
namespace {

const fs::path kData = fs::path(HALVEX_SOURCE_DIR) / "tests" / "data";
const fs::path kCases = kData / "cases";

std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(kCases, error)) {
    if (entry.is_directory()) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Every regular file under `root`, by its path relative to `root`; links are
// not followed.
std::map<std::string, std::string> Files(const fs::path& root) {
  std::map<std::string, std::string> files;
  if (!fs::is_directory(root)) return files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!fs::is_regular_file(entry.symlink_status())) continue;
    files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path());
  }
  return files;
}

// What a folder cannot hold: set up in the run's folder once in/ is copied.
struct Special {
  std::function<void(const fs::path&)> prepare;
  ProcessLimits limits;
};

#ifdef _WIN32
// The cases that need these are marked posix_only and skipped on Windows.
const std::map<std::string, Special> kSpecials;
#else
const std::map<std::string, Special> kSpecials = {
    {"input_is_a_pipe",  // Opening a pipe would wait for a writer for ever.
     {[](const fs::path& f) { ::mkfifo((f / "in.dat").c_str(), 0644); }, {}}},
    {"unreadable_input",
     {[](const fs::path& f) { fs::permissions(f / "in.dat", fs::perms::none); },
      {.obeyPermissions = true}}},
    {"check_only_unreadable_input",
     {[](const fs::path& f) { fs::permissions(f / "in.dat", fs::perms::none); },
      {.obeyPermissions = true}}},
    {"output_is_a_loop_of_links",
     {[](const fs::path& f) {
        fs::create_symlink("b.dat", f / "out.dat");
        fs::create_symlink("out.dat", f / "b.dat");
      },
      {}}},
    {"output_is_input_and_write_fails", {nullptr, {.fileSize = 4096}}},
    // A file the user may not write is not replaced, although the folder
    // would let a rename replace it.
    {"output_read_only",
     {[](const fs::path& f) { fs::permissions(f / "out.dat", fs::perms(0444)); },
      {.obeyPermissions = true}}},
    // The file behind the link is replaced and keeps its mode; the link stays.
    {"output_is_input_behind_a_link",
     {[](const fs::path& f) {
        fs::permissions(f / "real/in.dat", fs::perms(0641));
        fs::create_symlink("real/in.dat", f / "link.dat");
      },
      {}}},
};
#endif

TEST(Cases, ArePresent) { EXPECT_GE(CaseNames().size(), 10u) << "no cases in " << kCases; }

class Case : public ::testing::TestWithParam<std::string> {};

TEST_P(Case, AnswersAndWritesWhatItsFolderSays) {
  const fs::path dir = kCases / GetParam();
#ifdef _WIN32
  // A case that needs POSIX (a device such as /dev/full) says why in this file.
  if (fs::exists(dir / "posix_only")) GTEST_SKIP() << ReadFile(dir / "posix_only");
#endif
  const std::string library = (kData / "library").string();
  // The run's folder lies in a fresh folder of its own, so that what a case
  // names beside it ("../lib2/") is never a folder left by something else.
  TempFolder parent;
  const fs::path folder = parent.Path() / "run";
  fs::create_directory(folder);
  if (fs::is_directory(dir / "in")) {
    fs::copy(dir / "in", folder, fs::copy_options::recursive);
  }
  auto setup = kSpecials.find(GetParam());
  Special none;
  const Special& special = setup == kSpecials.end() ? none : setup->second;
  if (special.prepare) special.prepare(folder);
  std::string ldrawDir;
  if (fs::exists(dir / "ldrawdir")) {
    ldrawDir = Replaced(Lines(ReadFile(dir / "ldrawdir")).at(0), "@LIBRARY@", library);
  }
  ProgramResult result =
      RunHalvex(folder, Lines(Replaced(ReadFile(dir / "args"), "@LIBRARY@", library)),
                special.limits, ldrawDir);
  if (result.exitCode == kNoDroppedRights) GTEST_SKIP() << "root cannot give up its rights here";
  EXPECT_EQ(Replaced(result.out, library, "@LIBRARY@"), ReadFile(dir / "stdout"));
  EXPECT_EQ(result.exitCode, std::atoi(ReadFile(dir / "exit").c_str()));
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    std::error_code ignored;
    fs::permissions(entry.path(), fs::perms::owner_read, fs::perm_options::add, ignored);
  }
  std::map<std::string, std::string> expected = Files(dir / "in");
  for (const auto& [name, bytes] : Files(dir / "out")) expected[name] = bytes;
  EXPECT_EQ(Files(folder), expected);
  if (GetParam() == "output_is_input_behind_a_link") {
    EXPECT_TRUE(fs::is_symlink(folder / "link.dat"));
    EXPECT_EQ(fs::status(folder / "real/in.dat").permissions(), fs::perms(0641));
  }
}

INSTANTIATE_TEST_SUITE_P(E2e, Case, ::testing::ValuesIn(CaseNames()),
                         [](const auto& row) { return row.param; });
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(Case);

}  // namespace
}  // namespace halvex::testing
