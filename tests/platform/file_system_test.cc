// The file system as each platform answers it: what a path names, which
// file it is, the names in a folder. The Windows build runs these too.
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "e2e/run_program.h"

namespace halvex {
namespace {

namespace fs = std::filesystem;

TEST(FileSystem, KindSizeAndIdentity) {
  testing::TempFolder folder;
  testing::WriteFile(folder / "a.dat", "0 x\n");
  fs::create_directory(folder / "sub");
  const std::string file = (folder / "a.dat").string();
  EXPECT_EQ(KindOf(file), FileKind::kRegular);
  EXPECT_EQ(KindOf((folder / "sub").string()), FileKind::kFolder);
  EXPECT_EQ(KindOf((folder / "none.dat").string()), FileKind::kNone);
  EXPECT_TRUE(EntryExists(file));
  EXPECT_FALSE(EntryExists((folder / "none.dat").string()));
  EXPECT_EQ(FileSize(file), 4u);
  EXPECT_EQ(FileSize((folder / "none.dat").string()), std::nullopt);
  // One file by two names is one identity; another file is another.
  testing::WriteFile(folder / "b.dat", "0 x\n");
  std::optional<FileIdentity> identity = IdentityOfFile(file);
  ASSERT_TRUE(identity);
  EXPECT_EQ(IdentityOfFile((folder / "sub" / ".." / "a.dat").string()), identity);
  EXPECT_NE(IdentityOfFile((folder / "b.dat").string()), identity);
  EXPECT_EQ(IdentityOfFile((folder / "none.dat").string()), std::nullopt);
}

TEST(FileSystem, FolderNamesWhereTheSystemDoesNotMatchThem) {
  if (SystemMatchesNames()) GTEST_SKIP() << "the system matches names itself";
  testing::TempFolder folder;
  testing::WriteFile(folder / "Part.DAT", "");
  fs::create_directory(folder / "s");
  std::vector<std::string> names = NamesInFolder(folder.Path().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Part.DAT", "s"}));
  EXPECT_TRUE(NamesInFolder((folder / "none").string()).empty());
}

#ifndef _WIN32
// A link that points nowhere names nothing, but takes its name in the folder.
TEST(FileSystem, DanglingLinkIsAnEntryButNoFile) {
  testing::TempFolder folder;
  fs::create_symlink("none.dat", folder / "link.dat");
  EXPECT_EQ(KindOf((folder / "link.dat").string()), FileKind::kNone);
  EXPECT_TRUE(EntryExists((folder / "link.dat").string()));
}
#endif

}  // namespace
}  // namespace halvex
