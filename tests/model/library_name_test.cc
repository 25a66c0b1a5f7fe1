// The one rule by which names in LDraw files are matched to library files,
// checked against the table that other readers of library names share.
#include "model/library_name.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "e2e/run_program.h"

namespace halvex {
namespace {

TEST(NameKey, GivesTheKeysOfTheSharedTable) {
  const std::filesystem::path table =
      std::filesystem::path(HALVEX_SOURCE_DIR) / "tests" / "data" / "library_name_keys.tsv";
  int rows = 0;
  for (const std::string& line : testing::Lines(testing::ReadFile(table))) {
    if (line.starts_with("#")) continue;
    std::size_t tab = line.find('\t');
    ASSERT_NE(tab, std::string::npos) << line;
    EXPECT_EQ(NameKey(line.substr(0, tab)), line.substr(tab + 1)) << line;
    ++rows;
  }
  EXPECT_GE(rows, 10);
}

TEST(NormalizedName, KeepsTheCaseOfWhatItKeeps) {
  EXPECT_EQ(NormalizedName("Parts\\S\\..\\.\\3001.DAT"), "Parts/3001.DAT");
  EXPECT_EQ(NormalizedName("..\\P\\Stud.dat"), "../P/Stud.dat");
}

}  // namespace
}  // namespace halvex
