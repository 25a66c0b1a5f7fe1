// A library in a zip archive gives what the same library unpacked gives: the
// library cases run once with the fixture library's folder and once with an
// archive of it laid out as LDraw.org ships complete.zip; output files must
// be the same bytes, and the report the same but for the library's name.
#include <algorithm>
#include <gtest/gtest.h>

#include <map>

#include "e2e/run_program.h"
#include "model/zip_test_archive.h"

namespace halvex::testing {
namespace {

const fs::path kData = fs::path(HALVEX_SOURCE_DIR) / "tests" / "data";

std::vector<std::string> Arguments(const fs::path& caseFolder, const std::string& library) {
  return Lines(Replaced(ReadFile(caseFolder / "args"), "@LIBRARY@", library));
}

// An archive of `library` with every file under "ldraw/", as complete.zip.
void ZipLibrary(const fs::path& library, const fs::path& archive) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const auto& entry : fs::recursive_directory_iterator(library)) {
    if (!entry.is_regular_file()) continue;
    entries.emplace_back("ldraw/" + fs::relative(entry.path(), library).generic_string(),
                         ReadFile(entry.path()));
  }
  // In name order, so that the archive is the same whatever order the
  // platform lists folders in.
  std::sort(entries.begin(), entries.end());
  ASSERT_TRUE(WriteZip(archive.string(), entries));
}

struct Outcome {
  ProgramResult result;
  std::map<std::string, std::string> files;
};

Outcome RunCase(const std::string& name, const std::string& library) {
  const fs::path caseFolder = kData / "cases" / name;
  TempFolder folder;
  fs::copy(caseFolder / "in", folder.Path(), fs::copy_options::recursive);
  Outcome outcome;
  outcome.result = RunHalvex(folder.Path(), Arguments(caseFolder, library));
  for (const auto& entry : fs::recursive_directory_iterator(folder.Path())) {
    if (entry.is_regular_file()) {
      outcome.files[fs::relative(entry.path(), folder.Path()).string()] = ReadFile(entry.path());
    }
  }
  return outcome;
}

// `path` in UTF-8, as the program takes its arguments on every system.
std::string Utf8(const fs::path& path) {
  std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

TEST(ZipLibrary, GivesWhatTheUnpackedLibraryGives) {
  TempFolder zipFolder;
  // A name beyond ASCII, which Windows opens only by its UTF-16 spelling.
  const fs::path written = zipFolder / "complete.zip";
  ZipLibrary(kData / "library", written);
  const fs::path archive = zipFolder.Path() / u8"bibliothèque.zip";
  fs::rename(written, archive);
  const std::string folder = (kData / "library").string();
  for (const char* name : {"library_cut", "library_names_as_on_disk", "library_snap_only",
                           "library_verify", "mpd_expanded_submodels"}) {
    SCOPED_TRACE(name);
    Outcome unpacked = RunCase(name, folder);
    Outcome zipped = RunCase(name, Utf8(archive));
    EXPECT_EQ(zipped.result.exitCode, unpacked.result.exitCode);
    EXPECT_EQ(Replaced(zipped.result.out, Utf8(archive), folder), unpacked.result.out);
    EXPECT_EQ(zipped.files, unpacked.files);
  }
}

TEST(ZipLibrary, DamagedArchiveStopsTheRunWithAReason) {
  TempFolder zipFolder;
  const fs::path archive = zipFolder / "complete.zip";
  ZipLibrary(kData / "library", archive);
  const std::string bytes = ReadFile(archive);
  // Cut short: no directory. Changed bytes in the data of an entry the case
  // reads (block.dat, after its local header's name): the directory is
  // read, the entry is not.
  const std::size_t name = bytes.find("ldraw/parts/block.dat");
  ASSERT_NE(name, std::string::npos);
  std::string changed = bytes;
  for (std::size_t k = name + 60; k < name + 160; ++k) {
    changed[k] = static_cast<char>(changed[k] ^ 0x5A);
  }
  for (const std::string& damaged : {bytes.substr(0, bytes.size() / 2), changed}) {
    WriteFile(archive, damaged);
    Outcome outcome = RunCase("library_cut", archive.string());
    EXPECT_EQ(outcome.result.exitCode, 2);
    EXPECT_NE(outcome.result.out.find("cannot be read"), std::string::npos) << outcome.result.out;
    EXPECT_EQ(outcome.files.count("out.dat"), 0u) << "nothing written";
  }
}

// Entries that minizip would hand over as they stand, or inflate without
// end, stop the run with the entry named before a byte of the output is
// written: the library's stud.dat once compressed with bzip2, once ending
// early, and once claiming to inflate to a gigabyte.
TEST(ZipLibrary, EntryNotReadWholeStopsTheRun) {
  const std::string stud = ReadFile(kData / "library" / "p" / "stud.dat");
  const std::string shorter = stud.substr(0, stud.size() / 2);
  struct Damage {
    RawEntry entry;
    std::string message;
  };
  const std::vector<Damage> damages = {
      {{"ldraw/p/stud.dat", Deflated(stud), 12, stud.size(), Crc32(stud)},
       "ldraw/p/stud.dat is compressed with bzip2"},
      {{"ldraw/p/stud.dat", Deflated(shorter), Z_DEFLATED, stud.size(), Crc32(stud)},
       "ldraw/p/stud.dat is damaged or truncated"},
      {{"ldraw/p/stud.dat", Deflated("0"), Z_DEFLATED, std::uint64_t{1} << 30, 0},
       "ldraw/p/stud.dat holds 1073741824 bytes"}};
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.message);
    TempFolder zipFolder;
    const fs::path archive = zipFolder / "complete.zip";
    std::vector<RawEntry> entries = {damage.entry};
    for (const auto& entry : fs::recursive_directory_iterator(kData / "library")) {
      std::string name = "ldraw/" + fs::relative(entry.path(), kData / "library").generic_string();
      if (!entry.is_regular_file() || name == damage.entry.name) continue;
      std::string content = ReadFile(entry.path());
      entries.push_back({name, content, 0, content.size(), Crc32(content)});
    }
    ASSERT_TRUE(WriteRawZip(archive.string(), entries));
    Outcome outcome = RunCase("library_cut", archive.string());
    EXPECT_EQ(outcome.result.exitCode, 2);
    EXPECT_NE(outcome.result.out.find("Library " + archive.string() + " cannot be read: " +
                                      damage.message),
              std::string::npos)
        << outcome.result.out;
    EXPECT_EQ(outcome.files.count("out.dat"), 0u) << "nothing written";
  }
}

}  // namespace
}  // namespace halvex::testing
