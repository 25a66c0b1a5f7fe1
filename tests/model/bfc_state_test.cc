// Which statements certify a file: it reads top-down, and its first drawing
// line settles it.
#include "model/bfc_state.h"

#include <gtest/gtest.h>

#include <string>

#include "model/ldraw_reader.h"

namespace halvex {
namespace {

bool CertifiedAfter(const std::string& text) {
  Model model;
  LoadText(model, text);
  BfcState bfc;
  for (int i = 0; i < model.Size(); ++i) bfc.Take(model.ElementAt(i));
  return bfc.Certified();
}

TEST(BfcState, TheLastCertificationBeforeTheFirstDrawingLineCounts) {
  const std::string edge = "2 24 0 0 0 1 0 0\n";
  EXPECT_TRUE(CertifiedAfter("0 BFC CERTIFY\n" + edge));
  EXPECT_TRUE(CertifiedAfter("0 BFC NOCERTIFY\n0 comment\n0 BFC CERTIFY CW\n" + edge));
  EXPECT_FALSE(CertifiedAfter("0 BFC CERTIFY\n0 BFC NOCERTIFY\n" + edge));
  EXPECT_FALSE(CertifiedAfter("0 BFC CERTIFY NOCERTIFY\n" + edge));
  // After the first drawing line neither certifies nor undoes anything.
  EXPECT_FALSE(CertifiedAfter(edge + "0 BFC CERTIFY\n"));
  EXPECT_TRUE(CertifiedAfter("0 BFC CERTIFY\n" + edge + "0 BFC NOCERTIFY\n"));
  // A comment that holds the words is no statement.
  EXPECT_TRUE(CertifiedAfter("0 BFC CERTIFY\n0 !HISTORY made BFC NOCERTIFY\n" + edge));
}

}  // namespace
}  // namespace halvex
