// Load reads a file a mebibyte at a time. Whatever falls on the border
// between two pieces (a CR LF split in two, a lone CR, a number cut in half,
// a line longer than a piece) must load exactly as the whole text does.
#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "e2e/run_program.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

constexpr std::size_t kMebibyte = 1 << 20;

struct Loaded {
  std::vector<std::string> texts;
  std::vector<int> windings;
  std::string report;
};

Loaded Describe(const Model& model, std::string report) {
  Loaded loaded;
  for (int i = 0; i < model.Size(); ++i) {
    loaded.texts.push_back(model.ElementAt(i).ToText());
    loaded.windings.push_back(model.ElementAt(i).winding);
  }
  loaded.report = std::move(report);
  return loaded;
}

Loaded FromFile(const std::string& content) {
  testing::TempFolder folder;
  std::string path = (folder / "in.dat").string();
  testing::WriteFile(path, content);
  Model model;
  PathResolver resolver;
  std::ostringstream report;
  EXPECT_TRUE(Load(model, path, resolver, report));
  return Describe(model, report.str());
}

// The report Load prints for the same text read whole.
Loaded FromText(const std::string& content) {
  Model model;
  ElementCounts counts = LoadText(model, content);
  std::ostringstream report;
  report << "\nLoading "
         << "PATH"
         << "\n"
         << model.Size() << " lines in file\n"
         << counts.edgeLines << " Edge lines\n"
         << counts.condLines << " Conditional lines\n"
         << counts.triangles << " Triangles\n"
         << counts.quads << " Quads\n"
         << counts.subfiles << " Subfiles\n";
  return Describe(model, report.str());
}

void ExpectSameAsWhole(const std::string& content) {
  Loaded whole = FromText(content);
  Loaded pieces = FromFile(content);
  std::size_t nameEnd = pieces.report.find('\n', 1);
  ASSERT_NE(nameEnd, std::string::npos);
  pieces.report.replace(9, nameEnd - 9, "PATH");
  EXPECT_EQ(pieces.texts, whole.texts);
  EXPECT_EQ(pieces.windings, whole.windings);
  EXPECT_EQ(pieces.report, whole.report);
}

// A line of `length` characters, line end included, that makes no element,
// so that what follows it starts at that offset.
std::string PadTo(std::size_t length) { return std::string(length - 1, 'x') + "\n"; }

TEST(LoadInPieces, LineEndsOnTheBorder) {
  const char* const tails[] = {
      "\r\n3 16 1 2 3 4 5 6 7 8 9\r\n",  // CR LF split by the border.
      "\r3 16 1 2 3 4 5 6 7 8 9\r",      // A lone CR before it.
      "\n\r\n2 24 1 2 3 4 5 6",          // LF, then CR LF across, no last line end.
      "\r\r\n0 BFC CERTIFY CW\r\n3 16 1 2 3 4 5 6 7 8 9\r\n",
  };
  for (const char* tail : tails) {
    for (std::size_t shift = 0; shift < 4; ++shift) {
      // The border falls `shift` characters into the tail.
      std::string content = PadTo(kMebibyte - shift) + tail;
      SCOPED_TRACE(::testing::Message() << "shift " << shift);
      ExpectSameAsWhole(content);
    }
  }
}

TEST(LoadInPieces, NumberAndNameCutByTheBorder) {
  std::string line = "1 16 12.5 -3.25 7 1 0 0 0 1 0 0 0 1 s\\3001s01.dat";
  for (std::size_t shift = 1; shift < line.size(); shift += 4) {
    ExpectSameAsWhole(PadTo(kMebibyte - shift) + line + "\r\n4 16 1 2 3 4 5 6 7 8 9 10 11 12");
  }
}

TEST(LoadInPieces, LinesLongerThanAPiece) {
  std::string longComment = "0 " + std::string(kMebibyte + 17, 'c');
  std::string longTriangle = "3 16 1 2 3 4 5 6 7 8 9" + std::string(2 * kMebibyte, ' ') + "tail";
  ExpectSameAsWhole(longComment + "\r\n" + longTriangle + "\n3 16 9 8 7 6 5 4 3 2 1\n");
  ExpectSameAsWhole(longTriangle);
}

// Short lines with every kind of line end around the border, the border
// falling at a different place among them for each seed.
TEST(LoadInPieces, MixedLineEndsAroundTheBorder) {
  const char* const ends[] = {"\n", "\r\n", "\r", "\r\r\n", "\n\n"};
  const char* const lines[] = {"3 16 1.5 2 3 -4 5 6 7 8 9",
                               "4 16 1 2 3 4 5 6 7 8 9 10 11 12",
                               "2 24 1 2 3 4 5 6",
                               "5 24 1 2 3 4 5 6 7 8 9 10 11 12",
                               "0 BFC CERTIFY CW",
                               "0 BFC CERTIFY CCW",
                               "1 16 0 0 0 1 0 0 0 1 0 0 0 1 stud.dat",
                               "0 // comment",
                               ""};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 random(seed);
    std::string content = PadTo(kMebibyte - 1 - random() % 300);
    for (int k = 0; k < 40; ++k) {
      content += lines[random() % 9];
      content += ends[random() % 5];
    }
    SCOPED_TRACE(::testing::Message() << "seed " << seed);
    ExpectSameAsWhole(content);
  }
}

}  // namespace
}  // namespace halvex
