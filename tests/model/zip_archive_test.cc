// A library in a zip archive: entries found as files on disk are, the
// library's folder inside the archive, and damaged archives refused.
#include "model/zip_archive.h"

#include <gtest/gtest.h>

#include "e2e/run_program.h"
#include "model/search_path.h"
#include "model/zip_test_archive.h"

namespace halvex {
namespace {

using testing::TempFolder;
using testing::WriteZip;

TEST(ZipArchive, FindsEntriesWithoutRegardToCaseOrSeparator) {
  TempFolder folder;
  const std::string path = (folder / "lib.zip").string();
  ASSERT_TRUE(WriteZip(path, {{"ldraw/parts/3001.dat", "a"},
                              {"ldraw/parts/s/3001S01.DAT", "b"},
                              {"ldraw/p/", ""},
                              {"ldraw/P/Stud.dat", "c"},
                              {"ldraw/p/stud.dat", "d"}}));
  std::string error;
  std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, &error);
  ASSERT_NE(archive, nullptr) << error;
  EXPECT_EQ(archive->LibraryRoot(), "ldraw/");
  EXPECT_EQ(archive->Find("LDRAW\\parts\\s\\3001s01.dat"), "ldraw/parts/s/3001S01.DAT");
  EXPECT_EQ(archive->Find("ldraw/./parts//3001.dat"), "ldraw/parts/3001.dat");
  EXPECT_EQ(archive->Find("ldraw/p/../parts/s/..\\3001.dat"), "ldraw/parts/3001.dat");
  // Of two entries that differ in case only, the smaller name, as on disk.
  EXPECT_EQ(archive->Find("ldraw/p/STUD.DAT"), "ldraw/P/Stud.dat");
  EXPECT_EQ(archive->Find("ldraw/p"), std::nullopt);
  EXPECT_EQ(archive->Find("ldraw/parts/3002.dat"), std::nullopt);
  EXPECT_EQ(archive->Read("ldraw/parts/s/3001S01.DAT", &error), "b");
}

// The archive is read through a buffer of 64 KiB: entries and directory
// records that lie across its borders, and an entry larger than it, read
// whole, in any order.
TEST(ZipArchive, EntriesAcrossTheReadBufferReadWhole) {
  TempFolder folder;
  const std::string path = (folder / "lib.zip").string();
  std::vector<std::pair<std::string, std::string>> entries;
  std::uint32_t state = 12345;
  for (int k = 0; k < 40; ++k) {
    // Digits from a simple generator: they compress to about half, so the
    // entries of 1 to 200 KiB spread over many buffers.
    std::string content(static_cast<std::size_t>(1 + k * 5000), ' ');
    for (char& c : content) {
      state = state * 1664525u + 1013904223u;
      c = static_cast<char>('0' + (state >> 24) % 10);
    }
    entries.emplace_back("parts/" + std::to_string(k) + ".dat", std::move(content));
  }
  ASSERT_TRUE(WriteZip(path, entries));
  std::string error;
  std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, &error);
  ASSERT_NE(archive, nullptr) << error;
  for (int k : {39, 0, 20, 21, 1, 38}) {
    const auto& [name, content] = entries[static_cast<std::size_t>(k)];
    EXPECT_EQ(archive->Read(name, &error), content) << name << ": " << error;
  }
}

TEST(ZipArchive, LibraryAtTheTopHasAnEmptyRoot) {
  TempFolder folder;
  const std::string path = (folder / "lib.zip").string();
  ASSERT_TRUE(WriteZip(path, {{"readme.txt", ""}, {"parts/a.dat", ""}, {"x/parts/b.dat", ""}}));
  std::string error;
  std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, &error);
  ASSERT_NE(archive, nullptr) << error;
  EXPECT_EQ(archive->LibraryRoot(), "");
}

TEST(ZipArchive, DamagedArchivesAreRefusedWithAReason) {
  TempFolder folder;
  const std::string path = (folder / "lib.zip").string();
  std::string content(5000, 'x');
  for (std::size_t k = 0; k < content.size(); ++k) content[k] = static_cast<char>('a' + k * 7 % 26);
  ASSERT_TRUE(WriteZip(path, {{"parts/a.dat", content}}));
  const std::string bytes = testing::ReadFile(path);
  std::string error;

  testing::WriteFile(folder / "text.zip", "0 not a zip archive\n");
  EXPECT_EQ(ZipArchive::Open((folder / "text.zip").string(), &error), nullptr);
  EXPECT_FALSE(error.empty());

  // Cut short, the archive loses its directory, which stands at its end.
  testing::WriteFile(folder / "short.zip", bytes.substr(0, bytes.size() - 30));
  error.clear();
  EXPECT_EQ(ZipArchive::Open((folder / "short.zip").string(), &error), nullptr);
  EXPECT_FALSE(error.empty());

  // A changed byte in the compressed data: the directory is read, the entry
  // is not.
  std::string changed = bytes;
  changed[60] = static_cast<char>(changed[60] ^ 0x55);
  testing::WriteFile(folder / "changed.zip", changed);
  std::unique_ptr<ZipArchive> archive = ZipArchive::Open((folder / "changed.zip").string(), &error);
  ASSERT_NE(archive, nullptr) << error;
  error.clear();
  EXPECT_EQ(archive->Read("parts/a.dat", &error), std::nullopt);
  EXPECT_NE(error.find("parts/a.dat"), std::string::npos) << error;
}

// The six locations of a library in an archive are searched as the same
// folders on disk are, and a file's byte order mark is dropped as on disk.
TEST(SearchPathInArchive, SearchesTheLibraryFoldersInOrder) {
  TempFolder folder;
  const std::string path = (folder / "complete.zip").string();
  ASSERT_TRUE(WriteZip(path, {{"ldraw/p/box.dat", "p"},
                              {"ldraw/parts/box.dat", "parts"},
                              {"ldraw/parts/s/boxs01.dat", "\xEF\xBB\xBFs"},
                              {"ldraw/unofficial/parts/new.dat", "new"}}));
  PathResolver resolver;
  SearchPath search(resolver);
  std::string error;
  ASSERT_EQ(search.AddLibrary(path, &error), LibraryStatus::kLibrary) << error;
  EXPECT_EQ(search.ToText(), path + "\\p\\, " + path + "\\parts\\, " + path + "\\parts\\s\\, " +
                                 path + "\\Unofficial\\p\\, " + path + "\\Unofficial\\parts\\, " +
                                 path + "\\Unofficial\\parts\\s\\");
  ASSERT_NE(search.Open("BOX.DAT"), nullptr);
  EXPECT_EQ(search.Open("BOX.DAT")->text, "p");
  EXPECT_EQ(search.Open("boxs01.dat")->text, "s");
  EXPECT_EQ(search.Open("s\\boxs01.dat"), search.Open("boxs01.dat"))
      << "one entry, one file, whatever name reached it";
  EXPECT_EQ(search.Open("new.dat")->text, "new");
  EXPECT_EQ(search.Open("missing.dat"), nullptr);
  EXPECT_EQ(search.Error(), "");

  testing::WriteFile(folder / "broken.zip", "PK");
  EXPECT_EQ(search.AddLibrary((folder / "broken.zip").string(), &error),
            LibraryStatus::kUnreadableArchive);
  ASSERT_TRUE(testing::WriteZip((folder / "other.zip").string(), {{"models/car.ldr", ""}}));
  EXPECT_EQ(search.AddLibrary((folder / "other.zip").string(), &error),
            LibraryStatus::kNoLibraryFolders);
}

}  // namespace
}  // namespace halvex
