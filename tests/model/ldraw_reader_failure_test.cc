// Why a file is not read: Load and ReadFileText say why a file that is there
// cannot be read, in the words the run prints after its name, and say
// nothing of a file that is not there (the "not found" line says it).
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

namespace fs = std::filesystem;

TEST(LoadFailure, ReasonForAFolderAndNoneForNothing) {
  testing::TempFolder folder;
  fs::create_directory(folder / "sub.dat");
  PathResolver resolver;
  for (const auto& [name, expected] : {std::pair{"sub.dat", "is a folder"}, {"missing.dat", ""}}) {
    Model model;
    std::string reason = "unset";
    EXPECT_FALSE(Load(model, (folder / name).string(), resolver, &reason)) << name;
    EXPECT_EQ(reason, expected) << name;
    EXPECT_EQ(model.Size(), 0) << name;
    ReadFailure failure;
    EXPECT_FALSE(ReadFileText((folder / name).string(), 1000, &failure)) << name;
    EXPECT_FALSE(failure.opened) << name;
    EXPECT_EQ(failure.reason, expected) << name;
  }
}

#ifdef __linux__
// A regular file whose first read fails (Linux's /proc/self/mem: address 0
// is not mapped) stands for a file that stops being readable part-way: the
// load fails with the system's words, the subfile read as one not read whole.
// Linux only: under Wine the Windows build sees the file too, and its read
// fails with another error number.
TEST(LoadFailure, ReadThatFailsGivesTheSystemsReason) {
  if (!fs::is_regular_file("/proc/self/mem")) GTEST_SKIP() << "no /proc/self/mem";
  PathResolver resolver;
  Model model;
  std::string reason;
  EXPECT_FALSE(Load(model, "/proc/self/mem", resolver, &reason));
  EXPECT_EQ(reason, std::strerror(EIO));
  ReadFailure failure;
  EXPECT_FALSE(ReadFileText("/proc/self/mem", 1000, &failure));
  EXPECT_TRUE(failure.opened);
  EXPECT_EQ(failure.reason, "could not be read to its end");
}
#endif

}  // namespace
}  // namespace halvex
