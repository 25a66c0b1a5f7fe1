// Reading an MPD: which lines make the model, which the embedded files, and
// that a file without "0 FILE" lines is read as before.
#include "model/embedded_files.h"

#include <gtest/gtest.h>

#include "model/ldraw_reader.h"
#include "model/model.h"

namespace halvex {
namespace {

std::string TextOf(const Model& model) {
  std::string text;
  for (int i = 0; i < model.Size(); ++i) {
    model.ElementAt(i).AppendText(text);
    text.push_back('\n');
  }
  return text;
}

TEST(SectionMark, KeywordsInUpperCaseWithAName) {
  std::string_view name;
  EXPECT_EQ(SectionMarkOf("FILE  main model.ldr ", &name), SectionMark::kFile);
  EXPECT_EQ(name, "main model.ldr");
  EXPECT_EQ(SectionMarkOf("!DATA logo.png", &name), SectionMark::kData);
  EXPECT_EQ(name, "logo.png");
  EXPECT_EQ(SectionMarkOf(" NOFILE", &name), SectionMark::kNoFile);
  // Comments that merely begin like a mark.
  EXPECT_EQ(SectionMarkOf("File created by an editor", &name), SectionMark::kNone);
  EXPECT_EQ(SectionMarkOf("FILE", &name), SectionMark::kNone);
  EXPECT_EQ(SectionMarkOf("FILES a.ldr", &name), SectionMark::kNone);
  EXPECT_EQ(SectionMarkOf("NOFILE now", &name), SectionMark::kNone);
}

// Without a "0 FILE" line, NOFILE and !DATA lines are comments like any
// other, and every line is the model's.
TEST(EmbeddedFiles, FileWithoutFileLinesIsAllModel) {
  const std::string text = "0 NOFILE\n0 !DATA x.png\n0 !: AAAA\n2 24 0 0 0 1 0 0\n";
  Model plain;
  Model read;
  EmbeddedFiles embedded;
  LoadText(plain, text);
  LoadText(read, text, &embedded);
  EXPECT_FALSE(embedded.IsMpd());
  EXPECT_EQ(TextOf(read), TextOf(plain));
  EXPECT_EQ(read.Size(), 4);
  EXPECT_EQ(embedded.TextAfter(read, true), "");
}

TEST(EmbeddedFiles, FirstSectionIsTheModelAndTheRestIsKeptAsRead) {
  Model model;
  EmbeddedFiles embedded;
  LoadText(model,
           "0 FILE main.ldr\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 Parts/A.ldr\n0 NOFILE\n0 between\n"
           "0 FILE parts\\a.ldr\n2 24  0 0 0  1 0 0\n0 NOFILE\n"
           "0 FILE unused.ldr\n3 16 0 0 0 1 0 0 0 1 0\n"
           "0 !DATA x.png\n0 !: AAAA\n",
           &embedded);
  EXPECT_TRUE(embedded.IsMpd());
  EXPECT_EQ(TextOf(model), "0 FILE main.ldr\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 Parts/A.ldr\n");

  // Found by the names' one rule (case, separators, "." and ".."); the
  // model's own section too.
  const Subfile* a = embedded.Find("PARTS/A.LDR");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(embedded.Find(".\\s\\..\\parts//a.ldr"), a);
  EXPECT_EQ(a->text, "0 FILE parts\\a.ldr\r\n2 24  0 0 0  1 0 0\r\n0 NOFILE\r\n");
  EXPECT_NE(embedded.Find("main.ldr"), nullptr);
  EXPECT_EQ(embedded.Find("x.png"), nullptr);
  EXPECT_EQ(embedded.Find("missing.ldr"), nullptr);

  // After an expansion only what the output still references is written
  // again; data sections always are.
  EXPECT_EQ(embedded.TextAfter(model, false),
            "0 NOFILE\r\n0 between\r\n"
            "0 FILE parts\\a.ldr\r\n2 24  0 0 0  1 0 0\r\n0 NOFILE\r\n"
            "0 !DATA x.png\r\n0 !: AAAA\r\n");
  Model empty;
  EXPECT_EQ(embedded.TextAfter(empty, false),
            "0 NOFILE\r\n0 between\r\n0 !DATA x.png\r\n0 !: AAAA\r\n");
  EXPECT_EQ(embedded.TextAfter(empty, true),
            "0 NOFILE\r\n0 between\r\n"
            "0 FILE parts\\a.ldr\r\n2 24  0 0 0  1 0 0\r\n0 NOFILE\r\n"
            "0 FILE unused.ldr\r\n3 16 0 0 0 1 0 0 0 1 0\r\n"
            "0 !DATA x.png\r\n0 !: AAAA\r\n");
}

// An embedded file referenced only through another embedded file is kept
// too, and two sections of one name leave the first one found.
TEST(EmbeddedFiles, ReferencesAreFollowedThroughEmbeddedFiles) {
  Model model;
  EmbeddedFiles embedded;
  LoadText(model,
           "0 FILE main.ldr\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 a.ldr\n"
           "0 FILE a.ldr\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 b.ldr\n"
           "0 FILE b.ldr\n2 24 0 0 0 1 0 0\n"
           "0 FILE A.LDR\n2 24 9 9 9 1 0 0\n",
           &embedded);
  EXPECT_EQ(embedded.Find("a.ldr")->text, "0 FILE a.ldr\r\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 b.ldr\r\n");
  EXPECT_EQ(embedded.TextAfter(model, false),
            "0 FILE a.ldr\r\n1 16 0 0 0 1 0 0 0 1 0 0 0 1 b.ldr\r\n"
            "0 FILE b.ldr\r\n2 24 0 0 0 1 0 0\r\n");
}

}  // namespace
}  // namespace halvex
