#include "elements/meta_line.h"

#include <gtest/gtest.h>

#include "elements/lines.h"
#include "splitting/splitters.h"

namespace halvex {
namespace {

// Substring tests on the upper-case text, in the order BFC, INVERTNEXT,
// CERTIFY, CCW, CW.
TEST(MetaKind, SubstringRulesInTheirOrder) {
  const struct {
    const char* text;
    MetaKindCode kind;
  } rows[] = {
      {"BFC CERTIFY CCW", MetaKindCode::kCertifyCcw},
      {"BFC CERTIFY CW", MetaKindCode::kCertifyCw},
      {"BFC CERTIFY", MetaKindCode::kCertifyCcw},
      {"bfc certify cw", MetaKindCode::kCertifyCw},
      {"Bfc Certify Ccw", MetaKindCode::kCertifyCcw},
      {"BFC INVERTNEXT", MetaKindCode::kInvertNext},
      {"invertnext, said the bfc", MetaKindCode::kInvertNext},
      {"BFC CERTIFY CW INVERTNEXT", MetaKindCode::kInvertNext},  // INVERTNEXT wins
      {"BFC CERTIFY CW CCW", MetaKindCode::kCertifyCcw},         // CCW before CW
      {"BFC NOCERTIFY", MetaKindCode::kCertifyCcw},
      {"XBFCY CERTIFYING CWZ", MetaKindCode::kCertifyCw},
      {"BFC CLIP CW", MetaKindCode::kNone},
      {"BFC CW", MetaKindCode::kNone},
      {"CERTIFY CW", MetaKindCode::kNone},  // no BFC
      {"INVERTNEXT", MetaKindCode::kNone},
      {"Name: 3001.dat", MetaKindCode::kNone},
      {"", MetaKindCode::kNone},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(MetaKindOf(row.text), row.kind) << '"' << row.text << '"';
    EXPECT_EQ(MetaLine(row.text).MetaKind(), row.kind) << '"' << row.text << '"';
  }
}

TEST(MetaKind, OfElementIsNoneForOtherLines) {
  EXPECT_EQ(MetaKindOfElement(MetaLine("BFC INVERTNEXT")), MetaKindCode::kInvertNext);
  EXPECT_EQ(MetaKindOfElement(EdgeLine("2 24 0 0 0 1 1 1")), MetaKindCode::kNone);
  EXPECT_EQ(MetaKindOfElement(EmptyElement()), MetaKindCode::kNone);
}

TEST(MetaLine, TextAndNeutralDefaults) {
  MetaLine comment("Name: my part.dat  ");
  EXPECT_EQ(MetaLine("").ToText(), "0 ");
  EXPECT_FALSE(comment.IsPolygon() || comment.IsLine());
  comment.SetColour(4);
  comment.Translate({1, 2, 3});
  EXPECT_EQ(comment.ToText(), "0 Name: my part.dat  ");
  EXPECT_EQ(comment.Classify(test::KeepXPositive()), Side::kKept);
  CutPieces pieces = comment.Cut(test::KeepXPositive());
  EXPECT_TRUE(pieces.first == nullptr && pieces.second == nullptr);
  EmptyElement empty;
  EXPECT_EQ(empty.ToText(), "");
  EXPECT_EQ(empty.LineType(), 6);
}

}  // namespace
}  // namespace halvex
