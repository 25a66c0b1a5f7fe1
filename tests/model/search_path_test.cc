// A file reached by different names is one subfile, so that a loop spelled
// another way is still a loop.
#include "model/search_path.h"

#include <gtest/gtest.h>

#include <system_error>

#include "e2e/run_program.h"

namespace halvex {
namespace {

TEST(SearchPath, OneFileByEveryNameIsOneSubfile) {
  testing::TempFolder folder;
  std::filesystem::create_directories(folder / "s");
  testing::WriteFile(folder / "loop.dat", "2 24 0 0 0 1 1 1\n");
  testing::WriteFile(folder / "other.dat", "2 24 0 0 0 1 1 1\n");
  PathResolver resolver;
  SearchPath searchPath(resolver);
  searchPath.Add(folder.Path().string() + "/");
  const Subfile* loop = searchPath.Open("loop.dat");
  ASSERT_NE(loop, nullptr);
  EXPECT_EQ(searchPath.Open(".\\loop.dat"), loop);
  EXPECT_EQ(searchPath.Open("s\\..\\loop.dat"), loop);
  // ".." is read before the disk is asked, as on Windows: the folder it
  // takes back need not exist.
  EXPECT_EQ(searchPath.Open("missing\\..\\LOOP.DAT"), loop);
  EXPECT_NE(searchPath.Open("other.dat"), loop);
  // A link, where the file system lets us make one.
  std::error_code error;
  std::filesystem::create_symlink(folder / "loop.dat", folder / "link.dat", error);
  if (!error) {
    EXPECT_EQ(searchPath.Open("link.dat"), loop);
  }
}

}  // namespace
}  // namespace halvex
