#include "model/ldraw_reader.h"

#include <gtest/gtest.h>

#include <sstream>

#include "e2e/run_program.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

std::vector<std::string> LinesOf(std::string_view text) {
  std::vector<std::string> lines;
  LineCursor cursor(text);
  std::string_view line;
  while (cursor.Next(&line)) lines.emplace_back(line);
  return lines;
}

std::vector<std::string> Texts(const Model& model) {
  std::vector<std::string> texts;
  for (int i = 0; i < model.Size(); ++i) texts.push_back(model.ElementAt(i).ToText());
  return texts;
}

using Lines = std::vector<std::string>;

TEST(LineCursor, LineEnds) {
  EXPECT_EQ(LinesOf("a\nb\n"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOf("a\r\nb\r\n"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOf("a\nb"), (Lines{"a", "b"}));
  EXPECT_EQ(LinesOf("a\r\n\r\n\nb\r"), (Lines{"a", "", "", "b"}));
  EXPECT_EQ(LinesOf("a\rb\rc"), (Lines{"a", "b", "c"}));  // Old Macintosh files.
  EXPECT_EQ(LinesOf("a\r\r\nb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(LinesOf(""), (Lines{}));
  EXPECT_EQ(LinesOf("\n"), (Lines{""}));
}

TEST(LineCursor, LongLinesAreReadWhole) {
  // Nothing of a line is lost, however long it is.
  std::string longLine = "0 " + std::string(1498, 'x');
  EXPECT_EQ(LinesOf(longLine + "\r\n3 16\r\n"), (Lines{longLine, "3 16"}));
  EXPECT_EQ(LinesOf(std::string(999, 'y')), (Lines{std::string(999, 'y')}));
}

struct ParseCase {
  const char* line;
  int type;  // -2: no element.
  const char* text;
};

TEST(ParseLine, DispatchesOnTheLeadingInteger) {
  const ParseCase cases[] = {
      {"", -2, ""},
      {" \t ", -2, ""},
      {"3001.dat", -2, ""},
      {"6 1 2 3", -2, ""},
      {"7", -2, ""},
      {"-1 0 0", -2, ""},
      {"0", 0, "0 "},
      {"0 // comment", 0, "0 // comment"},
      {"   0 // comment", 0, "0 // comment"},
      {"0\tBFC CERTIFY", 0, "0 BFC CERTIFY"},
      {"0  two blanks", 0, "0  two blanks"},
      {"1 16 0 0 0 1 0 0 0 1 0 0 0 1 s\\3001s01.dat", 1,
       "1 16 0 0 0 1 0 0 0 1 0 0 0 1 s\\3001s01.dat"},
      {"  2 24 1 2 3 4 5 6  ", 2, "2 24 1 2 3 4 5 6"},
      {"3 16 1 2 3 4 5 6 7 8 9", 3, "3 16 1 2 3 4 5 6 7 8 9"},
      {"4\t16 1 2 3 4 5 6 7 8 9 10 11 12", 4, "4 16 1 2 3 4 5 6 7 8 9 10 11 12"},
      {"5 24 1 2 3 4 5 6 7 8 9 10 11 12", 5, "5 24 1 2 3 4 5 6 7 8 9 10 11 12"},
  };
  for (const ParseCase& c : cases) {
    SCOPED_TRACE(c.line);
    std::unique_ptr<Element> element = ParseLine(c.line);
    if (c.type == -2) {
      EXPECT_EQ(element, nullptr);
      continue;
    }
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->LineType(), c.type);
    EXPECT_EQ(element->ToText(), c.text);
  }
}

TEST(LoadText, WindingFollowsTheLastCertifyLine) {
  Model model;
  ElementCounts counts = LoadText(model,
                                  "0 comment\n"
                                  "3 16 0 0 0 1 0 0 0 1 0\n"
                                  "0 BFC CERTIFY CW\n"
                                  "1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.dat\n"
                                  "0 BFC INVERTNEXT\n"
                                  "2 24 0 0 0 1 0 0\n"
                                  "0 bfc certify ccw\n"
                                  "4 16 0 0 0 1 0 0 1 1 0 0 1 0\n"
                                  "0 BFC CERTIFY CW\n"
                                  "0 BFC CERTIFY\n"
                                  "5 24 0 0 0 1 0 0 1 1 0 0 1 0\n");
  std::vector<int> windings;
  for (int i = 0; i < model.Size(); ++i) windings.push_back(model.ElementAt(i).winding);
  EXPECT_EQ(windings, (std::vector<int>{0, 0, -1, 1, -1, -1, 1, 1, -1, 1, 1}));
  EXPECT_EQ(counts.edgeLines, 1);
  EXPECT_EQ(counts.condLines, 1);
  EXPECT_EQ(counts.triangles, 1);
  EXPECT_EQ(counts.quads, 1);
  EXPECT_EQ(counts.subfiles, 1);
}

TEST(LoadText, AppendsAfterWhatTheModelHolds) {
  Model model;
  LoadText(model, "0 first\n");
  ElementCounts counts = LoadText(model, "\n\nname.dat\n2 24 0 0 0 1 1 1");
  EXPECT_EQ(Texts(model), (Lines{"0 first", "2 24 0 0 0 1 1 1"}));
  EXPECT_EQ(counts.edgeLines, 1);
}

TEST(LoadText, LongElementLineIsOneElement) {
  Model model;
  LoadText(model, "3 16 " + std::string(1500, ' ') + "1 0 0 0 1 0 0 0 1\n");
  EXPECT_EQ(Texts(model), (Lines{"3 16 1 0 0 0 1 0 0 0 1"}));
}

TEST(Load, PrintsTheReport) {
  testing::TempFolder folder;
  const std::string path = (folder / "in.dat").string();
  testing::WriteFile(path, "0 x\r\n\r\nfoo\r\n2 24 0 0 0 1 1 1\r\n3 16 0 0 0 1 0 0 0 1 0");
  Model model;
  LoadText(model, "0 held before");
  PathResolver resolver;
  std::ostringstream report;
  ASSERT_TRUE(Load(model, path, resolver, report));
  EXPECT_EQ(report.str(), testing::LoadReport(path, 4, 1, 0, 1, 0, 0));
}

}  // namespace
}  // namespace halvex
