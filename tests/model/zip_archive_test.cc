// A library in a zip archive: entries found as files on disk are, the
// library's folder inside the archive, and damaged archives refused.
#include "model/zip_archive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

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
  EXPECT_EQ(archive->Read("ldraw/parts/s/3001S01.DAT", kMaxSubfileBytes, &error), "b");
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
    EXPECT_EQ(archive->Read(name, kMaxSubfileBytes, &error), content) << name << ": " << error;
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
  EXPECT_EQ(archive->Read("parts/a.dat", kMaxSubfileBytes, &error), std::nullopt);
  EXPECT_NE(error.find("parts/a.dat"), std::string::npos) << error;
}

// An entry is read only when what comes out is what the directory declares,
// in length and CRC-32, whatever minizip itself checks; entries it would
// hand over as raw bytes (compression methods other than stored and
// deflated, encryption) and entries declared larger than the limit are
// refused before anything is inflated.
TEST(ZipArchive, ReadsAnEntryOnlyWholeAndAsDeclared) {
  TempFolder folder;
  const std::string path = (folder / "lib.zip").string();
  const std::string content = "4 16 1 0 0 0 0 0 0 0 1 1 0 1\n";
  const std::string longer = content + "3 16 0 0 0 1 0 0 0 1 0\n";
  using testing::Crc32;
  using testing::Deflated;
  ASSERT_TRUE(testing::WriteRawZip(
      path, {{"good.dat", Deflated(content), Z_DEFLATED, content.size(), Crc32(content)},
             // A deflate stream that ends before the declared content does.
             {"ends_early.dat", Deflated(content), Z_DEFLATED, longer.size(), Crc32(longer)},
             {"wrong_crc.dat", content, 0, content.size(), Crc32(content) ^ 1},
             // A stored zip64 entry whose bytes were changed.
             {"zip64.dat", "5" + content.substr(1), 0, content.size(), Crc32(content), true},
             {"bzip2.dat", "BZh91AY&SY", 12, content.size(), Crc32(content)},
             // A few bytes said to inflate to a gigabyte.
             {"bomb.dat", Deflated("0"), Z_DEFLATED, std::uint64_t{1} << 30, 0}}));
  std::string error;
  std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, &error);
  ASSERT_NE(archive, nullptr) << error;
  EXPECT_EQ(archive->Read("good.dat", kMaxSubfileBytes, &error), content) << error;
  for (const char* damaged : {"ends_early.dat", "wrong_crc.dat", "zip64.dat"}) {
    error.clear();
    EXPECT_EQ(archive->Read(damaged, kMaxSubfileBytes, &error), std::nullopt) << damaged;
    EXPECT_EQ(error, std::string(damaged) + " is damaged or truncated");
  }
  EXPECT_EQ(archive->Read("bzip2.dat", kMaxSubfileBytes, &error), std::nullopt);
  EXPECT_EQ(error,
            "bzip2.dat is compressed with bzip2, which Halvex does not read (only stored and "
            "deflated entries)");
  EXPECT_EQ(archive->Read("bomb.dat", kMaxSubfileBytes, &error), std::nullopt);
  EXPECT_EQ(error, "bomb.dat holds 1073741824 bytes, more than the 268435456 a library file may "
                   "have");
  // The limit is the caller's.
  EXPECT_EQ(archive->Read("good.dat", content.size() - 1, &error), std::nullopt);
  EXPECT_EQ(archive->Read("good.dat", content.size(), &error), content);
}

TEST(ZipArchive, EncryptedEntryIsRefusedAsSuch) {
  TempFolder folder;
  const std::string path = (folder / "lib.zip").string();
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  ASSERT_NE(zip, nullptr);
  zip_fileinfo info{};
  const std::string content = "3 16 0 0 0 1 0 0 0 1 0\n";
  ASSERT_EQ(zipOpenNewFileInZip3_64(zip, "secret.dat", &info, nullptr, 0, nullptr, 0, nullptr,
                                    Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS,
                                    DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, "password",
                                    testing::Crc32(content), 0),
            ZIP_OK);
  ASSERT_EQ(zipWriteInFileInZip(zip, content.data(), static_cast<unsigned>(content.size())),
            ZIP_OK);
  ASSERT_EQ(zipCloseFileInZip(zip), ZIP_OK);
  ASSERT_EQ(zipClose(zip, nullptr), ZIP_OK);
  std::string error;
  std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, &error);
  ASSERT_NE(archive, nullptr) << error;
  EXPECT_EQ(archive->Read("secret.dat", kMaxSubfileBytes, &error), std::nullopt);
  EXPECT_EQ(error, "secret.dat is encrypted");
}

// An archive that cannot be opened at all is not called damaged: the
// system's reason is given, such as running out of file descriptors with
// many archives open.
TEST(ZipArchive, ArchiveThatCannotBeOpenedSaysWhy) {
  TempFolder folder;
  std::string error;
  EXPECT_EQ(ZipArchive::Open((folder / "missing.zip").string(), &error), nullptr);
  EXPECT_EQ(error, "cannot be opened: No such file or directory");
#ifndef _WIN32
  const std::string path = (folder / "lib.zip").string();
  ASSERT_TRUE(WriteZip(path, {{"parts/a.dat", "a"}}));
  auto openUntilRefused = [&] {
    rlimit limit{32, 32};
    ::setrlimit(RLIMIT_NOFILE, &limit);
    std::vector<std::unique_ptr<ZipArchive>> open;
    std::string reason;
    while (open.size() < 64) {
      std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, &reason);
      if (!archive) break;
      open.push_back(std::move(archive));
    }
    std::fprintf(stderr, "%s\n", reason.c_str());
    std::_Exit(0);
  };
  EXPECT_EXIT(openUntilRefused(), ::testing::ExitedWithCode(0),
              "cannot be opened: Too many open files");
#endif
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
