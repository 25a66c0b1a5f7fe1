// Load reads a file a mebibyte at a time. Whatever falls on the border
// between two pieces (a CR LF split in two, a lone CR, a number or a name cut
// in half, a line longer than a piece) must load as if the text were whole.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "e2e/run_program.h"
#include "model/embedded_files.h"
#include "model/ldraw_reader.h"
#include "model/path_resolver.h"

namespace halvex {
namespace {

constexpr std::size_t kMebibyte = 1 << 20;

// Each text is loaded with the border before each of its characters in turn
// (a long text: before its first), behind a line of x's that makes no
// element. An element shows as its winding in brackets and its text.
TEST(LoadInPieces, BorderAnywhereInTheText) {
  const std::string longLine(2 * kMebibyte, ' ');
  const struct {
    std::string text;
    std::vector<std::string> elements;
  } rows[] = {
      // CR LF split, lone CRs, CR CR LF, LF LF, no last line end.
      {"\r\n0 a\r\r\r\n\n0 b\r0 c", {"[0] 0 a", "[0] 0 b", "[0] 0 c"}},
      // The winding a BFC line declares holds past the border.
      {"0 BFC CERTIFY CW\n2 24 1 2 3 4 5 6\r\n",
       {"[-1] 0 BFC CERTIFY CW", "[-1] 2 24 1 2 3 4 5 6"}},
      // Numbers and a name cut by the border.
      {"1 16 12.5 -3.25 7 1 0 0 0 1 0 0 0 1 s\\3001s01.dat",
       {"[1] 1 16 12.5 -3.25 7 1 0 0 0 1 0 0 0 1 s\\3001s01.dat"}},
      // Lines longer than a piece, one ending the file.
      {"0 " + longLine + "c\r\n4 16 1 2 3 4 5 6 7 8 9 10 11 12" + longLine + "x\n5 24 1 2 3 4 5 6" +
           longLine,
       {"[0] 0 " + longLine + "c", "[0] 4 16 1 2 3 4 5 6 7 8 9 10 11 12",
        "[0] 5 24 1 2 3 4 5 6 0 0 0 0 0 0"}},
  };
  testing::TempFolder folder;
  const std::string path = (folder / "in.dat").string();
  PathResolver resolver;
  for (const auto& row : rows) {
    std::size_t shifts = row.text.size() > kMebibyte ? 1 : row.text.size();
    for (std::size_t shift = 0; shift < shifts; ++shift) {
      testing::WriteFile(path, std::string(kMebibyte - shift - 1, 'x') + '\n' + row.text);
      Model model;
      std::string reason;
      ASSERT_TRUE(Load(model, path, resolver, &reason));
      std::vector<std::string> elements;
      for (int i = 0; i < model.Size(); ++i) {
        const Element& element = model.ElementAt(i);
        elements.emplace_back("[").append(std::to_string(element.winding)).append("] ");
        elements.back().append(element.ToText());
      }
      EXPECT_EQ(elements, row.elements) << "shift " << shift;
    }
  }
}

// The elements of `model`, each as its winding in brackets and its text.
std::vector<std::string> ElementsOf(const Model& model) {
  std::vector<std::string> elements;
  for (int i = 0; i < model.Size(); ++i) {
    const Element& element = model.ElementAt(i);
    elements.emplace_back("[").append(std::to_string(element.winding)).append("] ");
    elements.back().append(element.ToText());
  }
  return elements;
}

// `bytes` or more of lines of every kind: references after BFC INVERTNEXT,
// polygons and lines in decimal and hexadecimal colours (many tokens), lines
// that make no element, a BFC CERTIFY line that changes the winding of all
// that follows part-way, and a mix of line ends.
std::string ManyLines(std::size_t bytes) {
  std::string text;
  char line[160];
  for (int i = 0; text.size() < bytes; ++i) {
    const char* end = i % 3 == 0 ? "\r\n" : "\n";
    switch (i % 8) {
      case 0:
        text.append("0 BFC INVERTNEXT").append(end);
        std::snprintf(line, sizeof line, "1 16 %d 0 0 1 0 0 0 1 0 0 0 1 s\\part%d.dat", i, i % 7);
        break;
      case 1:
        std::snprintf(line, sizeof line, "3 0x2%06X %d.5 1 2 3 4 5 6 7 8", i % 97, i);
        break;
      case 2:
        std::snprintf(line, sizeof line, "4 %d 1 2 3 4 5 6 7 8 9 10 11 %d", i % 500, i);
        break;
      case 3:
        std::snprintf(line, sizeof line, "not a line %d", i);
        break;
      case 4:
        std::snprintf(line, sizeof line, "%s", i == 200000 ? "0 BFC CERTIFY CW" : "");
        break;
      case 5:
        std::snprintf(line, sizeof line, "2 0x%X 0 0 0 1 1 %d", 0x2000000 + i % 13, i);
        break;
      case 6:
        std::snprintf(line, sizeof line, "5 24 0 0 0 1 1 1 %d 0 0 0 0 1", i);
        break;
      default:
        std::snprintf(line, sizeof line, "0 // comment %d", i);
        break;
    }
    text.append(line).append(end);
  }
  return text;
}

// A BFC INVERTNEXT statement parted from its reference by more than a batch
// of pieces on any machine.
std::string PartedInversion() {
  std::string text = "0 BFC INVERTNEXT\n";
  for (int i = 0; text.size() < 3 * kMebibyte; ++i) {
    text.append("0 // between ").append(std::to_string(i)).append("\n");
  }
  return text + "1 16 0 0 0 1 0 0 0 1 0 0 0 1 s\\parted.dat\n";
}

// A file of many pieces, loaded on every core the machine has, loads as its
// whole text does on one: the elements with their winding, the counts, and an
// MPD's model and embedded files, wherever the model's section ends (in the
// first piece, or after many) and wherever a CR LF falls (the embedded files
// keep every line, empty ones too).
TEST(LoadInPieces, ManyPiecesLoadAsTheWholeText) {
  const std::string lines = ManyLines(6 * kMebibyte);
  std::string embedded = "0 FILE sub.dat\r\n";
  for (int i = 0; embedded.size() < 3 * kMebibyte; ++i) {
    embedded.append("4 16 1 2 3 4 5 6 7 8 9 10 11 ").append(std::to_string(i)).append("\r\n");
  }
  // An MPD whose model ends at once, with a CR LF of an embedded file cut by
  // the first piece's end.
  std::string cut = "0 FILE main.ldr\r\n0 FILE sub.dat\r\n";
  cut.append(kMebibyte - 1 - cut.size() - 2, 'x').append("\r\n\r\n2 24 0 0 0 1 1 1\r\n");
  const std::string parted = PartedInversion();
  const std::string texts[] = {
      lines,
      "0 FILE main.ldr\r\n" + lines + "0 NOFILE\n" + embedded,
      "0 FILE main.ldr\r\n3 16 1 2 3 4 5 6 7 8 9\n0 FILE other.ldr\n" + embedded + lines,
      cut + lines,
      lines + parted + lines,
  };
  testing::TempFolder folder;
  const std::string path = (folder / "in.ldr").string();
  PathResolver resolver;
  for (const std::string& text : texts) {
    testing::WriteFile(path, text);
    Model model;
    EmbeddedFiles files;
    std::string reason;
    std::optional<LoadSummary> summary = Load(model, path, resolver, &reason, &files);
    ASSERT_TRUE(summary);
    Model whole;
    EmbeddedFiles wholeFiles;
    ElementCounts counts = LoadText(whole, text, &wholeFiles);
    // Compared whole, so that a failure does not print megabytes.
    EXPECT_TRUE(ElementsOf(model) == ElementsOf(whole)) << "elements differ";
    EXPECT_EQ(summary->counts.edgeLines, counts.edgeLines);
    EXPECT_EQ(summary->counts.condLines, counts.condLines);
    EXPECT_EQ(summary->counts.triangles, counts.triangles);
    EXPECT_EQ(summary->counts.quads, counts.quads);
    EXPECT_EQ(summary->counts.subfiles, counts.subfiles);
    EXPECT_EQ(files.IsMpd(), wholeFiles.IsMpd());
    EXPECT_TRUE(files.TextAfter(model, true) == wholeFiles.TextAfter(whole, true))
        << "embedded files differ";
    // Every BFC INVERTNEXT statement goes with the reference after it.
    for (int i = 0; i < model.Size(); ++i) {
      if (model.ElementAt(i).LineType() == kSubfileType) model.EraseElement(i);
      if (whole.ElementAt(i).LineType() == kSubfileType) whole.EraseElement(i);
    }
    EXPECT_TRUE(ElementsOf(model) == ElementsOf(whole)) << "elements differ after erasing";
  }
}

// Read a part at a time, the parts hold the model Load makes, one after
// another, and the same embedded files; no part ends between a BFC
// INVERTNEXT statement and its reference.
TEST(LoadInPieces, PartsHoldTheModelInTurn) {
  const std::string lines = ManyLines(5 * kMebibyte);
  const std::string parted = PartedInversion();
  const std::string texts[] = {
      lines + parted + lines,
      "0 FILE main.ldr\r\n" + lines + "0 NOFILE\n0 FILE sub.dat\n" + lines,
      "",
  };
  testing::TempFolder folder;
  const std::string path = (folder / "in.ldr").string();
  PathResolver resolver;
  for (const std::string& text : texts) {
    testing::WriteFile(path, text);
    Model whole;
    EmbeddedFiles wholeFiles;
    std::string reason;
    std::optional<LoadSummary> summary = Load(whole, path, resolver, &reason, &wholeFiles);
    ASSERT_TRUE(summary);
    EmbeddedFiles files;
    PartReader reader(&files);
    ASSERT_TRUE(reader.Open(path, resolver, &reason));
    // Each part's elements, then the same with every reference erased
    // (taking its BFC INVERTNEXT statements along).
    std::vector<std::string> elements;
    std::vector<std::string> erased;
    int parts = 0;
    for (;;) {
      Model part;
      if (!reader.Next(part)) break;
      ++parts;
      std::vector<std::string> read = ElementsOf(part);
      elements.insert(elements.end(), read.begin(), read.end());
      for (int i = 0; i < part.Size(); ++i) {
        if (part.ElementAt(i).LineType() == kSubfileType) part.EraseElement(i);
      }
      read = ElementsOf(part);
      erased.insert(erased.end(), read.begin(), read.end());
    }
    EXPECT_FALSE(reader.Failed());
    if (text.size() > 4 * kMebibyte) {
      EXPECT_GT(parts, 1);
    }
    EXPECT_TRUE(elements == ElementsOf(whole)) << "elements differ";
    for (int i = 0; i < whole.Size(); ++i) {
      if (whole.ElementAt(i).LineType() == kSubfileType) whole.EraseElement(i);
    }
    EXPECT_TRUE(erased == ElementsOf(whole)) << "elements differ after erasing";
    EXPECT_EQ(reader.Summary().modelSize, summary->modelSize);
    EXPECT_EQ(reader.Summary().counts.triangles, summary->counts.triangles);
    EXPECT_EQ(reader.Summary().counts.subfiles, summary->counts.subfiles);
    EXPECT_TRUE(files.TextAfter(whole, true) == wholeFiles.TextAfter(whole, true))
        << "embedded files differ";
  }
  std::string reason;
  PartReader reader;
  EXPECT_FALSE(reader.Open((folder / "none.dat").string(), resolver, &reason));
}

}  // namespace
}  // namespace halvex
