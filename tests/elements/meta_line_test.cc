// Which meta lines are BFC statements, and what MetaKind makes of them.
#include "elements/meta_line.h"

#include <gtest/gtest.h>

namespace halvex {
namespace {

TEST(BfcWordsOf, OnlyLinesOfBfcKeywordsAreStatements) {
  EXPECT_EQ(BfcWordsOf("BFC CERTIFY CCW"), kBfcCertify | kBfcCcw);
  EXPECT_EQ(BfcWordsOf("  bfc\tNoClip "), kBfcNoClip);
  EXPECT_EQ(BfcWordsOf("Bfc clip cw"), kBfcClip | kBfcCw);
  EXPECT_EQ(BfcWordsOf("BFC NOCERTIFY"), kBfcNoCertify);
  EXPECT_EQ(BfcWordsOf("BFC CERTIFY INVERTNEXT"), kBfcCertify | kBfcInvertNext);
  // Comments that hold the words, and a bare "BFC".
  EXPECT_EQ(BfcWordsOf("!HISTORY 2002-08-31 [cwdee] Made BFC compliant"), 0u);
  EXPECT_EQ(BfcWordsOf("!HISTORY added missing BFC CERTIFY statement"), 0u);
  EXPECT_EQ(BfcWordsOf("// 0 BFC INVERTNEXT"), 0u);
  EXPECT_EQ(BfcWordsOf("0 BFC INVERTNEXT"), 0u);
  EXPECT_EQ(BfcWordsOf("BFC CERTIFY CCW // mine"), 0u);
  EXPECT_EQ(BfcWordsOf("BFCX CW"), 0u);
  EXPECT_EQ(BfcWordsOf("BFC"), 0u);
  EXPECT_EQ(BfcWordsOf(""), 0u);
}

TEST(MetaKindOf, BareWindingStatementsDeclareTheirWinding) {
  EXPECT_EQ(MetaKindOf("BFC CW"), MetaKindCode::kDeclaresCw);
  EXPECT_EQ(MetaKindOf("bfc ccw"), MetaKindCode::kDeclaresCcw);
  EXPECT_EQ(MetaKindOf("BFC CLIP CW"), MetaKindCode::kDeclaresCw);
  EXPECT_EQ(MetaKindOf("BFC NOCLIP CCW"), MetaKindCode::kDeclaresCcw);
  // Without CW or CCW a statement says nothing of the winding.
  EXPECT_EQ(MetaKindOf("BFC NOCLIP"), MetaKindCode::kNone);
  // Everything else goes by the words it holds anywhere, as before.
  EXPECT_EQ(MetaKindOf("!HISTORY [cwdee] Made BFC compliant"), MetaKindCode::kNone);
  EXPECT_EQ(MetaKindOf("BFC CERTIFY CW"), MetaKindCode::kDeclaresCw);
  EXPECT_EQ(MetaKindOf("BFC CERTIFY"), MetaKindCode::kDeclaresCcw);
  // A line naming INVERTNEXT declares no winding.
  EXPECT_EQ(MetaKindOf("BFC INVERTNEXT"), MetaKindCode::kNone);
  EXPECT_EQ(MetaKindOf("BFC CERTIFY INVERTNEXT"), MetaKindCode::kNone);
  EXPECT_EQ(MetaKindOf("// 0 BFC INVERTNEXT CERTIFY CW"), MetaKindCode::kNone);
}

}  // namespace
}  // namespace halvex
